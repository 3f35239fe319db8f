#pragma once

#include "FileDeleter.h"
#include "FileSystems.h"
#include "Trash.h"

#include <optional>
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
    // The descriptor of `dir` below the base, or -1 with errno set. Rows of one directory, and
    // of directories that share a beginning, share the descriptors of what they share.
    int openDir(std::string_view dir);
    void closeFrom(std::size_t level);
    int openBase(const std::string& baseDir);
    int checkDir(int dirFd, std::string_view dir);
    std::string realPath(const std::string& baseDir, std::string_view dir, std::string_view name);
    static int listClutter(int fd, std::vector<std::string>& clutter);
    static int notMountRoot(int parentFd, int fd, MountStat& folder);
    int emptyFolder(int parentFd, int fd, std::string_view dir, Removal removal, std::vector<std::string>& removed);
    int removeClutter(int fd, const std::string& name, Removal removal, const std::string& path,
                      const MountStat& folder);
    int verifiedDir(const std::string& baseDir, std::string_view dir, const std::string& name,
                    const EntryIdentity& identity, int& error);

    std::string m_strBase;
    std::string m_strRealBase; // with no link in it, ending in "/"; made for the trash
    int m_nBaseFd = -1;
    std::vector<std::string> m_vecNames; // the components of the directory last opened
    std::vector<int> m_vecFds; // their descriptors, each opened relative to the one before
    std::string m_strOpenDir; // that directory, where m_bOpenKnown
    bool m_bOpenKnown = false;
    // The directory whose device, inode and mount were looked at last.
    int m_nCheckedFd = -1;
    std::string m_strCheckedDir;
    MountStat m_checked;
    bool m_bStableInodes = true; // of the checked directory's file system
    std::optional<std::uint64_t> m_nStableAsked; // the device whose file system was asked
    TrashCans m_trash {homeTrashDir()};
};
