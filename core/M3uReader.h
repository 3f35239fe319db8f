#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits playlist bytes into the lines that become keep-list entries, in file order.
//
// A line ends at LF, at CRLF (the CR is dropped) and at a CR not followed by LF. A byte 0x1A
// ends the input. The last line counts without a line end. A UTF-8 byte-order mark at the
// very start is not part of the first line. A line whose first byte is '#' is skipped; every
// other line, an empty one too, is kept exactly as its bytes stand.
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
    void feedLines(const char* p, const char* end, std::vector<std::string>& out);
    void endLine(std::vector<std::string>& out);

    std::string m_strLine; // the current line so far; empty while skipping a '#' line
    bool m_bAtLineStart = true; // no byte of the current line was seen yet
    bool m_bComment = false; // the current line began with '#'
    bool m_bSkipLf = false; // the last byte was a CR: an LF right after it ends nothing
    bool m_bEnded = false;
    bool m_bBomOpen = true; // still at the start of the input, where a BOM may stand
    std::size_t m_nBomMatched = 0; // how many bytes of a leading BOM were seen so far
};

// All keep lines of a whole playlist held in memory.
std::vector<std::string> m3uKeepLines(std::string_view bytes);

enum class M3uReadResult {
    Ok,
    OpenFailed, // nothing was read
    ReadFailed, // the file opened, but reading it failed part way
};

// Reads the playlist at `path` (file-system bytes). On Ok, `lines` holds its keep lines in file
// order; otherwise `lines` is left untouched.
M3uReadResult readM3uKeepLines(const std::string& path, std::vector<std::string>& lines);
