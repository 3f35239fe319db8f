#include "FileSystems.h"

#include <fstream>
#include <sstream>

#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace {

constexpr long kFuseSuperMagic = 0x65735546;

} // namespace

std::string mountedType(dev_t device)
{
    // "36 35 0:52 / /mnt/nas rw,nosuid - fuse.sshfs host:/music rw": the device third, the type
    // after the separator. A device mounted twice (a bind mount) has one type.
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::ifstream mounts("/proc/self/mountinfo");
    std::string type;
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers;
        fields >> id >> parent >> numbers;
        const std::size_t separator = line.find(" - ");
        if (numbers == wanted && separator != std::string::npos) {
            std::istringstream(line.substr(separator + 3)) >> type;
        }
    }
    return type;
}

bool stableInodes(int fd)
{
    struct statfs fileSystem { };
    return ::fstatfs(fd, &fileSystem) != 0 || fileSystem.f_type != kFuseSuperMagic;
}
