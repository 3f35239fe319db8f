#include "PruneDlg.h"

#include "AboutDlg.h"
#include "ComparisonForm.h"
#include "Deletion.h"
#include "EntryStamps.h"
#include "FileDialog.h"
#include "KeepListReader.h"
#include "MessageBox.h"
#include "Mp3Collection.h"
#include "PathPicker.h"
#include "PlaylistCheckDlg.h"
#include "RemovalTexts.h"
#include "Resource.h"
#include "ResourceLoader.h"
#include "Scan.h"
#include "ScanProgress.h"
#include "Texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QResizeEvent>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Every button's click goes through this table.
constexpr CPruneDlg::Command kCommands[] = {
    {IDOK, &CPruneDlg::OnOK},
    {IDC_OPEN_M3U, &CPruneDlg::OnOpenM3u},
    {IDC_SELECT_DIR, &CPruneDlg::OnSelectDirectory},
    {IDC_BEGIN_SCAN, &CPruneDlg::OnBeginScan},
    {IDC_DELETE_FILES, &CPruneDlg::OnDeleteFiles},
    {IDC_MOVE_TO_TRASH, &CPruneDlg::OnMoveToTrash},
    {IDC_SELECT_ALL, &CPruneDlg::OnSelectAll},
    {IDC_DESELECT_ALL, &CPruneDlg::OnDeselectAll},
};

QString fromLatin(const char* text)
{
    return QString::fromLatin1(text);
}

int clampedInt(std::size_t n)
{
    return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

// Input that would reach a control while a command's work runs. Esc is let through: it stops a scan.
bool isUserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return static_cast<const QKeyEvent*>(event)->key() != Qt::Key_Escape;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

CPruneDlg::CPruneDlg(const Services& services, QWidget* pParent, const DialogTemplate& dialogTemplate,
                     WindowSettings settings)
    : QDialog(pParent)
    , m_hIcon(LoadIcon(IDR_MAINFRAME))
    , m_services(services)
    , m_work(services.dirLister, services.fileDeleter)
    , m_settings(std::move(settings))
{
    // A maximize box, no minimize box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    m_items = buildDialog(*this, dialogTemplate);
    // The template's size is the smallest; the window opens at the size it last had.
    m_layout = WindowLayout(dialogTemplate, DialogUnits::of(font()), m_items);
    setMinimumSize(m_layout.templateSize());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(m_layout.templateSize().expandedTo(m_settings.size));
    if (m_settings.maximized) {
        setWindowState(Qt::WindowMaximized);
    }
    ShowOptions();
    setAcceptDrops(true);
    ConnectControls(dialogTemplate);
    connect(&m_work, &WorkController::playlistsRead, this, &CPruneDlg::OnPlaylistRead);
    connect(&m_work, &WorkController::scanned, this, &CPruneDlg::OnScanDone);
    connect(&m_work, &WorkController::removalDone, this, &CPruneDlg::OnRemovalDone);
    connect(&m_work, &WorkController::stampsRecorded, this, &CPruneDlg::OnSizesDone);
    AddKeys();
    m_progress.attach(qobject_cast<QLabel*>(GetDlgItem(IDC_STATUS)), GetDlgItem(IDC_PROGRESS), this,
                      [this] { ShowProgress(); });

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

// The options as they were last left.
void CPruneDlg::ShowOptions()
{
    if (auto* removeEmpty = qobject_cast<QCheckBox*>(GetDlgItem(IDC_REMOVE_EMPTY))) {
        removeEmpty->setChecked(m_settings.removeEmptyFolders);
    }
    if (auto* allAudio = qobject_cast<QCheckBox*>(GetDlgItem(IDC_ALL_AUDIO))) {
        allAudio->setChecked(m_settings.allAudio);
        allAudio->setToolTip(QStringLiteral("Besides names with .mp3, list the files whose names end in:\n%1\n"
                                            "(any case). Audiobooks, MIDI files and playlists are never listed.")
                                 .arg(audioEndingsText()));
        connect(allAudio, &QAbstractButton::toggled, this, &CPruneDlg::OnAllAudioChanged);
        OnAllAudioChanged();
    }
}

// Every control's signal to its handler, and the window's watch on input while work runs.
void CPruneDlg::ConnectControls(const DialogTemplate& dialogTemplate)
{
    if (auto* list = qobject_cast<QListView*>(GetDlgItem(IDC_FILE_LIST))) {
        list->setModel(&m_fileModel);
        list->viewport()->installEventFilter(this);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, &CPruneDlg::OnRowMenu);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CPruneDlg::ShowPlaylistCheck);
    }
    if (auto* check = qobject_cast<QLabel*>(GetDlgItem(IDC_PLAYLIST_CHECK))) {
        connect(check, &QLabel::linkActivated, this, &CPruneDlg::OnPlaylistDetails);
    }
    for (const Command& command : kCommands) {
        if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(command.id))) {
            connect(button, &QAbstractButton::clicked, this, [this, handler = command.handler] { (this->*handler)(); });
        }
    }
    for (const ControlTemplate& control : dialogTemplate.controls) {
        GetDlgItem(control.id)->installEventFilter(this);
    }
}

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
    if (m_pSysMenu != nullptr && !m_bWorking) {
        m_pSysMenu->exec(event->globalPos());
    }
}

bool CPruneDlg::eventFilter(QObject* watched, QEvent* event)
{
    // No command reaches the window until the work of the last one has ended.
    if (m_bWorking && isUserInput(event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CPruneDlg::resizeEvent(QResizeEvent* event)
{
    m_layout.apply(event->size());
    QDialog::resizeEvent(event);
}

WindowSettings CPruneDlg::settings() const
{
    WindowSettings settings = m_settings;
    settings.maximized = isMaximized();
    settings.size = settings.maximized ? normalGeometry().size() : size();
    settings.removeEmptyFolders = RemovesEmptyFolders();
    settings.allAudio = CheckedAudioTypes() == AudioTypes::All;
    return settings;
}

void CPruneDlg::closeEvent(QCloseEvent* event)
{
    if (m_bWorking) {
        m_bClosing = true;
        m_work.stopAll();
        event->accept();
        done(QDialog::Rejected);
        return;
    }
    QDialog::closeEvent(event);
}

void CPruneDlg::reject()
{
    // Esc during a scan stops the scan, during a deletion after the file in hand; a playlist being
    // read runs to its end.
    if (m_bWorking) {
        if (m_work.scanning() || m_work.removing()) {
            m_work.stop();
        }
        return;
    }
    QDialog::reject();
}

void CPruneDlg::OnOK()
{
    accept();
}

int CPruneDlg::MessageBox(const QString& text, const QString& caption, unsigned type)
{
    return m_services.messageBox.show(this, text, caption, type);
}

void CPruneDlg::BeginWork()
{
    m_bWorking = true;
    setCursor(Qt::WaitCursor);
}

void CPruneDlg::EndWork()
{
    m_progress.stopTimer();
    unsetCursor();
    m_bWorking = false;
}

void CPruneDlg::OnOpenM3u()
{
    QWidget* pLabel = GetDlgItem(IDC_M3U_LABEL);
    if (pLabel == nullptr) {
        MessageBox(fromLatin("Internal program error 0001!"), fromLatin("Error"), MB_ICONSTOP);
        Q_EMIT openFinished();
        return;
    }
    std::vector<std::string> chosen = m_services.fileDialog.getOpenFileNames(
        this,
        fromLatin("Playlist Files (*.m3u *.m3u8 *.xspf *.pls *.wpl *.asx *.b4s *.xml);;M3U (*.m3u);;"
                  "Playlist Files (*.m3u8);;All Files (*)"),
        m_settings.playlistFolder);
    if (chosen.empty()) {
        Q_EMIT openFinished();
        return;
    }
    OpenPlaylists(std::move(chosen));
}

// The playlists chosen in the file dialog or dropped on the window.
void CPruneDlg::OpenPlaylists(std::vector<std::string> chosen)
{
    m_strPlaylistPath = chosen.front();
    BeginWork();
    m_work.readPlaylists(std::move(chosen));
}

void CPruneDlg::OnPlaylistRead(const std::shared_ptr<KeepListRead>& read)
{
    EndWork();
    if (m_bClosing) {
        return;
    }
    // A half-read playlist never becomes the keep-list: it would list wanted files for deletion.
    if (!read->set.ok()) {
        QString text = fromLatin("Unable to open M3U for reading!");
        for (const std::string& line : read->set.refusalLines()) {
            text += QLatin1Char('\n') + displayText(line);
        }
        MessageBox(text, fromLatin("Error"), MB_ICONSTOP);
        Q_EMIT openFinished();
        return;
    }
    m_lstKeep = std::make_shared<const KeepList>(std::move(read->keep));
    m_vecPlaylistPaths = std::move(read->set.paths);
    m_vecLineSource = std::move(read->set.lineSource);
    // What the last scan said of the old playlist says nothing of this one.
    HidePlaylistCheck();
    ShowPlaylistLabel();
    if (QWidget* selectDir = GetDlgItem(IDC_SELECT_DIR)) {
        selectDir->setEnabled(true);
    }
    Q_EMIT openFinished();
}

// "M3U File: /music/a.m3u", and " (+2 more)" with every path in the tooltip when there are several.
void CPruneDlg::ShowPlaylistLabel()
{
    auto* label = qobject_cast<QLabel*>(GetDlgItem(IDC_M3U_LABEL));
    if (label == nullptr) {
        return;
    }
    QString text = fromLatin("M3U File: ") + displayText(m_vecPlaylistPaths.front());
    QStringList all;
    if (m_vecPlaylistPaths.size() > 1) {
        text += QStringLiteral(" (+%1 more)").arg(groupedNumber(m_vecPlaylistPaths.size() - 1));
        for (const std::string& path : m_vecPlaylistPaths) {
            all << displayText(path);
        }
    }
    label->setText(text);
    label->setToolTip(all.join(QLatin1Char('\n')));
    label->setEnabled(true);
}

void CPruneDlg::OnSelectDirectory()
{
    std::optional<std::string> chosen = m_services.pathPicker.ShowDialog(
        this, fromLatin("Directory View"), fromLatin("Please select a directory..."), m_settings.directoryFolder);
    if (chosen) {
        SelectBaseDirectory(std::move(*chosen));
    }
}

// The folder chosen in the picker or dropped on the window.
void CPruneDlg::SelectBaseDirectory(std::string strDir)
{
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
    for (int id : {IDC_BEGIN_SCAN, IDC_ALL_AUDIO}) {
        if (QWidget* widget = GetDlgItem(id)) {
            widget->setEnabled(true);
        }
    }
}

void CPruneDlg::OnBeginScan()
{
    m_pFileList = qobject_cast<QListView*>(GetDlgItem(IDC_FILE_LIST));
    m_pProgress = qobject_cast<QProgressBar*>(GetDlgItem(IDC_PROGRESS));
    if (m_pFileList == nullptr || m_pProgress == nullptr || GetDlgItem(IDC_STATUS) == nullptr) {
        Q_EMIT scanFinished();
        return;
    }
    m_work.stopStamps();
    m_fileModel.clear();
    HidePlaylistCheck();
    m_nTotalMp3s = 0;
    m_nScannedMp3s = 0;

    // The walk's count shows from the start, so that a long first scan is never a silent wait.
    BeginWork();
    m_listedTypes = CheckedAudioTypes();
    m_work.scan(m_lstKeep, m_strBaseDir, m_listedTypes);
    m_progress.beginScan(m_pProgress);
    ShowScanProgress();
}

void CPruneDlg::ShowProgress()
{
    if (m_work.removing()) {
        m_progress.showRemoval(m_work.filesRemoved());
    } else {
        ShowScanProgress();
    }
}

void CPruneDlg::ShowScanProgress()
{
    const ScanProgress& progress = m_work.scanProgress();
    if (!progress.walked()) {
        m_progress.showCount(progress.found(), m_listedTypes);
        return;
    }
    if (m_nTotalMp3s == 0) {
        m_nTotalMp3s = clampedInt(progress.found());
        if (m_nTotalMp3s == 0) {
            return;
        }
    }
    // Every entry was tested as it was found.
    m_nScannedMp3s = m_nTotalMp3s;
    m_progress.showScanned(m_nScannedMp3s, m_nTotalMp3s, m_listedTypes);
}

void CPruneDlg::OnScanDone(const std::shared_ptr<ScanResult>& result)
{
    EndWork();
    if (m_bClosing || result->stopped) {
        // Stopped: no list, no counts, no box; the rest as before the scan.
        m_nTotalMp3s = 0;
        m_nScannedMp3s = 0;
        m_progress.setShown(false);
        Q_EMIT scanFinished();
        return;
    }
    ShowScanProgress();
    m_progress.setShown(false);
    if (m_nTotalMp3s <= 0) {
        MessageBox(noneFoundText(m_listedTypes), fromLatin("Error"), MB_ICONEXCLAMATION);
        Q_EMIT scanFinished();
        return;
    }
    m_fileModel.setRows(result->found, std::move(result->unwanted));
    m_playlistCheck = std::move(result->check);
    m_listedCoverage = m_playlistCheck.coverage();
    m_nListedPlaylists = m_vecPlaylistPaths.size();
    if (result->found->baseListed) {
        for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL}) {
            if (QWidget* widget = GetDlgItem(id)) {
                widget->setEnabled(true);
            }
        }
    }
    ShowPlaylistCheck();
    m_work.recordStamps(m_fileModel.collection(), m_fileModel.entries());
    if (m_fileModel.rowCount() > 0) {
        for (int id : {IDC_SELECT_PROMPT, IDC_DELETE_FILES, IDC_MOVE_TO_TRASH}) {
            if (QWidget* widget = GetDlgItem(id)) {
                widget->setEnabled(true);
            }
        }
    } else {
        MessageBox(noneUnwantedText(m_listedTypes), fromLatin("Error"), MB_ICONEXCLAMATION);
    }
    Q_EMIT scanFinished();
}

void CPruneDlg::OnSizesDone(const std::shared_ptr<const Mp3Collection>& found,
                            const std::shared_ptr<EntryStamps>& stamps)
{
    // A new scan may have come since; its list is not the one measured.
    if (found != m_fileModel.collection()) {
        return;
    }
    m_fileModel.setStamps(std::move(*stamps));
    ShowPlaylistCheck();
    Q_EMIT sizesKnown();
}

void CPruneDlg::ShowPlaylistCheck()
{
    auto* check = qobject_cast<QLabel*>(GetDlgItem(IDC_PLAYLIST_CHECK));
    if (check == nullptr || m_fileModel.collection() == nullptr) {
        return;
    }
    const QString summary = playlistCheckText(m_playlistCheck);
    QString text = summary.toHtmlEscaped();
    // A playlist that names little here is most likely the wrong one: then that is what the line
    // says, and the counts are in the tooltip and Details.
    if (m_playlistCheck.coverage().little() && m_fileModel.rowCount() > 0) {
        text = QStringLiteral("<span style=\"color:#b3261e\"><b>\u26A0 %1</b></span>")
                   .arg(namesLittleNote(m_playlistCheck.coverage()).toHtmlEscaped());
    }
    check->setToolTip(summary);
    if (m_playlistCheck.hasDetails()) {
        text += QStringLiteral(" - <a href=\"details\">Details...</a>");
    }
    const std::vector<int> selected = SelectedRows();
    const std::optional<std::uint64_t> selectedBytes = m_fileModel.bytesOf(selected);
    text += QStringLiteral("<br>")
        + listSizeText(static_cast<std::size_t>(m_fileModel.rowCount()), m_fileModel.listedBytes(), selected.size(),
                       selectedBytes.value_or(0), selectedBytes.has_value())
              .toHtmlEscaped();
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
        m_pCheckDlg
            = new CPlaylistCheckDlg(m_playlistCheck, m_lstKeep->lines(), {m_vecPlaylistPaths, m_vecLineSource}, this);
    }
    m_pCheckDlg->show();
    m_pCheckDlg->raise();
    m_pCheckDlg->activateWindow();
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
    if (!ConfirmRemoval(selected,
                        fromLatin("Are you sure!?\n\nThese file will be permanently deleted (not sent to the "
                                  "Recycling Bin).")
                            + RemovalNotes())) {
        Q_EMIT removalFinished();
        return;
    }
    StartRemoval(selected, Removal::Delete);
}

void CPruneDlg::OnMoveToTrash()
{
    const std::vector<int> selected = SelectedRows();
    if (!ConfirmRemoval(selected, trashQuestion(selected.size(), m_fileModel.bytesOf(selected)) + RemovalNotes())) {
        Q_EMIT removalFinished();
        return;
    }
    StartRemoval(selected, Removal::Trash);
}

bool CPruneDlg::RemovesEmptyFolders() const
{
    const auto* box = qobject_cast<const QCheckBox*>(GetDlgItem(IDC_REMOVE_EMPTY));
    return box != nullptr && box->isChecked();
}

// The confirmation's further paragraphs: every audio type listed, the folders left empty going too.
QString CPruneDlg::RemovalNotes() const
{
    QString notes;
    for (const QString& note : removalNotes(m_listedTypes, RemovesEmptyFolders())) {
        notes += QStringLiteral("\n\n") + note;
    }
    return notes;
}

AudioTypes CPruneDlg::CheckedAudioTypes() const
{
    const auto* box = qobject_cast<const QCheckBox*>(GetDlgItem(IDC_ALL_AUDIO));
    return box != nullptr && box->isChecked() ? AudioTypes::All : AudioTypes::Mp3;
}

// A list made with the other choice would delete by the wrong rule: it goes, and the scan is run again.
void CPruneDlg::OnAllAudioChanged()
{
    if (auto* prompt = qobject_cast<QLabel*>(GetDlgItem(IDC_SELECT_PROMPT))) {
        prompt->setText(selectPromptText(CheckedAudioTypes()));
    }
    if (m_fileModel.collection() != nullptr && CheckedAudioTypes() != m_listedTypes) {
        m_work.stopStamps();
        m_fileModel.clear();
        HidePlaylistCheck();
    }
}

// Something selected, the warning where the playlist names little, then the confirmation.
bool CPruneDlg::ConfirmRemoval(const std::vector<int>& selected, const QString& question)
{
    if (selected.empty()) {
        MessageBox(fromLatin("No selections to delete!"), fromLatin("Error"), MB_ICONEXCLAMATION);
        return false;
    }
    return ConfirmLittleNamed()
        && MessageBox(question, fromLatin("Warning"), MB_OKCANCEL | MB_ICONEXCLAMATION) != IDCANCEL;
}

void CPruneDlg::StartRemoval(const std::vector<int>& selected, Removal removal)
{
    const std::shared_ptr<const Mp3Collection> found = m_fileModel.collection();
    std::vector<RemovalRequest> requests;
    requests.reserve(selected.size());
    for (const int row : selected) {
        requests.push_back(
            removalRequest(*found, m_fileModel.stamps(), m_fileModel.entry(row), static_cast<std::size_t>(row)));
    }
    BeginWork();
    const std::size_t files = requests.size();
    RemovalJob job {removal,
                    RemovesEmptyFolders(),
                    {removal == Removal::Delete ? "Delete Files" : "Move to Trash", m_vecPlaylistPaths, m_strBaseDir}};
    m_work.removeFiles(found, std::move(requests), static_cast<std::size_t>(m_fileModel.rowCount()), std::move(job));
    m_progress.beginRemoval(removal, files);
}

// A playlist that names little below the base directory was most likely the wrong one, and the
// list then holds the library: asked before anything is removed, with keeping as the default.
bool CPruneDlg::ConfirmLittleNamed()
{
    if (!m_listedCoverage.little()) {
        return true;
    }
    const QString text
        = namesLittleWarning(m_listedCoverage, m_nListedPlaylists, displayText(m_fileModel.collection()->base),
                             static_cast<std::size_t>(m_fileModel.rowCount()), m_listedTypes);
    return m_services.messageBox.ask(this, text, fromLatin("Warning"), QStringLiteral("Delete Anyway")) == IDOK;
}

void CPruneDlg::OnRemovalDone(const std::shared_ptr<RemovalOutcome>& outcome)
{
    EndWork();
    m_progress.setShown(false);
    if (m_bClosing) {
        Q_EMIT removalFinished();
        return;
    }
    m_fileModel.removeFlagged(outcome->gone);
    // The rows of files that are still there stay selected, at their new places.
    QItemSelection stillSelected;
    for (const std::size_t row : rowsStillSelected(*outcome)) {
        const QModelIndex index = m_fileModel.index(static_cast<int>(row));
        stillSelected.merge(QItemSelection(index, index), QItemSelectionModel::Select);
    }
    m_pFileList->selectionModel()->select(stillSelected, QItemSelectionModel::Select);
    ShowPlaylistCheck();

    const QString caption = outcome->removal == Removal::Delete ? fromLatin("Files Deleted") : fromLatin("Files Moved");
    const QString text = removalDoneText(*outcome);
    if (outcome->failures.empty()) {
        MessageBox(text, caption, MB_OK);
    } else {
        MessageBox(text + QStringLiteral("\n\nTheir rows are still in the list and still selected."),
                   outcome->stopped() ? caption : fromLatin("Error"), MB_ICONEXCLAMATION);
    }
    Q_EMIT removalFinished();
}
