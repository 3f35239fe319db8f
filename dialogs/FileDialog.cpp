#include "FileDialog.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace {

std::string fileSystemBytes(const QString& file)
{
    const QByteArray path = QFile::encodeName(file);
    return {path.constData(), static_cast<std::size_t>(path.size())};
}

// The folder of the file chosen, which a typed full path leaves the dialog's own folder behind;
// the dialog's folder when nothing was chosen.
QString shownFolder(const QFileDialog& dialog)
{
    const QStringList chosen = dialog.result() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    return chosen.isEmpty() ? dialog.directory().absolutePath() : QFileInfo(chosen.constFirst()).absolutePath();
}

} // namespace

std::vector<std::string> QtFileDialog::getOpenFileNames(QWidget* owner, const QString& filter, QString& folder)
{
    QFileDialog dialog(owner);
    dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile, not ExistingFiles: a typed name of a missing file is accepted and reported later.
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog, because only it matches "*.m3u" regardless of case (song.M3U too).
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilter(filter);
    // AnyFile takes one clicked file; Ctrl- and Shift-click choose several, as ExistingFiles lets them.
    // Typed names in quotes ("a.m3u" "b.xspf") are split by the dialog itself.
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>()) {
        if (view->objectName() == u"listView" || view->objectName() == u"treeView") {
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    std::vector<std::string> paths;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    folder = shownFolder(dialog);
    if (!accepted) {
        return paths;
    }
    for (const QString& file : dialog.selectedFiles()) {
        paths.push_back(fileSystemBytes(file));
    }
    return paths;
}

std::optional<std::string> QtFileDialog::getSaveFileName(QWidget* owner, const QString& filter, QString& folder)
{
    QFileDialog dialog(owner);
    dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("m3u8"));
    const bool accepted = dialog.exec() == QDialog::Accepted;
    folder = shownFolder(dialog);
    if (!accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return fileSystemBytes(dialog.selectedFiles().constFirst());
}
