#include "PlsReader.h"

#include "Ascii.h"

#include <algorithm>
#include <charconv>

namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool startsWithNoCase(std::string_view text, std::string_view lowerPrefix)
{
    return text.size() >= lowerPrefix.size()
        && std::equal(lowerPrefix.begin(), lowerPrefix.end(), text.begin(),
                      [](char a, char b) { return a == lowerAscii(b); });
}

std::optional<std::uint64_t> number(std::string_view digits)
{
    std::uint64_t n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return n;
}

} // namespace

void PlsReader::feed(std::string_view chunk, std::vector<std::string>& entries)
{
    m_lines.feed(chunk, m_pending);
    takeLines(entries);
}

void PlsReader::takeLines(std::vector<std::string>& entries)
{
    for (std::string& line : m_pending) {
        takeLine(line, entries);
    }
    m_pending.clear();
}

void PlsReader::takeLine(const std::string& line, std::vector<std::string>& entries)
{
    // What stands before the section is not the playlist's (Amarok writes its MIME type there).
    if (!m_bInSection) {
        const std::string_view header = trimmed(line);
        m_bInSection = header.size() == 10 && startsWithNoCase(header, "[playlist]");
        return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return; // "[playlist]", or text that is not a key
    }
    const std::string_view key = trimmed(std::string_view(line).substr(0, equals));
    const std::string_view value = std::string_view(line).substr(equals + 1);
    if (startsWithNoCase(key, "numberofentries") && key.size() == 15) {
        m_nDeclared = number(trimmed(value));
        if (!m_nDeclared) {
            m_refusal = "NumberOfEntries is not a number";
        }
        return;
    }
    if (!startsWithNoCase(key, "file")) {
        return;
    }
    const std::optional<std::uint64_t> n = number(key.substr(4));
    if (!n) {
        return;
    }
    m_vecNumbers.push_back(*n);
    // A value with blanks before it still names its file; blanks after it are the keep test's.
    const std::size_t first = value.find_first_not_of(" \t");
    if (first != std::string_view::npos) {
        entries.emplace_back(value.substr(first));
    }
}

std::optional<std::string> PlsReader::finish(std::vector<std::string>& entries)
{
    if (!m_refusal) {
        m_lines.finish(m_pending);
        takeLines(entries);
    }
    if (m_refusal) {
        return m_refusal;
    }
    if (!m_nDeclared) {
        return "the file ends without NumberOfEntries";
    }
    std::sort(m_vecNumbers.begin(), m_vecNumbers.end());
    m_vecNumbers.erase(std::unique(m_vecNumbers.begin(), m_vecNumbers.end()), m_vecNumbers.end());
    // Numbers past the declared count only add entries; one missing below it is a lost entry.
    std::uint64_t expected = 1;
    for (const std::uint64_t n : m_vecNumbers) {
        if (n > *m_nDeclared || n > expected) {
            break;
        }
        expected = std::max(expected, n + 1);
    }
    if (expected <= *m_nDeclared) {
        return "NumberOfEntries is " + std::to_string(*m_nDeclared) + ", but File" + std::to_string(expected)
            + " is missing";
    }
    return std::nullopt;
}
