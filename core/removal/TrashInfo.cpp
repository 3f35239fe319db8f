#include "TrashInfo.h"

#include "PercentEncoding.h"

#include <ctime>

std::string trashInfoText(std::string_view path, std::tm when)
{
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &when);
    return "[Trash Info]\nPath=" + percentEncodedPath(path) + "\nDeletionDate=" + date + "\n";
}

namespace {

// A trash keeps "NAME.trashinfo" beside each file, and a name has at most 255 bytes.
constexpr std::size_t kMostTrashedName = 255 - std::string_view(".trashinfo").size();

// The first `size` bytes of `text`, less the start of a UTF-8 character that they would cut.
std::string_view cutText(std::string_view text, std::size_t size)
{
    if (size >= text.size()) {
        return text;
    }
    for (std::size_t back = 0; back < 3 && size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80;
         ++back) {
        --size;
    }
    return text.substr(0, size);
}

} // namespace

std::string trashedName(std::string_view name, unsigned n)
{
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    std::string_view stem = name.substr(0, cut);
    std::string_view extension = name.substr(cut);
    const std::string number = n <= 1 ? std::string() : " (" + std::to_string(n) + ")";
    if (stem.size() + number.size() + extension.size() > kMostTrashedName) {
        if (number.size() + extension.size() > kMostTrashedName / 2) {
            stem = name; // an "extension" too long to be one
            extension = {};
        }
        stem = cutText(stem, kMostTrashedName - number.size() - extension.size());
    }
    return std::string(stem).append(number).append(extension);
}
