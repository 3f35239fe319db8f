#pragma once

#include "DirLister.h"

#include <cstdint>
#include <string>
#include <string_view>

// An entry as the scan listed it and stat recorded it after: what a deletion checks before it
// removes anything.
struct EntryIdentity {
    std::uint64_t dirDevice; // the directory that lists it, as it stood when listed
    std::uint64_t dirInode;
    EntryType type;
    FileStamp stamp;
};

// Deletes entries permanently, below a base directory. A batch of calls may share descriptors;
// finish() lets them go.
class IFileDeleter {
public:
    // remove()'s answer for an entry, or a directory on its way, that is no longer the one the
    // scan listed.
    static constexpr int kChanged = -1;

    virtual ~IFileDeleter() = default;
    // Removes the entry `name` of the directory `dir` ("" or ending in "/", relative to `baseDir`),
    // reached from the base directory without following symbolic links, only when it is still
    // `identity` (sameFile(); where inode numbers are not stable, a directory on the way only has
    // to be a directory). Returns 0, kChanged, or the errno that the system gave.
    virtual int remove(const std::string& baseDir, std::string_view dir, std::string_view name,
                       const EntryIdentity& identity)
        = 0;
    virtual void finish() { }
};
