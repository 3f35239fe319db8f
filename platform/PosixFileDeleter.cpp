#include "PosixFileDeleter.h"

#include "FileSystems.h"
#include "PosixDirLister.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
    closeFrom(0);
    if (m_nBaseFd >= 0) {
        ::close(m_nBaseFd);
    }
    m_nBaseFd = -1;
    m_strBase.clear();
}

void PosixFileDeleter::closeFrom(std::size_t level)
{
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
            return -1;
        }
        if (m_vecFds.size() == kMaxHeld) {
            // Past what is kept: only the latest of this way stays open.
            if (m_vecFds.back() == m_nCheckedFd) {
                m_nCheckedFd = -1;
            }
            ::close(m_vecFds.back());
            m_vecFds.back() = fd;
            m_vecNames.back() = "/"; // a name no way shares
        } else {
            m_vecFds.push_back(fd);
            m_vecNames.emplace_back(names[i]);
        }
    }
    return m_vecFds.empty() ? m_nBaseFd : m_vecFds.back();
}

int PosixFileDeleter::remove(const std::string& baseDir, std::string_view dir, std::string_view name,
                             const EntryIdentity& identity)
{
    if (m_nBaseFd < 0 || m_strBase != baseDir) {
        finish();
        m_nBaseFd = openDirectoryPath(baseDir);
        if (m_nBaseFd < 0) {
            return errno;
        }
        m_strBase = baseDir;
    }
    if (!dir.empty() && dir.back() == '/') {
        dir.remove_suffix(1);
    }
    const int dirFd = openDir(dir);
    if (dirFd < 0) {
        // A link or a file where a folder was: something else stands in the way now.
        return errno == ELOOP || errno == ENOTDIR ? kChanged : errno;
    }
    struct stat st { };
    // Rows of one directory come one after the other: the directory is looked at once.
    if (dirFd != m_nCheckedFd || dir != m_strCheckedDir) {
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
    }
    // Where inode numbers come and go, a folder reached without a link is all that can be known.
    if (m_nCheckedDevice != identity.dirDevice || (m_bStableInodes && m_nCheckedInode != identity.dirInode)) {
        return kChanged;
    }
    const std::string entry(name);
    if (::fstatat(dirFd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (entryType(st) != identity.type || static_cast<std::uint64_t>(st.st_dev) != identity.dirDevice
        || !sameFile(identity.stamp, fileStamp(st), m_bStableInodes)) {
        return kChanged;
    }
    return ::unlinkat(dirFd, entry.c_str(), 0) == 0 ? 0 : errno;
}
