#include "PathPicker.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

std::optional<std::string> QtPathPicker::ShowDialog(QWidget* owner, const QString& title, const QString& prompt)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::LookIn, prompt);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QByteArray path = QFile::encodeName(QDir(dialog.selectedFiles().constFirst()).absolutePath());
    if (!path.endsWith('/')) {
        path.append('/');
    }
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}
