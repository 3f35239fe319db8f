#include "CloseOnSignals.h"

#include "FdCloser.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const char number = static_cast<char>(signal);
    static_cast<void>(::write(g_pipe[1], &number, 1));
    std::signal(SIGTERM, SIG_DFL); // the next one ends the program
    std::signal(SIGHUP, SIG_DFL);
    errno = saved;
}

} // namespace

CloseOnSignals::CloseOnSignals(QWidget* window)
    : QObject(window)
    , m_pWindow(window)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // one watcher a process
    }
    m_pNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CloseOnSignals::OnSignal);
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &m_oldTerm);
    ::sigaction(SIGHUP, &action, &m_oldHup);
}

CloseOnSignals::~CloseOnSignals()
{
    if (m_pNotifier == nullptr) {
        return;
    }
    ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    ::sigaction(SIGHUP, &m_oldHup, nullptr);
    const FdCloser reading(std::exchange(g_pipe[0], -1));
    const FdCloser writing(std::exchange(g_pipe[1], -1));
}

void CloseOnSignals::OnSignal()
{
    char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        if (m_nSignal == 0) {
            m_nSignal = number;
        }
    }
    // A question or a file dialog open above the window goes as its own close box would have it.
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != m_pWindow;) {
        QWidget* const closed = modal;
        modal = closed->close() ? QApplication::activeModalWidget() : nullptr;
        modal = modal != closed ? modal : nullptr;
    }
    m_pWindow->close();
}
