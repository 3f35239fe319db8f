#include "Scan.h"

#include "DirLister.h"
#include "KeepList.h"
#include "ScanProgress.h"
#include "VectorState.h"

#include <optional>

PlaylistCheck checkPlaylist(Mp3Collection& found, const KeepList& keep, const KeepList::Seen& seen)
{
    // Lines from another machine's root name none of these paths; the index is only built
    // when there is such a line.
    PlaylistCheck check;
    std::optional<NameIndex> index;
    for (std::size_t line = 0; line < keep.lines().size(); ++line) {
        if (!found.entries.empty() && keep.lineSeen(line, seen)) {
            ++check.linesFound;
            continue;
        }
        if (!index) {
            index.emplace(found);
        }
        const std::vector<std::uint32_t> kept = relocate(keep.lines()[line], found, *index);
        if (kept.empty()) {
            check.notFound.push_back({static_cast<std::uint32_t>(line), missReason(keep.lines()[line])});
            continue;
        }
        for (const std::uint32_t entry : kept) {
            found.entries[entry].kept = true;
        }
        check.elsewhere.push_back(
            {static_cast<std::uint32_t>(line), found.path(found.entries[kept.front()]), kept.size()});
    }
    check.unreadable = found.unreadable;
    return check;
}

ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop, unsigned threads)
{
    ScanResult result;
    KeepList::Seen seen = keep.newSeen();
    auto found
        = std::make_shared<Mp3Collection>(collectMp3s(lister, baseDir, {&keep, &seen, &progress, &stop, threads}));
    progress.finish(found->entries.size());
    if (found->stopped || stop.load()) {
        result.stopped = true;
        return result;
    }
    result.check = checkPlaylist(*found, keep, seen);
    // One pass, with room for every entry; given back when most are kept.
    result.unwanted.reserve(found->entries.size());
    for (std::size_t i = 0; i < found->entries.size(); ++i) {
        if (!found->entries[i].kept) {
            result.unwanted.push_back(static_cast<std::uint32_t>(i));
        }
    }
    if (result.unwanted.size() < result.unwanted.capacity() / 2) {
        result.unwanted.shrink_to_fit();
    }
    result.found = std::move(found);
    return result;
}

std::vector<std::uint64_t> entrySizes(IDirLister& lister, const Mp3Collection& found,
                                      const std::vector<std::uint32_t>& entries, const std::atomic<bool>& stop)
{
    clearUpperVectorState();
    std::vector<std::uint64_t> sizes(found.entries.size(), 0);
    std::vector<std::string_view> names;
    std::vector<std::uint64_t> dirSizes;
    // Entries of one directory mostly stand together in walk order: one look at each run of them.
    for (std::size_t first = 0; first < entries.size() && !stop.load(std::memory_order_relaxed);) {
        const std::uint32_t dir = found.entries[entries[first]].dir;
        std::size_t last = first;
        names.clear();
        for (; last < entries.size() && found.entries[entries[last]].dir == dir; ++last) {
            names.push_back(found.name(found.entries[entries[last]]));
        }
        lister.sizes(found.base, found.dirs[dir].path.substr(found.base.size()), names, dirSizes);
        for (std::size_t i = first; i < last; ++i) {
            sizes[entries[i]] = dirSizes[i - first];
        }
        first = last;
    }
    return sizes;
}
