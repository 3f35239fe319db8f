#include "LockedAppend.h"

#include <cerrno>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return EIO; // a file system that takes nothing and says nothing
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int lock(int fd, int operation)
{
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace

int appendLocked(int fd, std::string_view text, std::string_view ifEmpty)
{
    if (const int error = lock(fd, LOCK_EX); error != 0) {
        return error;
    }
    struct stat before { };
    int error = ::fstat(fd, &before) == 0 ? 0 : errno;
    if (error == 0) {
        error = before.st_size == 0 ? writeAll(fd, ifEmpty) : 0;
        error = error == 0 ? writeAll(fd, text) : error;
        if (error != 0) {
            // The reason stays the write's own, whatever the cut says.
            static_cast<void>(::ftruncate(fd, before.st_size));
        }
    }
    lock(fd, LOCK_UN);
    return error;
}
