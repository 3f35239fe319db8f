#include "PosixFileDeleter.h"

#include "FileSystems.h"
#include "FolderClutter.h"
#include "PathOpener.h"
#include "PosixDirLister.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

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
    m_folders.clear();
    m_strRealBase.clear();
    m_trash.forget();
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
    const int dirFd = m_folders.open(dir);
    if (dirFd < 0) {
        error = folderError(errno);
        return -1;
    }
    error = m_folders.check(dirFd, dir);
    const MountStat& checked = m_folders.checked();
    if (error == 0
        && (checked.device != identity.dirDevice || (m_folders.stableInodes() && checked.inode != identity.dirInode))) {
        // Another folder by that name, or the one under a mount that went. Where inode numbers
        // come and go, a folder reached without a link is all that can be known.
        error = kFolderGone;
    }
    struct stat st { };
    if (error == 0 && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
    }
    if (error == 0
        && (entryType(st) != identity.type || static_cast<std::uint64_t>(st.st_dev) != checked.device
            || !sameFile(identity.stamp, fileStamp(st), m_folders.stableInodes()))) {
        error = kChanged;
    }
    return error == 0 ? dirFd : -1;
}

int PosixFileDeleter::openBase(const std::string& baseDir)
{
    if (m_folders.holds(baseDir)) {
        return 0;
    }
    finish();
    return m_folders.openBase(baseDir) ? 0 : folderError(errno);
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
    return m_trash.move(dirFd, fileName, realPath(baseDir, dir, name), m_folders.checked(), trashDir);
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
        = m_folders.open(cut == std::string::npos ? std::string_view() : std::string_view(folder).substr(0, cut));
    FdCloser fd = parentFd < 0 ? FdCloser() : openSubdir(parentFd, name.c_str());
    if (fd.get() < 0) {
        return errno == ELOOP || errno == ENOTDIR ? kChanged : errno;
    }
    int emptied = emptyFolder(parentFd, fd.get(), dir, removal, removed);
    fd.reset();
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
        error = removeClutter(fd, clutter[i], removal, realPath(m_folders.base(), dir, clutter[i]), folder);
        if (error == 0) {
            removed.push_back(m_folders.base() + std::string(dir) + clutter[i]);
        }
    }
    return error;
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
