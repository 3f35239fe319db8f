#include "PathOpener.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <climits>

FdCloser openPathFrom(FdCloser from, std::string_view path, PathWay way)
{
    std::string name;
    for (std::size_t at = 0; from.get() >= 0 && at < path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (end > at || !way.followLinks) {
            name.assign(path.substr(at, end - at));
            from = openSubdir(from.get(), name.c_str(), way);
        }
        at = end + 1;
    }
    return from;
}

FdCloser openDirectoryPath(const std::string& path)
{
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (path.size() < PATH_MAX) {
        return FdCloser(::open(path.c_str(), kFlags));
    }
    // Longer than the system takes at once: from the root, a component at a time.
    return openPathFrom(FdCloser(::open(path.starts_with('/') ? "/" : ".", kFlags)), path, {.followLinks = true});
}

FdCloser openBeneath(const std::string& baseDir, std::string_view dir)
{
    return openPathFrom(openDirectoryPath(baseDir), dir);
}
