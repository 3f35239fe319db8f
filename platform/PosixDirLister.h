#pragma once

#include "DirLister.h"

// Lists directories with openat(2) and getdents64(2).
class PosixDirLister final : public IDirLister {
public:
    int list(int parentFd, const std::string& name, const std::string& path, DirListing& out) override;
    void close(int fd) override;
    void stamps(const std::string& baseDir, const std::string& dir, const std::vector<std::string_view>& names,
                std::vector<FileStamp>& stamps) override;
    int readFile(const std::string& baseDir, const std::string& dir, std::string_view name, std::size_t limit,
                 std::string& out) override;
    std::string fileSystemType(const std::string& dir) override;
};

// What the result of a stat says an entry is.
EntryType entryType(const struct stat& st);

// The result of a stat as a listed file's record.
FileStamp fileStamp(const struct stat& st);
