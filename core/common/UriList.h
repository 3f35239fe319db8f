#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The local paths that a drop's text/uri-list names, as file-system bytes: one URI a line, "#"
// lines skipped, each file: URI's path percent-decoded byte for byte, so that names that are not
// UTF-8 arrive intact. None when the list names nothing, or anything but a file on this machine
// ("file:///a", "file://localhost/a" or "file:/a").
std::optional<std::vector<std::string>> localPathsOfUriList(std::string_view list);
