#pragma once

#include "AudioTypes.h"
#include "Removal.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstddef>
#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

// The main window's status line and progress bar while a scan or a removal runs, refreshed from
// the worker's counts by a timer.
class ProgressDisplay {
public:
    // `status` and `bar` are the window's own controls, either missing in some templates; `tick`
    // reads the worker's counts into the display.
    void attach(QLabel* status, QWidget* bar, QObject* context, std::function<void()> tick);

    // Shows the status line (the bar follows once there is a total) and starts the timer.
    void beginScan(QProgressBar* bar);
    // "12,345 MP3s found", while the walk still counts.
    void showCount(std::size_t found, AudioTypes types);
    // The bar at `scanned` of `total`, and its line.
    void showScanned(int scanned, int total, AudioTypes types);

    // Starts the timer for a removal of `files`; the display shows only once it has run a while.
    void beginRemoval(Removal removal, std::size_t files);
    void showRemoval(std::size_t done);

    void stopTimer() { m_timer.stop(); }
    // Shows or hides the status line; the bar only ever goes with it.
    void setShown(bool shown);

private:
    QLabel* m_pStatus = nullptr;
    QWidget* m_pBarItem = nullptr; // the bar's control, whatever its kind
    QProgressBar* m_pBar = nullptr; // the bar as the running scan found it
    QTimer m_timer;
    QElapsedTimer m_removalClock; // since the running removal began
    std::size_t m_nRemoving = 0; // files the running removal was asked to remove
    Removal m_removal = Removal::Delete; // what the running removal does with them
};
