// The keep test's automaton against a plain substring search over the same forms, resumed at
// every split of the path, and the lines it records as seen against the same search.
//
// Input: keep lines, then a line holding only "|", then paths; one per line.

#include "ComparisonForm.h"
#include "FuzzCheck.h"
#include "KeepForms.h"
#include "KeepList.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> lines;
    std::vector<std::string> paths;
    bool inPaths = false;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0; at <= in.size();) {
        const std::size_t end = std::min(in.find('\n', at), in.size());
        const std::string_view line = in.substr(at, end - at);
        if (line == "|") {
            inPaths = true;
        } else {
            (inPaths ? paths : lines).emplace_back(line);
        }
        at = end + 1;
    }
    if (lines.size() > 64 || paths.size() > 64) {
        return 0;
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
