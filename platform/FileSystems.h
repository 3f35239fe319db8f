#pragma once

#include <cstdint>
#include <string>

#include <sys/types.h>

// What statx says of a folder: which file system and which mount it is on, and whether a mount
// starts there (a bind mount keeps its parent's device).
struct MountStat {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t mountId = 0; // as /proc/self/mountinfo numbers it; 0 where the kernel does not say
    bool mountRoot = false;
    bool mountRootKnown = false; // the kernel says whether it is a mount's root (Linux 5.8 on)
    bool directory = false;
};

// statx of `name` in the folder open as `dirFd` ("" for the folder itself), with `flags`
// (AT_SYMLINK_NOFOLLOW or 0); false with errno set where it fails.
bool mountStat(int dirFd, const char* name, int flags, MountStat& out);

// Whether two places are on one mount: same device, and same mount where both are known.
bool sameMount(const MountStat& a, const MountStat& b);

// The type of the file system mounted as `device`, as the mount table names it ("ext4",
// "fuse.sshfs", "cifs"); empty when no mount has that device.
std::string mountedType(dev_t device);

// Where the whole file system of `device` is mounted; empty when it is mounted nowhere whole.
std::string mountPoint(dev_t device);

// Where the mount numbered `mountId` (of /proc/self/mountinfo) is mounted, whatever part of its
// file system it shows; empty when there is no such mount.
std::string mountPointOfMount(std::uint64_t mountId);

// Whether the file system of the open `fd` keeps an inode's number for as long as the file lives.
// A FUSE mount numbers inodes as it looks them up and may forget them: sshfs, and the desktop's
// SMB and SFTP mounts.
bool stableInodes(int fd);
