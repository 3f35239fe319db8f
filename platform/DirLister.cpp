#include "platform/DirLister.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

bool PosixDirLister::list(const std::string& dirPath, DirListing& out)
{
    out.clear();
    const int fd = ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat self { };
    if (::fstat(fd, &self) != 0) {
        ::close(fd);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    out.device = static_cast<std::uint64_t>(self.st_dev);
    out.inode = static_cast<std::uint64_t>(self.st_ino);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        bool isDirectory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st { };
            isDirectory = ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        const std::size_t length = std::strlen(name);
        out.entries.push_back(
            {static_cast<std::uint32_t>(out.names.size()), static_cast<std::uint32_t>(length), isDirectory});
        out.names.append(name, length);
    }
    ::closedir(dir);
    return true;
}
