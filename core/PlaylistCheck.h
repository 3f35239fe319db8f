#pragma once

#include "Relocation.h"
#include "ScanProgress.h"
#include "TreeWalk.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

    std::size_t linesFound = 0; // lines that occur in the path of some mp3 entry
    std::vector<Elsewhere> elsewhere; // newest line first, as the keep-list
    std::vector<NotFound> notFound;
    std::vector<Unreadable> unreadable;

    bool hasDetails() const { return !elsewhere.empty() || !notFound.empty() || !unreadable.empty(); }
};

// "Playlist: 19,480 lines found, 480 found elsewhere, 40 not found", and when there are any,
// "; 2 folders could not be read".
QString playlistCheckText(const PlaylistCheck& check);

// "150,694 files, 612.3 GB; 12 selected, 48.1 MB"; `bytes` and `selectedBytes` are left out
// while `sized` is false.
QString listSizeText(std::size_t files, std::uint64_t bytes, std::size_t selected, std::uint64_t selectedBytes,
                     bool sized);

// The short reason shown beside a line that was not found; empty when none is known.
QString missReasonText(MissReason reason);
