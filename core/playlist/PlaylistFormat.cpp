#include "PlaylistFormat.h"

#include "Ascii.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kPlsHeader = "[playlist]";
// Longer than any "[playlist]" line with blanks after it that a player writes.
constexpr std::size_t kMaxHeaderLine = 64;
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
        return m_phase == Phase::Bracket && isPlsHeader(m_strLine) ? sniffed(PlaylistFormat::Pls)
                                                                   : sniffed(PlaylistFormat::M3u);
    }
    if (m_phase == Phase::Blanks) {
        if (isBlank(c)) {
            return std::nullopt;
        }
        if (c == '<') {
            return sniffed(PlaylistFormat::Xml);
        }
        if (c != '[') {
            return sniffed(PlaylistFormat::M3u);
        }
        m_phase = Phase::Bracket;
    }
    if (c == '\r' || c == '\n') {
        return sniffed(isPlsHeader(m_strLine) ? PlaylistFormat::Pls : PlaylistFormat::M3u);
    }
    m_strLine.push_back(c);
    if (m_strLine.size() > kMaxHeaderLine) {
        return sniffed(PlaylistFormat::M3u);
    }
    return std::nullopt;
}

Sniffed FormatSniffer::finish()
{
    // A mark alone, or blanks alone: an empty M3U playlist, which is accepted.
    return sniffed(m_phase == Phase::Bracket && isPlsHeader(m_strLine) ? PlaylistFormat::Pls : PlaylistFormat::M3u);
}
