#include "Scan.h"

#include "DirLister.h"
#include "KeepList.h"
#include "ScanProgress.h"
#include "Threads.h"

#include <algorithm>
#include <thread>

CheckedPlaylist checkPlaylist(const Mp3Collection& found, const KeepList& keep)
{
    CheckedPlaylist checked;
    PlaylistCheck& check = checked.check;
    check.lines = keep.lines().size();
    std::vector<std::uint32_t> unseen;
    for (std::size_t line = 0; line < keep.lines().size(); ++line) {
        if (!found.entries.empty() && found.linesFound[line]) {
            ++check.linesFound;
        } else {
            unseen.push_back(static_cast<std::uint32_t>(line));
        }
    }
    check.unreadable = found.unreadable;
    if (unseen.empty()) {
        return checked;
    }

    // Lines from another machine's root name none of the paths: each is looked up by its
    // trailing path, the lines side by side on the cores, since a playlist from a phone has
    // thousands of them.
    const NameIndex index(found);
    struct Outcome {
        std::vector<EntryIndex> kept;
        std::string firstPath;
        MissReason reason = MissReason::Unknown;
    };
    std::vector<Outcome> outcomes(unseen.size());
    std::atomic<std::size_t> next {0};
    const auto relocateSome = [&](unsigned) {
        constexpr std::size_t kBatch = 64;
        for (std::size_t first; (first = next.fetch_add(kBatch, std::memory_order_relaxed)) < unseen.size();) {
            for (std::size_t i = first; i < std::min(first + kBatch, unseen.size()); ++i) {
                const std::string& line = keep.lines()[unseen[i]];
                Outcome& outcome = outcomes[i];
                outcome.kept = relocate(line, found, index);
                if (outcome.kept.empty()) {
                    outcome.reason = missReason(line);
                } else {
                    outcome.firstPath = found.path(found.entries[outcome.kept.front()]);
                }
            }
        }
    };
    // At most a thread a core, and one for each 256 lines: one for fewer costs more than it saves.
    const auto threads = static_cast<unsigned>(
        std::clamp<std::size_t>(unseen.size() / 256, 1, std::max(1U, std::thread::hardware_concurrency())));
    runOnThreads(threads, relocateSome);

    for (std::size_t i = 0; i < unseen.size(); ++i) {
        Outcome& outcome = outcomes[i];
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
        elsewhere[static_cast<std::size_t>(entry)] = true;
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

ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop, unsigned threads)
{
    ScanResult result;
    auto found = std::make_shared<Mp3Collection>(
        collectMp3s(lister, baseDir, {.keep = &keep, .progress = &progress, .stop = &stop, .threads = threads}));
    progress.finish(found->entries.size());
    if (found->stopped || stop.load()) {
        result.stopped = true;
        return result;
    }
    CheckedPlaylist checked = checkPlaylist(*found, keep);
    result.check = std::move(checked.check);
    if (const std::string type = lister.fileSystemType(baseDir); isRemoteFileSystem(type)) {
        result.check.remoteFileSystem = type;
    }
    result.unwanted = unwantedEntries(*found, checked.keptElsewhere);
    result.found = std::move(found);
    return result;
}
