// Whole-buffer writes to an open file, shared by every file the game writes whole ("cfg", the
// chunk files, "world.info"). No GL here.
#pragma once

#include <cstddef>
#include <sys/types.h>

// Writes all len bytes of buf to fd: a partial write goes on with the rest and an interrupted
// one (EINTR) is tried again. False with errno set when a write fails; a write that takes no
// byte fails with EIO.
bool write_whole(int fd, const void *buf, size_t len);
// Replaces the write call behind write_whole (tests); nullptr restores ::write.
void files_set_write(ssize_t (*write_fn)(int, const void *, size_t));
