#pragma once

#include "FdCloser.h"
#include "FileSystems.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The folders below one base that a removal's rows are in, opened one component at a time without
// following a link and kept open while the next rows share their way: rows of one folder, and of
// folders that share a beginning, share the descriptors of what they share. What was looked at of
// the folder checked last is kept with them, and forgotten as a descriptor closes, here and
// nowhere else: the number may come back for another folder.
class FolderCache {
public:
    // Whether `baseDir` is the base open.
    bool holds(const std::string& baseDir) const { return !m_levels.empty() && m_levels.front().name == baseDir; }
    // Lets every folder go and opens `baseDir` as the base; false with errno set where it cannot.
    bool openBase(const std::string& baseDir);
    // The base, as openBase() was given it; empty where none is open.
    const std::string& base() const;
    // The descriptor of `dir` (no "/" at its end) below the base, or -1 with errno set. It stays
    // open until a call for another way, or clear().
    int open(std::string_view dir);
    // Looks at the device, inode and mount of `dir`, open as `dirFd` by open(), once while it stays
    // open; 0, or the errno.
    int check(int dirFd, std::string_view dir);
    // What check() saw, and whether that folder's file system keeps inode numbers.
    const MountStat& checked() const { return m_checked; }
    bool stableInodes() const { return m_bStableInodes; }
    void clear() { closeFrom(0); }

private:
    struct Level {
        FdCloser fd;
        std::string name; // the base's path, then a component
    };
    void closeFrom(std::size_t level);

    std::vector<Level> m_levels; // the base, then the way to the folder opened last
    std::string m_strOpenDir; // that folder, where m_bOpenKnown
    bool m_bOpenKnown = false;
    int m_nCheckedFd = -1; // the folder checked last, while it is open
    std::string m_strCheckedDir;
    MountStat m_checked;
    bool m_bStableInodes = true; // of the checked folder's file system
    std::optional<std::uint64_t> m_nStableAsked; // the device whose file system was asked
};
