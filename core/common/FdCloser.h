#pragma once

#include <cerrno>
#include <utility>

#include <unistd.h>

// Owns a file descriptor and closes it when it goes out of scope, or when another takes its
// place. Closing keeps errno as it was: a caller reports why the call before it failed.
class FdCloser {
public:
    FdCloser() = default;
    explicit FdCloser(int fd)
        : m_fd(fd)
    {
    }
    ~FdCloser() { reset(); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    FdCloser(FdCloser&& other) noexcept
        : m_fd(other.release())
    {
    }
    FdCloser& operator=(FdCloser&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    // The descriptor, or -1 where there is none.
    int get() const { return m_fd; }
    // Hands the descriptor over, to be closed by whoever takes it.
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0) {
            const int error = errno;
            ::close(m_fd);
            errno = error;
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};
