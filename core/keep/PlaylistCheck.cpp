#include "PlaylistCheck.h"

#include "Texts.h"

#include <QLocale>

#include <algorithm>
#include <iterator>

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
    if (check.trashSkipped != 0) {
        text += QStringLiteral("; %1 %2 skipped")
                    .arg(groupedNumber(check.trashSkipped),
                         check.trashSkipped == 1 ? QStringLiteral("trash folder") : QStringLiteral("trash folders"));
    }
    return text;
}

namespace {

// "Only 3 of 2,000 entries name", "None of the 20 entries names", with `whose` before the count.
QString namedCount(Coverage coverage, const QString& whose)
{
    const QString of = QStringLiteral("of %1%2 %3")
                           .arg(whose, groupedNumber(coverage.lines),
                                coverage.lines == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
    if (coverage.named == 0) {
        return QStringLiteral("None %1 names").arg(of);
    }
    return QStringLiteral("Only %1 %2 %3")
        .arg(groupedNumber(coverage.named), of, coverage.named == 1 ? QStringLiteral("names") : QStringLiteral("name"));
}

} // namespace

QString namesLittleNote(Coverage coverage)
{
    if (coverage.lines == 0) {
        return QStringLiteral("The playlist has no entries.");
    }
    return namedCount(coverage, {}) + QStringLiteral(" a file here.");
}

QString namesLittleWarning(Coverage coverage, std::size_t playlists, const QString& baseDir, std::size_t listed,
                           AudioTypes types)
{
    const QString kind = types == AudioTypes::All ? QStringLiteral("audio") : QStringLiteral("mp3");
    const QString files = listed == 1 ? QStringLiteral("1 %1 file").arg(kind)
                                      : QStringLiteral("%1 %2 files").arg(groupedNumber(listed), kind);
    const QString are = listed == 1 ? QStringLiteral("is") : QStringLiteral("are");
    if (coverage.lines == 0) {
        return QStringLiteral("%1 no entries. %2 below %3 %4 listed.")
            .arg(playlists == 1 ? QStringLiteral("The playlist has") : QStringLiteral("The playlists have"), files,
                 baseDir, are);
    }
    const QString whose = playlists == 1 ? QStringLiteral("the playlist's ") : QStringLiteral("the playlists' ");
    return QStringLiteral("%1 a file below %2. %3 there %4 listed.")
        .arg(namedCount(coverage, whose), baseDir, files, are);
}

QString missReasonText(MissReason reason, AudioTypes types)
{
    switch (reason) {
    case MissReason::WebAddress:
        return QStringLiteral("a web address, not a file");
    case MissReason::Folder:
        return QStringLiteral("a folder, not a file");
    case MissReason::NotMp3:
        return types == AudioTypes::All ? QStringLiteral("not an audio file Tuneprune lists")
                                        : QStringLiteral("not an mp3 file");
    case MissReason::Unknown:
        break;
    }
    return {};
}

QString listSizeText(std::size_t files, std::uint64_t bytes, std::size_t selected, std::uint64_t selectedBytes,
                     bool sized)
{
    QString text = QStringLiteral("%1 %2").arg(groupedNumber(files),
                                               files == 1 ? QStringLiteral("file") : QStringLiteral("files"));
    if (sized) {
        text += QStringLiteral(", ") + dataSizeText(bytes);
    }
    text += QStringLiteral("; %1 selected").arg(groupedNumber(selected));
    if (sized) {
        text += QStringLiteral(", ") + dataSizeText(selectedBytes);
    }
    return text;
}

QString cueSheetProblemText(const PlaylistCheck::Unreadable& sheet)
{
    return sheet.error != 0 ? qt_error_string(sheet.error) : QStringLiteral("names no file");
}

bool isRemoteFileSystem(std::string_view type)
{
    static constexpr std::string_view kRemote[]
        = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "ceph", "afs", "glusterfs", "davfs", "sshfs"};
    return type.starts_with("fuse") || std::find(std::begin(kRemote), std::end(kRemote), type) != std::end(kRemote);
}

QString remoteFileSystemText(const std::string& type)
{
    return QStringLiteral("These files are on a %1 mount. Before a file is deleted, its size and modification "
                          "time are compared with what they were after the scan; a change there that keeps both "
                          "(to the second), or that the mount has not passed on yet, is not seen.")
        .arg(QString::fromStdString(type));
}
