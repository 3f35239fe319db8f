#include "WorkController.h"

#include <QtConcurrent>

WorkController::WorkController(IDirLister& lister, IFileDeleter& deleter, QObject* pParent)
    : QObject(pParent)
    , m_lister(lister)
    , m_deleter(deleter)
{
    connect(&m_readWatcher, &QFutureWatcherBase::finished, this,
            [this] { Q_EMIT playlistsRead(m_readWatcher.result()); });
    connect(&m_scanWatcher, &QFutureWatcherBase::finished, this, [this] { Q_EMIT scanned(m_scanWatcher.result()); });
    connect(&m_stampsWatcher, &QFutureWatcherBase::finished, this, [this] {
        // Stopped: the records of a list that is gone.
        if (m_stampsOf != nullptr) {
            Q_EMIT stampsRecorded(std::exchange(m_stampsOf, nullptr), m_stampsWatcher.result());
        }
    });
    connect(&m_removalWatcher, &QFutureWatcherBase::finished, this,
            [this] { Q_EMIT removalDone(m_removalWatcher.result()); });
}

WorkController::~WorkController()
{
    stopAll();
}

void WorkController::readPlaylists(std::vector<std::string> paths)
{
    m_readWatcher.setFuture(QtConcurrent::run([paths = std::move(paths)]() mutable {
        return std::make_shared<KeepListRead>(readKeepList(std::move(paths)));
    }));
}

void WorkController::scan(std::shared_ptr<const KeepList> keep, const std::string& baseDir, AudioTypes types)
{
    m_bStop = false;
    m_scanProgress.clear();
    m_scanWatcher.setFuture(QtConcurrent::run(
        [&lister = m_lister, keep = std::move(keep), baseDir, &progress = m_scanProgress, &stop = m_bStop, types] {
            return std::make_shared<ScanResult>(scanLibrary(lister, *keep, baseDir, progress, stop, 0, types));
        }));
}

void WorkController::recordStamps(std::shared_ptr<const Mp3Collection> found,
                                  std::shared_ptr<const std::vector<EntryIndex>> entries)
{
    stopStamps();
    m_bStopStamps = false;
    m_stampsOf = found;
    m_stampsWatcher.setFuture(QtConcurrent::run(
        [&lister = m_lister, found = std::move(found), entries = std::move(entries), &stop = m_bStopStamps] {
            return std::make_shared<EntryStamps>(::recordStamps(lister, *found, *entries, stop));
        }));
}

void WorkController::removeFiles(std::shared_ptr<const Mp3Collection> found, std::vector<RemovalRequest> requests,
                                 std::size_t rowCount, RemovalJob job)
{
    m_bStop = false;
    m_nFilesRemoved = 0;
    m_removalWatcher.setFuture(QtConcurrent::run([&lister = m_lister, &deleter = m_deleter, found = std::move(found),
                                                  requests = std::move(requests), rowCount, job = std::move(job),
                                                  &stop = m_bStop, &done = m_nFilesRemoved]() mutable {
        return std::make_shared<RemovalOutcome>(
            runRemoval(lister, deleter, *found, requests, rowCount, std::move(job), stop, done));
    }));
}

void WorkController::stopStamps()
{
    m_bStopStamps = true;
    m_stampsWatcher.waitForFinished();
    m_stampsOf.reset();
}

void WorkController::stopAll()
{
    m_bStop = true;
    m_readWatcher.waitForFinished();
    m_scanWatcher.waitForFinished();
    m_removalWatcher.waitForFinished();
    stopStamps();
}
