// Whole-buffer writes to an open file, shared by every file the game writes whole ("cfg", the
// chunk files, "world.info"). No GL here.
#pragma once

#include <cstddef>
#include <sys/types.h>

// Writes all len bytes of buf to fd: a partial write goes on with the rest and an interrupted
// one (EINTR) is tried again. False with errno set when a write fails; a write that takes no
// byte fails with EIO.
bool write_whole(int fd, const void *buf, size_t len);
// Creates path as a new, empty regular file for writing and returns its descriptor, or -1
// with errno set. Whatever held the name before (a stale temporary file, a link, a FIFO, an
// empty folder) is removed first without being followed or opened, so the write can neither
// block nor land outside the folder.
int create_temp(const char *path, mode_t mode);
// Removes path whatever its type (an empty folder too) without following it. 0, else -1.
int remove_name(const char *path);
// Replaces the write call behind write_whole (tests); nullptr restores ::write.
void files_set_write(ssize_t (*write_fn)(int, const void *, size_t));
