#include "RemovalRecord.h"

#include "PercentEncoding.h"
#include "UserDirs.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string formatted(const char* format, const std::tm& when)
{
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &when));
}

// A line of the file; a name that a line break would cut in two as a URL.
void appendLine(std::string& text, const std::string& path)
{
    if (path.find('\n') == std::string::npos && path.find('\r') == std::string::npos) { // memchr, not a loop
        text += path;
    } else {
        text += fileUrl(path);
    }
    text += '\n';
}

} // namespace

std::optional<std::string> removalRecordDir()
{
    const std::optional<std::string> state = userDirs().state;
    return state ? std::optional<std::string>(*state + "/tuneprune") : std::nullopt;
}

std::string removalRecordText(const RemovalRecord& record, std::tm when, bool startsFile)
{
    std::string text = startsFile ? "#EXTM3U\n" : "";
    const std::size_t count = record.removed.size();
    text += "# " + formatted("%Y-%m-%d %H:%M:%S", when) + " " + record.command + ", " + std::to_string(count)
        + (count == 1 ? " file\n" : " files\n");
    for (const std::string& playlist : record.playlists) {
        text += "# Playlist: ";
        appendLine(text, playlist);
    }
    text += "# Base directory: ";
    appendLine(text, record.baseDir);
    std::size_t size = text.size();
    for (const std::string& path : record.removed) {
        size += path.size() + 1;
    }
    text.reserve(size);
    for (const std::string& path : record.removed) {
        appendLine(text, path);
    }
    return text;
}

int appendRemovalRecord(const std::string& dir, const RemovalRecord& record)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        return error.value();
    }
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    const std::string path = dir + "/" + formatted("%Y-%m-%d", local) + ".m3u8";
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    const bool startsFile = ::lseek(fd, 0, SEEK_END) == 0;
    const std::string text = removalRecordText(record, local, startsFile);
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int writeError = written ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && written) {
        return errno;
    }
    return writeError;
}
