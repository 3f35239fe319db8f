#pragma once

#include "DirLister.h"
#include "KeepList.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ScanProgress;

// The mp3 name test: the name contains ".mp3", the letters m and p of either case.
bool isMp3Name(std::string_view name);

// The mp3 entries below a base directory, in walk order, with what the keep test found.
struct Mp3Collection {
    struct Dir {
        std::string path; // file-system bytes, ending in "/"
        std::uint64_t device; // of the directory itself, and so of its entries as listed
        std::uint64_t inode;
        std::uint32_t formHash; // of the comparison form of its own name, the last segment of `path`
        const char* names; // its entries' names (and some others) back to back, in nameBlocks
    };
    struct Entry {
        std::uint64_t inode; // as listed, so that a deletion can tell whether it is the same entry
        std::uint32_t dir; // index into dirs: the directory that lists it
        std::uint32_t nameOffset; // into its directory's names
        std::uint32_t formHash; // of comparisonForm(name), to find entries by name
        std::uint16_t nameLength; // a name is at most 255 bytes
        EntryType type;
        bool kept; // the comparison form of its path contains a keep line's
    };
    // A folder the walk passed over because it could not be listed.
    struct Unreadable {
        std::string path;
        int error; // errno
    };

    std::string base; // the base directory, ending in "/"
    std::vector<Dir> dirs;
    std::vector<Entry> entries;
    std::vector<Unreadable> unreadable; // in walk order
    bool baseListed = false; // the base directory itself could be listed
    bool stopped = false; // the walk was stopped before its end; the entries are a part
    std::vector<std::unique_ptr<char[]>> nameBlocks; // where the names are

    std::string_view name(const Entry& e) const { return {dirs[e.dir].names + e.nameOffset, e.nameLength}; }
    std::string path(const Entry& e) const { return dirs[e.dir].path + std::string(name(e)); }
};

// The hash by which entries are found by the comparison form of their names.
std::uint32_t formHash(std::string_view form);

// How to walk: what to test the entries against, where to report, when to stop.
struct WalkOptions {
    const KeepList* keep = nullptr; // with `seen`: each entry's `kept`, and which lines occurred
    KeepList::Seen* seen = nullptr;
    ScanProgress* progress = nullptr; // the number of mp3 entries found so far
    const std::atomic<bool>* stop = nullptr; // looked at before each directory
    unsigned threads = 0; // listing at once; 0: as many as suit this machine
};

// Walks the whole tree below `baseDir` (file-system bytes ending in "/") and collects every mp3
// entry, several directories at once, each opened relative to its parent's descriptor. Entries
// of a directory are taken in the order of their comparison form (ties: bytes); depth first, a
// directory's contents before the directory's own entry. Symbolic links are not followed. A
// directory already on its own descent (same device and inode) is not walked again. A directory
// that cannot be listed is passed over and recorded. No limit on depth or path length. The
// result does not depend on the number of threads.
Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, const WalkOptions& options = {});
