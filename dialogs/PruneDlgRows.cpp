// The main window's list: a row's context menu (Play, Show in Folder, Copy Path, Save List...)
// and the keys of the desktop's file managers.

#include "PruneDlg.h"

#include "ComparisonForm.h"
#include "Desktop.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PercentEncoding.h"
#include "Resource.h"
#include "SavedList.h"
#include "ScanProgress.h"
#include "Texts.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QSaveFile>

namespace {

QByteArray urlOf(std::string_view path)
{
    return QByteArray::fromStdString(fileUrl(path));
}

} // namespace

void CPruneDlg::AddKeys()
{
    const auto addKey = [this](const QKeySequence& key, int id, void (CPruneDlg::*handler)()) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, id, handler] { RunIfEnabled(id, handler); });
        addAction(action);
    };
    addKey(QKeySequence::Delete, IDC_MOVE_TO_TRASH, &CPruneDlg::OnMoveToTrash);
    addKey(QKeySequence(Qt::SHIFT | Qt::Key_Delete), IDC_DELETE_FILES, &CPruneDlg::OnDeleteFiles);
    addKey(QKeySequence::SelectAll, IDC_SELECT_ALL, &CPruneDlg::OnSelectAll);
}

// A key runs a button's command only where a click on the button would.
void CPruneDlg::RunIfEnabled(int id, void (CPruneDlg::*handler)())
{
    if (IsIdle(id)) {
        (this->*handler)();
    }
}

bool CPruneDlg::IsIdle(int id) const
{
    const QWidget* button = GetDlgItem(id);
    return !m_bWorking && button != nullptr && button->isEnabled();
}

void CPruneDlg::OnRowMenu(const QPoint& pos)
{
    if (m_bWorking || m_pFileList == nullptr || m_fileModel.rowCount() == 0) {
        return;
    }
    const QModelIndex index = m_pFileList->indexAt(pos);
    const int row = index.isValid() ? index.row() : -1;
    QMenu menu(this);
    const auto add = [&](const QString& text, auto handler) {
        QAction* action = menu.addAction(text, this, handler);
        action->setEnabled(row >= 0);
        return action;
    };
    menu.setDefaultAction(add(QStringLiteral("&Play"), [this, row] { OnPlay(row); }));
    add(QStringLiteral("Show in &Folder"), [this, row] { OnShowInFolder(row); });
    add(QStringLiteral("&Copy Path"), [this, row] { OnCopyPath(row); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Save List..."), this, &CPruneDlg::OnSaveList);
    m_pRowMenu = &menu;
    menu.exec(m_pFileList->viewport()->mapToGlobal(pos));
    m_pRowMenu = nullptr;
}

void CPruneDlg::OnPlay(int row)
{
    const std::string path = m_fileModel.path(row);
    if (!m_services.desktop.openUrl(urlOf(path))) {
        MessageBox(QStringLiteral("Unable to play %1: the desktop has no program for it.").arg(displayText(path)),
                   QStringLiteral("Error"), MB_ICONEXCLAMATION);
    }
}

void CPruneDlg::OnShowInFolder(int row)
{
    const std::string path = m_fileModel.path(row);
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (!m_services.desktop.showItem(urlOf(path), urlOf(folder))) {
        MessageBox(
            QStringLiteral("Unable to show %1: the desktop has no file manager for it.").arg(displayText(folder)),
            QStringLiteral("Error"), MB_ICONEXCLAMATION);
    }
}

void CPruneDlg::OnCopyPath(int row)
{
    QGuiApplication::clipboard()->setText(displayText(m_fileModel.path(row)));
}

// The selected rows, or every row when none is selected.
std::vector<std::string> CPruneDlg::RowsToSave() const
{
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        for (int row = 0; row < m_fileModel.rowCount(); ++row) {
            rows.push_back(row);
        }
    }
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    for (const int row : rows) {
        paths.push_back(m_fileModel.path(row));
    }
    return paths;
}

// Written whole or not at all, so that a full disk never leaves half a list that looks whole.
void CPruneDlg::OnSaveList()
{
    const std::optional<std::string> target = m_services.fileDialog.getSaveFileName(
        this, QStringLiteral("Playlist Files (*.m3u8)"), m_settings.playlistFolder);
    if (!target) {
        return;
    }
    const SavedList list = savedList(RowsToSave());
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(*target)));
    const bool written = file.open(QIODevice::WriteOnly)
        && file.write(list.text.data(), static_cast<qint64>(list.text.size())) == static_cast<qint64>(list.text.size())
        && file.commit();
    if (!written) {
        MessageBox(QStringLiteral("Unable to save the list to %1:\n%2").arg(displayText(*target), file.errorString()),
                   QStringLiteral("Error"), MB_ICONSTOP);
    } else if (list.leftOut != 0) {
        MessageBox(QStringLiteral("%1 %2 left out of the list: a line break in a name cannot be written as a line.")
                       .arg(groupedNumber(list.leftOut),
                            list.leftOut == 1 ? QStringLiteral("file was") : QStringLiteral("files were")),
                   QStringLiteral("Save List"), MB_ICONEXCLAMATION);
    }
}
