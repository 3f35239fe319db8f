#include "Relocation.h"

#include "ComparisonForm.h"
#include "KeepList.h"
#include "TreeWalk.h"

#include <algorithm>
#include <bit>
#include <functional>

NameIndex::NameIndex(const Mp3Collection& found)
    : m_found(found)
{
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(found.entries.size() * 2, 16));
    m_nMask = size - 1;
    m_vecHeads.assign(size, kNone);
    m_vecNext.assign(found.entries.size(), kNone);
    // Backwards, so that each chain lists its entries in walk order.
    for (std::size_t i = found.entries.size(); i-- > 0;) {
        const std::size_t bucket = found.entries[i].formHash & m_nMask;
        m_vecNext[i] = m_vecHeads[bucket];
        m_vecHeads[bucket] = static_cast<std::uint32_t>(i);
    }
}

std::vector<std::uint32_t> NameIndex::find(std::string_view nameForm) const
{
    std::vector<std::uint32_t> entries;
    const std::uint32_t hash = formHash(nameForm);
    for (std::uint32_t i = m_vecHeads[hash & m_nMask]; i != kNone; i = m_vecNext[i]) {
        if (m_found.entries[i].formHash == hash && comparisonForm(m_found.name(m_found.entries[i])) == nameForm) {
            entries.push_back(i);
        }
    }
    return entries;
}

namespace {

// How many whole segments `head` (a line's form up to its file name, "" or ending in "/") and
// `dir` (a directory's form, ending in "/") share at their ends.
std::size_t sharedTrailingSegments(std::string_view head, std::string_view dir)
{
    std::size_t shared = 0;
    while (!head.empty() && !dir.empty()) {
        head.remove_suffix(1);
        dir.remove_suffix(1);
        const std::size_t headStart = head.rfind('/') + 1; // npos + 1 is 0
        const std::size_t dirStart = dir.rfind('/') + 1;
        if (head.substr(headStart) != dir.substr(dirStart)) {
            break;
        }
        ++shared;
        head = head.substr(0, headStart);
        dir = dir.substr(0, dirStart);
    }
    return shared;
}

} // namespace

std::vector<std::uint32_t> relocate(std::string_view line, const Mp3Collection& found, const NameIndex& index)
{
    std::vector<std::uint32_t> best;
    std::size_t bestRun = 0;
    for (const std::string& form : trailingPathForms(line)) {
        const std::size_t cut = form.rfind('/') + 1;
        const std::string_view name = std::string_view(form).substr(cut);
        if (name.empty()) {
            continue;
        }
        for (const std::uint32_t entry : index.find(name)) {
            const std::string dirForm = comparisonForm(found.dirs[found.entries[entry].dir].path);
            const std::size_t run = 1 + sharedTrailingSegments(std::string_view(form).substr(0, cut), dirForm);
            if (run > bestRun) {
                bestRun = run;
                best.clear();
            }
            if (run == bestRun) {
                best.push_back(entry);
            }
        }
    }
    std::sort(best.begin(), best.end());
    best.erase(std::unique(best.begin(), best.end()), best.end());
    return best;
}

MissReason missReason(std::string_view line)
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
    return isMp3Name(name) ? MissReason::Unknown : MissReason::NotMp3;
}
