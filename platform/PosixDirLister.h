#pragma once

#include "DirLister.h"

// Lists directories with open(2) and getdents64(2).
class PosixDirLister final : public IDirLister {
public:
    bool list(const std::string& dirPath, DirListing& out) override;
};
