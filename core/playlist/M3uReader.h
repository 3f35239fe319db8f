#pragma once

#include "EntryReader.h"

#include <string>
#include <string_view>
#include <vector>

// Splits playlist bytes into the lines that become keep-list entries, in file order.
//
// A playlist that starts with a UTF-16 byte-order mark (FF FE little endian, FE FF big endian)
// is read as UTF-16 and turned into UTF-8 first; an unpaired surrogate and an odd last byte
// become U+FFFD. Other playlists are taken as bytes, and a UTF-8 byte-order mark at the very
// start is not part of the first line.
//
// A line ends at LF, at CRLF (the CR is dropped) and at a CR not followed by LF. A byte 0x1A
// (U+001A in UTF-16) ends the input. The last line counts without a line end. A line whose
// first byte is '#' is skipped, and so is a line that is empty or holds only blanks and tabs;
// every other line is kept exactly as its bytes stand.
//
// Bytes may arrive in chunks of any size; the result does not depend on where they are cut.
class M3uLineSplitter {
public:
    void feed(std::string_view chunk, std::vector<std::string>& out);
    // Ends the input: hands over a last line that had no line end.
    void finish(std::vector<std::string>& out);
    // True once 0x1A was seen; later bytes are ignored.
    bool ended() const { return m_bEnded; }

private:
    enum class Encoding : unsigned char { Bytes, Utf16Le, Utf16Be };

    void matchHead(std::vector<std::string>& out);
    void feedUtf16(std::string_view chunk, std::vector<std::string>& out);
    std::size_t decodeUnit(char16_t unit, char* to);
    void feedLines(const char* p, const char* end, std::vector<std::string>& out);
    void endLine(std::vector<std::string>& out);

    std::string m_strLine; // the current line so far; empty while skipping a '#' line
    bool m_bAtLineStart = true; // no byte of the current line was seen yet
    bool m_bComment = false; // the current line began with '#'
    bool m_bSkipLf = false; // the last byte was a CR: an LF right after it ends nothing
    bool m_bEnded = false;
    bool m_bHeadOpen = true; // still at the start of the input, where a BOM may stand
    std::string m_strHead; // the first bytes while they may still be a BOM
    Encoding m_encoding = Encoding::Bytes;
    bool m_bHalfUnit = false; // a UTF-16 code unit was cut after its first byte
    unsigned char m_nHalfUnit = 0; // that first byte
    char16_t m_nHighSurrogate = 0; // a high surrogate waiting for its low half, or 0
};

// All keep lines of a whole playlist held in memory.
std::vector<std::string> m3uKeepLines(std::string_view bytes);

// The M3U format: every line the splitter keeps is an entry.
class M3uReader final : public EntryReader {
public:
    void feed(std::string_view chunk, std::vector<std::string>& entries) override { m_splitter.feed(chunk, entries); }
    std::optional<std::string> finish(std::vector<std::string>& entries) override
    {
        m_splitter.finish(entries);
        return std::nullopt;
    }
    bool done() const override { return m_splitter.ended(); }

private:
    M3uLineSplitter m_splitter;
};
