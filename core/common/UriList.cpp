#include "UriList.h"

#include "Ascii.h"
#include "PercentEncoding.h"

#include <algorithm>

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view head)
{
    return text.size() >= head.size()
        && std::equal(head.begin(), head.end(), text.begin(), [](char a, char b) { return a == lowerAscii(b); });
}

// The still escaped path of a URI naming a file on this machine.
std::optional<std::string_view> localPath(std::string_view uri)
{
    if (!startsWithIgnoringCase(uri, "file:")) {
        return std::nullopt;
    }
    uri.remove_prefix(5);
    if (uri.starts_with("//")) {
        uri.remove_prefix(2);
        const std::size_t slash = uri.find('/');
        const std::string_view host = uri.substr(0, slash);
        const bool local = host.empty() || (host.size() == 9 && startsWithIgnoringCase(host, "localhost"));
        if (slash == std::string_view::npos || !local) {
            return std::nullopt;
        }
        uri.remove_prefix(slash);
    }
    return uri.starts_with('/') ? std::optional(uri) : std::nullopt;
}

} // namespace

std::optional<std::vector<std::string>> localPathsOfUriList(std::string_view list)
{
    std::vector<std::string> paths;
    while (!list.empty()) {
        const std::size_t end = list.find('\n');
        std::string_view line = list.substr(0, end);
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        const std::optional<std::string_view> escaped = localPath(line);
        if (!escaped) {
            return std::nullopt;
        }
        std::string path = percentDecoded(*escaped);
        if (path.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        paths.push_back(std::move(path));
    }
    return paths.empty() ? std::nullopt : std::optional(std::move(paths));
}
