#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// A record of what Delete Files and Move to Trash removed, so that a song found missing later can
// be traced or restored from a backup: one M3U8 file a day, appended to.
struct RemovalRecord {
    std::string command; // "Delete Files", "Move to Trash"
    std::vector<std::string> playlists;
    std::string baseDir;
    std::vector<std::string> removed; // each path's bytes as on disk
};

// The folder of the records: $XDG_STATE_HOME/tuneprune, or ~/.local/state/tuneprune; none where
// there is no home (appendRemovalRecord()'s error is then kNoHomeFolder).
std::optional<std::string> removalRecordDir();

// What one removal adds to the day's file: "#" lines with the time, the command, the playlists
// and the base directory, then one path a line; a path holding a line break as a file URL.
// `startsFile`: the file is new, and begins with "#EXTM3U".
std::string removalRecordText(const RemovalRecord& record, std::tm when, bool startsFile);

// Appends the record to the day's file in `dir`, made with its folders where missing. Returns 0
// or the errno that stopped it.
int appendRemovalRecord(const std::string& dir, const RemovalRecord& record);
