#include "PathPicker.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

std::optional<std::string> QtPathPicker::ShowDialog(QWidget* owner, const QString& title, const QString& prompt,
                                                    QString& folder)
{
    QFileDialog dialog(owner, title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::LookIn, prompt);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        folder = dialog.directory().absolutePath();
        return std::nullopt;
    }
    // The next time, the folder chosen is there to be chosen again.
    folder = QDir(dialog.selectedFiles().constFirst()).absolutePath();
    QByteArray path = QFile::encodeName(QDir(dialog.selectedFiles().constFirst()).absolutePath());
    if (!path.endsWith('/')) {
        path.append('/');
    }
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}
