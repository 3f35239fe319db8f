#include "FormAutomaton.h"

#include <algorithm>

namespace {

std::size_t commonPrefixLength(std::string_view a, std::string_view b)
{
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

} // namespace

std::vector<FormAutomaton::State> FormAutomaton::build(const std::vector<std::string_view>& forms)
{
    // Every distinct prefix is one node: room for all of them is reserved at once.
    std::size_t nodeBound = 1; // the root
    for (std::size_t i = 0; i < forms.size(); ++i) {
        nodeBound += forms[i].size() - (i > 0 ? commonPrefixLength(forms[i], forms[i - 1]) : 0);
    }
    m_vecNodes.reserve(nodeBound);
    m_vecLabels.reserve(nodeBound);
    m_vecCounts.reserve(nodeBound);
    m_vecNodes.assign(1, Node {0, 0});
    m_vecLabels.assign(1, 0);
    m_vecCounts.assign(1, 0);
    m_root.fill(0);
    std::vector<State> formNodes(forms.size(), 0);
    makeTrie(forms, formNodes);
    linkFailures();
    return formNodes;
}

// A node whose children are still to be made: it covers the sorted forms [lo, hi), which
// continue past its text of `depth` bytes.
struct FormAutomaton::Pending {
    State node;
    std::uint32_t depth, lo, hi;
};

// Makes the children of `at` side by side, and appends those with children of their own to `made`.
void FormAutomaton::makeChildren(const Pending& at, const std::vector<std::string_view>& forms,
                                 std::vector<State>& formNodes, std::vector<Pending>& made)
{
    m_vecNodes[at.node].firstChild = static_cast<std::uint32_t>(m_vecNodes.size());
    for (std::uint32_t i = at.lo; i < at.hi;) {
        const auto label = static_cast<unsigned char>(forms[i][at.depth]);
        std::uint32_t j = i + 1;
        while (j < at.hi && static_cast<unsigned char>(forms[j][at.depth]) == label) {
            ++j;
        }
        const auto id = static_cast<State>(m_vecNodes.size());
        // Sorted, a form that ends here comes first among those that share this prefix.
        const bool formEnds = forms[i].size() == at.depth + 1;
        if (formEnds) {
            formNodes[i] = id;
        }
        m_vecNodes.push_back(Node {0, formEnds ? kEnds : 0});
        m_vecLabels.push_back(label);
        m_vecCounts.push_back(0);
        if (at.node == 0) {
            m_root[label] = id;
        }
        const std::uint32_t from = i + (formEnds ? 1 : 0);
        if (from < j) {
            made.push_back({id, at.depth + 1, from, j});
        }
        i = j;
    }
    // Fewer than 256: a form is UTF-8, in which some bytes never occur.
    m_vecCounts[at.node] = static_cast<std::uint8_t>(m_vecNodes.size() - m_vecNodes[at.node].firstChild);
}

// The children of a node are made together, and those of its first child right after them: a
// path through the trie, which a walk follows name after name in one folder, lies in a few cache
// lines.
void FormAutomaton::makeTrie(const std::vector<std::string_view>& forms, std::vector<State>& formNodes)
{
    std::vector<Pending> pending {{0, 0, 0, static_cast<std::uint32_t>(forms.size())}}; // the next on top
    std::vector<Pending> made;
    while (!pending.empty()) {
        const Pending at = pending.back();
        pending.pop_back();
        made.clear();
        makeChildren(at, forms, formNodes, made);
        pending.insert(pending.end(), made.rbegin(), made.rend());
    }
}

// Fail links a level at a time: those of a level only lead to shallower nodes. A level's nodes lie
// all over the trie: what the next level needs of each is taken along.
void FormAutomaton::linkFailures()
{
    struct Parent {
        State fail;
        std::uint32_t firstChild;
        std::uint32_t count;
    };
    std::vector<Parent> level;
    std::vector<Parent> next;
    for (State i = m_vecNodes[0].firstChild; i < m_vecNodes[0].firstChild + m_vecCounts[0]; ++i) {
        if (m_vecCounts[i] != 0) {
            level.push_back({0, m_vecNodes[i].firstChild, m_vecCounts[i]});
        }
    }
    while (!level.empty()) {
        next.clear();
        for (const Parent& parent : level) {
            for (State i = parent.firstChild; i < parent.firstChild + parent.count; ++i) {
                const State fail = step(parent.fail, m_vecLabels[i]);
                Node& node = m_vecNodes[i];
                node.fail = fail | ((node.fail & kEnds) != 0 || ends(fail) ? kEnds : 0);
                if (m_vecCounts[i] != 0) {
                    next.push_back({fail, node.firstChild, m_vecCounts[i]});
                }
            }
        }
        level.swap(next);
    }
}
