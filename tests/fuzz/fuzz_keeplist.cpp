// The keep test's automaton against a plain substring search over the same forms, resumed at
// every split of the path, and the lines it records as seen against the same search.
//
// Input: keep lines, then a line holding only "|", then paths; one per line. A first line "*N"
// makes N copies of the keep lines, each behind its number ("12" + line): enough for an automaton
// as large as a real playlist's, with nodes of more than eight children, from an input of a few
// bytes.

#include "ComparisonForm.h"
#include "FuzzCheck.h"
#include "KeepForms.h"
#include "KeepList.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string_view> all = inputLines(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto bar = std::find(all.begin(), all.end(), "|");
    std::vector<std::string> lines(all.begin(), bar);
    std::vector<std::string> paths(bar == all.end() ? bar : bar + 1, all.end());
    if (lines.size() > 64 || paths.size() > 64) {
        return 0;
    }
    if (!lines.empty() && lines[0].starts_with('*')) {
        constexpr std::size_t kMaxLines = 8000;
        const std::size_t copies = std::min<std::size_t>(std::strtoul(lines[0].c_str() + 1, nullptr, 10), kMaxLines);
        lines.erase(lines.begin());
        std::vector<std::string> copied;
        for (std::size_t i = 0; i < copies && copied.size() + lines.size() <= kMaxLines; ++i) {
            for (const std::string& line : lines) {
                copied.push_back(std::to_string(i) + line);
            }
        }
        lines.swap(copied);
        // The plain search is slow over so many lines: a few paths are enough.
        paths.resize(std::min<std::size_t>(paths.size(), 8));
    }
    std::vector<std::vector<std::string>> forms;
    for (const std::string& line : lines) {
        forms.push_back(keepEntryForms(line));
    }
    const KeepList keep(lines);
    KeepList::Seen seen = keep.newSeen();
    std::vector<bool> lineSeen(lines.size(), false);
    for (const std::string& path : paths) {
        const std::string form = comparisonForm(path);
        bool expected = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const bool occurs = std::any_of(forms[i].begin(), forms[i].end(),
                                            [&form](const std::string& f) { return form.find(f) != form.npos; });
            expected = expected || occurs;
            lineSeen[i] = lineSeen[i] || occurs;
        }
        CHECK(keep.advance(keep.start(), comparisonForm(path)).kept == expected);
        for (std::size_t cut = 0; cut <= form.size(); ++cut) {
            const std::string_view head = std::string_view(form).substr(0, cut);
            const std::string_view tail = std::string_view(form).substr(cut);
            CHECK(keep.advance(keep.advance(keep.start(), head), tail).kept == expected);
        }
        const std::size_t cut = form.rfind('/') + 1;
        const KeepList::Cursor dir = keep.advance(keep.start(), std::string_view(form).substr(0, cut), seen);
        CHECK(keep.nameKept(dir, std::string_view(form).substr(cut), seen) == expected);
        CHECK(keep.advance(dir, std::string_view(form).substr(cut)).kept == expected);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        CHECK(keep.lineSeen(i, seen) == (lineSeen[i] && !paths.empty()));
    }
    return 0;
}
