#include "PlaylistCheck.h"

#include <QLocale>

QString groupedNumber(std::size_t n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qulonglong>(n));
}

QString playlistCheckText(const PlaylistCheck& check)
{
    return QStringLiteral("Playlist: %1 %2 found, %3 found elsewhere, %4 not found")
        .arg(groupedNumber(check.linesFound), check.linesFound == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
             groupedNumber(check.elsewhere.size()), groupedNumber(check.notFound.size()));
}

QString missReasonText(MissReason reason)
{
    switch (reason) {
    case MissReason::WebAddress:
        return QStringLiteral("a web address, not a file");
    case MissReason::Folder:
        return QStringLiteral("a folder, not a file");
    case MissReason::NotMp3:
        return QStringLiteral("not an mp3 file");
    case MissReason::Unknown:
        break;
    }
    return {};
}
