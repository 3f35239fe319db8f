#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The forms that one playlist line is compared in: its comparison form, plus the forms of what
// is left once the writing side's platform is taken off it (file: URL, percent escapes, drive
// letter, "./" and "../" prefixes). Every extra form only makes more files wanted.
std::vector<std::string> keepEntryForms(std::string_view line);

// The keep-list: the playlist's lines, newest first, and the keep test over them.
//
// A path is wanted when its comparison form contains the form of any entry. The test runs in
// time linear in the path, whatever the number of entries (a multi-pattern automaton over the
// entries' forms). Matching can be resumed: the state after a directory's form is the start for
// every entry inside it.
class KeepList {
public:
    using State = std::int32_t;

    KeepList();
    // `linesNewestFirst`: the playlist's keep lines, the last one of the file first.
    explicit KeepList(std::vector<std::string> linesNewestFirst);

    const std::vector<std::string>& lines() const { return m_lines; }
    bool empty() const { return m_lines.empty(); }

    State start() const;
    // Feeds more comparison-form bytes. Once matched, the state stays matched.
    State advance(State state, std::string_view form) const;
    static bool matched(State state) { return state == kMatched; }

    // The whole test for one path, given as file-system bytes.
    bool isKept(std::string_view pathBytes) const;

private:
    static constexpr State kMatched = -1;
    // ... automaton tables, defined by the implementation
    std::vector<std::string> m_lines;
};
