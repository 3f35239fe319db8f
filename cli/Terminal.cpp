#include "Terminal.h"

#include "FdCloser.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool>* g_stop = nullptr;
volatile std::sig_atomic_t g_interrupted = 0; // the signal

void onInterrupt(int signal)
{
    g_interrupted = signal;
    if (g_stop != nullptr) {
        g_stop->store(true);
    }
    for (const int each : kStopSignals) {
        std::signal(each, SIG_DFL); // the next one ends the program
    }
}

void writeAll(int fd, const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        at += static_cast<std::size_t>(n);
    }
}

} // namespace

void stopOnInterrupt(std::atomic<bool>& stop)
{
    g_stop = &stop;
    struct sigaction action { };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a question waiting on the terminal ends too
    for (const int signal : kStopSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

bool interrupted()
{
    return g_interrupted != 0;
}

int stoppedStatus()
{
    return 128 + (g_interrupted != 0 ? static_cast<int>(g_interrupted) : SIGINT);
}

Answer askOnTerminal(const std::string& question)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0) {
        return Answer::NoTerminal;
    }
    FdCloser closer(tty);
    writeAll(tty, question);
    std::string answer;
    char c = 0;
    ssize_t n = 0;
    while ((n = ::read(tty, &c, 1)) == 1 && c != '\n') {
        answer += c;
    }
    closer.reset();
    if (interrupted() || (n < 0 && errno == EINTR)) {
        return Answer::Interrupted;
    }
    if (!answer.empty() && answer.back() == '\r') {
        answer.pop_back();
    }
    return answer == "yes" ? Answer::Yes : Answer::Other;
}

ProgressLine::ProgressLine(std::function<QString()> text)
    : m_text(std::move(text))
{
    if (::isatty(STDERR_FILENO) == 1) {
        m_thread = std::thread([this] { run(); });
    }
}

ProgressLine::~ProgressLine()
{
    if (!m_thread.joinable()) {
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_bDone = true;
    }
    m_wake.notify_one();
    m_thread.join();
    writeAll(STDERR_FILENO, "\r\033[K");
}

void ProgressLine::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_bDone; })) {
        writeAll(STDERR_FILENO, "\r\033[K" + m_text().toStdString());
    }
}
