#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A record of what Delete Files and Move to Trash removed, so that a song found missing later can
// be traced or restored from a backup: one M3U8 file a day, appended to as each removal goes.
struct RemovalRecord {
    std::string command; // "Delete Files", "Move to Trash"
    std::vector<std::string> playlists;
    std::string baseDir;
};

// The folder of the records: $XDG_STATE_HOME/tuneprune, or ~/.local/state/tuneprune; none where
// there is no home (the record's error is then kNoHomeFolder).
std::optional<std::string> removalRecordDir();

// The first line of a day's file.
inline constexpr std::string_view kRemovalRecordStart = "#EXTM3U\n";

// What a removal writes before its first path: "#" lines with the time, the command, the
// playlists and the base directory.
std::string removalRecordHeader(const RemovalRecord& record, std::tm when);

// One path a line; a path holding a line break as a file URL.
void appendRecordLine(std::string& text, std::string_view path);

// The closing "#" line: how many files and folders went, and whether the removal was stopped.
std::string removalRecordEnd(std::size_t files, std::size_t folders, bool stopped);
