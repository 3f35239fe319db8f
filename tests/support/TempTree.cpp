#include "TempTree.h"

#include <QFile>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

TempTree::TempTree()
{
    const QByteArray root = QFile::encodeName(m_dir.path());
    m_root.assign(root.constData(), static_cast<std::size_t>(root.size()));
    m_root += '/';
    // QTemporaryDir removes through QString, which cannot name files whose names are not UTF-8.
    m_dir.setAutoRemove(false);
}

TempTree::~TempTree()
{
    if (!isValid()) {
        return;
    }
    ::nftw(
        m_root.c_str(),
        [](const char* path, const struct stat* st, int, FTW*) {
            if (S_ISDIR(st->st_mode)) {
                ::rmdir(path);
            } else {
                ::unlink(path);
            }
            return 0;
        },
        64, FTW_DEPTH | FTW_PHYS);
}

void TempTree::mkdirp(std::string_view relative) const
{
    std::string full = m_root;
    for (std::size_t i = 0; i <= relative.size(); ++i) {
        if (i == relative.size() || relative[i] == '/') {
            if (full.size() > m_root.size()) {
                ::mkdir(full.c_str(), 0755);
            }
        }
        if (i < relative.size()) {
            full += relative[i];
        }
    }
    struct stat st { };
    if (::stat(full.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        throw std::runtime_error("cannot make directory " + full);
    }
}

void TempTree::wfile(std::string_view relative, std::string_view content) const
{
    const std::size_t slash = relative.rfind('/');
    if (slash != std::string_view::npos) {
        mkdirp(relative.substr(0, slash));
    }
    const std::string full = path(relative);
    const int fd = ::open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        throw std::runtime_error("cannot write " + full);
    }
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + full);
        }
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void TempTree::symlink(std::string_view target, std::string_view relative) const
{
    const std::string full = path(relative);
    if (::symlink(std::string(target).c_str(), full.c_str()) != 0) {
        throw std::runtime_error("cannot link " + full);
    }
}

bool TempTree::exists(std::string_view relative) const
{
    struct stat st { };
    return ::lstat(path(relative).c_str(), &st) == 0;
}
