#pragma once

#include "DirLister.h"
#include "Removal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An entry as the scan listed it and stat recorded it after: what a deletion checks before it
// removes anything.
struct EntryIdentity {
    std::uint64_t dirDevice; // the directory that lists it, as it stood when listed
    std::uint64_t dirInode;
    EntryType type;
    FileStamp stamp;
};

// Deletes entries permanently, or moves them to the trash, below a base directory. A batch of
// calls may share descriptors; finish() lets them go.
class IFileDeleter {
public:
    // remove()'s answer for an entry, or a directory on its way, that is no longer the one the
    // scan listed.
    static constexpr int kChanged = -1;
    // moveToTrash()'s answer where the entry's file system has no trash that can be used.
    static constexpr int kNoTrash = -2;
    // remove()'s answer where a folder on the entry's way is missing, renamed, replaced or
    // unmounted since the scan: the file was not looked at, and is most likely still there.
    static constexpr int kFolderGone = -3;
    // removeFolderLeftEmpty()'s answer for a folder whose listing shows only clutter names that
    // stays: one of them is not a file or a link, it is a mount point, or something came in.
    static constexpr int kFolderStays = -4;

    virtual ~IFileDeleter() = default;
    // Removes the entry `name` of the directory `dir` ("" or ending in "/", relative to `baseDir`),
    // reached from the base directory without following symbolic links, only when it is still
    // `identity` (sameFile(); where inode numbers are not stable, a directory on the way only has
    // to be a directory). Returns 0, kChanged, kFolderGone, or the errno that the system gave;
    // ENOENT only where the file is missing from its folder.
    virtual int remove(const std::string& baseDir, std::string_view dir, std::string_view name,
                       const EntryIdentity& identity)
        = 0;
    // Moves the entry into the trash of its own file system (the freedesktop.org trash: the
    // home's, or one at the top of its mount), after the same check as remove(); never copies it
    // and never removes it. `trashDir` is set to the trash folder it went to, the home's too.
    // Returns 0, kChanged, kFolderGone, kNoTrash, or the errno that the system gave.
    virtual int moveToTrash(const std::string& baseDir, std::string_view dir, std::string_view name,
                            const EntryIdentity& identity, std::string& trashDir)
        = 0;
    // Removes the folder `dir` ("a/b/", relative to `baseDir`), reached without following links,
    // where its listing shows nothing but files or links that isFolderClutter() names and it is
    // not a mount point: each of them first, after a look that it is still one (moved to the
    // trash for Removal::Trash), then the folder, which fails harmlessly where anything new came
    // in. Adds the paths of what went to `removed`. Returns 0, ENOTEMPTY where a name is not
    // clutter (nothing is touched), kFolderStays, or the errno that the system gave.
    virtual int removeFolderLeftEmpty(const std::string& baseDir, std::string_view dir, Removal removal,
                                      std::vector<std::string>& removed)
        = 0;
    virtual void finish() { }
};
