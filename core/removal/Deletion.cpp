#include "Deletion.h"

#include "EntryStamps.h"
#include "FileDeleter.h"
#include "Mp3Collection.h"
#include "RemovalRecordWriter.h"

#include <algorithm>
#include <cerrno>

RemovalRequest removalRequest(const Mp3Collection& found, const EntryStamps& stamps, EntryIndex entry, std::size_t row)
{
    const Mp3Collection::Entry& e = found.entries[entry];
    const Mp3Collection::Dir& dir = found.dirOf(e);
    const FileStamp* stamp = stamps.find(entry);
    return {row,
            entry,
            dir.path.substr(found.base.size()),
            found.name(e),
            EntryIdentity {dir.device, dir.inode, e.type, stamp != nullptr ? *stamp : FileStamp()},
            stamp != nullptr};
}

void completeStamps(IDirLister& lister, const Mp3Collection& found, std::vector<RemovalRequest>& requests)
{
    std::vector<EntryIndex> missing;
    for (const RemovalRequest& request : requests) {
        if (!request.stamped) {
            missing.push_back(request.entry);
        }
    }
    if (missing.empty()) {
        return;
    }
    // In walk order, so that a directory's entries stand together.
    std::sort(missing.begin(), missing.end());
    const std::atomic<bool> never {false};
    const EntryStamps stamps = recordStamps(lister, found, missing, never);
    for (RemovalRequest& request : requests) {
        if (!request.stamped) {
            request.identity.stamp = *stamps.find(request.entry);
            request.stamped = true;
        }
    }
}

namespace {

void countTrash(std::vector<RemovalOutcome::TrashUse>& trashes, const std::string& dir)
{
    // From the last one first: most often it is the one used last.
    const auto use = std::find_if(trashes.rbegin(), trashes.rend(), [&dir](const auto& t) { return t.dir == dir; });
    if (use == trashes.rend()) {
        trashes.push_back({dir, 1});
    } else {
        ++use->files;
    }
}

} // namespace

RemovalOutcome removeFiles(IFileDeleter& deleter, const std::string& baseDir,
                           const std::vector<RemovalRequest>& requests, std::size_t rowCount,
                           const std::atomic<bool>& stop, std::atomic<std::size_t>& done, Removal removal,
                           RemovalRecordWriter* record)
{
    RemovalOutcome outcome;
    outcome.removal = removal;
    outcome.gone.assign(rowCount, 0);
    std::string trashDir;
    std::string path;
    for (const RemovalRequest& request : requests) {
        if (stop.load(std::memory_order_relaxed)) {
            outcome.untouched.push_back(request.row);
            continue;
        }
        done.store(++outcome.attempted, std::memory_order_relaxed);
        const int error = removal == Removal::Delete
            ? deleter.remove(baseDir, request.dir, request.name, request.identity)
            : deleter.moveToTrash(baseDir, request.dir, request.name, request.identity, trashDir);
        if (error == 0 && removal == Removal::Trash) {
            countTrash(outcome.trashes, trashDir);
        }
        path.assign(baseDir).append(request.dir).append(request.name);
        if (error == 0 && record != nullptr) {
            record->add(path);
        }
        if (error == 0 || error == ENOENT) {
            outcome.gone[request.row] = 1;
        } else {
            outcome.failures.push_back({request.row, path, error});
        }
    }
    deleter.finish();
    return outcome;
}

std::vector<std::size_t> rowsStillSelected(const RemovalOutcome& outcome)
{
    std::vector<std::size_t> rows = outcome.untouched;
    for (const RemovalOutcome::Failure& failure : outcome.failures) {
        rows.push_back(failure.row);
    }
    std::sort(rows.begin(), rows.end());
    std::size_t goneBefore = 0;
    std::size_t counted = 0;
    for (std::size_t& row : rows) {
        for (; counted < row; ++counted) {
            goneBefore += outcome.gone[counted];
        }
        row -= goneBefore;
    }
    return rows;
}
