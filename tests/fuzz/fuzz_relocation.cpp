// Lines from another machine kept by their trailing path, against a plain reading of the rule:
// of the line's trailing path forms, the longest run of whole trailing segments, the file name
// at least, that ends some entry's path; every entry whose path ends with that run.
//
// Input: a keep line, then entry paths below "/base/", one per line.

#include "ComparisonForm.h"
#include "FuzzCheck.h"
#include "KeepForms.h"
#include "Mp3Collection.h"
#include "Relocation.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <span>

namespace {

// Whole trailing segments that `line` and `path` share, the name first.
std::size_t sharedRun(std::string_view line, std::string_view path)
{
    for (std::size_t n = 0;; ++n) {
        const std::size_t a = line.rfind('/'), b = path.rfind('/'); // npos + 1 is 0
        if (line.substr(a + 1) != path.substr(b + 1)) {
            return n;
        }
        if (a == line.npos || b == path.npos) {
            return n + 1;
        }
        line = line.substr(0, a);
        path = path.substr(0, b);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> inLines = inputLines(in);
    const std::string line(inLines[0]);
    constexpr std::size_t kMaxEntries = 32;
    Mp3Collection found;
    found.base = "/base/";
    // The entries stay where they are made, as the walk's do; each has a folder of its own.
    auto entries = std::make_unique_for_overwrite<char[]>(kMaxEntries * sizeof(Mp3Collection::Entry));
    auto* const made = reinterpret_cast<Mp3Collection::Entry*>(entries.get());
    std::vector<std::string> paths;
    for (const std::string_view rel : std::span(inLines).subspan(1)) {
        const std::string_view name = rel.substr(rel.rfind('/') + 1);
        if (name.empty() || name.size() > 255 || rel.find('\\') != rel.npos || rel.find("//") != rel.npos
            || paths.size() == kMaxEntries) {
            continue;
        }
        const std::string path = found.base + std::string(rel);
        const std::size_t nameOffset = path.size() - name.size();
        const std::string dirForm = comparisonForm(std::string_view(path).substr(0, nameOffset - 1));
        char* const text = found.textBlocks.emplace_back(std::make_unique_for_overwrite<char[]>(path.size())).get();
        std::copy(path.begin(), path.end(), text);
        found.dirs.push_back({std::string_view(text, nameOffset), 0, 0,
                              formHash(std::string_view(dirForm).substr(dirForm.rfind('/') + 1)), text});
        const std::string nameForm = comparisonForm(name);
        found.entries.append(new (made + paths.size())
                                 Mp3Collection::Entry {FolderIndex {static_cast<std::uint32_t>(found.dirs.size() - 1)},
                                                       static_cast<std::uint32_t>(nameOffset), formHash(nameForm),
                                                       static_cast<std::uint16_t>(name.size()), EntryType::File, false},
                             1);
        paths.push_back(comparisonForm(path.substr(0, nameOffset)) + nameForm);
    }
    std::vector<std::unique_ptr<char[]>> blocks;
    blocks.push_back(std::move(entries));
    found.entries.adopt(std::move(blocks));
    const NameIndex index(found);
    const std::vector<EntryIndex> kept = relocate(line, found, index);

    std::size_t best = 0;
    std::vector<EntryIndex> expected;
    for (const std::string& form : trailingPathForms(line)) {
        if (form.empty() || form.back() == '/') {
            continue;
        }
        for (std::uint32_t e = 0; e < paths.size(); ++e) {
            const std::size_t run = sharedRun(form, paths[e]);
            if (run == 0) {
                continue;
            }
            if (run > best) {
                best = run;
                expected.clear();
            }
            if (run == best) {
                expected.push_back(EntryIndex {e});
            }
        }
    }
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    CHECK(kept == expected);
    return 0;
}
