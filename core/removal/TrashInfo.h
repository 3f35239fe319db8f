#pragma once

#include <ctime>
#include <string>
#include <string_view>

// What the freedesktop.org trash keeps beside a file: its original place and when it went.

// The .trashinfo file of a file that was at `path` (percent-encoded here), trashed at the local
// time `when`.
std::string trashInfoText(std::string_view path, std::tm when);

// The `n`th name tried for `name` in a trash where names must be unique: the name itself first,
// then "song (2).mp3", "song (3).mp3"; a name without an extension, or a dot file, gets " (2)" at
// its end. A name too long for "NAME.trashinfo" is shortened before its extension.
std::string trashedName(std::string_view name, unsigned n);
