#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// Ctrl+C, SIGTERM (a service manager stopping it) and SIGHUP (a session that went) ask `stop` to
// end the running work, as Esc does in the window (a scan at once, a deletion after the file in
// hand); a second one ends the program at once.
void stopOnInterrupt(std::atomic<bool>& stop);
bool interrupted();
// The exit status of a run that such a signal stopped: 128 and its number (130 for Ctrl+C).
int stoppedStatus();

// The question on the controlling terminal, /dev/tty, whatever standard input and output are.
enum class Answer { Yes, Other, NoTerminal, Interrupted };
Answer askOnTerminal(const std::string& question);

// A line on standard error, rewritten in place ten times a second while work runs, when standard
// error is a terminal; nothing otherwise. Cleared when it goes.
class ProgressLine {
public:
    explicit ProgressLine(std::function<QString()> text);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void run();

    std::function<QString()> m_text;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bDone = false;
    std::thread m_thread;
};
