#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class PlaylistFormat : unsigned char {
    M3u, // anything that is none of the others
    Pls, // "[playlist]" after blank lines, comments or one stray line
    Xml, // the first non-blank character is "<"; its root element tells which format
    Asx, // XML whose root element is "asx" in any case, read as players read it, not as XML
};

struct Sniffed {
    PlaylistFormat format;
    bool bUtf16; // the content starts with a UTF-16 byte-order mark
};

// Tells a playlist's format from its first bytes, after any byte-order mark and blanks, whatever
// the file is called: players save XSPF as .m3u and M3U as .txt. Fed the bytes in chunks of any
// size until it knows.
class FormatSniffer {
public:
    // Nothing until these bytes and those before them tell.
    std::optional<Sniffed> feed(std::string_view chunk);
    // The input ended before they told.
    Sniffed finish();

private:
    enum class Phase : unsigned char { Bom, Blanks, Lines, Markup };

    std::optional<Sniffed> take(char c);
    std::optional<Sniffed> takeLine(char c);
    std::optional<Sniffed> endLine();
    std::optional<Sniffed> takeMarkup(char c);
    Sniffed sniffed(PlaylistFormat format) const { return {format, m_bUtf16}; }

    Phase m_phase = Phase::Bom;
    std::string m_strBom; // the first bytes while they may still be a byte-order mark
    bool m_bUtf16 = false;
    bool m_bBigEndian = false;
    bool m_bHalfUnit = false; // a UTF-16 unit was cut after its first byte
    unsigned char m_nHalfUnit = 0;
    std::size_t m_nSeen = 0; // characters taken so far
    std::string m_strLine; // the line so far, its first kMaxHeaderLine characters
    bool m_bStray = false; // a line that is neither blank, comment nor "[playlist]" came
    std::string m_strMarkup; // from the first "<" on
    std::size_t m_nMarkupDone = 0; // where the declarations and comments before the root end
};
