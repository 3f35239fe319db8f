#include "FolderCache.h"

#include "PathOpener.h"

namespace {

// Descriptors kept open along one folder's way; a deeper way opens the rest for each call.
constexpr std::size_t kMaxHeld = 256;

} // namespace

bool FolderCache::openBase(const std::string& baseDir)
{
    clear();
    FdCloser fd = openDirectoryPath(baseDir);
    if (fd.get() < 0) {
        return false;
    }
    m_levels.push_back({std::move(fd), baseDir});
    return true;
}

const std::string& FolderCache::base() const
{
    static const std::string none;
    return m_levels.empty() ? none : m_levels.front().name;
}

void FolderCache::closeFrom(std::size_t level)
{
    m_bOpenKnown = m_bOpenKnown && level >= m_levels.size();
    while (m_levels.size() > level) {
        if (m_levels.back().fd.get() == m_nCheckedFd) {
            m_nCheckedFd = -1;
        }
        m_levels.pop_back();
    }
}

int FolderCache::open(std::string_view dir)
{
    // Rows of one folder come one after the other.
    if (m_bOpenKnown && dir == m_strOpenDir) {
        return m_levels.back().fd.get();
    }
    std::vector<std::string_view> names;
    for (std::size_t at = 0; at < dir.size();) {
        const std::size_t end = dir.find('/', at);
        names.push_back(dir.substr(at, end - at));
        at = end == std::string_view::npos ? dir.size() : end + 1;
    }
    std::size_t shared = 0; // components below the base
    while (shared + 1 < m_levels.size() && shared < names.size() && m_levels[shared + 1].name == names[shared]) {
        ++shared;
    }
    closeFrom(shared + 1);
    for (std::size_t i = shared; i < names.size(); ++i) {
        FdCloser fd = openSubdir(m_levels.back().fd.get(), std::string(names[i]).c_str());
        if (fd.get() < 0) {
            m_bOpenKnown = false;
            return -1;
        }
        if (m_levels.size() == kMaxHeld + 1) {
            // Past what is kept: only the latest of this way stays open, under a name no way shares.
            closeFrom(kMaxHeld);
            m_levels.push_back({std::move(fd), "/"});
        } else {
            m_levels.push_back({std::move(fd), std::string(names[i])});
        }
    }
    m_strOpenDir = dir;
    m_bOpenKnown = true;
    return m_levels.back().fd.get();
}

// Rows of one folder come one after the other: the folder is looked at once.
int FolderCache::check(int dirFd, std::string_view dir)
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
        m_bStableInodes = ::stableInodes(dirFd);
        m_nStableAsked = m_checked.device;
    }
    return 0;
}
