#include "TrashInfo.h"

#include "Ascii.h"

#include <ctime>

std::string percentEncodedPath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

std::string trashInfoText(std::string_view path, std::tm when)
{
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &when);
    return "[Trash Info]\nPath=" + percentEncodedPath(path) + "\nDeletionDate=" + date + "\n";
}

std::string trashedName(std::string_view name, unsigned n)
{
    if (n <= 1) {
        return std::string(name);
    }
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    return std::string(name.substr(0, cut)) + " (" + std::to_string(n) + ")" + std::string(name.substr(cut));
}
