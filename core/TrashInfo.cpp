#include "TrashInfo.h"

#include "PercentEncoding.h"

#include <ctime>

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
