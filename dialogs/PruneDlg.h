#pragma once

#include "KeepList.h"
#include "PlaylistCheck.h"
#include "FileListModel.h"
#include "PlaylistCheckDlg.h"
#include "DialogBuilder.h"
#include "Services.h"
#include "DialogTemplates.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QPointer>

#include <span>
#include <string>

class QListView;
class QMenu;
class QProgressBar;
struct Mp3Collection;

// The main window: all of the program's state and every command handler.
class CPruneDlg : public QDialog {
    Q_OBJECT

public:
    struct Command {
        int id;
        void (CPruneDlg::*handler)();
    };
    // Every button's click goes through this table.
    static std::span<const Command> commandTable();

    explicit CPruneDlg(const Services& services, QWidget* pParent = nullptr,
                       const DialogTemplate& dialogTemplate = kMainTemplate);
    ~CPruneDlg() override;

    QWidget* GetDlgItem(int id) const { return m_items.item(id); }

    void OnOK();
    void OnOpenM3u();
    void OnSelectDirectory();
    void OnBeginScan();
    void OnDeleteFiles();
    void OnSelectAll();
    void OnDeselectAll();
    void OnSysCommand(unsigned nID);

    // The state, for whoever needs to look at it (tests, the benchmark).
    const std::string& playlistPath() const { return m_strPlaylistPath; }
    const std::string& baseDir() const { return m_strBaseDir; }
    const KeepList& keepList() const { return m_lstKeep; }
    int totalMp3s() const { return m_nTotalMp3s; }
    int scannedMp3s() const { return m_nScannedMp3s; }
    const FileListModel& fileModel() const { return m_fileModel; }
    QMenu* systemMenu() const { return m_pSysMenu; }
    bool isBusy() const { return m_bBusy; }

    const PlaylistCheck& playlistCheck() const { return m_playlistCheck; }
    // The details window of the playlist check, while it is open.
    CPlaylistCheckDlg* playlistCheckDlg() const { return m_pCheckDlg; }

    void reject() override;

Q_SIGNALS:
    // A Begin Scan or a Delete Files has ended, with whatever outcome.
    void scanFinished();
    void deleteFinished();

protected:
    bool OnInitDialog();
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class BusyScope;

    Mp3Collection CountMp3s(const std::string& strDir);
    void ScanForUnwanted(const Mp3Collection& found);
    void ShowScanProgress();
    void ShowPlaylistCheck();
    void HidePlaylistCheck();
    void OnPlaylistDetails();
    void KeepWindowAlive();
    std::vector<int> SelectedRows() const;
    int MessageBox(const QString& text, const QString& caption, unsigned type);

    std::string m_strPlaylistPath;
    std::string m_strBaseDir;
    KeepList m_lstKeep;
    QListView* m_pFileList = nullptr;
    QProgressBar* m_pProgress = nullptr;
    int m_nTotalMp3s = 0;
    int m_nScannedMp3s = 0;
    QIcon m_hIcon;

    Services m_services;
    DialogItems m_items;
    FileListModel m_fileModel;
    QMenu* m_pSysMenu = nullptr;
    PlaylistCheck m_playlistCheck; // of the last scan that found mp3 files
    QPointer<CPlaylistCheckDlg> m_pCheckDlg;
    bool m_bBusy = false;
    QElapsedTimer m_repaintClock; // paces repaints during long commands
};
