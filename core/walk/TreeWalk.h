#pragma once

#include "KeepList.h"
#include "Mp3Collection.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

class IDirLister;
class ScanProgress;

// A folder as stat tells it apart from every other.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// How to walk: what to test the entries against, where to report, when to stop.
struct WalkOptions {
    const KeepList* keep = nullptr; // sets each entry's `kept` and the collection's linesFound
    ScanProgress* progress = nullptr; // the number of mp3 entries found so far
    const std::atomic<bool>* stop = nullptr; // looked at before each folder
    std::optional<FolderIdentity> homeTrash = std::nullopt; // not walked, wherever it lies below the base
    unsigned threads = 0; // listing at once; 0: as many as suit this machine
    AudioTypes types = AudioTypes::Mp3; // which entries to take; with All, also the cue sheets beside them
};

// Walks the whole tree below `baseDir` (file-system bytes ending in "/") and collects every mp3
// entry, several folders at once, each opened relative to its parent's descriptor. Entries of a
// folder are taken in the order of their comparison form (ties: bytes); depth first, a folder's
// contents before the folder's own entry. Symbolic links are not followed. A folder already on
// its own descent (same device and inode) is not walked again. A trash below the base is not walked:
// a folder named .Trash, .Trash-<digits>, .Trashes, $RECYCLE.BIN or RECYCLER, or the home trash;
// the base itself is walked whatever it is. A folder that cannot be listed is
// passed over and recorded. No limit on depth or path length. The result does not depend on the
// number of threads.
Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, const WalkOptions& options = {});
