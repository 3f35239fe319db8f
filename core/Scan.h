#pragma once

#include "PlaylistCheck.h"
#include "TreeWalk.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IDirLister;
class ScanProgress;

// How each line of the keep-list was understood, from the lines the walk found. Lines that occur
// in no entry's path keep the entries their trailing path names (a playlist written on another
// machine).
struct CheckedPlaylist {
    PlaylistCheck check;
    std::vector<EntryIndex> keptElsewhere; // entries kept by those lines, in no order, maybe twice
};
CheckedPlaylist checkPlaylist(const Mp3Collection& found, const KeepList& keep);

// The verdict: the entries that no line keeps, neither in place nor elsewhere, in walk order.
std::vector<EntryIndex> unwantedEntries(const Mp3Collection& found, const std::vector<std::uint32_t>& keptElsewhere);

// One scan: the mp3 entries below a base directory and those that no line of the playlist keeps.
struct ScanResult {
    std::shared_ptr<const Mp3Collection> found; // every mp3 entry; the rows refer to it
    std::vector<EntryIndex> unwanted; // entries to list, in walk order
    PlaylistCheck check;
    bool stopped = false; // `stop` was set: nothing else here is meaningful
};

// Walks `baseDir` (file-system bytes ending in "/") and tests what it finds, reporting to
// `progress` as it goes. Setting `stop` ends it within a directory's listing. `threads`: as
// collectMp3s() takes it.
ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop, unsigned threads = 0);
