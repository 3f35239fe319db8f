#pragma once

#include "FileDeleter.h"
#include "FileSystems.h"
#include "FolderCache.h"
#include "Trash.h"

#include <string>
#include <vector>

// Deletes with unlinkat(2), or moves to the trash with renameat2(2), relative to directory
// descriptors opened one component at a time from the base directory with O_NOFOLLOW, as careful
// deleters do: a symbolic link swapped in for a folder after the scan leads nowhere, and no path
// is too long.
class PosixFileDeleter final : public IFileDeleter {
public:
    ~PosixFileDeleter() override;

    int remove(const std::string& baseDir, std::string_view dir, std::string_view name,
               const EntryIdentity& identity) override;
    int moveToTrash(const std::string& baseDir, std::string_view dir, std::string_view name,
                    const EntryIdentity& identity, std::string& trashDir) override;
    int removeFolderLeftEmpty(const std::string& baseDir, std::string_view dir, Removal removal,
                              std::vector<std::string>& removed) override;
    void finish() override;

private:
    int openBase(const std::string& baseDir);
    std::string realPath(const std::string& baseDir, std::string_view dir, std::string_view name);
    int emptyFolder(int parentFd, int fd, std::string_view dir, Removal removal, std::vector<std::string>& removed);
    int removeClutter(int fd, const std::string& name, Removal removal, const std::string& path,
                      const MountStat& folder);
    int verifiedDir(const std::string& baseDir, std::string_view dir, const std::string& name,
                    const EntryIdentity& identity, int& error);

    FolderCache m_folders;
    std::string m_strRealBase; // with no link in it, ending in "/"; made for the trash
    TrashCans m_trash {homeTrashDir()};
};
