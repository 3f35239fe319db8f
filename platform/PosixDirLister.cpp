#include "PosixDirLister.h"

#include "FdCloser.h"
#include "FileSystems.h"
#include "PathOpener.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// ext4's offset after the last entry of a directory, as a 64-bit reader sees it: no entry's
// position can be it.
constexpr off64_t kExt4End = 0x7fffffffffffffff;

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

} // namespace

EntryType entryType(const struct stat& st)
{
    return S_ISREG(st.st_mode) ? EntryType::File
        : S_ISDIR(st.st_mode)  ? EntryType::Directory
        : S_ISLNK(st.st_mode)  ? EntryType::Link
                               : EntryType::Other;
}

FileStamp fileStamp(const struct stat& st)
{
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    FileStamp stamp;
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
    stamp.changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * kNsPerSecond + st.st_ctim.tv_nsec;
    return stamp;
}

namespace {

// What the listing says of the folder itself, and whether its file system marks a listing's end:
// asked again only where the device changes.
int describeFolder(int fd, DirListing& out)
{
    struct stat self { };
    if (::fstat(fd, &self) != 0) {
        return errno;
    }
    out.device = static_cast<std::uint64_t>(self.st_dev);
    out.inode = static_cast<std::uint64_t>(self.st_ino);
    if (out.fileSystemDevice != out.device) {
        struct statfs fileSystem { };
        out.fileSystemMarksEnd = ::fstatfs(fd, &fileSystem) == 0 && fileSystem.f_type == EXT4_SUPER_MAGIC;
        out.fileSystemDevice = out.device;
    }
    return 0;
}

// Adds the `size` bytes of records at `records`, read from the folder `fd` into the listing's
// names, as entries; returns the position after the last of them.
off64_t addEntries(int fd, const char* records, ssize_t size, DirListing& out)
{
    off64_t next = 0;
    for (ssize_t offset = 0; offset < size;) {
        const auto* entry = reinterpret_cast<const dirent64*>(records + offset);
        offset += entry->d_reclen;
        next = entry->d_off;
        const char* entryName = entry->d_name;
        if (isDotOrDotDot(entryName)) {
            continue;
        }
        EntryType type = entryType(entry->d_type);
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st { };
            type = ::fstatat(fd, entryName, &st, AT_SYMLINK_NOFOLLOW) == 0 ? ::entryType(st) : EntryType::Other;
        }
        // d_ino is not kept: network and FUSE mounts do not give it.
        out.entries.push_back({static_cast<std::uint32_t>(entryName - out.names.data()),
                               static_cast<std::uint32_t>(std::strlen(entryName)), type});
    }
    return next;
}

// Reads every record of the folder `fd`; 0, or the errno of a listing that broke off part way,
// which is not a listing.
int readEntries(int fd, DirListing& out)
{
    // The records are read straight into the listing's bytes, and the names stay where they are.
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        char* const records = out.names.room(kChunk);
        const ssize_t got = ::getdents64(fd, records, kChunk);
        if (got <= 0) {
            return got == 0 ? 0 : errno;
        }
        const off64_t next = addEntries(fd, records, got, out);
        // Each record's length is a multiple of 8: the next chunk starts aligned as well.
        out.names.add(static_cast<std::size_t>(got));
        // ext4 gives the record that ends a directory its end-of-directory offset: there the call
        // that would return nothing is not made (a tenth of the system time of a library's walk).
        // A listing that breaks off part way leaves the offset where it broke, and the next call
        // reports why.
        if (out.fileSystemMarksEnd && next == kExt4End) {
            return 0;
        }
    }
}

} // namespace

// Reads the entries straight from the descriptor with getdents64: a library walk lists tens of
// thousands of directories, and opendir's extra system calls per directory show in the total.
int PosixDirLister::list(int parentFd, const std::string& name, const std::string&, DirListing& out)
{
    out.clear();
    FdCloser fd = parentFd == kNoParent ? openDirectoryPath(name) : openSubdir(parentFd, name.c_str());
    if (fd.get() < 0) {
        return errno;
    }
    int error = describeFolder(fd.get(), out);
    if (error == 0) {
        error = readEntries(fd.get(), out);
    }
    if (error == 0) {
        out.fd = fd.release();
    }
    return error;
}

void PosixDirLister::close(int fd)
{
    const FdCloser listed(fd); // handed over by list()
}

void PosixDirLister::stamps(const std::string& baseDir, const std::string& dir,
                            const std::vector<std::string_view>& names, std::vector<FileStamp>& stamps)
{
    stamps.assign(names.size(), FileStamp());
    const FdCloser dirFd
        = openBeneath(baseDir, dir.ends_with('/') ? std::string_view(dir).substr(0, dir.size() - 1) : dir);
    const int fd = dirFd.get();
    if (fd < 0) {
        return;
    }
    std::string name;
    for (std::size_t i = 0; i < names.size(); ++i) {
        name.assign(names[i]);
        struct stat st { };
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            stamps[i] = fileStamp(st);
        }
    }
}

int PosixDirLister::readFile(const std::string& baseDir, const std::string& dir, std::string_view name,
                             std::size_t limit, std::string& out)
{
    out.clear();
    const FdCloser dirFd
        = openBeneath(baseDir, dir.ends_with('/') ? std::string_view(dir).substr(0, dir.size() - 1) : dir);
    if (dirFd.get() < 0) {
        return errno;
    }
    // Not blocking: a named pipe in a cue sheet's name would wait for a writer.
    const int fd = ::openat(dirFd.get(), std::string(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return errno;
    }
    const FdCloser closer(fd);
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return EINVAL;
    }
    if (static_cast<std::uint64_t>(st.st_size) > limit) {
        return EFBIG;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::read(fd, out.data() + done, out.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    out.resize(done);
    return 0;
}

std::string PosixDirLister::fileSystemType(const std::string& dir)
{
    struct stat st { };
    return ::stat(dir.c_str(), &st) == 0 ? mountedType(st.st_dev) : std::string();
}
