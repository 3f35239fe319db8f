#include "PlaylistFormat.h"

#include "Ascii.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kPlsHeader = "[playlist]";
// Longer than any "[playlist]" line with blanks after it that a player writes.
constexpr std::size_t kMaxHeaderLine = 64;
// How far the header of a PLS file or the root element of an XML file is looked for.
constexpr std::size_t kMaxLook = 4096;
// Where the first bytes decode to something other than ASCII; no format starts with one.
constexpr char kOther = '\x80';

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isPlsHeader(std::string_view line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    return line.size() == kPlsHeader.size()
        && std::equal(line.begin(), line.end(), kPlsHeader.begin(), [](char a, char b) { return lowerAscii(a) == b; });
}

// One past the first `close` in `text` from `from` on, or npos.
std::size_t past(std::string_view text, std::string_view close, std::size_t from)
{
    const std::size_t at = text.find(close, from);
    return at == std::string_view::npos ? at : at + close.size();
}

// One past the "<!" declaration that starts `markup`, its internal subset in brackets skipped.
std::size_t declarationEnd(std::string_view markup)
{
    int depth = 0;
    char quote = 0;
    for (std::size_t i = 2; i < markup.size(); ++i) {
        const char c = markup[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[' || c == ']') {
            depth += c == '[' ? 1 : -1;
        } else if (c == '>' && depth <= 0) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

enum class Root : unsigned char { Unknown, Asx, Other };

// The root element's kind, past the declaration, instructions, comments and document type that
// may stand before it; `from` keeps how far these were passed over.
Root rootOf(std::string_view head, std::size_t& from)
{
    for (;;) {
        from = std::min(head.find_first_not_of(" \t\r\n", from), head.size());
        const std::string_view rest = head.substr(from);
        if (rest.empty()) {
            return Root::Unknown;
        }
        if (rest[0] != '<') {
            return Root::Other;
        }
        std::size_t end = std::string_view::npos;
        if (rest.starts_with("<?")) {
            end = past(rest, "?>", 2);
        } else if (rest.starts_with("<!--")) {
            end = past(rest, "-->", 4);
        } else if (rest.starts_with("<!") && rest.size() >= 4) {
            end = declarationEnd(rest);
        } else if (rest.size() >= 2 && rest[1] != '!') {
            const std::size_t name = rest.find_first_of(" \t\r\n/>", 1);
            if (name == std::string_view::npos) {
                return Root::Unknown;
            }
            const std::string_view root = rest.substr(1, name - 1);
            return root.size() == 3 && lowerAscii(root[0]) == 'a' && lowerAscii(root[1]) == 's'
                    && lowerAscii(root[2]) == 'x'
                ? Root::Asx
                : Root::Other;
        }
        if (end == std::string_view::npos) {
            return Root::Unknown;
        }
        from += end;
    }
}

} // namespace

std::optional<Sniffed> FormatSniffer::feed(std::string_view chunk)
{
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        if (m_phase == Phase::Bom) {
            m_strBom.push_back(chunk[i]);
            const std::string_view head = m_strBom;
            if (head == "\xEF\xBB\xBF" || head == "\xFF\xFE" || head == "\xFE\xFF") {
                m_bUtf16 = head.size() == 2;
                m_bBigEndian = head[0] == '\xFE';
                m_phase = Phase::Blanks;
            } else if (!std::string_view("\xEF\xBB\xBF").starts_with(head)
                       && !std::string_view("\xFF\xFE").starts_with(head)
                       && !std::string_view("\xFE\xFF").starts_with(head)) {
                // No mark: the bytes held for one are the content.
                m_phase = Phase::Blanks;
                for (const char c : std::exchange(m_strBom, {})) {
                    if (const std::optional<Sniffed> found = take(c)) {
                        return found;
                    }
                }
            }
            continue;
        }
        char c = chunk[i];
        if (m_bUtf16) {
            if (!m_bHalfUnit) {
                m_bHalfUnit = true;
                m_nHalfUnit = static_cast<unsigned char>(c);
                continue;
            }
            m_bHalfUnit = false;
            const unsigned unit = m_bBigEndian ? m_nHalfUnit << 8 | static_cast<unsigned char>(c)
                                               : static_cast<unsigned char>(c) << 8 | m_nHalfUnit;
            c = unit < 0x80 ? static_cast<char>(unit) : kOther;
        }
        if (const std::optional<Sniffed> found = take(c)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<Sniffed> FormatSniffer::take(char c)
{
    if (c == '\x1A') {
        // The end of input of an M3U file; nothing after it counts.
        return finish();
    }
    if (++m_nSeen > kMaxLook) {
        return sniffed(m_phase == Phase::Markup ? PlaylistFormat::Xml : PlaylistFormat::M3u);
    }
    switch (m_phase) {
    case Phase::Bom:
    case Phase::Blanks:
        if (isBlank(c)) {
            return std::nullopt;
        }
        if (c == '<') {
            // The tolerant ASX reader reads bytes; ASX in UTF-16 is read as XML.
            if (m_bUtf16) {
                return sniffed(PlaylistFormat::Xml);
            }
            m_phase = Phase::Markup;
            return takeMarkup(c);
        }
        m_phase = Phase::Lines;
        return takeLine(c);
    case Phase::Lines:
        return takeLine(c);
    case Phase::Markup:
        return takeMarkup(c);
    }
    return std::nullopt;
}

std::optional<Sniffed> FormatSniffer::takeLine(char c)
{
    if (c == '\r' || c == '\n') {
        return endLine();
    }
    // One character more than a header line can hold marks a longer line.
    if (m_strLine.size() <= kMaxHeaderLine) {
        m_strLine.push_back(c);
    }
    return std::nullopt;
}

// "[playlist]" makes the file PLS after blank lines, comments and one stray line (Amarok writes
// the MIME type first); a second line of anything else makes it M3U.
std::optional<Sniffed> FormatSniffer::endLine()
{
    const std::string line = std::exchange(m_strLine, {});
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#' || line[first] == ';') {
        return std::nullopt;
    }
    if (line.size() <= kMaxHeaderLine && isPlsHeader(std::string_view(line).substr(first))) {
        return sniffed(PlaylistFormat::Pls);
    }
    if (std::exchange(m_bStray, true)) {
        return sniffed(PlaylistFormat::M3u);
    }
    return std::nullopt;
}

std::optional<Sniffed> FormatSniffer::takeMarkup(char c)
{
    m_strMarkup.push_back(c);
    if (c != '>' && c != '/' && !isBlank(c)) {
        return std::nullopt;
    }
    switch (rootOf(m_strMarkup, m_nMarkupDone)) {
    case Root::Asx:
        return sniffed(PlaylistFormat::Asx);
    case Root::Other:
        return sniffed(PlaylistFormat::Xml);
    case Root::Unknown:
        break;
    }
    return std::nullopt;
}

Sniffed FormatSniffer::finish()
{
    if (m_phase == Phase::Markup) {
        return sniffed(PlaylistFormat::Xml);
    }
    // A mark alone, or blanks alone: an empty M3U playlist, which is accepted.
    if (m_phase == Phase::Lines) {
        if (const std::optional<Sniffed> told = endLine()) {
            return *told;
        }
    }
    return sniffed(PlaylistFormat::M3u);
}
