#include "M3uReader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kEndOfInput = '\x1A';
// UTF-16 is decoded a piece at a time into a buffer of this size, then split as UTF-8.
constexpr std::size_t kDecodeBuffer = 8 * 1024;
// The most one code unit can add: U+FFFD for a high surrogate it does not pair with, and itself.
constexpr std::size_t kMaxUnitBytes = 6;
constexpr char32_t kReplacement = 0xFFFD;

constexpr bool isHighSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool isLowSurrogate(char32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Writes `c`, no surrogate, as UTF-8 and returns its length.
std::size_t putUtf8(char32_t c, char* to)
{
    if (c < 0x80) {
        to[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        to[0] = static_cast<char>(0xC0 | c >> 6);
        to[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        to[0] = static_cast<char>(0xE0 | c >> 12);
        to[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        to[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    to[0] = static_cast<char>(0xF0 | c >> 18);
    to[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
    to[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    to[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

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
    if (m_bEnded) {
        return;
    }
    // A BOM can be cut across chunks, so the first bytes are held until they are one or not.
    std::size_t nTaken = 0;
    while (m_bHeadOpen && nTaken < chunk.size()) {
        m_strHead.push_back(chunk[nTaken++]);
        matchHead(out);
    }
    chunk.remove_prefix(nTaken);
    if (m_encoding == Encoding::Bytes) {
        feedLines(chunk.data(), chunk.data() + chunk.size(), out);
    } else {
        feedUtf16(chunk, out);
    }
}

void M3uLineSplitter::matchHead(std::vector<std::string>& out)
{
    struct Bom {
        std::string_view bytes;
        Encoding encoding;
    };
    static constexpr Bom kBoms[] = {
        {"\xEF\xBB\xBF", Encoding::Bytes},
        {"\xFF\xFE", Encoding::Utf16Le},
        {"\xFE\xFF", Encoding::Utf16Be},
    };
    bool bPrefix = false;
    for (const Bom& bom : kBoms) {
        if (bom.bytes == m_strHead) {
            m_encoding = bom.encoding;
            m_bHeadOpen = false;
            return;
        }
        bPrefix = bPrefix || bom.bytes.starts_with(m_strHead);
    }
    if (!bPrefix) {
        // Not a BOM after all: the bytes held for one begin the first line.
        m_bHeadOpen = false;
        feedLines(m_strHead.data(), m_strHead.data() + m_strHead.size(), out);
    }
}

void M3uLineSplitter::feedUtf16(std::string_view chunk, std::vector<std::string>& out)
{
    const bool bBigEndian = m_encoding == Encoding::Utf16Be;
    const auto unitOf = [bBigEndian](unsigned char first, unsigned char second) {
        return static_cast<char16_t>(bBigEndian ? first << 8 | second : second << 8 | first);
    };
    char buffer[kDecodeBuffer];
    std::size_t nUsed = 0;
    std::size_t i = 0;
    if (m_bHalfUnit && !chunk.empty()) {
        m_bHalfUnit = false;
        nUsed = decodeUnit(unitOf(m_nHalfUnit, static_cast<unsigned char>(chunk[0])), buffer);
        i = 1;
    }
    for (; i + 1 < chunk.size(); i += 2) {
        if (nUsed > sizeof buffer - kMaxUnitBytes) {
            feedLines(buffer, buffer + nUsed, out);
            if (m_bEnded) {
                return;
            }
            nUsed = 0;
        }
        nUsed += decodeUnit(unitOf(static_cast<unsigned char>(chunk[i]), static_cast<unsigned char>(chunk[i + 1])),
                            buffer + nUsed);
    }
    if (i < chunk.size()) {
        m_bHalfUnit = true;
        m_nHalfUnit = static_cast<unsigned char>(chunk[i]);
    }
    feedLines(buffer, buffer + nUsed, out);
}

std::size_t M3uLineSplitter::decodeUnit(char16_t unit, char* to)
{
    std::size_t n = 0;
    if (m_nHighSurrogate != 0) {
        const char32_t high = m_nHighSurrogate;
        m_nHighSurrogate = 0;
        if (isLowSurrogate(unit)) {
            return putUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), to);
        }
        n = putUtf8(kReplacement, to);
    }
    if (isHighSurrogate(unit)) {
        m_nHighSurrogate = unit;
        return n;
    }
    return n + putUtf8(isLowSurrogate(unit) ? kReplacement : unit, to + n);
}

void M3uLineSplitter::feedLines(const char* p, const char* end, std::vector<std::string>& out)
{
    if (m_bEnded) {
        return;
    }
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
    if (m_bHeadOpen) {
        // The input ended inside what could have been a BOM: those bytes are the whole line.
        m_bHeadOpen = false;
        feedLines(m_strHead.data(), m_strHead.data() + m_strHead.size(), out);
    }
    if (m_encoding != Encoding::Bytes) {
        char buffer[2 * kMaxUnitBytes];
        std::size_t nUsed = 0;
        if (m_nHighSurrogate != 0) {
            m_nHighSurrogate = 0;
            nUsed += putUtf8(kReplacement, buffer + nUsed);
        }
        if (m_bHalfUnit) {
            m_bHalfUnit = false;
            nUsed += putUtf8(kReplacement, buffer + nUsed);
        }
        feedLines(buffer, buffer + nUsed, out);
    }
    if (!m_bAtLineStart) {
        endLine(out);
    }
}

void M3uLineSplitter::endLine(std::vector<std::string>& out)
{
    // Players write blank lines between entries; a blank line names no file.
    if (!m_bComment && m_strLine.find_first_not_of(" \t") != std::string::npos) {
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
