#pragma once

#include "Threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/resource.h>

// What a thread of a WorkPool does with the items it takes.
template<typename Item> class PoolWorker {
public:
    virtual ~PoolWorker() = default;
    // Does the work of one item and appends the items that it yields, in the order to take them.
    virtual void visit(Item item, std::vector<Item>& yielded) = 0;
    // Called on the worker's thread once no item is left anywhere.
    virtual void finish() { }
};

// Runs items, and the items they yield, on several threads until none is left; it knows nothing
// of what an item is. Each thread works depth first from a stack of its own, which keeps little
// in flight, and hands the shallowest half of it, the largest parts of the work, on when threads
// wait. Those lie at its bottom: a first item that yields thousands leaves that many there, which
// are taken from without moving the rest.
template<typename Item> class WorkPool {
public:
    using MakeWorker = std::function<std::unique_ptr<PoolWorker<Item>>(unsigned thread)>;

    // `threads` 0: a thread a core to start with, and more while the cores stand idle, which
    // suits both work from the cache (a thread a core) and work that waits on a disk (many more).
    WorkPool(unsigned threads, MakeWorker makeWorker)
        : m_nThreads(threads)
        , m_makeWorker(std::move(makeWorker))
    {
    }

    void run(Item first)
    {
        m_shared.push_back(first);
        unsigned threads = m_nThreads;
        std::thread watcher;
        if (threads == 0) {
            const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
            const unsigned most = std::clamp(16 * cores, 16U, 64U);
            threads = cores;
            try {
                watcher = std::thread([this, cores, most] { addWhileIdle(cores, cores, most); });
            } catch (const std::system_error&) {
                threads = most;
            }
        }
        runOnThreads(threads, [this](unsigned thread) { work(thread); });
        if (watcher.joinable()) {
            watcher.join();
        }
    }

private:
    void work(unsigned thread)
    {
        const std::unique_ptr<PoolWorker<Item>> worker = m_makeWorker(thread);
        std::deque<Item> own;
        std::vector<Item> yielded;
        std::unique_lock lock(m_mutex);
        while (takeShared(lock, own)) {
            lock.unlock();
            while (!own.empty()) {
                const Item item = own.back();
                own.pop_back();
                yielded.clear();
                worker->visit(item, yielded);
                own.insert(own.end(), yielded.rbegin(), yielded.rend());
                if (own.size() > 1 && m_nWaiting.load(std::memory_order_relaxed) > 0) {
                    handOn(own);
                }
            }
            lock.lock();
            --m_nBusy;
            if (done()) {
                m_ready.notify_all();
                m_over.notify_all();
            }
        }
        lock.unlock();
        worker->finish();
    }

    // Waits for a shared item and moves it to `own`; false once no thread has any left.
    bool takeShared(std::unique_lock<std::mutex>& lock, std::deque<Item>& own)
    {
        m_nWaiting.fetch_add(1, std::memory_order_relaxed);
        m_ready.wait(lock, [this] { return !m_shared.empty() || m_nBusy == 0; });
        m_nWaiting.fetch_sub(1, std::memory_order_relaxed);
        if (m_shared.empty()) {
            return false;
        }
        own.push_back(m_shared.back());
        m_shared.pop_back();
        ++m_nBusy;
        return true;
    }

    bool done() const { return m_shared.empty() && m_nBusy == 0; }

    void handOn(std::deque<Item>& own)
    {
        const std::lock_guard lock(m_mutex);
        // At least one for each thread that waits, and half of its own: a thread given only one
        // item soon waits again, and each wait costs a sleep and a wake-up.
        const std::size_t waiting = m_nWaiting.load(std::memory_order_relaxed);
        const std::size_t count = std::max(std::min(own.size() - 1, waiting), own.size() / 2);
        const auto end = own.begin() + static_cast<std::ptrdiff_t>(count);
        m_shared.insert(m_shared.end(), own.begin(), end);
        own.erase(own.begin(), end);
        for (std::size_t n = 0; n < std::min(count, waiting); ++n) {
            m_ready.notify_one();
        }
    }

    static std::chrono::microseconds cpuTime()
    {
        rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    }

    // Twice in a row that the process used less than three quarters of the cores for 10 ms, its
    // `running` threads wait on the disk: as many again are started, up to `most`. They end with
    // the work.
    void addWhileIdle(unsigned cores, unsigned running, unsigned most)
    {
        using Clock = std::chrono::steady_clock;
        Clock::time_point lastLook = Clock::now();
        std::chrono::microseconds lastCpu = cpuTime();
        bool idleBefore = false;
        std::vector<std::thread> added;
        std::unique_lock lock(m_mutex);
        while (running < most && !m_over.wait_for(lock, std::chrono::milliseconds(10), [this] { return done(); })) {
            const Clock::time_point now = Clock::now();
            const std::chrono::microseconds cpu = cpuTime();
            const bool idle = 4 * (cpu - lastCpu) < 3 * cores * (now - lastLook);
            if (idle && idleBefore) {
                lock.unlock(); // the new threads take it first
                const unsigned to = std::min(most, 2 * running);
                while (running < to && startOne(added, running)) {
                    ++running;
                }
                most = running < to ? running : most; // the system starts no more
                lock.lock();
            }
            idleBefore = idle;
            lastLook = now;
            lastCpu = cpu;
        }
        lock.unlock();
        for (std::thread& thread : added) {
            thread.join();
        }
    }

    bool startOne(std::vector<std::thread>& added, unsigned thread)
    {
        try {
            added.emplace_back([this, thread] { work(thread); });
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }

    const unsigned m_nThreads;
    const MakeWorker m_makeWorker;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_over; // for the thread that starts more
    std::vector<Item> m_shared; // handed on, for any thread to take
    unsigned m_nBusy = 0; // threads with items of their own
    std::atomic<unsigned> m_nWaiting {0}; // threads waiting for an item
};
