#pragma once

#include <unistd.h>

// Closes a file descriptor when it goes out of scope.
class FdCloser {
public:
    explicit FdCloser(int fd)
        : m_fd(fd)
    {
    }
    ~FdCloser() { ::close(m_fd); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int m_fd;
};
