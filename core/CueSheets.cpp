#include "CueSheets.h"

#include "ComparisonForm.h"
#include "DirLister.h"

#include <unordered_map>

namespace {

// Far more than the sheet of a CD with a hundred tracks.
constexpr std::size_t kLargestSheet = 1 << 20;

bool startsWithFileKeyword(std::string_view line)
{
    if (line.size() < 5 || (line[4] != ' ' && line[4] != '\t')) {
        return false;
    }
    constexpr std::string_view kFile = "FILE";
    for (std::size_t i = 0; i < kFile.size(); ++i) {
        if ((line[i] & ~0x20) != kFile[i]) {
            return false;
        }
    }
    return true;
}

// `FILE "name" TYPE`, or `FILE name TYPE` where the name has no quotes: the name.
std::string_view fileLineName(std::string_view rest)
{
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    if (rest.starts_with('"')) {
        rest.remove_prefix(1);
        return rest.substr(0, rest.find('"'));
    }
    rest.remove_suffix(rest.size() - (rest.find_last_not_of(" \t") + 1));
    const std::size_t typeAt = rest.find_last_of(" \t");
    return typeAt == std::string_view::npos ? rest : rest.substr(0, rest.find_last_not_of(" \t", typeAt) + 1);
}

// The name's comparison form, and that form up to its last dot.
struct NameForms {
    std::string form;
    std::string_view stem;
};

NameForms nameForms(std::string_view name)
{
    NameForms forms {comparisonForm(name), {}};
    const std::size_t dot = forms.form.rfind('.');
    forms.stem = std::string_view(forms.form).substr(0, dot == std::string::npos ? forms.form.size() : dot);
    return forms;
}

// Keeps what the sheet names among `entries`, the listed entries of its folder.
void keepNamed(Mp3Collection& found, const std::vector<EntryIndex>& entries, const std::vector<std::string_view>& named)
{
    std::vector<NameForms> forms;
    for (const EntryIndex entry : entries) {
        forms.push_back(nameForms(found.name(found.entries[entry])));
    }
    for (const std::string_view name : named) {
        const NameForms wanted = nameForms(name);
        bool byName = false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (forms[i].form == wanted.form) {
                found.entries[entries[i]].kept = byName = true;
            }
        }
        for (std::size_t i = 0; i < entries.size() && !byName; ++i) {
            if (forms[i].stem == wanted.stem) {
                found.entries[entries[i]].kept = true;
            }
        }
    }
}

// The listed entries of each folder that holds a cue sheet.
std::unordered_map<std::uint32_t, std::vector<EntryIndex>> entriesBesideSheets(const Mp3Collection& found)
{
    std::unordered_map<std::uint32_t, std::vector<EntryIndex>> beside;
    for (const Mp3Collection::CueSheet& sheet : found.cueSheets) {
        beside.try_emplace(static_cast<std::uint32_t>(sheet.dir));
    }
    std::uint32_t index = 0;
    for (const Mp3Collection::Entry& entry : found.entries) {
        if (const auto it = beside.find(static_cast<std::uint32_t>(entry.dir)); it != beside.end()) {
            it->second.push_back(EntryIndex {index});
        }
        ++index;
    }
    return beside;
}

} // namespace

std::vector<std::string_view> cueSheetFiles(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<std::string_view> names;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (!startsWithFileKeyword(line)) {
            continue;
        }
        std::string_view name = fileLineName(line.substr(5));
        name.remove_prefix(std::min(name.find_last_of("/\\") + 1, name.size()));
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    return names;
}

std::vector<Mp3Collection::Unreadable> applyCueSheets(Mp3Collection& found, const KeepList& keep, IDirLister& lister)
{
    std::vector<Mp3Collection::Unreadable> unreadable;
    if (found.cueSheets.empty()) {
        return unreadable;
    }
    const auto beside = entriesBesideSheets(found);
    KeepList::Seen seen = keep.newSeen();
    std::string text;
    for (const Mp3Collection::CueSheet& sheet : found.cueSheets) {
        const std::string_view dir = found.dirs[position(sheet.dir)].path;
        const std::string_view name = found.name(sheet);
        const std::string path = std::string(dir).append(name);
        const bool kept = keep.advance(keep.start(), comparisonForm(path), seen).kept;
        const std::vector<EntryIndex>& entries = beside.at(static_cast<std::uint32_t>(sheet.dir));
        const int error
            = lister.readFile(found.base, std::string(dir.substr(found.base.size())), name, kLargestSheet, text);
        const std::vector<std::string_view> named = error == 0 ? cueSheetFiles(text) : std::vector<std::string_view> {};
        if (named.empty()) {
            unreadable.push_back({path, error}); // 0: read, but it names no file
            for (const EntryIndex entry : entries) {
                found.entries[entry].kept = true;
            }
        } else if (kept) {
            keepNamed(found, entries, named);
        }
    }
    found.linesFound.resize(keep.lines().size());
    for (std::size_t line = 0; line < keep.lines().size(); ++line) {
        if (keep.lineSeen(line, seen)) {
            found.linesFound[line] = true;
        }
    }
    return unreadable;
}
