#pragma once

#include <string>
#include <string_view>

// Paths in URLs: file-system bytes escaped as %XX, and back, byte for byte, so that names that
// are not UTF-8 survive the trip.

// Bytes other than letters, digits, "-._~" and "/" as %XX.
std::string percentEncodedPath(std::string_view path);

// "file:///music/a%20b.mp3" for "/music/a b.mp3".
std::string fileUrl(std::string_view path);

// Whether a "%" in `text` starts two hex digits.
bool hasPercentEscape(std::string_view text);

// A "%" that does not start two hex digits is an ordinary character.
std::string percentDecoded(std::string_view text);
