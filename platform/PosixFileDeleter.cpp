#include "PosixFileDeleter.h"

#include <unistd.h>

#include <cerrno>

int PosixFileDeleter::remove(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}
