#include "Scan.h"

#include "KeepList.h"
#include "TreeWalk.h"

#include <optional>

namespace {

constexpr std::size_t kReportEvery = 1024;

} // namespace

KeepOutcome testEntries(const Mp3Collection& found, const KeepList& keep,
                        const std::function<void(std::size_t)>& onTested)
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
        if (onTested && (i + 1) % kReportEvery == 0) {
            onTested(i + 1);
        }
    }
    if (onTested) {
        onTested(found.entries.size());
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
