#pragma once

#include "FdCloser.h"

#include <cerrno>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

// How a folder is opened from its parent.
struct PathWay {
    bool followLinks = false; // else a symbolic link where a folder should be fails (ELOOP or ENOTDIR)
    bool makeMissing = false; // a missing folder is made, private to the user
};

// The folder `name` of the folder open as `parentFd`; none, with errno set, where it cannot be
// opened (or made). Inline: the walk opens every folder it lists through it.
[[nodiscard]] inline FdCloser openSubdir(int parentFd, const char* name, PathWay way = {})
{
    if (way.makeMissing && ::mkdirat(parentFd, name, 0700) != 0 && errno != EEXIST) {
        return FdCloser();
    }
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (way.followLinks ? 0 : O_NOFOLLOW);
    return FdCloser(::openat(parentFd, name, flags));
}

// Goes from the folder held by `from` down `path` one component at a time, whatever the length of
// the whole path, closing each folder once the next is open. Where links are followed, an empty
// component ("a//b", a leading "/") is skipped, as the system reads a path; below a base, where
// each component is a name the walk gave, an empty one names nothing (ENOENT). Returns the last
// folder, or none with errno set.
[[nodiscard]] FdCloser openPathFrom(FdCloser from, std::string_view path, PathWay way = {});

// Opens a directory by its path, however long; the path's own links are followed.
[[nodiscard]] FdCloser openDirectoryPath(const std::string& path);

// Opens the directory `dir` (no "/" at its end) below `baseDir` without following a symbolic link
// below the base.
[[nodiscard]] FdCloser openBeneath(const std::string& baseDir, std::string_view dir);
