#include "PosixDirLister.h"

#include "FdCloser.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

// Reads the entries straight from the descriptor with getdents64: a library walk lists tens of
// thousands of directories, and opendir's extra system calls per directory show in the total.
bool PosixDirLister::list(const std::string& dirPath, DirListing& out)
{
    out.clear();
    const int fd = ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const FdCloser closer(fd);
    struct stat self { };
    if (::fstat(fd, &self) != 0) {
        return false;
    }
    out.device = static_cast<std::uint64_t>(self.st_dev);
    out.inode = static_cast<std::uint64_t>(self.st_ino);

    alignas(dirent64) char buffer[32 * 1024];
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            // A listing that broke off part way is not a listing.
            return false;
        }
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (isDotOrDotDot(name)) {
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
    }
}

void PosixDirLister::sizes(const std::string& dirPath, const std::vector<std::string_view>& names,
                           std::vector<std::uint64_t>& sizes)
{
    sizes.assign(names.size(), 0);
    const int fd = ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const FdCloser closer(fd);
    std::string name;
    for (std::size_t i = 0; i < names.size(); ++i) {
        name.assign(names[i]);
        struct stat st { };
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            sizes[i] = static_cast<std::uint64_t>(st.st_size);
        }
    }
}
