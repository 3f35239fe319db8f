#pragma once

#include <string>
#include <string_view>
#include <vector>

// The forms that one playlist line is compared in: its comparison form, plus the forms of what
// is left once the writing side's platform is taken off it (file: URL, percent escapes, drive
// letter, "./" and "../" prefixes). Every extra form only makes more files wanted.
std::vector<std::string> keepEntryForms(std::string_view line);

// The paths by which a line written on another machine is matched by its trailing path: with
// file:, smb: and nfs: URLs and UNC "\\host\share" prefixes taken off, percent escapes decoded
// where there are any. None for a web address (http: or any other scheme), which names no file
// on a disk. They are still file-system bytes with either separator; trailingPathForms() gives
// their comparison forms.
std::vector<std::string> trailingPaths(std::string_view line);
std::vector<std::string> trailingPathForms(std::string_view line);
