#pragma once

#include <cstdint>
#include <limits>

// What stat said of a listed file after the scan: the file the user saw. A deletion removes an
// entry only while a fresh stat still says the same.
struct FileStamp {
    static constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::min();

    std::uint64_t inode = 0;
    std::uint64_t size = 0; // of a regular file; 0 for anything else
    std::int64_t modified = kNone; // ns since the epoch; kNone: stat found nothing
    std::int64_t changed = 0; // the inode's change time, ns

    bool recorded() const { return modified != kNone; }
};

// Whether `now` is still the file recorded as `then`. Where inode numbers are not stable (a FUSE
// mount numbers its inodes as it looks them up, and forgets them), inode and change time say
// nothing, and size and modification time decide, as version-control tools do on such mounts.
bool sameFile(const FileStamp& then, const FileStamp& now, bool stableInodes);
