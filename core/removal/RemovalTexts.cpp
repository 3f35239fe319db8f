#include "RemovalTexts.h"

#include "ComparisonForm.h"
#include "FileDeleter.h"
#include "RemovalRecord.h"
#include "Texts.h"
#include "UserDirs.h"

#include <QStringList>

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

QString failureReason(int error)
{
    switch (error) {
    case IFileDeleter::kChanged:
        return QStringLiteral("changed since the scan");
    case IFileDeleter::kNoTrash:
        return QStringLiteral("no trash can be used on its file system");
    case IFileDeleter::kFolderGone:
        return QStringLiteral("its folder is gone or has moved since the scan");
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

namespace {

QString files(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(groupedNumber(count));
}

QString doneVerb(Removal removal)
{
    return removal == Removal::Delete ? QStringLiteral("deleted") : QStringLiteral("moved to the trash");
}

// How many went of how many selected; the success sentence where that is all of them.
QString wentText(const RemovalOutcome& outcome, std::size_t gone)
{
    if (outcome.failures.empty() && !outcome.stopped()) {
        return outcome.removal == Removal::Delete ? QStringLiteral("Selected files have been removed.")
                                                  : QStringLiteral("Selected files have been moved to the trash.");
    }
    const std::size_t selected = outcome.selected();
    return QStringLiteral("%1 of the %2 selected %3 %4%5")
        .arg(groupedNumber(gone), groupedNumber(selected),
             selected == 1 ? QStringLiteral("file was") : QStringLiteral("files were"), doneVerb(outcome.removal),
             !outcome.stopped()                       ? QStringLiteral(".")
                 : outcome.removal == Removal::Delete ? QStringLiteral("; the deletion was stopped.")
                                                      : QStringLiteral("; the move was stopped."));
}

// How many could not go, and the first `shown` of them with the reason.
QString failedText(const RemovalOutcome& outcome, std::size_t shown)
{
    const std::size_t failed = outcome.failures.size();
    QString text
        = QStringLiteral("%1 could not be %2%3")
              .arg(files(failed), doneVerb(outcome.removal), shown == 0 ? QStringLiteral(".") : QStringLiteral(":\n"));
    for (std::size_t i = 0; i < failed && i < shown; ++i) {
        const RemovalOutcome::Failure& failure = outcome.failures[i];
        text += QStringLiteral("\n%1\n    %2").arg(displayText(failure.path), failureReason(failure.error));
    }
    if (shown != 0 && failed > shown) {
        text += QStringLiteral("\n\n... and %1 more.").arg(groupedNumber(failed - shown));
    }
    return text;
}

// Each trash the files went to, with its count where that is not all of them.
QString whereText(const RemovalOutcome& outcome, std::size_t gone)
{
    if (outcome.trashes.size() == 1 && outcome.trashes[0].files == gone) {
        return QStringLiteral("They are in %1.").arg(displayText(outcome.trashes[0].dir));
    }
    QStringList each;
    for (const RemovalOutcome::TrashUse& trash : outcome.trashes) {
        each << QStringLiteral("%1 (%2)").arg(displayText(trash.dir), files(trash.files));
    }
    const QString last = each.takeLast();
    return QStringLiteral("They are in %1.")
        .arg(each.isEmpty() ? last : each.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last);
}

QString foldersText(const RemovalOutcome& outcome)
{
    QStringList text;
    if (outcome.foldersRemoved != 0) {
        text
            << (outcome.foldersRemoved == 1
                    ? QStringLiteral("1 folder left empty was removed.")
                    : QStringLiteral("%1 folders left empty were removed.").arg(groupedNumber(outcome.foldersRemoved)));
    }
    if (outcome.foldersStayed != 0) {
        text << (outcome.foldersStayed == 1 ? QStringLiteral("1 emptied folder stayed: something else is in it.")
                                            : QStringLiteral("%1 emptied folders stayed: something else is in them.")
                                                  .arg(groupedNumber(outcome.foldersStayed)));
    }
    return text.join(QLatin1Char(' '));
}

} // namespace

QString removalDoneText(const RemovalOutcome& outcome, std::size_t shown)
{
    const auto gone = static_cast<std::size_t>(std::count(outcome.gone.begin(), outcome.gone.end(), 1));
    QStringList paragraphs {wentText(outcome, gone)};
    if (!outcome.trashes.empty()) {
        paragraphs << whereText(outcome, gone);
    }
    if (const QString folders = foldersText(outcome); !folders.isEmpty()) {
        paragraphs << folders;
    }
    if (outcome.recordError != 0) {
        paragraphs << QStringLiteral("The record of what went %1.").arg(recordFailure(outcome.recordError));
    }
    if (!outcome.failures.empty()) {
        paragraphs << failedText(outcome, shown);
    }
    return paragraphs.join(QStringLiteral("\n\n"));
}

QStringList removalNotes(AudioTypes types, bool emptyFoldersToo)
{
    QStringList notes;
    if (types == AudioTypes::All) {
        notes << allAudioNote(types);
    }
    if (emptyFoldersToo) {
        notes << foldersLeftEmptyNote();
    }
    return notes;
}
