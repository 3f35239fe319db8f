#pragma once

#include <system_error>
#include <thread>
#include <vector>

// Runs work(0) on the calling thread and work(1) .. work(count - 1) on threads of their own,
// and returns when all have. A thread the system refuses to start is left out: `work` shares
// what is to be done among those that run, so the result is the same, only slower.
template<typename Work> void runOnThreads(unsigned count, const Work& work)
{
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < count; ++i) {
        try {
            threads.emplace_back([&work, i] { work(i); });
        } catch (const std::system_error&) {
            break;
        }
    }
    work(0U);
    for (std::thread& thread : threads) {
        thread.join();
    }
}
