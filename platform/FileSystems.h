#pragma once

#include <string>

#include <sys/types.h>

// The type of the file system mounted as `device`, as the mount table names it ("ext4",
// "fuse.sshfs", "cifs"); empty when no mount has that device.
std::string mountedType(dev_t device);

// Where the whole file system of `device` is mounted; empty when it is mounted nowhere whole.
std::string mountPoint(dev_t device);

// Whether the file system of the open `fd` keeps an inode's number for as long as the file lives.
// A FUSE mount numbers inodes as it looks them up and may forget them: sshfs, and the desktop's
// SMB and SFTP mounts.
bool stableInodes(int fd);
