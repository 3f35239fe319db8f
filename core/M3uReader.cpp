#include "core/M3uReader.h"

#include "platform/FdCloser.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kBom[] = {'\xEF', '\xBB', '\xBF'};
constexpr char kEndOfInput = '\x1A';
constexpr std::size_t kReadChunk = 64 * 1024;

// Finds the next CR, LF or 0x1A in a chunk. Each of the three is looked for with memchr and its
// position is kept until it has been passed, so no byte is searched twice for the same kind:
// linear in the chunk, even for one full of short lines.
class LineEndFinder {
public:
    LineEndFinder(const char* begin, const char* end)
        : m_end(end)
    {
        for (int i = 0; i < 3; ++i) {
            m_next[i] = search(begin, kKinds[i]);
        }
    }

    const char* next(const char* from)
    {
        const char* first = m_end;
        for (int i = 0; i < 3; ++i) {
            if (m_next[i] < from) {
                m_next[i] = search(from, kKinds[i]);
            }
            first = std::min(first, m_next[i]);
        }
        return first;
    }

private:
    static constexpr char kKinds[3] = {'\n', '\r', kEndOfInput};

    const char* search(const char* from, char c) const
    {
        const void* hit = std::memchr(from, c, static_cast<std::size_t>(m_end - from));
        return hit ? static_cast<const char*>(hit) : m_end;
    }

    const char* m_end;
    const char* m_next[3];
};

} // namespace

void M3uLineSplitter::feed(std::string_view chunk, std::vector<std::string>& out)
{
    const char* p = chunk.data();
    const char* end = p + chunk.size();
    if (m_bEnded || p == end) {
        return;
    }
    // A BOM can be cut across chunks, so its bytes are counted rather than held.
    while (m_bBomOpen && p != end) {
        if (*p != kBom[m_nBomMatched]) {
            // Not a BOM after all: the bytes taken for one begin the first line.
            m_bBomOpen = false;
            if (m_nBomMatched > 0) {
                m_strLine.assign(kBom, m_nBomMatched);
                m_bAtLineStart = false;
            }
            break;
        }
        ++p;
        if (++m_nBomMatched == sizeof kBom) {
            m_bBomOpen = false;
        }
    }
    feedLines(p, end, out);
}

void M3uLineSplitter::feedLines(const char* p, const char* end, std::vector<std::string>& out)
{
    LineEndFinder finder(p, end);
    while (p != end) {
        if (m_bSkipLf) {
            m_bSkipLf = false;
            if (*p == '\n') {
                ++p;
                continue;
            }
        }
        if (*p == kEndOfInput) {
            // A line cut off by the end of the input still counts.
            if (!m_bAtLineStart) {
                endLine(out);
            }
            m_bEnded = true;
            return;
        }
        if (m_bAtLineStart) {
            m_bAtLineStart = false;
            m_bComment = *p == '#';
        }
        const char* stop = finder.next(p);
        if (!m_bComment) {
            m_strLine.append(p, stop);
        }
        if (stop == end) {
            return;
        }
        p = stop;
        if (*p != kEndOfInput) {
            m_bSkipLf = *p == '\r';
            endLine(out);
            ++p;
        }
    }
}

void M3uLineSplitter::finish(std::vector<std::string>& out)
{
    if (m_bBomOpen && m_nBomMatched > 0) {
        // The input ended inside what could have been a BOM: those bytes are the whole line.
        m_strLine.assign(kBom, m_nBomMatched);
        m_bAtLineStart = false;
    }
    m_bBomOpen = false;
    if (!m_bAtLineStart) {
        endLine(out);
    }
}

void M3uLineSplitter::endLine(std::vector<std::string>& out)
{
    if (!m_bComment) {
        out.push_back(std::move(m_strLine));
    }
    m_strLine.clear();
    m_bAtLineStart = true;
    m_bComment = false;
}

std::vector<std::string> m3uKeepLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    M3uLineSplitter splitter;
    splitter.feed(bytes, lines);
    splitter.finish(lines);
    return lines;
}

M3uReadResult readM3uKeepLines(const std::string& path, std::vector<std::string>& lines)
{
    // A NUL would cut the name short and open some other file.
    if (path.find('\0') != std::string::npos) {
        return M3uReadResult::OpenFailed;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return M3uReadResult::OpenFailed;
    }
    FdCloser closer(fd);

    // Nothing reaches `lines` before the whole file was read: a half-read playlist would keep
    // fewer files than it names.
    std::vector<std::string> read;
    M3uLineSplitter splitter;
    const auto buffer = std::make_unique<char[]>(kReadChunk);
    while (!splitter.ended()) {
        const ssize_t n = ::read(fd, buffer.get(), kReadChunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            // A directory opens, then fails here with EISDIR.
            return M3uReadResult::ReadFailed;
        }
        if (n == 0) {
            break;
        }
        splitter.feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)), read);
    }
    splitter.finish(read);
    lines.swap(read);
    return M3uReadResult::Ok;
}
