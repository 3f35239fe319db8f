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
class KeepList;
struct ScanProgress;

// What the playlist wants of the mp3 entries found, and how it was understood.
struct KeepOutcome {
    std::vector<std::uint8_t> wanted; // by entry of the collection: 1 when a line keeps it
    PlaylistCheck check;
};

// Tests every mp3 entry against the keep-list in place; then each line that occurs in no
// entry's path keeps the entries its trailing path names (a playlist written on another
// machine). Counts the entries tested in `progress`; gives up part way when `stop` is set.
KeepOutcome testEntries(const Mp3Collection& found, const KeepList& keep, ScanProgress* progress = nullptr,
                        const std::atomic<bool>* stop = nullptr);

// The size of each of `entries` (ascending indices into `found`), by entry index of `found`;
// 0 for the others. Gives up part way when `stop` is set.
std::vector<std::uint64_t> entrySizes(IDirLister& lister, const Mp3Collection& found,
                                      const std::vector<std::uint32_t>& entries, const std::atomic<bool>& stop);

// One scan: the mp3 entries below a base directory and those that no line of the playlist keeps.
struct ScanResult {
    std::shared_ptr<const Mp3Collection> found; // every mp3 entry; the rows refer to it
    std::vector<std::uint32_t> unwanted; // entries to list, in walk order
    PlaylistCheck check;
    bool stopped = false; // `stop` was set: nothing else here is meaningful
};

// Walks `baseDir` (file-system bytes ending in "/") and tests what it finds, reporting to
// `progress` as it goes. Setting `stop` ends it within a directory's listing.
ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop);
