#pragma once

#include <QObject>

#include <atomic>
#include <csignal>

class QSocketNotifier;
class QWidget;

// SIGTERM (a session or service manager ending the program) and SIGHUP (a terminal that went)
// close the window as its close box does: a removal stops after the file in hand, with its
// record finished. A second one ends the program at once. The handler only writes the signal's
// number to a pipe; the window is closed from the event loop.
class CloseOnSignals : public QObject {
    Q_OBJECT

public:
    explicit CloseOnSignals(QWidget* window);
    ~CloseOnSignals() override;
    CloseOnSignals(const CloseOnSignals&) = delete;
    CloseOnSignals& operator=(const CloseOnSignals&) = delete;

    // The signal that closed the window, or 0.
    int signal() const { return m_nSignal; }

private:
    void OnSignal();

    QWidget* m_pWindow;
    QSocketNotifier* m_pNotifier = nullptr;
    std::atomic<int> m_nSignal {0}; // read by tests from a worker
    struct sigaction m_oldTerm { };
    struct sigaction m_oldHup { };
};
