#include "FileDialog.h"

#include <QFile>
#include <QFileDialog>

std::optional<std::string> QtFileDialog::getOpenFileName(QWidget* owner, const QString& filter)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile, not ExistingFile: a typed name of a missing file is accepted and reported later.
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog, because only it matches "*.m3u" regardless of case (song.M3U too).
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QByteArray path = QFile::encodeName(dialog.selectedFiles().constFirst());
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}
