#include "PosixFileDeleter.h"

#include "EmptyFolders.h"
#include "FileSystems.h"
#include "PosixDirLister.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

// Descriptors kept open along one directory's way; a deeper way opens the rest for each call.
constexpr std::size_t kMaxHeld = 256;

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// A folder that cannot be opened on the way the scan took: renamed, removed or unmounted, or a
// link or a file where it was. Its files were not looked at, so none of them counts as gone.
int folderError(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ESTALE ? IFileDeleter::kFolderGone : error;
}

} // namespace

PosixFileDeleter::~PosixFileDeleter()
{
    finish();
}

void PosixFileDeleter::finish()
{
    m_nCheckedFd = -1;
    m_bOpenKnown = false;
    closeFrom(0);
    if (m_nBaseFd >= 0) {
        ::close(m_nBaseFd);
    }
    m_nBaseFd = -1;
    m_strBase.clear();
    m_strRealBase.clear();
    m_trash.forget();
}

void PosixFileDeleter::closeFrom(std::size_t level)
{
    m_bOpenKnown = m_bOpenKnown && level >= m_vecFds.size();
    while (m_vecFds.size() > level) {
        if (m_vecFds.back() == m_nCheckedFd) {
            m_nCheckedFd = -1; // the number may come back for another directory
        }
        ::close(m_vecFds.back());
        m_vecFds.pop_back();
        m_vecNames.pop_back();
    }
}

int PosixFileDeleter::openDir(std::string_view dir)
{
    // Rows of one directory come one after the other.
    if (m_bOpenKnown && dir == m_strOpenDir) {
        return m_vecFds.empty() ? m_nBaseFd : m_vecFds.back();
    }
    std::vector<std::string_view> names;
    for (std::size_t at = 0; at < dir.size();) {
        const std::size_t end = dir.find('/', at);
        names.push_back(dir.substr(at, end - at));
        at = end == std::string_view::npos ? dir.size() : end + 1;
    }
    std::size_t shared = 0;
    while (shared < m_vecNames.size() && shared < names.size() && m_vecNames[shared] == names[shared]) {
        ++shared;
    }
    closeFrom(shared);
    for (std::size_t i = shared; i < names.size(); ++i) {
        const int parent = m_vecFds.empty() ? m_nBaseFd : m_vecFds.back();
        const int fd = ::openat(parent, std::string(names[i]).c_str(), kDirFlags);
        if (fd < 0) {
            m_bOpenKnown = false;
            return -1;
        }
        if (m_vecFds.size() == kMaxHeld) {
            // Past what is kept: only the latest of this way stays open.
            if (m_vecFds.back() == m_nCheckedFd) {
                m_nCheckedFd = -1;
            }
            ::close(m_vecFds.back());
            m_vecFds.back() = fd;
            m_vecNames.back().assign(1, '/'); // a name no way shares
        } else {
            m_vecFds.push_back(fd);
            m_vecNames.emplace_back(names[i]);
        }
    }
    m_strOpenDir = dir;
    m_bOpenKnown = true;
    return m_vecFds.empty() ? m_nBaseFd : m_vecFds.back();
}

// The descriptor of the folder `dir` below the base, once the entry `name` in it is still
// `identity`; else -1, with the reason in `error`.
int PosixFileDeleter::verifiedDir(const std::string& baseDir, std::string_view dir, const std::string& name,
                                  const EntryIdentity& identity, int& error)
{
    error = openBase(baseDir);
    if (error != 0) {
        return -1;
    }
    if (!dir.empty() && dir.back() == '/') {
        dir.remove_suffix(1);
    }
    const int dirFd = openDir(dir);
    if (dirFd < 0) {
        error = folderError(errno);
        return -1;
    }
    error = checkDir(dirFd, dir);
    if (error == 0
        && (m_checked.device != identity.dirDevice || (m_bStableInodes && m_checked.inode != identity.dirInode))) {
        // Another folder by that name, or the one under a mount that went. Where inode numbers
        // come and go, a folder reached without a link is all that can be known.
        error = kFolderGone;
    }
    struct stat st { };
    if (error == 0 && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
    }
    if (error == 0
        && (entryType(st) != identity.type || static_cast<std::uint64_t>(st.st_dev) != m_checked.device
            || !sameFile(identity.stamp, fileStamp(st), m_bStableInodes))) {
        error = kChanged;
    }
    return error == 0 ? dirFd : -1;
}

int PosixFileDeleter::openBase(const std::string& baseDir)
{
    if (m_nBaseFd >= 0 && m_strBase == baseDir) {
        return 0;
    }
    finish();
    m_nBaseFd = openDirectoryPath(baseDir);
    if (m_nBaseFd < 0) {
        return folderError(errno);
    }
    m_strBase = baseDir;
    return 0;
}

// Rows of one folder come one after the other: the folder is looked at once.
int PosixFileDeleter::checkDir(int dirFd, std::string_view dir)
{
    if (dirFd == m_nCheckedFd && dir == m_strCheckedDir) {
        return 0;
    }
    // The mount comes with the same call, for the trash.
    if (!mountStat(dirFd, "", 0, m_checked)) {
        m_nCheckedFd = -1;
        return errno;
    }
    m_nCheckedFd = dirFd;
    m_strCheckedDir = dir;
    if (m_nStableAsked != m_checked.device) {
        m_bStableInodes = stableInodes(dirFd);
        m_nStableAsked = m_checked.device;
    }
    return 0;
}

int PosixFileDeleter::remove(const std::string& baseDir, std::string_view dir, std::string_view name,
                             const EntryIdentity& identity)
{
    int error = 0;
    const std::string fileName(name);
    const int dirFd = verifiedDir(baseDir, dir, fileName, identity, error);
    if (dirFd < 0) {
        return error;
    }
    return ::unlinkat(dirFd, fileName.c_str(), 0) == 0 ? 0 : errno;
}

int PosixFileDeleter::moveToTrash(const std::string& baseDir, std::string_view dir, std::string_view name,
                                  const EntryIdentity& identity, std::string& trashDir)
{
    int error = 0;
    const std::string fileName(name);
    const int dirFd = verifiedDir(baseDir, dir, fileName, identity, error);
    if (dirFd < 0) {
        return error;
    }
    if (identity.type == EntryType::Directory) {
        return EISDIR; // a folder named like a song is not one of the files the scan listed
    }
    return m_trash.move(dirFd, fileName, realPath(baseDir, dir, name), m_checked, trashDir);
}

// The trash records where a file was by its real path, which a restore can go back to.
std::string PosixFileDeleter::realPath(const std::string& baseDir, std::string_view dir, std::string_view name)
{
    if (m_strRealBase.empty()) {
        char* const real = ::realpath(baseDir.c_str(), nullptr);
        m_strRealBase = real != nullptr ? std::string(real) + (std::string_view(real) == "/" ? "" : "/") : baseDir;
        std::free(real);
    }
    return m_strRealBase + std::string(dir) + std::string(name);
}

int PosixFileDeleter::removeFolderLeftEmpty(const std::string& baseDir, std::string_view dir, Removal removal,
                                            std::vector<std::string>& removed)
{
    const int error = openBase(baseDir);
    if (error != 0) {
        return error;
    }
    const std::string folder(dir.substr(0, dir.size() - 1)); // without its "/"
    const std::size_t cut = folder.rfind('/');
    const std::string name = folder.substr(cut == std::string::npos ? 0 : cut + 1);
    const int parentFd
        = openDir(cut == std::string::npos ? std::string_view() : std::string_view(folder).substr(0, cut));
    const int fd = parentFd < 0 ? -1 : ::openat(parentFd, name.c_str(), kDirFlags);
    if (fd < 0) {
        return errno == ELOOP || errno == ENOTDIR ? kChanged : errno;
    }
    int emptied = emptyFolder(parentFd, fd, dir, removal, removed);
    ::close(fd);
    if (emptied == 0 && ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
        // Something came in since the folder was looked at.
        emptied = errno == ENOTEMPTY || errno == EEXIST || errno == EBUSY ? kFolderStays : errno;
    }
    if (emptied == 0) {
        removed.push_back(baseDir + std::string(dir)); // never among the descriptors kept: those lead to its parent
    }
    return emptied;
}

// Takes the clutter out of the folder open as `fd`, once its listing and its mount have shown that
// the folder can go: nothing in it is touched otherwise.
int PosixFileDeleter::emptyFolder(int parentFd, int fd, std::string_view dir, Removal removal,
                                  std::vector<std::string>& removed)
{
    std::vector<std::string> clutter;
    MountStat folder;
    int error = listClutter(fd, clutter);
    if (error == 0) {
        error = notMountRoot(parentFd, fd, folder);
    }
    for (std::size_t i = 0; error == 0 && i < clutter.size(); ++i) {
        error = removeClutter(fd, clutter[i], removal, realPath(m_strBase, dir, clutter[i]), folder);
        if (error == 0) {
            removed.push_back(m_strBase + std::string(dir) + clutter[i]);
        }
    }
    return error;
}

// The names in the folder, where all of them are clutter files or links; else ENOTEMPTY where a
// name is not clutter, kFolderStays where a clutter name is something else (a folder, a device).
int PosixFileDeleter::listClutter(int fd, std::vector<std::string>& clutter)
{
    DIR* const listing = ::fdopendir(::dup(fd));
    if (listing == nullptr) {
        return errno;
    }
    int error = 0;
    errno = 0;
    for (const dirent* entry; error != ENOTEMPTY && (entry = ::readdir(listing)) != nullptr; errno = 0) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (!isFolderClutter(name)) {
            error = ENOTEMPTY;
            continue;
        }
        struct stat st { };
        const bool file = entry->d_type == DT_REG || entry->d_type == DT_LNK
            || (entry->d_type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)));
        error = file ? error : kFolderStays;
        clutter.emplace_back(name);
    }
    error = error != 0 ? error : errno;
    ::closedir(listing);
    return error;
}

// Where the folder open as `fd` is, and kFolderStays where a mount starts there: its clutter
// belongs to that mount, and the folder cannot go while it is mounted.
int PosixFileDeleter::notMountRoot(int parentFd, int fd, MountStat& folder)
{
    if (!mountStat(fd, "", 0, folder)) {
        return errno;
    }
    if (folder.mountRootKnown) {
        return folder.mountRoot ? kFolderStays : 0;
    }
    MountStat parent;
    if (!mountStat(parentFd, "", 0, parent)) {
        return errno;
    }
    return sameMount(folder, parent) ? 0 : kFolderStays;
}

// Removes one clutter entry of the folder `fd`, once it is still a regular file or a link.
int PosixFileDeleter::removeClutter(int fd, const std::string& name, Removal removal, const std::string& path,
                                    const MountStat& folder)
{
    struct stat st { };
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        return kFolderStays;
    }
    if (removal == Removal::Trash) {
        std::string trashDir;
        return m_trash.move(fd, name, path, folder, trashDir);
    }
    return ::unlinkat(fd, name.c_str(), 0) == 0 ? 0 : errno;
}
