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

// Opens the directory `dir` ("" or ending in "/") below `baseDir` one component at a time,
// without following a symbolic link below the base, whatever the length of the whole path.
// Returns the descriptor, or -1 with errno set.
int openBeneath(const std::string& baseDir, std::string_view dir);

// Opens a directory by its path, however long; the path's own links are followed.
int openDirectoryPath(const std::string& path);

// What the result of a stat says an entry is.
EntryType entryType(const struct stat& st);

// The result of a stat as a listed file's record.
FileStamp fileStamp(const struct stat& st);
