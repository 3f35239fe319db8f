#include "Relocation.h"

#include "Ascii.h"
#include "ComparisonForm.h"
#include "KeepForms.h"
#include "Mp3Collection.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <optional>

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether two names (no separators in them) have the same comparison form; ASCII names need no
// form: theirs is their bytes with the letters lower-cased.
bool sameName(std::string_view a, std::string_view b, const std::string& bForm)
{
    if (a == b) {
        return true;
    }
    if (isAscii(a) && isAscii(b)) {
        return a.size() == b.size()
            && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
    }
    return comparisonForm(a) == bForm;
}

// The key of a name in a directory of a name.
std::uint32_t inDir(std::uint32_t nameHash, std::uint32_t dirHash)
{
    return nameHash ^ (dirHash * 0x9E3779B1U + 0x7F4A7C15U);
}

} // namespace

NameIndex::NameIndex(const Mp3Collection& found)
    : m_found(found)
{
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(found.entries.size(), 16));
    m_nMask = size - 1;
    for (Chains* chains : {&m_byName, &m_byNameInDir}) {
        chains->heads.assign(size, kNone);
        chains->next.assign(found.entries.size(), kNone);
    }
    // Backwards, so that each chain lists its entries in walk order.
    for (auto i = static_cast<std::uint32_t>(found.entries.size()); i-- > 0;) {
        const Mp3Collection::Entry& entry = found.entries[EntryIndex {i}];
        for (const auto& [chains, hash] :
             {std::pair {&m_byName, entry.formHash},
              std::pair {&m_byNameInDir, inDir(entry.formHash, found.dirOf(entry).formHash)}}) {
            chains->next[i] = chains->heads[hash & m_nMask];
            chains->heads[hash & m_nMask] = i;
        }
    }
}

std::vector<EntryIndex> NameIndex::find(std::string_view name, std::optional<std::uint32_t> dirHash) const
{
    std::vector<EntryIndex> entries;
    const std::string nameForm = comparisonForm(name);
    const std::uint32_t hash = formHash(nameForm);
    const Chains& chains = dirHash ? m_byNameInDir : m_byName;
    for (std::uint32_t i = chains.heads[(dirHash ? inDir(hash, *dirHash) : hash) & m_nMask]; i != kNone;
         i = chains.next[i]) {
        const Mp3Collection::Entry& entry = m_found.entries[EntryIndex {i}];
        if (entry.formHash == hash && (!dirHash || m_found.dirOf(entry).formHash == *dirHash)
            && sameName(m_found.name(entry), name, nameForm)) {
            entries.push_back(EntryIndex {i});
        }
    }
    return entries;
}

namespace {

// A line's path before its file name, segment by segment from the end, with each segment's
// comparison form made when first needed.
class LineSegments {
public:
    explicit LineSegments(std::string_view head)
    {
        for (std::size_t end = head.size();;) {
            std::size_t start = end;
            while (start > 0 && !isSeparator(head[start - 1])) {
                --start;
            }
            m_segments.push_back(head.substr(start, end - start));
            if (start == 0) {
                break;
            }
            end = start - 1;
        }
        m_forms.resize(m_segments.size());
    }

    std::size_t size() const { return m_segments.size(); }

    // The hash of the last segment's form, as a directory keeps it of its own name.
    std::uint32_t lastHash()
    {
        if (!m_lastHash) {
            std::string form(m_segments[0]);
            if (isAscii(form)) {
                std::transform(form.begin(), form.end(), form.begin(), lowerAscii);
            } else {
                form = comparisonForm(form);
            }
            m_lastHash = formHash(form);
        }
        return *m_lastHash;
    }

    // Segment `i` from the end against `other` (a directory's segment), in comparison form.
    bool same(std::size_t i, std::string_view other)
    {
        const std::string_view mine = m_segments[i];
        if (!m_forms[i] && !isAscii(mine)) {
            m_forms[i] = comparisonForm(mine);
        }
        return sameName(other, mine, m_forms[i] ? *m_forms[i] : std::string());
    }

private:
    std::vector<std::string_view> m_segments;
    std::vector<std::optional<std::string>> m_forms;
    std::optional<std::uint32_t> m_lastHash;
};

// How many whole segments the line's head and `dir` share at their ends. Most directories
// already differ in their own name, which their hash tells without a look at the path.
std::size_t sharedTrailingSegments(LineSegments& head, const Mp3Collection::Dir& inDir)
{
    if (inDir.formHash != head.lastHash()) {
        return 0;
    }
    std::string_view dir = inDir.path;
    dir.remove_suffix(1);
    std::size_t shared = 0;
    for (; shared < head.size(); ++shared) {
        std::size_t start = dir.size();
        while (start > 0 && dir[start - 1] != '/') {
            --start;
        }
        const bool atRoot = start == 0;
        if (!head.same(shared, dir.substr(start))) {
            break;
        }
        if (atRoot) {
            return shared + 1;
        }
        dir = dir.substr(0, start - 1);
    }
    return shared;
}

} // namespace

std::vector<EntryIndex> relocate(std::string_view line, const Mp3Collection& found, const NameIndex& index)
{
    std::vector<EntryIndex> best;
    std::size_t bestRun = 0;
    for (const std::string& path : trailingPaths(line)) {
        const std::size_t cut = path.find_last_of("/\\");
        const std::string_view name = std::string_view(path).substr(cut == std::string::npos ? 0 : cut + 1);
        if (name.empty()) {
            continue;
        }
        const auto consider = [&](EntryIndex entry, std::size_t run) {
            if (run > bestRun) {
                bestRun = run;
                best.clear();
            }
            if (run == bestRun) {
                best.push_back(entry);
            }
        };
        // Only entries in a directory of the line's directory name can share more than the
        // name; when one of them does, those that share the name alone lose to it.
        bool sharedMore = false;
        if (cut != std::string::npos) {
            LineSegments head(std::string_view(path).substr(0, cut));
            for (const EntryIndex entry : index.find(name, head.lastHash())) {
                const std::size_t shared = sharedTrailingSegments(head, found.dirOf(found.entries[entry]));
                if (shared > 0) {
                    consider(entry, 1 + shared);
                    sharedMore = true;
                }
            }
        }
        if (!sharedMore) {
            for (const EntryIndex entry : index.find(name)) {
                consider(entry, 1);
            }
        }
    }
    std::sort(best.begin(), best.end());
    best.erase(std::unique(best.begin(), best.end()), best.end());
    return best;
}

MissReason missReason(std::string_view line, AudioTypes types)
{
    const std::vector<std::string> forms = trailingPathForms(line);
    if (forms.empty()) {
        return MissReason::WebAddress;
    }
    const std::string& form = forms.front();
    const std::string_view name = std::string_view(form).substr(form.rfind('/') + 1);
    if (name.empty()) {
        return MissReason::Folder;
    }
    // A line names a file: its name is listed as a file's would be.
    return isListedName(name, EntryType::File, types) ? MissReason::Unknown : MissReason::NotMp3;
}
