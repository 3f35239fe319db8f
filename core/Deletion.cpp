#include "Deletion.h"

#include "ComparisonForm.h"
#include "FileDeleter.h"

#include <cerrno>

DeletionOutcome deleteFiles(IFileDeleter& deleter, const std::vector<DeletionRequest>& requests, std::size_t rowCount,
                            const std::atomic<bool>& stop)
{
    DeletionOutcome outcome;
    outcome.gone.assign(rowCount, 0);
    for (const DeletionRequest& request : requests) {
        if (stop.load(std::memory_order_relaxed)) {
            break;
        }
        ++outcome.attempted;
        const int error = deleter.remove(request.path);
        if (error == 0 || error == ENOENT) {
            outcome.gone[request.row] = 1;
        } else {
            outcome.failures.push_back({request.row, request.path, error});
        }
    }
    return outcome;
}

std::vector<std::size_t> rowsStillSelected(const DeletionOutcome& outcome)
{
    std::vector<std::size_t> rows;
    std::size_t goneBefore = 0;
    std::size_t counted = 0;
    for (const DeletionOutcome::Failure& failure : outcome.failures) {
        for (; counted < failure.row; ++counted) {
            goneBefore += outcome.gone[counted];
        }
        rows.push_back(failure.row - goneBefore);
    }
    return rows;
}

QString DeletionOutcome::failureReport(std::size_t shown) const
{
    const auto failed = static_cast<qsizetype>(failures.size());
    QString text = failed == 1
        ? QStringLiteral("1 of the %1 selected files could not be deleted:").arg(static_cast<qsizetype>(attempted))
        : QStringLiteral("%1 of the %2 selected files could not be deleted:")
              .arg(failed)
              .arg(static_cast<qsizetype>(attempted));
    text += QLatin1Char('\n');
    for (std::size_t i = 0; i < failures.size() && i < shown; ++i) {
        text += QStringLiteral("\n%1\n    %2").arg(displayText(failures[i].path), qt_error_string(failures[i].error));
    }
    if (failures.size() > shown) {
        text += QStringLiteral("\n\n... and %1 more.").arg(static_cast<qsizetype>(failures.size() - shown));
    }
    text += QStringLiteral("\n\nTheir rows are still in the list and still selected.");
    return text;
}
