#include "CueSheets.h"

#include "ComparisonForm.h"
#include "DirLister.h"
#include "KeepForms.h"

#include <algorithm>
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

// The name's comparison form, and how much of it comes before its last dot.
struct NameForms {
    std::string form;
    std::size_t stemLength;

    std::string_view stem() const { return std::string_view(form).substr(0, stemLength); }
};

NameForms nameForms(std::string_view name)
{
    std::string form = comparisonForm(name);
    const std::size_t dot = form.rfind('.');
    const std::size_t stemLength = dot == std::string::npos ? form.size() : dot;
    return {std::move(form), stemLength};
}

// Keeps what the sheet names among `entries`, the listed entries of its folder; returns those.
std::vector<EntryIndex> keepNamed(Mp3Collection& found, const std::vector<EntryIndex>& entries,
                                  const std::vector<std::string>& named)
{
    std::vector<NameForms> forms;
    for (const EntryIndex entry : entries) {
        forms.push_back(nameForms(found.name(found.entries[entry])));
    }
    std::vector<bool> kept(entries.size());
    for (const std::string& name : named) {
        const NameForms wanted = nameForms(name);
        bool byName = false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (forms[i].form == wanted.form) {
                kept[i] = byName = true;
            }
        }
        for (std::size_t i = 0; i < entries.size() && !byName; ++i) {
            kept[i] = kept[i] || forms[i].stem() == wanted.stem();
        }
    }
    std::vector<EntryIndex> made;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (kept[i]) {
            found.entries[entries[i]].kept = true;
            made.push_back(entries[i]);
        }
    }
    return made;
}

// How many whole segments at the end of the form `line` end the form `path`: 0 when not even the
// last one does.
std::size_t trailingRun(std::string_view line, std::string_view path)
{
    std::size_t run = 0;
    for (;;) {
        const std::size_t cut = line.rfind('/');
        const std::string_view segment = cut == std::string_view::npos ? line : line.substr(cut + 1);
        if (segment.empty() || !path.ends_with(segment)
            || (path.size() != segment.size() && path[path.size() - segment.size() - 1] != '/')) {
            return run;
        }
        ++run;
        if (cut == std::string_view::npos || path.size() == segment.size()) {
            return run;
        }
        line = line.substr(0, cut);
        path = path.substr(0, path.size() - segment.size() - 1);
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

CueSheets::CueSheets(Mp3Collection& found, const KeepList& keep, IDirLister& lister)
{
    if (found.cueSheets.empty()) {
        return;
    }
    const auto beside = entriesBesideSheets(found);
    KeepList::Seen seen = keep.newSeen();
    std::string text;
    for (const Mp3Collection::CueSheet& sheet : found.cueSheets) {
        const std::string_view dir = found.dirs[position(sheet.dir)].path;
        const std::string_view name = found.name(sheet);
        Sheet read {std::string(dir).append(name), {}, beside.at(static_cast<std::uint32_t>(sheet.dir)), {}};
        read.form = comparisonForm(read.path);
        const bool kept = keep.advance(keep.start(), read.form, seen).kept;
        const int error
            = lister.readFile(found.base, std::string(dir.substr(found.base.size())), name, kLargestSheet, text);
        for (const std::string_view file : error == 0 ? cueSheetFiles(text) : std::vector<std::string_view> {}) {
            read.named.emplace_back(file);
        }
        if (read.named.empty()) {
            unreadable.push_back({read.path, error}); // 0: read, but it names no file
            for (const EntryIndex entry : read.beside) {
                found.entries[entry].kept = true;
            }
            continue;
        }
        if (kept) {
            keepNamed(found, read.beside, read.named);
        }
        m_sheets.push_back(std::move(read));
    }
    found.linesFound.resize(keep.lines().size());
    for (std::size_t line = 0; line < keep.lines().size(); ++line) {
        if (keep.lineSeen(line, seen)) {
            found.linesFound[line] = true;
        }
    }
}

void CueSheets::keepElsewhere(Mp3Collection& found, const KeepList& keep, PlaylistCheck& check) const
{
    if (m_sheets.empty()) {
        return;
    }
    std::vector<PlaylistCheck::NotFound> still;
    for (const PlaylistCheck::NotFound& missing : check.notFound) {
        std::size_t longest = 0;
        std::vector<const Sheet*> best;
        for (const std::string& form : trailingPathForms(keep.lines()[missing.line])) {
            if (nameEnding(std::string_view(form).substr(form.rfind('/') + 1)) != NameEnding::CueSheet) {
                continue;
            }
            for (const Sheet& sheet : m_sheets) {
                const std::size_t run = trailingRun(form, sheet.form);
                if (run != 0 && run >= longest) {
                    best.resize(run > longest ? 0 : best.size());
                    longest = run;
                    best.push_back(&sheet);
                }
            }
        }
        if (best.empty()) {
            still.push_back(missing);
            continue;
        }
        std::vector<EntryIndex> kept;
        for (const Sheet* sheet : best) {
            const std::vector<EntryIndex> named = keepNamed(found, sheet->beside, sheet->named);
            kept.insert(kept.end(), named.begin(), named.end());
        }
        // Details shows the file it keeps, or the sheet where that names none here.
        const std::string first = kept.empty() ? best.front()->path : found.path(found.entries[kept.front()]);
        check.elsewhere.push_back({missing.line, first, kept.size()});
    }
    check.notFound = std::move(still);
    // Newest line first, as the keep-list.
    std::sort(check.elsewhere.begin(), check.elsewhere.end(),
              [](const PlaylistCheck::Elsewhere& a, const PlaylistCheck::Elsewhere& b) { return a.line < b.line; });
}
