#include "Removal.h"

#include "Deletion.h"

#include "EmptyFolders.h"
#include "Mp3Collection.h"
#include "RemovalRecordWriter.h"
#include "UserDirs.h"

RemovalOutcome runRemoval(IDirLister& lister, IFileDeleter& deleter, const Mp3Collection& found,
                          std::vector<RemovalRequest>& requests, std::size_t rowCount, RemovalJob job,
                          const std::atomic<bool>& stop, std::atomic<std::size_t>& done)
{
    completeStamps(lister, found, requests);
    RemovalRecordWriter record(removalRecordDir(), std::move(job.record));
    RemovalOutcome outcome = removeFiles(deleter, found.base, requests, rowCount, stop, done, job.removal, &record);
    if (job.removeEmptyFolders && !outcome.stopped()) {
        outcome.foldersRemoved = removeFoldersLeftEmpty(deleter, found.base, foldersOfGone(requests, outcome),
                                                        job.removal, record, outcome.foldersStayed);
    }
    outcome.recordError = record.finish(outcome.stopped());
    return outcome;
}
