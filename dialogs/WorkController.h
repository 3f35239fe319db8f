#pragma once

#include "Deletion.h"
#include "EntryStamps.h"
#include "KeepListReader.h"
#include "Removal.h"
#include "Scan.h"
#include "ScanProgress.h"

#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class IDirLister;

class IFileDeleter;

// The window's long work, each job on a worker thread: reading playlists, the scan, the records
// of the listed files taken after it, the deletion. The window starts a job, shows its progress,
// and takes its result from the one signal that ends it. No job outlives the controller.
class WorkController : public QObject {
    Q_OBJECT

public:
    WorkController(IDirLister& lister, IFileDeleter& deleter, QObject* pParent = nullptr);
    ~WorkController() override;

    void readPlaylists(std::vector<std::string> paths);
    // The scan holds on to `keep` until it has ended, whoever else lets it go.
    void scan(std::shared_ptr<const KeepList> keep, const std::string& baseDir, AudioTypes types);
    // Records the listed `entries` (ascending) of `found`.
    void recordStamps(std::shared_ptr<const Mp3Collection> found,
                      std::shared_ptr<const std::vector<EntryIndex>> entries);
    // Records what the records after the scan had not reached yet, then deletes or moves to the trash.
    // Then removes the folders left empty where asked, and appends what went to the day's record.
    void removeFiles(std::shared_ptr<const Mp3Collection> found, std::vector<RemovalRequest> requests,
                     std::size_t rowCount, RemovalJob job);

    const ScanProgress& scanProgress() const { return m_scanProgress; }
    bool scanning() const { return m_scanWatcher.isRunning(); }
    bool removing() const { return m_removalWatcher.isRunning(); }
    // The files the running deletion has attempted so far.
    std::size_t filesRemoved() const { return m_nFilesRemoved.load(std::memory_order_relaxed); }
    // Asks the running scan or deletion to end early: a scan at once, a deletion after the file in hand.
    void stop() { m_bStop = true; }
    // Stops the records and waits: their result is dropped.
    void stopStamps();
    // Stops every job and waits for it.
    void stopAll();

Q_SIGNALS:
    void playlistsRead(std::shared_ptr<KeepListRead> read);
    void scanned(std::shared_ptr<ScanResult> result);
    void stampsRecorded(std::shared_ptr<const Mp3Collection> found, std::shared_ptr<EntryStamps> stamps);
    void removalDone(std::shared_ptr<RemovalOutcome> outcome);

private:
    IDirLister& m_lister;
    IFileDeleter& m_deleter;
    QFutureWatcher<std::shared_ptr<KeepListRead>> m_readWatcher;
    QFutureWatcher<std::shared_ptr<ScanResult>> m_scanWatcher;
    QFutureWatcher<std::shared_ptr<EntryStamps>> m_stampsWatcher;
    QFutureWatcher<std::shared_ptr<RemovalOutcome>> m_removalWatcher;
    ScanProgress m_scanProgress;
    std::atomic<bool> m_bStop {false}; // asks the scan or the deletion to end early
    std::atomic<bool> m_bStopStamps {false};
    std::atomic<std::size_t> m_nFilesRemoved {0};
    std::shared_ptr<const Mp3Collection> m_stampsOf; // the collection being recorded
};
