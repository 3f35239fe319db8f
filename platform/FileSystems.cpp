#include "FileSystems.h"

#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

// Older C library headers lack what Linux 5.8 added.
#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x1000U
#endif
#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x2000
#endif

namespace {

constexpr long kFuseSuperMagic = 0x65735546;

struct Mount {
    std::uint64_t id = 0;
    std::string root; // the folder of the file system that is mounted, "/" for all of it
    std::string point;
    std::string type;
};

// The mount table escapes a space, a tab, a line break and a backslash as three octal digits.
std::string unescaped(const std::string& field)
{
    const auto octal = [&field](std::size_t at) {
        return at < field.size() && field[at] >= '0' && field[at] <= '7';
    };
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// The mounts of `device`, or the one numbered `id` where it is not 0, in the table's order.
std::vector<Mount> mountsOf(dev_t device, std::uint64_t wantedId = 0)
{
    // "36 35 0:52 / /mnt/nas rw,nosuid - fuse.sshfs host:/music rw": the mount's number first, the
    // device third, then the root and the mount point, the type after the separator.
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::ifstream table("/proc/self/mountinfo");
    std::vector<Mount> mounts;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::uint64_t id = 0;
        std::string parent, numbers, root, point;
        fields >> id >> parent >> numbers >> root >> point;
        const std::size_t separator = line.find(" - ");
        if ((wantedId != 0 ? id == wantedId : numbers == wanted) && separator != std::string::npos) {
            Mount mount {id, unescaped(root), unescaped(point), {}};
            std::istringstream(line.substr(separator + 3)) >> mount.type;
            mounts.push_back(std::move(mount));
        }
    }
    return mounts;
}

} // namespace

std::string mountedType(dev_t device)
{
    // A device mounted twice (a bind mount) has one type.
    const std::vector<Mount> mounts = mountsOf(device);
    return mounts.empty() ? std::string() : mounts.back().type;
}

std::string mountPoint(dev_t device)
{
    // A bind mount of one of its folders is not where its top is.
    for (const Mount& mount : mountsOf(device)) {
        if (mount.root == "/") {
            return mount.point;
        }
    }
    return {};
}

std::string mountPointOfMount(std::uint64_t mountId)
{
    const std::vector<Mount> mounts = mountsOf(0, mountId);
    return mounts.empty() ? std::string() : mounts.front().point;
}

bool mountStat(int dirFd, const char* name, int flags, MountStat& out)
{
    struct statx st { };
    const int emptyPath = name[0] == '\0' ? AT_EMPTY_PATH : 0;
    if (::statx(dirFd, name, flags | emptyPath, STATX_TYPE | STATX_INO | STATX_MNT_ID, &st) != 0) {
        return false;
    }
    out.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    out.inode = st.stx_ino;
    out.mountId = (st.stx_mask & STATX_MNT_ID) != 0 ? st.stx_mnt_id : 0;
    out.mountRootKnown = (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0;
    out.mountRoot = (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    out.directory = S_ISDIR(st.stx_mode);
    return true;
}

bool sameMount(const MountStat& a, const MountStat& b)
{
    return a.device == b.device && (a.mountId == 0 || b.mountId == 0 || a.mountId == b.mountId);
}

bool stableInodes(int fd)
{
    struct statfs fileSystem { };
    return ::fstatfs(fd, &fileSystem) != 0 || fileSystem.f_type != kFuseSuperMagic;
}
