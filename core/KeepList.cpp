#include "core/KeepList.h"

#include "core/ComparisonForm.h"

#include <algorithm>
#include <optional>

namespace {

constexpr KeepList::State kNoChild = -1;

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool isEscape(std::string_view text, std::size_t i)
{
    return text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0;
}

bool hasEscape(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isEscape(text, i)) {
            return true;
        }
    }
    return false;
}

// A "%" that does not start two hex digits is an ordinary character.
std::string percentDecoded(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isEscape(text, i)) {
            bytes.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// The still escaped path of a file: URL. The host, "localhost" or any other, is dropped: the
// path below it is what a local path can contain.
std::optional<std::string_view> fileUrlPath(std::string_view line)
{
    constexpr std::string_view kScheme = "file:";
    const auto lower = [](char c) {
        return isAsciiLetter(c) ? static_cast<char>(c | 0x20) : c;
    };
    if (line.size() < kScheme.size()
        || !std::equal(kScheme.begin(), kScheme.end(), line.begin(), [&](char a, char b) { return a == lower(b); })) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(kScheme.size());
    if (rest.size() >= 2 && isSeparator(rest[0]) && isSeparator(rest[1])) {
        rest.remove_prefix(2);
        std::size_t hostEnd = 0;
        while (hostEnd < rest.size() && !isSeparator(rest[hostEnd])) {
            ++hostEnd;
        }
        rest.remove_prefix(hostEnd);
    }
    return rest;
}

// "D:\x", "D:/x" and, as a URL leaves it, "/D:/x" all become the path from the separator on.
std::string_view withoutDriveLetter(std::string_view path)
{
    const std::size_t at = !path.empty() && isSeparator(path[0]) ? 1 : 0;
    if (path.size() >= at + 3 && isAsciiLetter(path[at]) && path[at + 1] == ':' && isSeparator(path[at + 2])) {
        return path.substr(at + 2);
    }
    return path;
}

std::string_view withoutDotPrefixes(std::string_view path)
{
    for (;;) {
        if (path.size() >= 2 && path[0] == '.' && isSeparator(path[1])) {
            path.remove_prefix(2);
        } else if (path.size() >= 3 && path[0] == '.' && path[1] == '.' && isSeparator(path[2])) {
            path.remove_prefix(3);
        } else {
            return path;
        }
    }
}

std::size_t commonPrefixLength(std::string_view a, std::string_view b)
{
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

} // namespace

std::vector<std::string> keepEntryForms(std::string_view line)
{
    std::vector<std::string> forms;
    const auto add = [&forms](std::string_view form) {
        if (std::find(forms.begin(), forms.end(), form) == forms.end()) {
            forms.emplace_back(form);
        }
    };
    // Drive letters and dot segments are whole segments at the front, so taking them off the
    // form gives the form of what is left.
    const auto addCleanedUp = [&add](const std::string& form) {
        const std::string_view noDrive = withoutDriveLetter(form);
        add(form);
        add(noDrive);
        add(withoutDotPrefixes(noDrive));
    };

    addCleanedUp(comparisonForm(line));
    if (const std::optional<std::string_view> urlPath = fileUrlPath(line)) {
        addCleanedUp(comparisonForm(percentDecoded(*urlPath)));
    } else if (hasEscape(line)) {
        addCleanedUp(comparisonForm(percentDecoded(line)));
    }
    return forms;
}

KeepList::KeepList()
    : KeepList(std::vector<std::string>())
{
}

KeepList::KeepList(std::vector<std::string> linesNewestFirst)
    : m_lines(std::move(linesNewestFirst))
{
    // All forms in one buffer: a string of its own for each would cost more than the automaton.
    // A form that contains another form of the same line adds nothing to a yes or no.
    std::string pool;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const std::string& line : m_lines) {
        const std::vector<std::string> forms = keepEntryForms(line);
        for (const std::string& form : forms) {
            const bool containsOther = std::any_of(forms.begin(), forms.end(), [&form](const std::string& other) {
                return other.size() < form.size() && form.find(other) != form.npos;
            });
            if (!containsOther) {
                m_bMatchAll = m_bMatchAll || form.empty();
                spans.emplace_back(pool.size(), form.size());
                pool += form;
            }
        }
    }
    if (m_bMatchAll) {
        spans.clear();
    }
    const auto view = [](const std::string& text, const std::pair<std::size_t, std::size_t>& span) {
        return std::string_view(text).substr(span.first, span.second);
    };
    std::sort(spans.begin(), spans.end(), [&](const auto& a, const auto& b) { return view(pool, a) < view(pool, b); });

    // Copied side by side in sorted order, so that building reads them in memory order.
    std::string sorted;
    std::vector<std::pair<std::size_t, std::size_t>> sortedSpans;
    for (const auto& span : spans) {
        if (sortedSpans.empty() || view(sorted, sortedSpans.back()) != view(pool, span)) {
            sortedSpans.emplace_back(sorted.size(), span.second);
            sorted += view(pool, span);
        }
    }
    pool = {};
    spans = {};
    std::vector<std::string_view> forms;
    forms.reserve(sortedSpans.size());
    for (const auto& span : sortedSpans) {
        forms.push_back(view(sorted, span));
    }
    build(forms);
}

// `forms`: sorted, no duplicates.
void KeepList::build(std::vector<std::string_view>& forms)
{
    // Only a yes or no is asked for, so a form that begins with another one is never needed.
    // Sorted, such a form follows the shortest form it begins with, with nothing else between.
    // Every distinct prefix is at most one node: room for all of them is reserved at once.
    std::size_t kept = 0;
    std::size_t nodeBound = 2; // the root and the closing node
    for (const std::string_view form : forms) {
        const std::string_view last = kept > 0 ? forms[kept - 1] : std::string_view();
        if (kept > 0 && form.starts_with(last)) {
            continue;
        }
        nodeBound += form.size() - commonPrefixLength(form, last);
        forms[kept++] = form;
    }
    forms.resize(kept);

    // Breadth first, one level at a time; each node of a level covers the range of sorted forms
    // that begin with its text. A node that matches gets no children, and since the fail links
    // of a level only lead to shallower nodes, they are all known when the level is built.
    struct Range {
        std::uint32_t lo, hi;
    };
    m_vecNodes.reserve(nodeBound);
    m_vecLabels.reserve(nodeBound);
    m_vecNodes.assign(1, Node {0, 0});
    m_vecLabels.assign(1, 0);
    std::vector<Range> level {{0, static_cast<std::uint32_t>(forms.size())}};
    std::vector<Range> next;
    std::size_t levelStart = 0;
    for (std::size_t depth = 0; !level.empty(); ++depth) {
        next.clear();
        for (std::size_t k = 0; k < level.size(); ++k) {
            const auto node = static_cast<State>(levelStart + k);
            m_vecNodes[node].firstChild = static_cast<std::uint32_t>(m_vecNodes.size());
            if (m_vecNodes[node].fail == kMatched) {
                continue;
            }
            const State parentFail = m_vecNodes[node].fail;
            for (std::uint32_t i = level[k].lo; i < level[k].hi;) {
                const auto label = static_cast<unsigned char>(forms[i][depth]);
                std::uint32_t j = i + 1;
                while (j < level[k].hi && static_cast<unsigned char>(forms[j][depth]) == label) {
                    ++j;
                }
                const auto id = static_cast<State>(m_vecNodes.size());
                const State fail = node == 0 ? 0 : step(parentFail, label);
                const bool ends = forms[i].size() == depth + 1 || m_vecNodes[fail].fail == kMatched;
                m_vecNodes.push_back(Node {0, ends ? kMatched : fail});
                m_vecLabels.push_back(label);
                if (node == 0) {
                    m_arrRoot[label] = id;
                }
                next.push_back(Range {i, j});
                i = j;
            }
        }
        levelStart += level.size();
        level.swap(next);
    }
    m_vecNodes.push_back(Node {static_cast<std::uint32_t>(m_vecNodes.size()), 0});
    // Nodes past a match are never made; give back the room only when that saved much.
    if (m_vecNodes.capacity() - m_vecNodes.size() > m_vecNodes.size() / 4) {
        m_vecNodes.shrink_to_fit();
        m_vecLabels.shrink_to_fit();
    }
}

KeepList::State KeepList::child(State node, unsigned char label) const
{
    const std::uint8_t* labels = m_vecLabels.data();
    const std::uint32_t lo = m_vecNodes[node].firstChild;
    const std::uint32_t hi = m_vecNodes[node + 1].firstChild;
    if (hi - lo <= 8) {
        for (std::uint32_t i = lo; i < hi; ++i) {
            if (labels[i] == label) {
                return static_cast<State>(i);
            }
        }
        return kNoChild;
    }
    // Without branches: near the root the labels are many and the searches unpredictable.
    const std::uint8_t* at = labels + lo;
    for (std::uint32_t n = hi - lo; n > 1;) {
        const std::uint32_t half = n / 2;
        at = at[half] <= label ? at + half : at;
        n -= half;
    }
    return *at == label ? static_cast<State>(at - labels) : kNoChild;
}

KeepList::State KeepList::step(State state, unsigned char label) const
{
    for (;;) {
        if (state == 0) {
            return m_arrRoot[label];
        }
        const State next = child(state, label);
        if (next != kNoChild) {
            return next;
        }
        state = m_vecNodes[state].fail;
    }
}

KeepList::State KeepList::start() const
{
    return m_bMatchAll ? kMatched : 0;
}

KeepList::State KeepList::advance(State state, std::string_view form) const
{
    if (state == kMatched) {
        return state;
    }
    for (const char c : form) {
        state = step(state, static_cast<unsigned char>(c));
        if (m_vecNodes[state].fail == kMatched) {
            return kMatched;
        }
    }
    return state;
}

bool KeepList::isKept(std::string_view pathBytes) const
{
    return matched(advance(start(), comparisonForm(pathBytes)));
}
