#include "Scan.h"

#include "DirLister.h"
#include "KeepList.h"
#include "ScanProgress.h"
#include "TreeWalk.h"

#include <optional>

namespace {

constexpr std::size_t kReportEvery = 1024;

} // namespace

KeepOutcome testEntries(const Mp3Collection& found, const KeepList& keep, ScanProgress* progress,
                        const std::atomic<bool>* stop)
{
    KeepOutcome outcome;
    outcome.wanted.assign(found.entries.size(), 0);
    KeepList::Seen seen = keep.newSeen();

    // Matching resumes from each directory's cursor, so a path's directory part is matched
    // once per directory instead of once per entry.
    constexpr std::uint32_t kUnset = UINT32_MAX;
    std::vector<KeepList::Cursor> dirCursors(found.dirs.size(), KeepList::Cursor {kUnset, false});
    for (std::size_t i = 0; i < found.entries.size(); ++i) {
        const Mp3Collection::Entry& entry = found.entries[i];
        KeepList::Cursor& dir = dirCursors[entry.dir];
        if (dir.node == kUnset) {
            dir = keep.advance(keep.start(), found.dirs[entry.dir].form, seen);
        }
        outcome.wanted[i] = keep.advance(dir, found.nameForm(entry), seen).kept ? 1 : 0;
        if ((i + 1) % kReportEvery == 0) {
            if (progress != nullptr) {
                progress->tested.store(i + 1, std::memory_order_relaxed);
            }
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                return outcome;
            }
        }
    }
    if (progress != nullptr) {
        progress->tested.store(found.entries.size(), std::memory_order_relaxed);
    }

    // Lines from another machine's root name none of these paths; the index is only built
    // when there is such a line.
    PlaylistCheck& check = outcome.check;
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
            outcome.wanted[entry] = 1;
        }
        check.elsewhere.push_back(
            {static_cast<std::uint32_t>(line), found.path(found.entries[kept.front()]), kept.size()});
    }
    return outcome;
}

ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop)
{
    ScanResult result;
    auto found = std::make_shared<Mp3Collection>(collectMp3s(lister, baseDir, &progress, &stop));
    progress.found.store(found->entries.size());
    progress.walked.store(true);
    KeepOutcome outcome;
    if (!found->stopped) {
        outcome = testEntries(*found, keep, &progress, &stop);
    }
    if (stop.load()) {
        result.stopped = true;
        return result;
    }
    for (std::size_t i = 0; i < outcome.wanted.size(); ++i) {
        if (outcome.wanted[i] == 0) {
            result.unwanted.push_back(static_cast<std::uint32_t>(i));
        }
    }
    result.check = std::move(outcome.check);
    result.check.unreadable = found->unreadable;
    result.found = std::move(found);
    return result;
}

std::vector<std::uint64_t> entrySizes(IDirLister& lister, const Mp3Collection& found,
                                      const std::vector<std::uint32_t>& entries, const std::atomic<bool>& stop)
{
    std::vector<std::uint64_t> sizes(found.entries.size(), 0);
    std::vector<std::string_view> names;
    std::vector<std::uint64_t> dirSizes;
    // Entries of one directory stand together in walk order: one look at each directory.
    for (std::size_t first = 0; first < entries.size() && !stop.load(std::memory_order_relaxed);) {
        const std::uint32_t dir = found.entries[entries[first]].dir;
        std::size_t last = first;
        names.clear();
        for (; last < entries.size() && found.entries[entries[last]].dir == dir; ++last) {
            names.push_back(found.name(found.entries[entries[last]]));
        }
        lister.sizes(found.dirs[dir].path, names, dirSizes);
        for (std::size_t i = first; i < last; ++i) {
            sizes[entries[i]] = dirSizes[i - first];
        }
        first = last;
    }
    return sizes;
}
