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

namespace {

std::vector<std::string> segments(std::string_view form)
{
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
        const std::size_t end = form.find('/', at);
        parts.emplace_back(form.substr(at, end - at));
        if (end == std::string_view::npos) {
            return parts;
        }
        at = end + 1;
    }
}

// Whole trailing segments that `line` and `path` share, the name first.
std::size_t sharedRun(const std::string& line, const std::string& path)
{
    const std::vector<std::string> a = segments(line);
    const std::vector<std::string> b = segments(path);
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n]) {
        ++n;
    }
    // The line's first segment counts only where it is whole: at the start of the line.
    return n;
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
    // The entries stay where they are made, as the walk's do.
    auto entries = std::make_unique_for_overwrite<char[]>(kMaxEntries * sizeof(Mp3Collection::Entry));
    auto* const made = reinterpret_cast<Mp3Collection::Entry*>(entries.get());
    std::vector<std::string> paths;
    for (const std::string_view rel : std::vector(inLines.begin() + 1, inLines.end())) {
        const std::size_t slash = rel.rfind('/');
        const std::string_view name = rel.substr(slash == rel.npos ? 0 : slash + 1);
        if (name.empty() || name.size() > 255 || rel.find('\\') != rel.npos || rel.find("//") != rel.npos
            || paths.size() == kMaxEntries) {
            continue;
        }
        const std::string dir = found.base + std::string(rel.substr(0, rel.size() - name.size()));
        const std::string dirForm = comparisonForm(std::string_view(dir).substr(0, dir.size() - 1));
        // The folder's path, then the name.
        auto text = std::make_unique_for_overwrite<char[]>(dir.size() + name.size());
        std::copy(name.begin(), name.end(), std::copy(dir.begin(), dir.end(), text.get()));
        found.dirs.push_back({std::string_view(text.get(), dir.size()), 0, 0,
                              formHash(std::string_view(dirForm).substr(dirForm.rfind('/') + 1)), text.get()});
        found.textBlocks.push_back(std::move(text));
        const auto nameOffset = static_cast<std::uint32_t>(dir.size());
        const std::string nameForm = comparisonForm(name);
        Mp3Collection::Entry* const entry = new (made + paths.size())
            Mp3Collection::Entry {FolderIndex {static_cast<std::uint32_t>(found.dirs.size() - 1)},
                                  nameOffset,
                                  formHash(nameForm),
                                  static_cast<std::uint16_t>(name.size()),
                                  EntryType::File,
                                  false};
        found.entries.append(entry, 1);
        paths.push_back(comparisonForm(dir) + nameForm);
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
