#pragma once

#include "DirLister.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ScanProgress;

// The mp3 name test: the name contains ".mp3", the letters m and p of either case.
bool isMp3Name(std::string_view name);

// The mp3 entries below a base directory, in walk order, with what the keep test needs.
struct Mp3Collection {
    struct Dir {
        std::string path; // file-system bytes, ending in "/"
        std::string form; // comparisonForm(path)
        std::uint64_t device; // of the directory itself, and so of its entries as listed
        std::uint64_t inode;
    };
    struct Entry {
        std::uint64_t inode; // as listed, so that a deletion can tell whether it is the same entry
        std::uint32_t dir; // index into dirs: the directory that lists it
        std::uint32_t nameOffset;
        std::uint32_t formOffset; // comparisonForm(name), in the same pool
        std::uint16_t nameLength; // a name is at most 255 bytes, its form three times that
        std::uint16_t formLength;
        EntryType type;
    };
    // A folder the walk passed over because it could not be listed.
    struct Unreadable {
        std::string path;
        int error; // errno
    };

    std::string base; // the base directory, ending in "/"
    std::vector<Dir> dirs;
    std::vector<Entry> entries;
    std::string pool;
    std::vector<Unreadable> unreadable;
    bool baseListed = false; // the base directory itself could be listed
    bool stopped = false; // the walk was stopped before its end; the entries are a part

    std::string_view name(const Entry& e) const { return std::string_view(pool).substr(e.nameOffset, e.nameLength); }
    std::string_view nameForm(const Entry& e) const
    {
        return std::string_view(pool).substr(e.formOffset, e.formLength);
    }
    std::string path(const Entry& e) const { return dirs[e.dir].path + std::string(name(e)); }
};

// Walks the whole tree below `baseDir` (file-system bytes ending in "/") and collects every mp3
// entry. Entries of a directory are taken in the order of their comparison form (ties: bytes);
// depth first, a directory's contents before the directory's own entry. Symbolic links are not
// followed. A directory already on the current descent (same device and inode) is not walked
// again. A directory that cannot be listed is passed over and recorded. No recursion: deep trees
// are fine.
// After each directory, the number found so far goes to `progress`, and `stop` is looked at.
Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, ScanProgress* progress = nullptr,
                          const std::atomic<bool>* stop = nullptr);
