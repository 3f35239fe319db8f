#include "Trash.h"

#include "FileDeleter.h"
#include "FileSystems.h"
#include "TrashInfo.h"
#include "UserDirs.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr unsigned kMostNames = 10000; // tries for a free name

// The folder `name` of `parentFd`, made (private to the user) where it is missing; never a link.
int ensureDir(int parentFd, const std::string& name)
{
    if (::mkdirat(parentFd, name.c_str(), 0700) != 0 && errno != EEXIST) {
        return -1;
    }
    return ::openat(parentFd, name.c_str(), kDirFlags);
}

// Makes `path` and the folders above it that are missing.
int ensurePath(const std::string& path)
{
    int fd = ::open("/", kDirFlags);
    for (std::size_t at = 1; fd >= 0 && at < path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const int next = end > at ? ensureDir(fd, path.substr(at, end - at)) : ::dup(fd);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
        at = end + 1;
    }
    return fd;
}

bool ownedDir(int fd)
{
    struct stat st { };
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    return local;
}

// Writes `text` as the new file `name` of `dirFd`; EEXIST where the name is taken.
int writeNew(int dirFd, const std::string& name, const std::string& text)
{
    const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int error = written ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 || !written) {
        ::unlinkat(dirFd, name.c_str(), 0);
        return error != 0 ? error : EIO;
    }
    return 0;
}

// Renames without replacing what is there; a file system that cannot promise that gets a look first.
int renameNoReplace(int fromFd, const std::string& from, int toFd, const std::string& to)
{
    if (::renameat2(fromFd, from.c_str(), toFd, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    struct stat st { };
    if (::fstatat(toFd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return ::renameat(fromFd, from.c_str(), toFd, to.c_str()) == 0 ? 0 : errno;
}

} // namespace

std::string homeTrashDir()
{
    const std::optional<std::string> data = userDirs().data;
    return data ? *data + "/Trash" : std::string();
}

TrashCans::TrashCans(std::string homeTrash)
    : m_strHome(std::move(homeTrash))
{
}

TrashCans::~TrashCans()
{
    for (auto& [device, can] : m_cans) {
        for (const int fd : {can.files, can.info}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
}

int TrashCans::move(int dirFd, const std::string& name, const std::string& path, std::uint64_t device,
                    std::string& trashDir)
{
    Can& can = canFor(device);
    if (can.files < 0) {
        return can.error;
    }
    trashDir = can.top.empty() ? std::string() : can.dir;
    // Below the top of its mount, a path is kept relative to it.
    const bool below = !can.top.empty() && path.starts_with(can.top == "/" ? "/" : can.top + "/");
    const std::string original = below ? path.substr(can.top == "/" ? 1 : can.top.size() + 1) : path;
    const std::string info = trashInfoText(original, localNow());
    for (unsigned n = 1; n <= kMostNames; ++n) {
        const std::string trashed = trashedName(name, n);
        const std::string infoName = trashed + ".trashinfo";
        const int written = writeNew(can.info, infoName, info);
        if (written == EEXIST) {
            continue;
        }
        if (written != 0) {
            return written;
        }
        const int moved = renameNoReplace(dirFd, name, can.files, trashed);
        if (moved == 0) {
            return 0;
        }
        ::unlinkat(can.info, infoName.c_str(), 0);
        if (moved != EEXIST) {
            return moved;
        }
    }
    return EEXIST;
}

TrashCans::Can& TrashCans::canFor(std::uint64_t device)
{
    const auto known = m_cans.find(device);
    if (known != m_cans.end()) {
        return known->second;
    }
    if (m_strHome.empty()) {
        // Without a home, which file system the home trash serves is not known: none is guessed.
        Can none;
        none.error = kNoHomeFolder;
        return m_cans[device] = std::move(none);
    }
    // The home trash serves the files of the file system where it lies, or would lie.
    const std::size_t cut = m_strHome.rfind('/');
    const int dataHome = ensurePath(m_strHome.substr(0, cut));
    struct stat st { };
    Can can;
    if (dataHome >= 0 && ::fstat(dataHome, &st) == 0 && static_cast<std::uint64_t>(st.st_dev) == device) {
        can = openCan(dataHome, m_strHome.substr(cut + 1), m_strHome, {});
    } else {
        can = openAtTop(device);
    }
    if (dataHome >= 0) {
        ::close(dataHome);
    }
    return m_cans[device] = std::move(can);
}

TrashCans::Can TrashCans::openAtTop(std::uint64_t device)
{
    const std::string top = mountPoint(static_cast<dev_t>(device));
    const int topFd = top.empty() ? -1 : ::open(top.c_str(), kDirFlags);
    struct stat st { };
    if (topFd < 0 || ::fstat(topFd, &st) != 0 || static_cast<std::uint64_t>(st.st_dev) != device) {
        if (topFd >= 0) {
            ::close(topFd);
        }
        Can none;
        none.error = IFileDeleter::kNoTrash;
        return none;
    }
    const std::string uid = std::to_string(::getuid());
    const std::string prefix = top == "/" ? std::string() : top;
    Can can;
    // The administrator's shared trash: a real folder with the sticky bit, a folder a user in it.
    const int shared = ::openat(topFd, ".Trash", kDirFlags);
    if (shared >= 0 && ::fstat(shared, &st) == 0 && (st.st_mode & S_ISVTX) != 0) {
        can = openCan(shared, uid, prefix + "/.Trash/" + uid, top);
    }
    if (shared >= 0) {
        ::close(shared);
    }
    if (can.files < 0) {
        can = openCan(topFd, ".Trash-" + uid, prefix + "/.Trash-" + uid, top);
    }
    ::close(topFd);
    if (can.files < 0) {
        can.error = IFileDeleter::kNoTrash;
    }
    return can;
}

// The trash folder `name` of `parentFd`, with its files and info folders, made where missing.
TrashCans::Can TrashCans::openCan(int parentFd, const std::string& name, std::string dir, std::string top)
{
    Can can;
    can.dir = std::move(dir);
    can.top = std::move(top);
    const int trash = ensureDir(parentFd, name);
    if (trash < 0 || !ownedDir(trash)) {
        can.error = trash < 0 ? errno : IFileDeleter::kNoTrash;
        if (trash >= 0) {
            ::close(trash);
        }
        return can;
    }
    can.files = ensureDir(trash, "files");
    can.info = can.files >= 0 ? ensureDir(trash, "info") : -1;
    if (can.info < 0) {
        can.error = errno;
        if (can.files >= 0) {
            ::close(can.files);
            can.files = -1;
        }
    }
    ::close(trash);
    return can;
}
