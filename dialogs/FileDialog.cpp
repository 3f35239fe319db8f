#include "FileDialog.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>

std::vector<std::string> QtFileDialog::getOpenFileNames(QWidget* owner, const QString& filter)
{
    QFileDialog dialog(owner);
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
    if (dialog.exec() != QDialog::Accepted) {
        return paths;
    }
    for (const QString& file : dialog.selectedFiles()) {
        const QByteArray path = QFile::encodeName(file);
        paths.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
    }
    return paths;
}
