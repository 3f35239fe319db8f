#pragma once

#include "Mp3Collection.h"
#include "Relocation.h"
#include "ScanProgress.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How much of a playlist names a file below the base directory.
struct Coverage {
    std::size_t lines = 0; // of the keep-list
    std::size_t named = 0; // found in place or elsewhere
    // None, or fewer than one in ten: most likely the wrong playlist or the wrong folder. Every
    // command that removes files asks first.
    bool little() const { return named == 0 || named * 10 < lines; }
};

// How one scan understood the playlist, for the user to see before deleting anything.
struct PlaylistCheck {
    // A line that names no mp3 entry in place, kept by its trailing path.
    struct Elsewhere {
        std::uint32_t line; // index into KeepList::lines()
        std::string firstPath; // the first file it keeps, file-system bytes
        std::size_t files; // how many files it keeps
    };
    struct NotFound {
        std::uint32_t line;
        MissReason reason;
    };

    // A folder the walk could not list: the list may lack what is in it.
    using Unreadable = Mp3Collection::Unreadable;

    std::size_t lines = 0; // of the keep-list
    std::size_t linesFound = 0; // lines that occur in the path of some mp3 entry
    std::vector<Elsewhere> elsewhere; // newest line first, as the keep-list
    std::vector<NotFound> notFound;
    std::vector<Unreadable> unreadable;
    std::size_t trashSkipped = 0; // trash folders below the base, not walked
    // Cue sheets that could not be read, or name no file (error 0): every file beside each is kept.
    std::vector<Unreadable> unreadableCueSheets;
    AudioTypes types = AudioTypes::Mp3; // which entries the scan listed
    // The base directory's file system when it is a network or FUSE mount ("fuse.sshfs"), whose
    // changes to a file a deletion may not see; otherwise empty.
    std::string remoteFileSystem;

    bool hasDetails() const
    {
        return !elsewhere.empty() || !notFound.empty() || !unreadable.empty() || !unreadableCueSheets.empty()
            || !remoteFileSystem.empty() || trashSkipped != 0;
    }
    Coverage coverage() const { return {lines, linesFound + elsewhere.size()}; }
};

// "Playlist: 19,480 lines found, 480 found elsewhere, 40 not found", and when there are any,
// "; 2 folders could not be read" and "; 1 trash folder skipped".
QString playlistCheckText(const PlaylistCheck& check);

// "150,694 files, 612.3 GB; 12 selected, 48.1 MB"; `bytes` and `selectedBytes` are left out
// while `sized` is false.
QString listSizeText(std::size_t files, std::uint64_t bytes, std::size_t selected, std::uint64_t selectedBytes,
                     bool sized);

// The check line's warning when the playlist names little: "Only 3 of 2,000 entries name a file here."
QString namesLittleNote(Coverage coverage);

// The question before removing files when the playlist names little: "Only 3 of the playlist's
// 2,000 entries name a file below /music/. 18,000 mp3 files there are listed." ("audio files"
// with every audio type)
QString namesLittleWarning(Coverage coverage, std::size_t playlists, const QString& baseDir, std::size_t listed,
                           AudioTypes types = AudioTypes::Mp3);

// Why a cue sheet keeps every file beside it: the system's reason, or "names no file".
QString cueSheetProblemText(const PlaylistCheck::Unreadable& sheet);

// Whether the mount table's type names a network or FUSE file system.
bool isRemoteFileSystem(std::string_view type);

// What Details says of a base directory on such a file system.
QString remoteFileSystemText(const std::string& type);

// The short reason shown beside a line that was not found; empty when none is known.
QString missReasonText(MissReason reason, AudioTypes types = AudioTypes::Mp3);
