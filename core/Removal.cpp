#include "Removal.h"

#include "EmptyFolders.h"
#include "Mp3Collection.h"
#include "UserDirs.h"

DeletionOutcome runRemoval(IDirLister& lister, IFileDeleter& deleter, const Mp3Collection& found,
                           std::vector<DeletionRequest>& requests, std::size_t rowCount, RemovalJob job,
                           const std::atomic<bool>& stop, std::atomic<std::size_t>& done)
{
    completeStamps(lister, found, requests);
    DeletionOutcome outcome = deleteFiles(deleter, found.base, requests, rowCount, stop, done, job.removal);
    if (job.removeEmptyFolders && !outcome.stopped()) {
        outcome.foldersRemoved = removeFoldersLeftEmpty(deleter, found.base, foldersOfGone(requests, outcome),
                                                        job.removal, outcome.removed);
    }
    if (!outcome.removed.empty()) {
        job.record.removed = std::move(outcome.removed);
        const std::optional<std::string> recordDir = removalRecordDir();
        outcome.recordError = recordDir ? appendRemovalRecord(*recordDir, job.record) : kNoHomeFolder;
    }
    return outcome;
}
