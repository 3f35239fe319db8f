#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

// What `tuneprune --list|--delete|--trash --base DIR PLAYLIST...` was asked to do. Paths are the
// arguments' bytes, as the shell passed them.
struct CommandLine {
    enum class Mode { List, Delete, Trash };
    enum class Format { Lines, Nul, M3u8 };

    Mode mode = Mode::List;
    std::string baseDir;
    std::vector<std::string> playlists;
    Format format = Format::Lines;
    std::string fromList; // empty: every path the scan lists
    bool yes = false; // no question asked
    bool evenIfNothingMatches = false;
    bool removeEmptyFolders = false;
    bool allAudio = false; // every audio file, not only mp3
};

// Parses the arguments after the program's name. Nothing, with `error` set, when they ask for
// nothing that can be done; `--help` and `--version` print their text and end the program.
std::optional<CommandLine> parseCommandLine(int argc, char** argv, QString& error);
