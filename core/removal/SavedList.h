#pragma once

#include <string>
#include <string_view>
#include <vector>

// The M3U8 file that Save List writes: "#EXTM3U", then each path on a line of its own, its bytes
// as on disk, so that a player or another tool can review the list. A path holding a line break
// cannot be one line: it is left out, and counted.
constexpr std::string_view kSavedListHeader = "#EXTM3U\n";

// Whether a path can be one line of a list: not when it holds a line break.
bool isListLine(std::string_view path);

struct SavedList {
    std::string text;
    std::size_t leftOut = 0;
};

SavedList savedList(const std::vector<std::string>& paths);

// The paths of a list the user reviewed: NUL-terminated paths (`tuneprune --list -0`), or lines
// as Save List or `tuneprune --list` write them ("#" lines and blank lines skipped, CRLF taken).
std::vector<std::string> pathsOfSavedList(std::string_view bytes);

// A path of such a list as it is compared with the scan's: made absolute from `cwd`, with "."
// segments and doubled slashes dropped. A ".." stays as it is: through a link, "a/link/../x" is
// not "a/x", so it names only a path that holds the same "..".
std::string comparablePath(std::string_view path, std::string_view cwd);
