#include "RemovalRecordWriter.h"

#include "LockedAppend.h"
#include "UserDirs.h"

#include <cerrno>
#include <chrono>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr auto kFlushEvery = std::chrono::milliseconds(250);

} // namespace

RemovalRecordWriter::RemovalRecordWriter(std::optional<std::string> dir, RemovalRecord header)
    : m_strDir(std::move(dir))
    , m_header(std::move(header))
{
    const std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &m_when);
    m_thread = std::thread([this] { run(); });
}

RemovalRecordWriter::~RemovalRecordWriter()
{
    finish(false);
}

void RemovalRecordWriter::add(std::string_view path)
{
    const bool folder = path.ends_with('/');
    const std::lock_guard lock(m_mutex);
    if (m_nFiles + m_nFolders == 0) {
        m_strPending += removalRecordHeader(m_header, m_when);
    }
    ++(folder ? m_nFolders : m_nFiles);
    appendRecordLine(m_strPending, path);
}

int RemovalRecordWriter::finish(bool stopped)
{
    if (!m_thread.joinable()) {
        return m_nError;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_bDone = true;
    }
    m_wake.notify_one();
    m_thread.join();
    if (m_nFiles + m_nFolders != 0) {
        m_strPending += removalRecordEnd(m_nFiles, m_nFolders, stopped);
        flush();
    }
    m_fd.reset();
    return m_nError;
}

void RemovalRecordWriter::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kFlushEvery, [this] { return m_bDone; })) {
        lock.unlock();
        flush();
        lock.lock();
    }
}

void RemovalRecordWriter::flush()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_strUnwritten.empty()) {
            m_strUnwritten.swap(m_strPending); // the two buffers keep their room
        } else {
            m_strUnwritten += m_strPending;
        }
        m_strPending.clear();
    }
    if (m_strUnwritten.empty()) {
        return;
    }
    m_nError = m_fd.get() >= 0 ? 0 : open();
    if (m_nError == 0) {
        m_nError = appendLocked(m_fd.get(), m_strUnwritten, kRemovalRecordStart);
    }
    if (m_nError == 0) {
        m_strUnwritten.clear();
    }
}

int RemovalRecordWriter::open()
{
    if (!m_strDir) {
        return kNoHomeFolder;
    }
    std::error_code error;
    std::filesystem::create_directories(*m_strDir, error);
    if (error) {
        return error.value();
    }
    char day[16];
    const std::string path
        = *m_strDir + "/" + std::string(day, std::strftime(day, sizeof day, "%Y-%m-%d", &m_when)) + ".m3u8";
    m_fd.reset(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    return m_fd.get() >= 0 ? 0 : errno;
}
