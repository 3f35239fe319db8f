#pragma once

#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "FileListModel.h"
#include "KeepList.h"
#include "PlaylistCheck.h"
#include "PlaylistCheckDlg.h"
#include "ProgressDisplay.h"
#include "Services.h"
#include "WindowLayout.h"
#include "WindowSettings.h"
#include "WorkController.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>

#include <memory>
#include <string>

class QListView;
class QMimeData;
class QMenu;
class QProgressBar;

// The main window: the program's state and every command handler; the rows and their sizes are
// the list model's, the status line's the progress display's. Long work (reading a playlist, a
// scan, a deletion, the sizes of the listed files) runs on a worker thread; while a command's
// work runs, the window paints but its controls take no input.
class CPruneDlg : public QDialog {
    Q_OBJECT

public:
    struct Command {
        int id;
        void (CPruneDlg::*handler)();
    };

    explicit CPruneDlg(const Services& services, QWidget* pParent = nullptr,
                       const DialogTemplate& dialogTemplate = kMainTemplate, WindowSettings settings = {});

    QWidget* GetDlgItem(int id) const { return m_items.item(id); }

    void OnOK();
    void OnOpenM3u();
    void OnSelectDirectory();
    void OnBeginScan();
    void OnDeleteFiles();
    void OnMoveToTrash();
    void OnSelectAll();
    void OnDeselectAll();
    void OnSysCommand(unsigned nID);
    // A row's context menu and what it offers; the row under the cursor, -1 for none.
    void OnRowMenu(const QPoint& pos);
    void OnPlay(int row);
    void OnShowInFolder(int row);
    void OnCopyPath(int row);
    void OnSaveList();

    // The state, for whoever needs to look at it (tests, the benchmark).
    const std::string& playlistPath() const { return m_strPlaylistPath; }
    // Every playlist of the keep-list, when it was read from several.
    const std::vector<std::string>& playlistPaths() const { return m_vecPlaylistPaths; }
    const std::string& baseDir() const { return m_strBaseDir; }
    const KeepList& keepList() const { return *m_lstKeep; }
    int totalMp3s() const { return m_nTotalMp3s; }
    const FileListModel& fileModel() const { return m_fileModel; }
    QMenu* systemMenu() const { return m_pSysMenu; }
    // The details window of the playlist check, while it is open.
    CPlaylistCheckDlg* playlistCheckDlg() const { return m_pCheckDlg; }
    // A command's work is running on the worker.
    bool isWorking() const { return m_bWorking; }
    // What is kept for the next start: the size, the dialogs' folders, the options.
    WindowSettings settings() const;
    // The actions of a row's context menu, in order, while it is open.
    QMenu* rowMenu() const { return m_pRowMenu; }

    void reject() override;

Q_SIGNALS:
    // Open m3u, Begin Scan or Delete Files has ended, with whatever outcome.
    void openFinished();
    void scanFinished();
    void removalFinished();
    // The records of the listed files, with their sizes, are taken.
    void sizesKnown();

protected:
    bool OnInitDialog();
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnPlaylistRead(const std::shared_ptr<KeepListRead>& read);
    void OnScanDone(const std::shared_ptr<ScanResult>& result);
    void OnRemovalDone(const std::shared_ptr<RemovalOutcome>& outcome);
    void OnSizesDone(const std::shared_ptr<const Mp3Collection>& found, const std::shared_ptr<EntryStamps>& stamps);
    void OnPlaylistDetails();
    void OpenPlaylists(std::vector<std::string> chosen);
    void SelectBaseDirectory(std::string strDir);
    void ShowOptions();
    void ConnectControls(const DialogTemplate& dialogTemplate);
    void AddKeys();
    void RunIfEnabled(int id, void (CPruneDlg::*handler)());
    bool IsIdle(int id) const;
    std::vector<std::string> DropTarget(const QMimeData* data, bool& folder) const;
    std::vector<std::string> RowsToSave() const;

    void BeginWork();
    void EndWork();
    void ShowProgress();
    void ShowScanProgress();
    void ShowPlaylistCheck();
    void HidePlaylistCheck();
    void ShowPlaylistLabel();
    bool ConfirmLittleNamed();
    bool RemovesEmptyFolders() const;
    AudioTypes CheckedAudioTypes() const;
    void OnAllAudioChanged();
    QString RemovalNotes() const;
    bool ConfirmRemoval(const std::vector<int>& selected, const QString& question);
    void StartRemoval(const std::vector<int>& selected, Removal removal);
    std::vector<int> SelectedRows() const;
    int MessageBox(const QString& text, const QString& caption, unsigned type);

    std::string m_strPlaylistPath;
    std::string m_strBaseDir;
    // Shared with the scan that reads it; a new playlist replaces it, never changes it.
    std::shared_ptr<const KeepList> m_lstKeep = std::make_shared<const KeepList>();
    std::vector<std::string> m_vecPlaylistPaths; // those read into m_lstKeep
    std::vector<std::uint32_t> m_vecLineSource; // for each keep line, its playlist in m_vecPlaylistPaths
    QListView* m_pFileList = nullptr;
    QProgressBar* m_pProgress = nullptr;
    int m_nTotalMp3s = 0;
    int m_nScannedMp3s = 0;
    QIcon m_hIcon;

    Services m_services;
    WorkController m_work;
    DialogItems m_items;
    WindowLayout m_layout;
    WindowSettings m_settings; // as loaded; the folders follow the dialogs
    QMenu* m_pRowMenu = nullptr;
    FileListModel m_fileModel;
    QMenu* m_pSysMenu = nullptr;
    PlaylistCheck m_playlistCheck; // of the last scan that found mp3 files
    // How much of its playlists named a file, for the scan whose rows are listed, and how many there were.
    Coverage m_listedCoverage;
    std::size_t m_nListedPlaylists = 0;
    QPointer<CPlaylistCheckDlg> m_pCheckDlg;

    bool m_bWorking = false; // a command's work runs: the controls take no input
    bool m_bClosing = false; // closed while work ran: its end only tidies up
    ProgressDisplay m_progress;
    AudioTypes m_listedTypes = AudioTypes::Mp3; // what the last scan listed
};
