#include "PruneDlg.h"

#include "ComparisonForm.h"
#include "Deletion.h"
#include "M3uReader.h"
#include "Scan.h"
#include "ScanProgress.h"
#include "TreeWalk.h"
#include "AboutDlg.h"
#include "PlaylistCheckDlg.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PathPicker.h"
#include "Resource.h"
#include "ResourceLoader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>

#include <algorithm>
#include <limits>

namespace {

constexpr CPruneDlg::Command kCommands[] = {
    {IDOK, &CPruneDlg::OnOK},
    {IDC_OPEN_M3U, &CPruneDlg::OnOpenM3u},
    {IDC_SELECT_DIR, &CPruneDlg::OnSelectDirectory},
    {IDC_BEGIN_SCAN, &CPruneDlg::OnBeginScan},
    {IDC_DELETE_FILES, &CPruneDlg::OnDeleteFiles},
    {IDC_SELECT_ALL, &CPruneDlg::OnSelectAll},
    {IDC_DESELECT_ALL, &CPruneDlg::OnDeselectAll},
};

// Repaints during a long command at about 30 frames a second.
constexpr qint64 kRepaintIntervalMs = 33;

// Swallows user input while a long command runs, so that no command and no key reaches the
// window before it ends, not even later from the queue.
class InputBlocker final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
        }
    }
};

QString fromLatin(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

// The busy cursor and no user input for as long as it lives.
class CPruneDlg::BusyScope {
public:
    explicit BusyScope(CPruneDlg& dlg)
        : m_dlg(dlg)
    {
        m_dlg.m_bBusy = true;
        m_dlg.m_repaintClock.start();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        qApp->installEventFilter(&m_blocker);
    }
    ~BusyScope()
    {
        qApp->removeEventFilter(&m_blocker);
        QApplication::restoreOverrideCursor();
        m_dlg.m_bBusy = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CPruneDlg& m_dlg;
    InputBlocker m_blocker;
};

std::span<const CPruneDlg::Command> CPruneDlg::commandTable()
{
    return kCommands;
}

CPruneDlg::CPruneDlg(const Services& services, QWidget* pParent, const DialogTemplate& dialogTemplate)
    : QDialog(pParent)
    , m_hIcon(LoadIcon(IDR_MAINFRAME))
    , m_services(services)
{
    // No minimize or maximize box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    m_items = buildDialog(*this, dialogTemplate);
    if (auto* list = qobject_cast<QListView*>(GetDlgItem(IDC_FILE_LIST))) {
        list->setModel(&m_fileModel);
    }
    if (auto* check = qobject_cast<QLabel*>(GetDlgItem(IDC_PLAYLIST_CHECK))) {
        connect(check, &QLabel::linkActivated, this, &CPruneDlg::OnPlaylistDetails);
    }
    for (const Command& command : kCommands) {
        if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(command.id))) {
            connect(button, &QAbstractButton::clicked, this, [this, handler = command.handler] { (this->*handler)(); });
        }
    }
    if (OnInitDialog()) {
        for (const ControlTemplate& control : dialogTemplate.controls) {
            QWidget* widget = GetDlgItem(control.id);
            if ((control.style & kStyleTabStop) != 0 && widget->isEnabled()) {
                widget->setFocus();
                break;
            }
        }
    }
}

CPruneDlg::~CPruneDlg() = default;

bool CPruneDlg::OnInitDialog()
{
    const QString strAboutMenu = LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.isEmpty()) {
        m_pSysMenu = new QMenu(this);
        QAction* about = m_pSysMenu->addAction(strAboutMenu);
        connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }
    setWindowIcon(m_hIcon);
    return true;
}

void CPruneDlg::OnSysCommand(unsigned nID)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        dlgAbout.exec();
    }
}

void CPruneDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_pSysMenu != nullptr && !m_bBusy) {
        m_pSysMenu->exec(event->globalPos());
    }
}

void CPruneDlg::closeEvent(QCloseEvent* event)
{
    if (m_bBusy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CPruneDlg::reject()
{
    if (!m_bBusy) {
        QDialog::reject();
    }
}

void CPruneDlg::OnOK()
{
    accept();
}

int CPruneDlg::MessageBox(const QString& text, const QString& caption, unsigned type)
{
    return m_services.messageBox.show(this, text, caption, type);
}

void CPruneDlg::KeepWindowAlive()
{
    if (m_repaintClock.elapsed() >= kRepaintIntervalMs) {
        m_repaintClock.restart();
        if (m_nTotalMp3s > 0 && m_pProgress != nullptr && m_pProgress->isVisible()) {
            ShowScanProgress();
        }
        QCoreApplication::processEvents();
    }
}

void CPruneDlg::OnOpenM3u()
{
    QWidget* pLabel = GetDlgItem(IDC_M3U_LABEL);
    if (pLabel == nullptr) {
        MessageBox(fromLatin("Internal program error 0001!"), fromLatin("Error"), MB_ICONSTOP);
        return;
    }
    const std::optional<std::string> chosen = m_services.fileDialog.getOpenFileName(
        this, fromLatin("Playlist Files (*.m3u);;Playlist Files (*.m3u8);;All Files (*)"));
    if (!chosen) {
        return;
    }
    const QString strLabel = fromLatin("M3U File: ") + displayText(*chosen);
    m_strPlaylistPath = *chosen;

    std::vector<std::string> lines;
    M3uReadResult result;
    {
        BusyScope busy(*this);
        result = readM3uKeepLines(m_strPlaylistPath, lines);
        if (result == M3uReadResult::Ok) {
            std::reverse(lines.begin(), lines.end());
            m_lstKeep = KeepList(std::move(lines));
        }
    }
    // A half-read playlist never becomes the keep-list: it would list wanted files for deletion.
    if (result != M3uReadResult::Ok) {
        MessageBox(fromLatin("Unable to open M3U for reading!"), fromLatin("Error"), MB_ICONSTOP);
        return;
    }
    // What the last scan said of the old playlist says nothing of this one.
    HidePlaylistCheck();
    auto* label = qobject_cast<QLabel*>(pLabel);
    label->setText(strLabel);
    label->setEnabled(true);
    if (QWidget* selectDir = GetDlgItem(IDC_SELECT_DIR)) {
        selectDir->setEnabled(true);
    }
}

void CPruneDlg::OnSelectDirectory()
{
    std::optional<std::string> chosen = m_services.pathPicker.ShowDialog(this, fromLatin("Directory View"),
                                                                         fromLatin("Please select a directory..."));
    if (!chosen) {
        return;
    }
    std::string strDir = std::move(*chosen);
    // The walk appends entry names to the base directory directly.
    if (strDir.empty() || strDir.back() != '/') {
        strDir += '/';
    }
    QWidget* pLabel = GetDlgItem(IDC_BASEDIR_LABEL);
    if (pLabel == nullptr) {
        MessageBox(fromLatin("Internal program error 0002!"), fromLatin("Error"), MB_ICONSTOP);
        return;
    }
    m_strBaseDir = std::move(strDir);
    auto* label = qobject_cast<QLabel*>(pLabel);
    label->setText(fromLatin("Base Directory: ") + displayText(m_strBaseDir));
    label->setEnabled(true);
    if (QWidget* beginScan = GetDlgItem(IDC_BEGIN_SCAN)) {
        beginScan->setEnabled(true);
    }
}

Mp3Collection CPruneDlg::CountMp3s(const std::string& strDir)
{
    Mp3Collection found = collectMp3s(m_services.dirLister, strDir, [this] { KeepWindowAlive(); });
    m_nTotalMp3s = static_cast<int>(std::min<std::size_t>(found.entries.size(), std::numeric_limits<int>::max()));
    return found;
}

void CPruneDlg::ShowScanProgress()
{
    m_pProgress->setValue(std::min(m_nScannedMp3s, m_nTotalMp3s));
    m_pProgress->repaint();
    if (auto* status = qobject_cast<QLabel*>(GetDlgItem(IDC_STATUS))) {
        status->setText(scanStatusText(m_nScannedMp3s, m_nTotalMp3s));
        status->repaint();
    }
}

void CPruneDlg::ScanForUnwanted(const Mp3Collection& found)
{
    KeepOutcome outcome = testEntries(found, m_lstKeep, [this](std::size_t tested) {
        m_nScannedMp3s = static_cast<int>(std::min<std::size_t>(tested, std::numeric_limits<int>::max()));
        KeepWindowAlive();
    });
    FileListModel::Rows rows;
    for (std::size_t i = 0; i < found.entries.size(); ++i) {
        if (outcome.wanted[i] == 0) {
            rows.append(found.dirs[found.entries[i].dir].path, found.name(found.entries[i]));
        }
    }
    ShowScanProgress();
    m_fileModel.setRows(std::move(rows));
    m_playlistCheck = std::move(outcome.check);
    if (found.baseListed) {
        for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL}) {
            if (QWidget* widget = GetDlgItem(id)) {
                widget->setEnabled(true);
            }
        }
    }
}

void CPruneDlg::ShowPlaylistCheck()
{
    auto* check = qobject_cast<QLabel*>(GetDlgItem(IDC_PLAYLIST_CHECK));
    if (check == nullptr) {
        return;
    }
    QString text = playlistCheckText(m_playlistCheck).toHtmlEscaped();
    if (m_playlistCheck.hasDetails()) {
        text += QStringLiteral(" - <a href=\"details\">Details...</a>");
    }
    check->setText(text);
    check->setVisible(true);
    check->setEnabled(true);
}

void CPruneDlg::HidePlaylistCheck()
{
    if (QWidget* check = GetDlgItem(IDC_PLAYLIST_CHECK)) {
        check->setVisible(false);
    }
    if (m_pCheckDlg != nullptr) {
        m_pCheckDlg->close();
    }
    m_playlistCheck = {};
}

void CPruneDlg::OnPlaylistDetails()
{
    if (m_pCheckDlg == nullptr) {
        m_pCheckDlg = new CPlaylistCheckDlg(m_playlistCheck, m_lstKeep.lines(), this);
    }
    m_pCheckDlg->show();
    m_pCheckDlg->raise();
    m_pCheckDlg->activateWindow();
}

void CPruneDlg::OnBeginScan()
{
    m_pFileList = qobject_cast<QListView*>(GetDlgItem(IDC_FILE_LIST));
    m_pProgress = qobject_cast<QProgressBar*>(GetDlgItem(IDC_PROGRESS));
    QWidget* status = GetDlgItem(IDC_STATUS);
    if (m_pFileList == nullptr || m_pProgress == nullptr || status == nullptr) {
        return;
    }
    {
        BusyScope busy(*this);
        m_fileModel.clear();
        HidePlaylistCheck();
        m_nTotalMp3s = 0;
        m_nScannedMp3s = 0;
        const Mp3Collection found = CountMp3s(m_strBaseDir);
        if (m_nTotalMp3s > 0) {
            m_pProgress->setRange(0, m_nTotalMp3s);
            m_pProgress->setValue(0);
            m_pProgress->setVisible(true);
            m_pProgress->setEnabled(true);
            status->setVisible(true);
            status->setEnabled(true);

            ScanForUnwanted(found);

            m_pProgress->setVisible(false);
            m_pProgress->setEnabled(false);
            status->setVisible(false);
            status->setEnabled(false);
            ShowPlaylistCheck();
        }
    }
    if (m_nTotalMp3s <= 0) {
        MessageBox(fromLatin("No mp3 files found in that directory!"), fromLatin("Error"), MB_ICONEXCLAMATION);
        Q_EMIT scanFinished();
        return;
    }
    if (m_fileModel.rowCount() > 0) {
        for (int id : {IDC_SELECT_PROMPT, IDC_DELETE_FILES}) {
            if (QWidget* widget = GetDlgItem(id)) {
                widget->setEnabled(true);
            }
        }
    } else {
        MessageBox(fromLatin("No unwanted mp3 files found in that directory!"), fromLatin("Error"), MB_ICONEXCLAMATION);
    }
    Q_EMIT scanFinished();
}

std::vector<int> CPruneDlg::SelectedRows() const
{
    std::vector<int> rows;
    if (m_pFileList == nullptr || m_pFileList->selectionModel() == nullptr) {
        return rows;
    }
    for (const QItemSelectionRange& range : m_pFileList->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void CPruneDlg::OnSelectAll()
{
    const int n = m_fileModel.rowCount();
    if (m_pFileList == nullptr || n == 0) {
        return;
    }
    m_pFileList->selectionModel()->select(QItemSelection(m_fileModel.index(0), m_fileModel.index(n - 1)),
                                          QItemSelectionModel::Select);
}

void CPruneDlg::OnDeselectAll()
{
    if (m_pFileList == nullptr || m_fileModel.rowCount() == 0) {
        return;
    }
    m_pFileList->selectionModel()->clearSelection();
}

void CPruneDlg::OnDeleteFiles()
{
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) {
        MessageBox(fromLatin("No selections to delete!"), fromLatin("Error"), MB_ICONEXCLAMATION);
        return;
    }
    if (MessageBox(
            fromLatin("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin)."),
            fromLatin("Warning"), MB_OKCANCEL | MB_ICONEXCLAMATION)
        == IDCANCEL) {
        return;
    }

    Deletion deletion(m_services.fileDeleter);
    {
        BusyScope busy(*this);
        std::vector<bool> gone(static_cast<std::size_t>(m_fileModel.rowCount()), false);
        for (int row : selected) {
            gone[static_cast<std::size_t>(row)] = deletion.remove(static_cast<std::size_t>(row), m_fileModel.path(row));
            KeepWindowAlive();
        }
        m_fileModel.removeFlagged(gone);

        // The rows of files that are still there stay selected, at their new places.
        QItemSelection stillSelected;
        int removedBefore = 0;
        std::size_t nextGone = 0;
        for (const Deletion::Failure& failure : deletion.failures()) {
            const auto row = static_cast<int>(failure.row);
            for (; nextGone < failure.row; ++nextGone) {
                removedBefore += gone[nextGone] ? 1 : 0;
            }
            const QModelIndex index = m_fileModel.index(row - removedBefore);
            stillSelected.merge(QItemSelection(index, index), QItemSelectionModel::Select);
        }
        m_pFileList->selectionModel()->select(stillSelected, QItemSelectionModel::Select);
    }

    if (deletion.failures().empty()) {
        MessageBox(fromLatin("Selected files have been removed."), fromLatin("Files Deleted"), MB_OK);
    } else {
        MessageBox(deletion.failureReport(), fromLatin("Error"), MB_ICONEXCLAMATION);
    }
    Q_EMIT deleteFinished();
}
