#include "Deletion.h"

#include "ComparisonForm.h"
#include "EntryStamps.h"
#include "FileDeleter.h"
#include "Mp3Collection.h"
#include "RemovalRecord.h"
#include "ScanProgress.h"
#include "UserDirs.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>

DeletionRequest deletionRequest(const Mp3Collection& found, const EntryStamps& stamps, EntryIndex entry,
                                std::size_t row)
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

void completeStamps(IDirLister& lister, const Mp3Collection& found, std::vector<DeletionRequest>& requests)
{
    std::vector<EntryIndex> missing;
    for (const DeletionRequest& request : requests) {
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
    for (DeletionRequest& request : requests) {
        if (!request.stamped) {
            request.identity.stamp = *stamps.find(request.entry);
            request.stamped = true;
        }
    }
}

DeletionOutcome deleteFiles(IFileDeleter& deleter, const std::string& baseDir,
                            const std::vector<DeletionRequest>& requests, std::size_t rowCount,
                            const std::atomic<bool>& stop, std::atomic<std::size_t>& done, Removal removal)
{
    DeletionOutcome outcome;
    outcome.removal = removal;
    outcome.gone.assign(rowCount, 0);
    outcome.removed.reserve(requests.size());
    std::string trashDir;
    for (const DeletionRequest& request : requests) {
        if (stop.load(std::memory_order_relaxed)) {
            outcome.untouched.push_back(request.row);
            continue;
        }
        done.store(++outcome.attempted, std::memory_order_relaxed);
        const int error = removal == Removal::Delete
            ? deleter.remove(baseDir, request.dir, request.name, request.identity)
            : deleter.moveToTrash(baseDir, request.dir, request.name, request.identity, trashDir);
        if (error == 0 && !trashDir.empty()
            && std::find(outcome.trashDirs.begin(), outcome.trashDirs.end(), trashDir) == outcome.trashDirs.end()) {
            outcome.trashDirs.push_back(trashDir);
        }
        std::string path = baseDir;
        path.append(request.dir).append(request.name);
        if (error == 0) {
            outcome.removed.push_back(std::move(path));
        }
        if (error == 0 || error == ENOENT) {
            outcome.gone[request.row] = 1;
        } else {
            outcome.failures.push_back({request.row, std::move(path), error});
        }
    }
    deleter.finish();
    return outcome;
}

std::vector<std::size_t> rowsStillSelected(const DeletionOutcome& outcome)
{
    std::vector<std::size_t> rows = outcome.untouched;
    for (const DeletionOutcome::Failure& failure : outcome.failures) {
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

QString trashQuestion(std::size_t files, std::optional<std::uint64_t> bytes)
{
    const QString size = bytes ? QStringLiteral(" (%1)").arg(dataSizeText(*bytes)) : QString();
    return QStringLiteral("Move the %1 selected %2%3 to the trash?\n\nThe space comes back when the trash is emptied.")
        .arg(groupedNumber(files), files == 1 ? QStringLiteral("file") : QStringLiteral("files"), size);
}

QString foldersLeftEmptyNote()
{
    return QStringLiteral("Folders left with nothing else than thumbnails, .DS_Store files or cover images are "
                          "removed too.");
}

QString removalProgressText(Removal removal, std::size_t done, std::size_t total)
{
    const QString doing = removal == Removal::Delete ? QStringLiteral("Deleting") : QStringLiteral("Moving to trash");
    return QStringLiteral("%1 %2 of %3").arg(doing, groupedNumber(done), groupedNumber(total));
}

QString removalDoneText(const DeletionOutcome& outcome, std::size_t selected)
{
    const bool trash = outcome.removal == Removal::Trash;
    QString text;
    if (outcome.stopped()) {
        const auto gone = static_cast<std::size_t>(std::count(outcome.gone.begin(), outcome.gone.end(), 1));
        text = QStringLiteral("%1 of the %2 selected files were %3; the deletion was stopped.")
                   .arg(groupedNumber(gone), groupedNumber(selected),
                        trash ? QStringLiteral("moved to the trash") : QStringLiteral("deleted"));
    } else {
        text = trash ? QStringLiteral("Selected files have been moved to the trash.")
                     : QStringLiteral("Selected files have been removed.");
    }
    if (outcome.foldersRemoved != 0) {
        text += outcome.foldersRemoved == 1
            ? QStringLiteral("\n\n1 folder left empty was removed.")
            : QStringLiteral("\n\n%1 folders left empty were removed.").arg(groupedNumber(outcome.foldersRemoved));
    }
    if (!outcome.trashDirs.empty()) {
        QStringList dirs;
        for (const std::string& dir : outcome.trashDirs) {
            dirs << displayText(dir);
        }
        text += QStringLiteral("\n\nThey are in %1.").arg(dirs.join(QStringLiteral(" and ")));
    }
    return text;
}

QString failureReason(int error)
{
    switch (error) {
    case IFileDeleter::kChanged:
        return QStringLiteral("changed since the scan");
    case IFileDeleter::kNoTrash:
        return QStringLiteral("no trash can be used on its file system");
    case kNoHomeFolder:
        return QStringLiteral("no home folder");
    default:
        return qt_error_string(error);
    }
}

QString recordFailure(int error)
{
    const std::optional<std::string> dir = removalRecordDir();
    return dir && error != kNoHomeFolder
        ? QStringLiteral("could not be written to %1: %2").arg(displayText(*dir), failureReason(error))
        : QStringLiteral("could not be written: %1").arg(failureReason(error));
}

QString DeletionOutcome::failureReport(std::size_t shown) const
{
    const auto failed = static_cast<qsizetype>(failures.size());
    const QString done = removal == Removal::Delete ? QStringLiteral("deleted") : QStringLiteral("moved to the trash");
    QString text = failed == 1
        ? QStringLiteral("1 of the %1 selected files could not be %2:").arg(static_cast<qsizetype>(attempted)).arg(done)
        : QStringLiteral("%1 of the %2 selected files could not be %3:")
              .arg(failed)
              .arg(static_cast<qsizetype>(attempted))
              .arg(done);
    text += QLatin1Char('\n');
    for (std::size_t i = 0; i < failures.size() && i < shown; ++i) {
        text += QStringLiteral("\n%1\n    %2").arg(displayText(failures[i].path), failureReason(failures[i].error));
    }
    if (failures.size() > shown) {
        text += QStringLiteral("\n\n... and %1 more.").arg(static_cast<qsizetype>(failures.size() - shown));
    }
    text += QStringLiteral("\n\nTheir rows are still in the list and still selected.");
    return text;
}
