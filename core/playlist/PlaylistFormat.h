#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class PlaylistFormat : unsigned char {
    M3u, // anything that is none of the others
    Pls, // the first non-blank line is "[playlist]"
    Xml, // the first non-blank character is "<"; its root element tells which format
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
    enum class Phase : unsigned char { Bom, Blanks, Bracket };

    std::optional<Sniffed> take(char c);
    Sniffed sniffed(PlaylistFormat format) const { return {format, m_bUtf16}; }

    Phase m_phase = Phase::Bom;
    std::string m_strBom; // the first bytes while they may still be a byte-order mark
    bool m_bUtf16 = false;
    bool m_bBigEndian = false;
    bool m_bHalfUnit = false; // a UTF-16 unit was cut after its first byte
    unsigned char m_nHalfUnit = 0;
    std::string m_strLine; // the first non-blank line so far, when it starts with "["
};
