#include "PlaylistCheck.h"

#include <QLocale>

QString playlistCheckText(const PlaylistCheck& check)
{
    QString text = QStringLiteral("Playlist: %1 %2 found, %3 found elsewhere, %4 not found")
                       .arg(groupedNumber(check.linesFound),
                            check.linesFound == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
                            groupedNumber(check.elsewhere.size()), groupedNumber(check.notFound.size()));
    if (!check.unreadable.empty()) {
        text += QStringLiteral("; %1 %2 could not be read")
                    .arg(groupedNumber(check.unreadable.size()),
                         check.unreadable.size() == 1 ? QStringLiteral("folder") : QStringLiteral("folders"));
    }
    return text;
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

QString listSizeText(std::size_t files, std::uint64_t bytes, std::size_t selected, std::uint64_t selectedBytes,
                     bool sized)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const auto size = [&english](std::uint64_t n) {
        return english.formattedDataSize(static_cast<qint64>(n), 1, QLocale::DataSizeSIFormat);
    };
    QString text = QStringLiteral("%1 %2").arg(groupedNumber(files),
                                               files == 1 ? QStringLiteral("file") : QStringLiteral("files"));
    if (sized) {
        text += QStringLiteral(", ") + size(bytes);
    }
    text += QStringLiteral("; %1 selected").arg(groupedNumber(selected));
    if (sized) {
        text += QStringLiteral(", ") + size(selectedBytes);
    }
    return text;
}
