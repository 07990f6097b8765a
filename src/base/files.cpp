// The one loop that writes a buffer whole, so every file written whole fails the same way.
#include "base/files.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
ssize_t (*write_call)(int, const void *, size_t) = nullptr;
}

bool write_whole(int fd, const void *buf, size_t len) {
    const char *p = static_cast<const char *>(buf);
    while (len > 0) {
        const ssize_t n = write_call ? write_call(fd, p, len) : ::write(fd, p, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        // Taking nothing again would spin forever. EIO, not ENOSPC: the device gave no reason,
        // and the chunk saves have always reported this case as an I/O error.
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        len -= size_t(n);
    }
    return true;
}

void files_set_write(ssize_t (*write_fn)(int, const void *, size_t)) {
    write_call = write_fn;
}

int remove_name(const char *path) {
    if (unlink(path) == 0) return 0;
    return (errno == EISDIR || errno == EPERM) ? rmdir(path) : -1;
}

int create_temp(const char *path, mode_t mode) {
    remove_name(path);
    // O_EXCL never opens what is there (a link is not followed, a FIFO never waits for its
    // reader); a name taken again since the removal fails the write instead.
    return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
}
