#include "KeepList.h"

#include "KeepForms.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <limits>
#include <numeric>

namespace {

constexpr KeepList::State kNoChild = std::numeric_limits<KeepList::State>::max();
// How many of the automaton's nodes are laid out a level at a time (640 KB): about the first twelve
// levels of a playlist of 20,000 songs.
constexpr std::size_t kNearRoot = 65536;

std::size_t commonPrefixLength(std::string_view a, std::string_view b)
{
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

} // namespace

KeepList::KeepList()
    : KeepList(std::vector<std::string>())
{
}

KeepList::KeepList(std::vector<std::string> linesNewestFirst)
    : m_lines(std::move(linesNewestFirst))
{
    // All forms in one buffer: a string of its own for each would cost more than the automaton.
    // A form that contains another form of the same line adds nothing to that line's matches.
    struct Span {
        std::size_t offset;
        std::size_t length;
        std::uint32_t line;
    };
    std::string pool;
    std::vector<Span> spans;
    for (std::size_t line = 0; line < m_lines.size(); ++line) {
        const std::vector<std::string> forms = keepEntryForms(m_lines[line]);
        for (const std::string& form : forms) {
            const bool containsOther = std::any_of(forms.begin(), forms.end(), [&form](const std::string& other) {
                return other.size() < form.size() && form.find(other) != form.npos;
            });
            if (!containsOther) {
                spans.push_back({pool.size(), form.size(), static_cast<std::uint32_t>(line)});
                pool += form;
            }
        }
    }
    const auto view = [](const std::string& text, std::size_t offset, std::size_t length) {
        return std::string_view(text).substr(offset, length);
    };
    std::vector<std::uint32_t> bySorted(spans.size());
    std::iota(bySorted.begin(), bySorted.end(), 0U);
    std::sort(bySorted.begin(), bySorted.end(), [&](std::uint32_t a, std::uint32_t b) {
        return view(pool, spans[a].offset, spans[a].length) < view(pool, spans[b].offset, spans[b].length);
    });

    // The distinct non-empty forms copied side by side in sorted order, so that building reads
    // them in memory order; each span learns which of them it is.
    std::string sorted;
    std::vector<std::string_view> forms;
    std::vector<std::uint32_t> formOfSpan(spans.size());
    constexpr std::uint32_t kEmptyForm = std::numeric_limits<std::uint32_t>::max();
    {
        std::vector<std::pair<std::size_t, std::size_t>> sortedSpans;
        for (const std::uint32_t i : bySorted) {
            const std::string_view form = view(pool, spans[i].offset, spans[i].length);
            if (form.empty()) {
                m_bMatchAll = true;
                formOfSpan[i] = kEmptyForm;
                continue;
            }
            if (sortedSpans.empty() || view(sorted, sortedSpans.back().first, sortedSpans.back().second) != form) {
                sortedSpans.emplace_back(sorted.size(), form.size());
                sorted += form;
            }
            formOfSpan[i] = static_cast<std::uint32_t>(sortedSpans.size() - 1);
        }
        pool = {};
        bySorted = {};
        forms.reserve(sortedSpans.size());
        for (const auto& [offset, length] : sortedSpans) {
            forms.push_back(view(sorted, offset, length));
        }
    }
    const std::vector<State> formNodes = m_all.build(forms);
    std::vector<std::string_view> nameForms;
    std::vector<std::uint32_t> nameFormOf(forms.size(), kEmptyForm);
    for (std::size_t i = 0; i < forms.size(); ++i) {
        if (forms[i].find('/') == std::string_view::npos) {
            nameFormOf[i] = static_cast<std::uint32_t>(nameForms.size());
            nameForms.push_back(forms[i]);
        }
    }
    const std::vector<State> nameFormNodes = m_names.build(nameForms);
    const auto namesFirst = static_cast<State>(m_all.nodes.size());

    m_vecLineFirst.assign(m_lines.size() + 1, 0);
    m_vecLineNodes.reserve(spans.size());
    std::size_t at = 0;
    for (std::size_t line = 0; line < m_lines.size(); ++line) {
        m_vecLineFirst[line] = static_cast<std::uint32_t>(m_vecLineNodes.size());
        for (; at < spans.size() && spans[at].line == line; ++at) {
            // The empty form occurs in every text: the root stands for it.
            const std::uint32_t form = formOfSpan[at];
            m_vecLineNodes.push_back(form == kEmptyForm ? 0 : formNodes[form]);
            if (form != kEmptyForm && nameFormOf[form] != kEmptyForm) {
                m_vecLineNodes.push_back(namesFirst + nameFormNodes[nameFormOf[form]]);
            }
        }
    }
    m_vecLineFirst[m_lines.size()] = static_cast<std::uint32_t>(m_vecLineNodes.size());
}

std::vector<KeepList::State> KeepList::Trie::build(const std::vector<std::string_view>& forms)
{
    // Every distinct prefix is one node: room for all of them is reserved at once.
    std::size_t nodeBound = 1; // the root
    for (std::size_t i = 0; i < forms.size(); ++i) {
        nodeBound += forms[i].size() - (i > 0 ? commonPrefixLength(forms[i], forms[i - 1]) : 0);
    }
    std::vector<State> formNodes(forms.size(), 0);
    nodes.reserve(nodeBound);
    labels.reserve(nodeBound);
    counts.reserve(nodeBound);
    nodes.assign(1, Node {0, 0});
    labels.assign(1, 0);
    counts.assign(1, 0);

    // The nodes near the root come first, a level at a time, up to kNearRoot of them: a walk feeds
    // every folder's name through some of them, so they lie in few cache lines. Below, the
    // children of a node are made together, and those of its first child right after them: a path
    // through the trie, which a walk follows name after name in one folder, lies in a few cache
    // lines. Each pending node covers the sorted forms that continue past its text.
    struct Pending {
        State node;
        std::uint32_t depth, lo, hi;
    };
    std::deque<Pending> nearRoot {{0, 0, 0, static_cast<std::uint32_t>(forms.size())}};
    std::vector<Pending> below; // the first nodes past those near the root, in order
    std::vector<Pending> pending; // depth first
    std::vector<Pending> made;
    while (!nearRoot.empty() || !pending.empty()) {
        const bool breadthFirst = !nearRoot.empty();
        const Pending at = breadthFirst ? nearRoot.front() : pending.back();
        if (breadthFirst) {
            nearRoot.pop_front();
        } else {
            pending.pop_back();
        }
        nodes[at.node].firstChild = static_cast<std::uint32_t>(nodes.size());
        made.clear();
        for (std::uint32_t i = at.lo; i < at.hi;) {
            const auto label = static_cast<unsigned char>(forms[i][at.depth]);
            std::uint32_t j = i + 1;
            while (j < at.hi && static_cast<unsigned char>(forms[j][at.depth]) == label) {
                ++j;
            }
            const auto id = static_cast<State>(nodes.size());
            // Sorted, a form that ends here comes first among those that share this prefix.
            const bool formEnds = forms[i].size() == at.depth + 1;
            if (formEnds) {
                formNodes[i] = id;
            }
            nodes.push_back(Node {0, formEnds ? kEnds : 0});
            labels.push_back(label);
            counts.push_back(0);
            if (at.node == 0) {
                root[label] = id;
            }
            const std::uint32_t from = i + (formEnds ? 1 : 0);
            if (from < j) {
                made.push_back({id, at.depth + 1, from, j});
            }
            i = j;
        }
        // Fewer than 256: a form is UTF-8, in which some bytes never occur.
        counts[at.node] = static_cast<std::uint8_t>(nodes.size() - nodes[at.node].firstChild);
        if (!breadthFirst) {
            pending.insert(pending.end(), made.rbegin(), made.rend());
            continue;
        }
        for (const Pending& child : made) {
            if (nodes.size() < kNearRoot) {
                nearRoot.push_back(child);
            } else {
                below.push_back(child);
            }
        }
        if (nearRoot.empty()) {
            pending.insert(pending.end(), below.rbegin(), below.rend());
        }
    }

    // Fail links a level at a time: those of a level only lead to shallower nodes. A level's
    // nodes lie all over the trie: what the next level needs of each is taken along.
    struct Parent {
        State fail;
        std::uint32_t firstChild;
        std::uint32_t count;
    };
    std::vector<Parent> level;
    std::vector<Parent> next;
    for (State i = nodes[0].firstChild; i < nodes[0].firstChild + counts[0]; ++i) {
        if (counts[i] != 0) {
            level.push_back({0, nodes[i].firstChild, counts[i]});
        }
    }
    while (!level.empty()) {
        next.clear();
        for (const Parent& parent : level) {
            for (State i = parent.firstChild; i < parent.firstChild + parent.count; ++i) {
                const State fail = step(parent.fail, labels[i]);
                Node& node = nodes[i];
                node.fail = fail | ((node.fail & kEnds) != 0 || ends(fail) ? kEnds : 0);
                if (counts[i] != 0) {
                    next.push_back({fail, node.firstChild, counts[i]});
                }
            }
        }
        level.swap(next);
    }
    return formNodes;
}

// On every byte of a name: worth a copy at each call.
[[gnu::always_inline]] inline KeepList::State KeepList::Trie::child(State node, unsigned char label) const
{
    const std::uint8_t* const all = labels.data();
    const std::uint32_t lo = nodes[node].firstChild;
    const std::uint32_t count = counts[node];
    if (count <= 8) {
        for (std::uint32_t i = lo; i < lo + count; ++i) {
            if (all[i] == label) {
                return static_cast<State>(i);
            }
        }
        return kNoChild;
    }
    // Without branches: near the root the labels are many and the searches unpredictable.
    const std::uint8_t* at = all + lo;
    for (std::uint32_t n = count; n > 1;) {
        const std::uint32_t half = n / 2;
        at = at[half] <= label ? at + half : at;
        n -= half;
    }
    return *at == label ? static_cast<State>(at - all) : kNoChild;
}

KeepList::State KeepList::Trie::step(State state, unsigned char label) const
{
    for (;;) {
        if (state == 0) {
            return root[label];
        }
        const State next = child(state, label);
        if (next != kNoChild) {
            return next;
        }
        state = failOf(state);
    }
}

namespace {

// Several threads may record at once: each flag only ever goes from 0 to 1.
std::atomic_ref<std::uint8_t> flag(KeepList::Seen& seen, std::size_t at)
{
    return std::atomic_ref<std::uint8_t>(seen[at]);
}

// The empty form occurs in every text, the empty one too. Looked at first: a store to the flag
// on every call would take its cache line from the other threads each time.
void recordEmptyForm(KeepList::Seen& seen)
{
    if (flag(seen, 0).load(std::memory_order_relaxed) == 0) {
        flag(seen, 0).store(1, std::memory_order_relaxed);
    }
}

} // namespace

void KeepList::record(const Trie& trie, Seen& seen, std::size_t first, State state)
{
    // Every suffix that is a node occurred too; the chain up from a node already flagged was
    // flagged with it.
    for (State s = state; flag(seen, first + s).load(std::memory_order_relaxed) == 0; s = trie.failOf(s)) {
        flag(seen, first + s).store(1, std::memory_order_relaxed);
    }
}

template<bool kRecord> KeepList::Cursor KeepList::feed(Cursor cursor, std::string_view form, Seen* seen) const
{
    State state = cursor.node;
    if constexpr (kRecord) {
        recordEmptyForm(*seen);
    }
    for (const char c : form) {
        state = m_all.step(state, static_cast<unsigned char>(c));
        if (m_all.ends(state)) {
            if constexpr (kRecord) {
                record(m_all, *seen, 0, state);
            }
            cursor.kept = true;
        }
    }
    cursor.node = state;
    return cursor;
}

KeepList::Cursor KeepList::advance(Cursor cursor, std::string_view form) const
{
    return feed<false>(cursor, form, nullptr);
}

KeepList::Cursor KeepList::advance(Cursor cursor, std::string_view form, Seen& seen) const
{
    return feed<true>(cursor, form, &seen);
}

bool KeepList::nameKept(Cursor dir, std::string_view nameForm, Seen& seen) const
{
    bool kept = dir.kept;
    recordEmptyForm(seen);
    // A form with a separator that ends in the name runs through the separator before it: its
    // text up to there is a suffix of the directory's path, so a node on the cursor's fail chain
    // that ends in "/"; from there the rest of the form is a prefix of the name.
    for (State up = dir.node; up != 0; up = m_all.failOf(up)) {
        if (m_all.labels[up] != '/') {
            continue;
        }
        State at = up;
        for (const char c : nameForm) {
            at = m_all.child(at, static_cast<unsigned char>(c));
            if (at == kNoChild) {
                break;
            }
            if (m_all.ends(at)) {
                record(m_all, seen, 0, at);
                kept = true;
            }
        }
    }
    // A form without one lies wholly in the name.
    if (!m_names.empty()) {
        const std::size_t first = m_all.nodes.size();
        State state = 0;
        for (const char c : nameForm) {
            state = m_names.step(state, static_cast<unsigned char>(c));
            if (m_names.ends(state)) {
                record(m_names, seen, first, state);
                kept = true;
            }
        }
    }
    return kept;
}

bool KeepList::lineSeen(std::size_t line, const Seen& seen) const
{
    for (std::uint32_t i = m_vecLineFirst[line]; i < m_vecLineFirst[line + 1]; ++i) {
        if (seen[m_vecLineNodes[i]] != 0) {
            return true;
        }
    }
    return false;
}
