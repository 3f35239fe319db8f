#pragma once

#include "DirLister.h"

// Lists directories with open(2) and getdents64(2).
class PosixDirLister final : public IDirLister {
public:
    int list(const std::string& dirPath, DirListing& out) override;
    void sizes(const std::string& dirPath, const std::vector<std::string_view>& names,
               std::vector<std::uint64_t>& sizes) override;
};
