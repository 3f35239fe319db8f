#include "KeepForms.h"

#include "Ascii.h"
#include "ComparisonForm.h"
#include "PercentEncoding.h"

#include <algorithm>
#include <optional>

namespace {

// The still escaped path of a file: URL. The host, "localhost" or any other, is dropped: the
// path below it is what a local path can contain.
std::optional<std::string_view> fileUrlPath(std::string_view line)
{
    constexpr std::string_view kScheme = "file:";
    if (line.size() < kScheme.size() || !std::equal(kScheme.begin(), kScheme.end(), line.begin(), [](char a, char b) {
            return a == lowerAscii(b);
        })) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(kScheme.size());
    if (rest.size() >= 2 && isSeparator(rest[0]) && isSeparator(rest[1])) {
        rest.remove_prefix(2);
        std::size_t hostEnd = 0;
        while (hostEnd < rest.size() && !isSeparator(rest[hostEnd])) {
            ++hostEnd;
        }
        rest.remove_prefix(hostEnd);
    }
    return rest;
}

// "D:\x", "D:/x" and, as a URL leaves it, "/D:/x" all become the path from the separator on.
std::string_view withoutDriveLetter(std::string_view path)
{
    const std::size_t at = !path.empty() && isSeparator(path[0]) ? 1 : 0;
    if (path.size() >= at + 3 && isAsciiLetter(path[at]) && path[at + 1] == ':' && isSeparator(path[at + 2])) {
        return path.substr(at + 2);
    }
    return path;
}

std::string_view withoutDotPrefixes(std::string_view path)
{
    for (;;) {
        if (path.size() >= 2 && path[0] == '.' && isSeparator(path[1])) {
            path.remove_prefix(2);
        } else if (path.size() >= 3 && path[0] == '.' && path[1] == '.' && isSeparator(path[2])) {
            path.remove_prefix(3);
        } else {
            return path;
        }
    }
}

} // namespace

std::vector<std::string> keepEntryForms(std::string_view line)
{
    std::vector<std::string> forms;
    const auto add = [&forms](std::string_view form) {
        if (std::find(forms.begin(), forms.end(), form) == forms.end()) {
            forms.emplace_back(form);
        }
    };
    // Drive letters and dot segments are whole segments at the front, so taking them off the
    // form gives the form of what is left.
    const auto addCleanedUp = [&add](const std::string& form) {
        const std::string_view noDrive = withoutDriveLetter(form);
        add(form);
        add(noDrive);
        add(withoutDotPrefixes(noDrive));
    };
    const auto addAll = [&addCleanedUp](std::string_view text) {
        addCleanedUp(comparisonForm(text));
        if (const std::optional<std::string_view> urlPath = fileUrlPath(text)) {
            addCleanedUp(comparisonForm(percentDecoded(*urlPath)));
        } else if (hasPercentEscape(text)) {
            addCleanedUp(comparisonForm(percentDecoded(text)));
        }
    };

    addAll(line);
    // Hand-edited playlists leave blanks at line ends that no file name has.
    const std::string_view trimmed = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (trimmed.size() != line.size() && !trimmed.empty()) {
        addAll(trimmed);
    }
    return forms;
}

namespace {

// The scheme of a URL line ("http" for "http://x/y"), or empty. One letter before ":" is a
// drive, not a scheme.
std::string_view urlScheme(std::string_view line)
{
    std::size_t i = 0;
    while (
        i < line.size()
        && (isAsciiLetter(line[i])
            || (i > 0 && ((line[i] >= '0' && line[i] <= '9') || line[i] == '+' || line[i] == '-' || line[i] == '.')))) {
        ++i;
    }
    if (i < 2 || i >= line.size() || line[i] != ':') {
        return {};
    }
    return line.substr(0, i);
}

bool sameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == y; });
}

// Drops `count` leading segments of `path` after its leading separators ("//host/share/x"
// with 2 gives "/x").
std::string_view withoutLeadingSegments(std::string_view path, int count)
{
    std::size_t i = 0;
    while (i < path.size() && isSeparator(path[i])) {
        ++i;
    }
    for (int n = 0; n < count && i < path.size(); ++n) {
        while (i < path.size() && !isSeparator(path[i])) {
            ++i;
        }
        if (n + 1 < count) {
            while (i < path.size() && isSeparator(path[i])) {
                ++i;
            }
        }
    }
    return path.substr(i);
}

void addTrailingPaths(std::vector<std::string>& paths, std::string_view text)
{
    const auto add = [&paths](std::string_view path, bool escaped) {
        std::string decoded = escaped ? percentDecoded(path) : std::string(path);
        if (std::find(paths.begin(), paths.end(), decoded) == paths.end()) {
            paths.push_back(std::move(decoded));
        }
    };
    const std::string_view scheme = urlScheme(text);
    if (sameLetters(scheme, "file")) {
        add(*fileUrlPath(text), true);
    } else if (sameLetters(scheme, "smb") || sameLetters(scheme, "nfs")) {
        // smb://host/share/x: the share is the remote root, as in UNC; nfs://host/export/x keeps
        // its export path.
        add(withoutLeadingSegments(text.substr(scheme.size() + 1), sameLetters(scheme, "smb") ? 2 : 1), true);
    } else if (scheme.empty()) {
        const bool unc = text.size() > 2 && isSeparator(text[0]) && isSeparator(text[1]) && !isSeparator(text[2]);
        const std::string_view path = unc ? withoutLeadingSegments(text, 2) : text;
        add(path, false);
        if (hasPercentEscape(path)) {
            add(path, true);
        }
    }
}

} // namespace

std::vector<std::string> trailingPaths(std::string_view line)
{
    std::vector<std::string> paths;
    addTrailingPaths(paths, line);
    const std::string_view trimmed = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (trimmed.size() != line.size() && !trimmed.empty()) {
        addTrailingPaths(paths, trimmed);
    }
    return paths;
}

std::vector<std::string> trailingPathForms(std::string_view line)
{
    std::vector<std::string> forms;
    for (const std::string& path : trailingPaths(line)) {
        std::string form = comparisonForm(path);
        if (std::find(forms.begin(), forms.end(), form) == forms.end()) {
            forms.push_back(std::move(form));
        }
    }
    return forms;
}
