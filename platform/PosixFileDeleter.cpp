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
        // A link or a file where a folder was: something else stands in the way now.
        error = errno == ELOOP || errno == ENOTDIR ? kChanged : errno;
        return -1;
    }
    error = checkDir(dirFd, dir);
    if (error == 0
        && (m_nCheckedDevice != identity.dirDevice || (m_bStableInodes && m_nCheckedInode != identity.dirInode))) {
        // Where inode numbers come and go, a folder reached without a link is all that can be known.
        error = kChanged;
    }
    struct stat st { };
    if (error == 0 && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
    }
    if (error == 0
        && (entryType(st) != identity.type || static_cast<std::uint64_t>(st.st_dev) != identity.dirDevice
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
        return errno;
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
    struct stat st { };
    if (::fstat(dirFd, &st) != 0) {
        return errno;
    }
    m_nCheckedFd = dirFd;
    m_strCheckedDir = dir;
    m_nCheckedDevice = static_cast<std::uint64_t>(st.st_dev);
    m_nCheckedInode = static_cast<std::uint64_t>(st.st_ino);
    if (m_nStableAsked != m_nCheckedDevice) {
        m_bStableInodes = stableInodes(dirFd);
        m_nStableAsked = m_nCheckedDevice;
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
    return m_trash.move(dirFd, fileName, realPath(baseDir, dir, name), m_nCheckedDevice, trashDir);
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
    int error = openBase(baseDir);
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
    std::vector<std::string> clutter;
    error = listClutter(fd, clutter);
    for (std::size_t i = 0; error == 0 && i < clutter.size(); ++i) {
        error = removeClutter(fd, clutter[i], removal, realPath(baseDir, dir, clutter[i]));
        if (error == 0) {
            removed.push_back(baseDir + std::string(dir) + clutter[i]);
        }
    }
    ::close(fd);
    if (error == 0 && ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
        error = errno;
    }
    if (error == 0) {
        removed.push_back(baseDir + std::string(dir)); // never among the descriptors kept: those lead to its parent
    }
    return error;
}

// The names in the folder, where all of them are clutter; else ENOTEMPTY.
int PosixFileDeleter::listClutter(int fd, std::vector<std::string>& clutter)
{
    DIR* const listing = ::fdopendir(::dup(fd));
    if (listing == nullptr) {
        return errno;
    }
    int error = 0;
    errno = 0;
    for (const dirent* entry; error == 0 && (entry = ::readdir(listing)) != nullptr; errno = 0) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (!isFolderClutter(name)) {
            error = ENOTEMPTY;
        }
        clutter.emplace_back(name);
    }
    error = error != 0 ? error : errno;
    ::closedir(listing);
    return error;
}

// Removes one clutter file of the folder `fd`, once it is still a regular file.
int PosixFileDeleter::removeClutter(int fd, const std::string& name, Removal removal, const std::string& path)
{
    struct stat st { };
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return ENOTEMPTY;
    }
    if (removal == Removal::Trash) {
        std::string trashDir;
        return m_trash.move(fd, name, path, static_cast<std::uint64_t>(st.st_dev), trashDir);
    }
    return ::unlinkat(fd, name.c_str(), 0) == 0 ? 0 : errno;
}
