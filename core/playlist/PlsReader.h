#pragma once

#include "EntryReader.h"
#include "M3uReader.h"

#include <cstdint>
#include <optional>

// The PLS format: "[playlist]" (lines before it are passed over), then "FileN=" entries, "TitleN=", "LengthN=" and
// "NumberOfEntries=". Lines are read as M3U lines are (byte-order marks, UTF-16, line ends).
// A file whose FileN lines do not cover 1 to NumberOfEntries was cut short or badly written, and
// is refused, as is one without NumberOfEntries: players write it at the end.
class PlsReader final : public EntryReader {
public:
    void feed(std::string_view chunk, std::vector<std::string>& entries) override;
    std::optional<std::string> finish(std::vector<std::string>& entries) override;
    bool done() const override { return m_lines.ended() || m_refusal.has_value(); }

private:
    void takeLines(std::vector<std::string>& entries);
    void takeLine(const std::string& line, std::vector<std::string>& entries);

    M3uLineSplitter m_lines;
    std::vector<std::string> m_pending; // lines split but not yet taken
    std::vector<std::uint64_t> m_vecNumbers; // N of every FileN line
    std::optional<std::uint64_t> m_nDeclared; // NumberOfEntries
    bool m_bInSection = false; // the "[playlist]" line was read
    std::optional<std::string> m_refusal;
};
