#pragma once

// The folder walk/: the scan. A pool of threads lists the tree folder by folder, asks the keep
// test, and assembles the collection in walk order; the window reads how far it has got.

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

// One scan: the mp3 entries below a base directory and those that no line of the playlist keeps.
struct ScanResult {
    std::shared_ptr<const Mp3Collection> found; // every mp3 entry; the rows refer to it
    std::vector<EntryIndex> unwanted; // entries to list, in walk order
    PlaylistCheck check;
    bool stopped = false; // `stop` was set: nothing else here is meaningful
};

// Walks `baseDir` (file-system bytes ending in "/") and tests what it finds, reporting to
// `progress` as it goes. Setting `stop` ends it within a directory's listing. `threads`: as
// collectMp3s() takes it. `types`: which entries to list; with every audio type, cue sheets keep
// the images they name (CueSheets).
ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop, unsigned threads = 0, AudioTypes types = AudioTypes::Mp3);
