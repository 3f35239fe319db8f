#include "Deletion.h"

#include "ComparisonForm.h"
#include "FileDeleter.h"

#include <cerrno>

bool Deletion::remove(std::size_t row, const std::string& path)
{
    ++m_nAttempted;
    const int error = m_deleter.remove(path);
    if (error == 0 || error == ENOENT) {
        return true;
    }
    m_failures.push_back({row, path, error});
    return false;
}

QString Deletion::failureReport(std::size_t shown) const
{
    const auto failed = static_cast<qsizetype>(m_failures.size());
    QString text = failed == 1
        ? QStringLiteral("1 of the %1 selected files could not be deleted:").arg(static_cast<qsizetype>(m_nAttempted))
        : QStringLiteral("%1 of the %2 selected files could not be deleted:")
              .arg(failed)
              .arg(static_cast<qsizetype>(m_nAttempted));
    text += QLatin1Char('\n');
    for (std::size_t i = 0; i < m_failures.size() && i < shown; ++i) {
        text += QStringLiteral("\n%1\n    %2")
                    .arg(displayText(m_failures[i].path), qt_error_string(m_failures[i].error));
    }
    if (m_failures.size() > shown) {
        text += QStringLiteral("\n\n... and %1 more.").arg(static_cast<qsizetype>(m_failures.size() - shown));
    }
    text += QStringLiteral("\n\nTheir rows are still in the list and still selected.");
    return text;
}
