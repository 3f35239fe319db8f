#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

// A multi-pattern automaton (Aho-Corasick) over a set of forms: fed a text byte by byte, it says
// where some form ends. The children of a node are contiguous with sorted labels, so that a node
// costs 8 bytes and a byte's label 1, and a walk's look-ups stay in few cache lines.
class FormAutomaton {
public:
    using State = std::uint32_t;
    static constexpr State kNoChild = std::numeric_limits<State>::max();

    // `forms`: sorted, distinct, none empty. Returns the node where each form ends.
    std::vector<State> build(const std::vector<std::string_view>& forms);

    std::size_t size() const { return m_vecNodes.size(); }
    bool empty() const { return m_vecNodes.size() <= 1; } // only the root
    // The state after `label` from `state`, following fail links where it has no such child.
    State step(State state, unsigned char label) const;
    // The child of `node` with `label`, or kNoChild.
    State child(State node, unsigned char label) const;
    // Whether a form ends at this node or at a suffix of its text.
    bool ends(State node) const { return (m_vecNodes[node].fail & kEnds) != 0; }
    // The node of the longest proper suffix of this node's text.
    State failOf(State node) const { return m_vecNodes[node].fail & ~kEnds; }
    // The byte that leads into the node.
    unsigned char label(State node) const { return m_vecLabels[node]; }

private:
    // The top bit of `fail` says that a form ends here or at a suffix of this node's text.
    struct Node {
        std::uint32_t firstChild;
        std::uint32_t fail;
    };
    static constexpr std::uint32_t kEnds = 0x80000000U;

    struct Pending;
    void makeTrie(const std::vector<std::string_view>& forms, std::vector<State>& formNodes);
    void makeChildren(const Pending& at, const std::vector<std::string_view>& forms, std::vector<State>& formNodes,
                      std::vector<Pending>& made);
    void linkFailures();

    std::vector<Node> m_vecNodes; // node n's children: [firstChild, firstChild + m_vecCounts[n])
    std::vector<std::uint8_t> m_vecLabels;
    std::vector<std::uint8_t> m_vecCounts;
    std::array<State, 256> m_root {}; // the root's transitions, 0 where it stays at the root
};

// Both run on every byte a walk feeds: defined here, so that the callers inline them.
// On every byte of a name: worth a copy at each call.
[[gnu::always_inline]] inline FormAutomaton::State FormAutomaton::child(State node, unsigned char label) const
{
    const std::uint8_t* const all = m_vecLabels.data();
    const std::uint32_t lo = m_vecNodes[node].firstChild;
    const std::uint32_t count = m_vecCounts[node];
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

inline FormAutomaton::State FormAutomaton::step(State state, unsigned char label) const
{
    for (;;) {
        if (state == 0) {
            return m_root[label];
        }
        const State next = child(state, label);
        if (next != kNoChild) {
            return next;
        }
        state = failOf(state);
    }
}
