#include "KeepVerdict.h"

#include "Relocation.h"
#include "Threads.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// What a line that occurs in no entry's path keeps by its trailing path.
struct Relocated {
    std::vector<EntryIndex> kept;
    std::string firstPath; // of the first entry it keeps
    MissReason reason = MissReason::Unknown; // where it keeps none
};

// Each line looked up by its trailing path, the lines side by side on the cores, since a playlist
// from a phone has thousands of them.
std::vector<Relocated> relocateLines(const Mp3Collection& found, const KeepList& keep,
                                     const std::vector<std::uint32_t>& lines)
{
    const NameIndex index(found);
    std::vector<Relocated> relocated(lines.size());
    std::atomic<std::size_t> next {0};
    const auto relocateSome = [&](unsigned) {
        constexpr std::size_t kBatch = 64;
        for (std::size_t first; (first = next.fetch_add(kBatch, std::memory_order_relaxed)) < lines.size();) {
            for (std::size_t i = first; i < std::min(first + kBatch, lines.size()); ++i) {
                const std::string& line = keep.lines()[lines[i]];
                Relocated& outcome = relocated[i];
                outcome.kept = relocate(line, found, index);
                if (outcome.kept.empty()) {
                    outcome.reason = missReason(line, found.types);
                } else {
                    outcome.firstPath = found.path(found.entries[outcome.kept.front()]);
                }
            }
        }
    };
    // At most a thread a core, and one for each 256 lines: one for fewer costs more than it saves.
    const auto threads = static_cast<unsigned>(
        std::clamp<std::size_t>(lines.size() / 256, 1, std::max(1U, std::thread::hardware_concurrency())));
    runOnThreads(threads, relocateSome);
    return relocated;
}

} // namespace

CheckedPlaylist checkPlaylist(const Mp3Collection& found, const KeepList& keep)
{
    CheckedPlaylist checked;
    PlaylistCheck& check = checked.check;
    check.lines = keep.lines().size();
    check.types = found.types;
    check.unreadable = found.unreadable;
    check.trashSkipped = found.trashSkipped;
    std::vector<std::uint32_t> unseen;
    for (std::size_t line = 0; line < keep.lines().size(); ++line) {
        if (!found.entries.empty() && found.linesFound[line]) {
            ++check.linesFound;
        } else {
            unseen.push_back(static_cast<std::uint32_t>(line));
        }
    }
    if (unseen.empty()) {
        return checked;
    }
    std::vector<Relocated> relocated = relocateLines(found, keep, unseen);
    for (std::size_t i = 0; i < unseen.size(); ++i) {
        Relocated& outcome = relocated[i];
        if (outcome.kept.empty()) {
            check.notFound.push_back({unseen[i], outcome.reason});
            continue;
        }
        check.elsewhere.push_back({unseen[i], std::move(outcome.firstPath), outcome.kept.size()});
        checked.keptElsewhere.insert(checked.keptElsewhere.end(), outcome.kept.begin(), outcome.kept.end());
    }
    return checked;
}

std::vector<EntryIndex> unwantedEntries(const Mp3Collection& found, const std::vector<EntryIndex>& keptElsewhere)
{
    std::vector<bool> elsewhere(keptElsewhere.empty() ? 0 : found.entries.size());
    for (const EntryIndex entry : keptElsewhere) {
        elsewhere[position(entry)] = true;
    }
    std::vector<EntryIndex> unwanted;
    std::uint32_t index = 0;
    for (const Mp3Collection::Entry& entry : found.entries) {
        if (!entry.kept && (elsewhere.empty() || !elsewhere[index])) {
            unwanted.push_back(EntryIndex {index});
        }
        ++index;
    }
    return unwanted;
}
