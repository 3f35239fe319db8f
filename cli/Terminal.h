#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// Ctrl+C asks `stop` to end the running work, as Esc does in the window (a scan at once, a
// deletion after the file in hand); a second Ctrl+C ends the program at once.
void stopOnInterrupt(std::atomic<bool>& stop);
bool interrupted();

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
