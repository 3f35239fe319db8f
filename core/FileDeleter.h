#pragma once

#include <string>

// Deletes one file permanently. Returns 0 on success or the errno that the system gave.
class IFileDeleter {
public:
    virtual ~IFileDeleter() = default;
    virtual int remove(const std::string& path) = 0;
};
