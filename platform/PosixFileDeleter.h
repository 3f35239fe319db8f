#pragma once

#include "FileDeleter.h"

// Deletes with unlink(2).
class PosixFileDeleter final : public IFileDeleter {
public:
    int remove(const std::string& path) override;
};
