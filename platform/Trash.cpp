#include "Trash.h"

#include "FileDeleter.h"
#include "FileSystems.h"
#include "PathOpener.h"
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

void TrashCans::forget()
{
    m_cans.clear();
}

int TrashCans::move(int dirFd, const std::string& name, const std::string& path, const MountStat& where,
                    std::string& trashDir)
{
    Can& can = canFor(where);
    if (can.files.get() < 0) {
        return can.error;
    }
    trashDir = can.dir;
    // Below the top of its mount, a path is kept relative to it.
    const bool below = !can.top.empty() && path.starts_with(can.top == "/" ? "/" : can.top + "/");
    const std::string original = below ? path.substr(can.top == "/" ? 1 : can.top.size() + 1) : path;
    const std::string info = trashInfoText(original, localNow());
    for (unsigned n = 1; n <= kMostNames; ++n) {
        const std::string trashed = trashedName(name, n);
        const std::string infoName = trashed + ".trashinfo";
        const int written = writeNew(can.info.get(), infoName, info);
        if (written == EEXIST) {
            continue;
        }
        if (written != 0) {
            return written == ENOENT ? IFileDeleter::kNoTrash : written; // the trash was removed
        }
        const int moved = renameNoReplace(dirFd, name, can.files.get(), trashed);
        if (moved == 0) {
            return 0;
        }
        ::unlinkat(can.info.get(), infoName.c_str(), 0);
        struct stat st { };
        if (moved == ENOENT && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            return IFileDeleter::kNoTrash; // the file is there: its trash is what went
        }
        if (moved != EEXIST) {
            return moved;
        }
    }
    return EEXIST;
}

TrashCans::Can& TrashCans::canFor(const MountStat& where)
{
    const std::pair<std::uint64_t, std::uint64_t> key {where.device, where.mountId};
    const auto known = m_cans.find(key);
    if (known != m_cans.end()) {
        return known->second;
    }
    if (m_strHome.empty()) {
        // Without a home, which file system the home trash serves is not known: none is guessed.
        Can none;
        none.error = kNoHomeFolder;
        return m_cans[key] = std::move(none);
    }
    // The home trash serves the files of the mount where it lies, or would lie: only there does a
    // rename reach it. The folders on its way are made where missing; their links, itself included,
    // are the user's own (/home -> /var/home, a linked ~/.local).
    const std::size_t cut = m_strHome.rfind('/');
    const std::string name = m_strHome.substr(cut + 1);
    const FdCloser dataHome = openPathFrom(FdCloser(::open("/", kDirFlags)), m_strHome.substr(0, cut),
                                           {.followLinks = true, .makeMissing = true});
    MountStat home;
    Can can;
    if (dataHome.get() >= 0
        && (mountStat(dataHome.get(), name.c_str(), 0, home) || mountStat(dataHome.get(), "", 0, home))
        && sameMount(home, where)) {
        can = openCan(dataHome.get(), name, m_strHome, {}, true);
    } else {
        can = openAtTop(where);
    }
    return m_cans[key] = std::move(can);
}

// The trash at the top of the mount `where` is on, as file managers find that top in the mount
// table; a bind mount's top is where it is mounted.
TrashCans::Can TrashCans::openAtTop(const MountStat& where)
{
    const std::string top
        = where.mountId != 0 ? mountPointOfMount(where.mountId) : mountPoint(static_cast<dev_t>(where.device));
    const FdCloser topFd(top.empty() ? -1 : ::open(top.c_str(), kDirFlags));
    MountStat atTop;
    if (topFd.get() < 0 || !mountStat(topFd.get(), "", 0, atTop) || !sameMount(atTop, where)) {
        Can none;
        none.error = IFileDeleter::kNoTrash;
        return none;
    }
    const std::string uid = std::to_string(::getuid());
    const std::string prefix = top == "/" ? std::string() : top;
    Can can;
    // The administrator's shared trash: a real folder with the sticky bit, a folder a user in it.
    struct stat st { };
    const FdCloser shared = openSubdir(topFd.get(), ".Trash");
    if (shared.get() >= 0 && ::fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX) != 0) {
        can = openCan(shared.get(), uid, prefix + "/.Trash/" + uid, top, false);
    }
    if (can.files.get() < 0) {
        can = openCan(topFd.get(), ".Trash-" + uid, prefix + "/.Trash-" + uid, top, false);
    }
    if (can.files.get() < 0) {
        can.error = IFileDeleter::kNoTrash;
    }
    return can;
}

// The trash folder `name` of `parentFd` (reached through a link where `follow`), with its files
// and info folders, made where missing.
TrashCans::Can TrashCans::openCan(int parentFd, const std::string& name, std::string dir, std::string top, bool follow)
{
    Can can;
    can.dir = std::move(dir);
    can.top = std::move(top);
    const FdCloser trash = openSubdir(parentFd, name.c_str(), {.followLinks = follow, .makeMissing = true});
    if (trash.get() < 0 || !ownedDir(trash.get())) {
        can.error = trash.get() < 0 ? errno : IFileDeleter::kNoTrash;
        return can;
    }
    can.files = openSubdir(trash.get(), "files", {.makeMissing = true});
    if (can.files.get() >= 0) {
        can.info = openSubdir(trash.get(), "info", {.makeMissing = true});
    }
    if (can.info.get() < 0) {
        can.error = errno;
        can.files.reset();
    }
    return can;
}
