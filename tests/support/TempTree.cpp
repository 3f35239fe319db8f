#include "TempTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Removes everything in the directory open as `fd`, relative to descriptors, so that no path
// is too long; then closes `fd`.
void removeContents(int fd)
{
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const int sub = ::openat(fd, name.c_str(), kDirFlags);
        if (sub >= 0) {
            ::fchmod(sub, 0700);
            removeContents(sub);
            ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(fd, name.c_str(), 0);
        }
    }
    ::closedir(dir);
}

} // namespace

TempTree::TempTree()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tuneprune-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    m_root = pattern + "/";
}

TempTree::~TempTree()
{
    const int fd = ::open(m_root.c_str(), kDirFlags);
    if (fd >= 0) {
        removeContents(fd);
    }
    ::rmdir(m_root.c_str());
}

// The directory `relative` below the root, made where missing, one component at a time.
int TempTree::openDir(std::string_view relative) const
{
    int fd = ::open(m_root.c_str(), kDirFlags);
    for (std::size_t at = 0; fd >= 0 && at < relative.size();) {
        const std::size_t end = std::min(relative.find('/', at), relative.size());
        const std::string name(relative.substr(at, end - at));
        at = end + 1;
        if (name.empty()) {
            continue;
        }
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), kDirFlags);
        ::close(fd);
        fd = next;
    }
    if (fd < 0) {
        throw std::runtime_error("cannot make " + std::string(relative));
    }
    return fd;
}

void TempTree::mkdirp(std::string_view relative) const
{
    ::close(openDir(relative));
}

void TempTree::wfile(std::string_view relative, std::string_view content) const
{
    const std::size_t slash = relative.rfind('/');
    const int dir = openDir(slash == relative.npos ? std::string_view() : relative.substr(0, slash));
    const std::string name(relative.substr(slash == relative.npos ? 0 : slash + 1));
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ::close(dir);
    if (fd < 0 || ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
        throw std::runtime_error("cannot write " + std::string(relative));
    }
    ::close(fd);
}

void TempTree::symlink(std::string_view target, std::string_view relative) const
{
    std::filesystem::create_symlink(std::string(target), path(relative));
}

bool TempTree::exists(std::string_view relative) const
{
    int fd = ::open(m_root.c_str(), kDirFlags);
    std::size_t at = 0;
    for (std::size_t slash; fd >= 0 && (slash = relative.find('/', at)) != relative.npos; at = slash + 1) {
        const int next = ::openat(fd, std::string(relative.substr(at, slash - at)).c_str(), kDirFlags);
        ::close(fd);
        fd = next;
    }
    struct stat st { };
    const bool found
        = fd >= 0 && ::fstatat(fd, std::string(relative.substr(at)).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return found;
}

std::string utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string bytes;
    for (const char16_t unit : text) {
        const char hi = static_cast<char>(unit >> 8);
        const char lo = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}
