#include "SavedList.h"

#include <algorithm>

bool isListLine(std::string_view path)
{
    return path.find('\n') == std::string_view::npos && path.find('\r') == std::string_view::npos;
}

SavedList savedList(const std::vector<std::string>& paths)
{
    SavedList list {std::string(kSavedListHeader), 0};
    for (const std::string& path : paths) {
        if (!isListLine(path)) {
            ++list.leftOut;
            continue;
        }
        list.text += path;
        list.text += '\n';
    }
    return list;
}

std::vector<std::string> pathsOfSavedList(std::string_view bytes)
{
    const bool nulTerminated = bytes.find('\0') != std::string_view::npos;
    const char end = nulTerminated ? '\0' : '\n';
    std::vector<std::string> paths;
    while (!bytes.empty()) {
        const std::size_t cut = bytes.find(end);
        std::string_view path = bytes.substr(0, cut);
        bytes.remove_prefix(cut == std::string_view::npos ? bytes.size() : cut + 1);
        if (!nulTerminated && path.ends_with('\r')) {
            path.remove_suffix(1);
        }
        if (!path.empty() && (nulTerminated || !path.starts_with('#'))) {
            paths.emplace_back(path);
        }
    }
    return paths;
}

std::string comparablePath(std::string_view path, std::string_view cwd)
{
    std::string whole;
    if (!path.starts_with('/')) {
        whole.append(cwd).push_back('/');
    }
    whole.append(path);
    std::string out;
    out.reserve(whole.size());
    for (std::size_t at = 0; at < whole.size();) {
        const std::size_t end = std::min(whole.find('/', at), whole.size());
        const std::string_view segment = std::string_view(whole).substr(at, end - at);
        if (!segment.empty() && segment != ".") {
            out.append("/").append(segment);
        }
        at = end + 1;
    }
    if (out.empty() || whole.ends_with('/') || whole.ends_with("/.")) {
        out.push_back('/');
    }
    return out;
}
