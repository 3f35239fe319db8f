#include "ProgressDisplay.h"

#include "RemovalTexts.h"
#include "ScanProgress.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <limits>

namespace {

// The display follows the worker at about 30 frames a second.
constexpr int kProgressIntervalMs = 33;

int clampedInt(std::size_t n)
{
    return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

} // namespace

void ProgressDisplay::attach(QLabel* status, QWidget* bar, QObject* context, std::function<void()> tick)
{
    m_pStatus = status;
    m_pBarItem = bar;
    m_timer.setInterval(kProgressIntervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, context, std::move(tick));
}

void ProgressDisplay::setShown(bool shown)
{
    if (m_pBarItem != nullptr && !shown) {
        m_pBarItem->setVisible(false);
        m_pBarItem->setEnabled(false);
    }
    if (m_pStatus != nullptr) {
        m_pStatus->setVisible(shown);
        m_pStatus->setEnabled(shown);
    }
}

void ProgressDisplay::beginScan(QProgressBar* bar)
{
    m_pBar = bar;
    setShown(true);
    m_timer.start();
}

void ProgressDisplay::showCount(std::size_t found, AudioTypes types)
{
    m_pStatus->setText(countStatusText(found, types));
}

void ProgressDisplay::showScanned(int scanned, int total, AudioTypes types)
{
    m_pBar->setRange(0, total);
    m_pBar->setVisible(true);
    m_pBar->setEnabled(true);
    m_pBar->setValue(scanned);
    m_pStatus->setText(scanStatusText(scanned, total, types));
}

void ProgressDisplay::beginRemoval(Removal removal, std::size_t files)
{
    m_nRemoving = files;
    m_removal = removal;
    m_removalClock.start();
    m_timer.start();
}

// A removal that is soon over shows nothing; a longer one its count where the scan shows its own.
void ProgressDisplay::showRemoval(std::size_t done)
{
    constexpr qint64 kShowAfterMs = 300;
    if (m_removalClock.elapsed() < kShowAfterMs || m_pStatus == nullptr) {
        return;
    }
    if (!m_pStatus->isVisible()) {
        setShown(true);
        m_pBar->setRange(0, clampedInt(m_nRemoving));
        m_pBar->setVisible(true);
        m_pBar->setEnabled(true);
    }
    m_pBar->setValue(clampedInt(done));
    m_pStatus->setText(removalProgressText(m_removal, done, m_nRemoving));
}
