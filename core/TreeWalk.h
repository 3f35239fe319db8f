#pragma once

#include "KeepList.h"
#include "Mp3Collection.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ScanProgress;

// How to walk: what to test the entries against, where to report, when to stop.
struct WalkOptions {
    const KeepList* keep = nullptr; // with `seen`: each entry's `kept`, and which lines occurred
    KeepList::Seen* seen = nullptr;
    ScanProgress* progress = nullptr; // the number of mp3 entries found so far
    const std::atomic<bool>* stop = nullptr; // looked at before each directory
    unsigned threads = 0; // listing at once, and making the collection; 0: as many as suit this machine
    // With `keep`: the entries it did not keep, by index in walk order, gathered as the
    // collection is made instead of in another pass over it.
    std::vector<std::uint32_t>* unkept = nullptr;
};

// Walks the whole tree below `baseDir` (file-system bytes ending in "/") and collects every mp3
// entry, several directories at once, each opened relative to its parent's descriptor. Entries
// of a directory are taken in the order of their comparison form (ties: bytes); depth first, a
// directory's contents before the directory's own entry. Symbolic links are not followed. A
// directory already on its own descent (same device and inode) is not walked again. A directory
// that cannot be listed is passed over and recorded. No limit on depth or path length. The
// result does not depend on the number of threads.
Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, const WalkOptions& options = {});
