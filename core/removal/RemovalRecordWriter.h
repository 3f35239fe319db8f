#pragma once

#include "FdCloser.h"
#include "RemovalRecord.h"

#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// The day's record of one removal, written as the removal goes. add() only appends to a buffer;
// a thread of its own hands the buffer to the file at least every quarter second, so that the
// removal pays no system call a file and a kill loses at most the last quarter second. A write
// that fails is kept and tried again first with the next, so that the record is whole again once
// there is room. A removal that removes nothing writes nothing.
class RemovalRecordWriter {
public:
    // Into the day's file in `dir`, made with its folders where missing; with no `dir` (no home),
    // nothing is written and finish() says kNoHomeFolder once anything went.
    RemovalRecordWriter(std::optional<std::string> dir, RemovalRecord header);
    ~RemovalRecordWriter();
    RemovalRecordWriter(const RemovalRecordWriter&) = delete;
    RemovalRecordWriter& operator=(const RemovalRecordWriter&) = delete;

    // A path that went: a file, or a folder ending in "/". add() and finish() come from one thread.
    void add(std::string_view path);
    // Writes what is left and the closing line, once. Returns 0, or the errno that kept the
    // record from being written whole.
    int finish(bool stopped);

private:
    void run();
    void flush();
    int open();

    const std::optional<std::string> m_strDir;
    const RemovalRecord m_header;
    std::tm m_when {};
    std::size_t m_nFiles = 0;
    std::size_t m_nFolders = 0;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bDone = false; // under m_mutex
    std::string m_strPending; // under m_mutex: lines not handed to the file yet

    // The writing side's, which is the thread until finish() has joined it.
    std::string m_strUnwritten; // lines whose write failed, tried again first
    FdCloser m_fd;
    int m_nError = 0; // of the last write
    std::thread m_thread;
};
