#include "PlaylistReader.h"

#include "Ascii.h"
#include "FdCloser.h"
#include "M3uReader.h"
#include "PlsReader.h"
#include "XmlReader.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr off_t kMaxPlaylistBytes = off_t(1) << 30;

std::unique_ptr<EntryReader> readerFor(PlaylistFormat format)
{
    switch (format) {
    case PlaylistFormat::Pls:
        return std::make_unique<PlsReader>();
    case PlaylistFormat::Xml:
        return std::make_unique<XmlReader>();
    case PlaylistFormat::Asx:
        return makeAsxReader();
    case PlaylistFormat::M3u:
        break;
    }
    return std::make_unique<M3uReader>();
}

// "No such file or directory" as a line of a box: "no such file or directory".
std::string systemReason(int error)
{
    std::string reason = std::strerror(error);
    if (!reason.empty()) {
        reason[0] = lowerAscii(reason[0]);
    }
    return reason;
}

PlaylistRead refused(std::string reason)
{
    PlaylistRead read;
    read.refusal = std::move(reason);
    return read;
}

} // namespace

PlaylistParser::PlaylistParser() = default;
PlaylistParser::~PlaylistParser() = default;

void PlaylistParser::feed(std::string_view chunk)
{
    if (done()) {
        return;
    }
    if (m_reader == nullptr) {
        const std::optional<Sniffed> sniffed = m_sniffer.feed(chunk);
        if (!sniffed) {
            m_strHead.append(chunk);
            return;
        }
        start(*sniffed);
        if (m_strHead.empty()) {
            feed(chunk);
            return;
        }
        m_strHead.append(chunk);
        const std::string head = std::exchange(m_strHead, {});
        feed(head);
        return;
    }
    // A file with NUL bytes is no text: read as lines, it would list the whole library. What
    // follows 0x1A is not read. What comes before the NUL is read first, so that the first fault
    // in the file is the one reported, however it arrives.
    const std::size_t nul = m_bNulAllowed ? std::string_view::npos : chunk.find('\0');
    const std::size_t end = chunk.find('\x1A');
    m_bNulAllowed = m_bNulAllowed || end < nul;
    if (nul < end) {
        m_reader->feed(chunk.substr(0, nul), m_read.entries);
        if (!m_reader->done()) {
            m_read.refusal = "not a text file (it holds NUL bytes)";
        }
        return;
    }
    m_reader->feed(chunk, m_read.entries);
}

void PlaylistParser::start(Sniffed sniffed)
{
    m_reader = readerFor(sniffed.format);
    m_bNulAllowed = sniffed.bUtf16;
}

PlaylistRead PlaylistParser::finish()
{
    if (m_reader == nullptr) {
        start(m_sniffer.finish());
        feed(std::exchange(m_strHead, {}));
    }
    if (m_read.ok()) {
        if (std::optional<std::string> refusal = m_reader->finish(m_read.entries)) {
            m_read.refusal = std::move(*refusal);
        }
    }
    if (!m_read.ok()) {
        m_read.entries.clear();
    }
    return std::move(m_read);
}

bool PlaylistParser::done() const
{
    return !m_read.ok() || (m_reader != nullptr && m_reader->done());
}

PlaylistRead readPlaylistBytes(std::string_view bytes)
{
    PlaylistParser parser;
    parser.feed(bytes);
    return parser.finish();
}

int openPlaylistFile(const std::string& path, std::string& refusal, off_t* size)
{
    // A NUL would cut the name short and open some other file.
    if (path.find('\0') != std::string::npos) {
        refusal = systemReason(ENOENT);
        return -1;
    }
    // Without blocking: opening a named pipe would wait for a writer for ever.
    FdCloser fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        refusal = systemReason(errno);
        return -1;
    }
    // Only a regular file of a playlist's size: a device such as /dev/zero never ends, and a
    // disk image chosen by mistake would be read whole into memory.
    struct stat st { };
    if (::fstat(fd.get(), &st) != 0) {
        refusal = systemReason(errno);
    } else if (S_ISDIR(st.st_mode)) {
        refusal = "a folder, not a file";
    } else if (!S_ISREG(st.st_mode)) {
        refusal = "not a regular file";
    } else if (st.st_size > kMaxPlaylistBytes) {
        refusal = "larger than 1 GiB, too large for a playlist";
    } else {
        if (size != nullptr) {
            *size = st.st_size;
        }
        return fd.release();
    }
    return -1;
}

PlaylistRead readPlaylist(const std::string& path)
{
    std::string refusal;
    const int fd = openPlaylistFile(path, refusal);
    if (fd < 0) {
        return refused(std::move(refusal));
    }
    FdCloser closer(fd);
    std::uint64_t total = 0;
    PlaylistParser parser;
    const auto buffer = std::make_unique<char[]>(kReadChunk);
    while (!parser.done()) {
        const ssize_t n = ::read(fd, buffer.get(), kReadChunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return refused("cannot be read: " + systemReason(errno));
        }
        if (n == 0) {
            break;
        }
        // A file that grows past the limit while it is read is no playlist either.
        total += static_cast<std::uint64_t>(n);
        if (total > static_cast<std::uint64_t>(kMaxPlaylistBytes)) {
            return refused("larger than 1 GiB, too large for a playlist");
        }
        parser.feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
    }
    return parser.finish();
}
