#include "RemovalRecord.h"

#include "PercentEncoding.h"
#include "UserDirs.h"

#include <cstdlib>

namespace {

std::string formatted(const char* format, const std::tm& when)
{
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &when));
}

std::string counted(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::optional<std::string> removalRecordDir()
{
    const std::optional<std::string> state = userDirs().state;
    return state ? std::optional<std::string>(*state + "/tuneprune") : std::nullopt;
}

void appendRecordLine(std::string& text, std::string_view path)
{
    if (path.find('\n') == std::string_view::npos && path.find('\r') == std::string_view::npos) {
        text += path;
    } else {
        text += fileUrl(path);
    }
    text += '\n';
}

std::string removalRecordHeader(const RemovalRecord& record, std::tm when)
{
    std::string text = "# " + formatted("%Y-%m-%d %H:%M:%S", when) + " " + record.command + "\n";
    for (const std::string& playlist : record.playlists) {
        text += "# Playlist: ";
        appendRecordLine(text, playlist);
    }
    text += "# Base directory: ";
    appendRecordLine(text, record.baseDir);
    return text;
}

std::string removalRecordEnd(std::size_t files, std::size_t folders, bool stopped)
{
    std::string text = stopped ? "# Stopped: " : "# Done: ";
    text += counted(files, "file", "files");
    if (folders != 0) {
        text += " and " + counted(folders, "folder", "folders");
    }
    return text + "\n";
}
