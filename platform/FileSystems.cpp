#include "FileSystems.h"

#include <fstream>
#include <sstream>
#include <vector>

#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace {

constexpr long kFuseSuperMagic = 0x65735546;

struct Mount {
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

// The mounts of `device`, in the table's order.
std::vector<Mount> mountsOf(dev_t device)
{
    // "36 35 0:52 / /mnt/nas rw,nosuid - fuse.sshfs host:/music rw": the device third, then the
    // root and the mount point, the type after the separator.
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::ifstream table("/proc/self/mountinfo");
    std::vector<Mount> mounts;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        fields >> id >> parent >> numbers >> root >> point;
        const std::size_t separator = line.find(" - ");
        if (numbers == wanted && separator != std::string::npos) {
            Mount mount {unescaped(root), unescaped(point), {}};
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

bool stableInodes(int fd)
{
    struct statfs fileSystem { };
    return ::fstatfs(fd, &fileSystem) != 0 || fileSystem.f_type != kFuseSuperMagic;
}
