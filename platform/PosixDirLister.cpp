#include "PosixDirLister.h"

#include "FdCloser.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

EntryType entryType(unsigned char type)
{
    switch (type) {
    case DT_REG:
        return EntryType::File;
    case DT_DIR:
        return EntryType::Directory;
    case DT_LNK:
        return EntryType::Link;
    default:
        return EntryType::Other;
    }
}

EntryType entryType(const struct stat& st)
{
    return S_ISREG(st.st_mode) ? EntryType::File
        : S_ISDIR(st.st_mode)  ? EntryType::Directory
        : S_ISLNK(st.st_mode)  ? EntryType::Link
                               : EntryType::Other;
}

} // namespace

// Reads the entries straight from the descriptor with getdents64: a library walk lists tens of
// thousands of directories, and opendir's extra system calls per directory show in the total.
int PosixDirLister::list(const std::string& dirPath, DirListing& out)
{
    out.clear();
    const int fd = ::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const FdCloser closer(fd);
    struct stat self { };
    if (::fstat(fd, &self) != 0) {
        return errno;
    }
    out.device = static_cast<std::uint64_t>(self.st_dev);
    out.inode = static_cast<std::uint64_t>(self.st_ino);

    alignas(dirent64) char buffer[32 * 1024];
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
        if (got == 0) {
            return 0;
        }
        if (got < 0) {
            // A listing that broke off part way is not a listing.
            return errno;
        }
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (isDotOrDotDot(name)) {
                continue;
            }
            EntryType type = entryType(entry->d_type);
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st { };
                type = ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? entryType(st) : EntryType::Other;
            }
            const std::size_t length = std::strlen(name);
            out.entries.push_back({static_cast<std::uint64_t>(entry->d_ino),
                                   static_cast<std::uint32_t>(out.names.size()), static_cast<std::uint32_t>(length),
                                   type});
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
