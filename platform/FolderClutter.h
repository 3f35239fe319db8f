#pragma once

#include "FileSystems.h"

#include <string>
#include <vector>

// What a folder left empty holds and where it is mounted, looked at before any of it goes.

// The names in the folder open as `fd`, where all of them are clutter files or links; else
// ENOTEMPTY where a name is not clutter, IFileDeleter::kFolderStays where a clutter name is
// something else (a folder, a device).
int listClutter(int fd, std::vector<std::string>& clutter);

// Where the folder open as `fd` (in the folder `parentFd`) is, and IFileDeleter::kFolderStays where
// a mount starts there: its clutter belongs to that mount, and the folder cannot go while it is
// mounted.
int notMountRoot(int parentFd, int fd, MountStat& folder);
