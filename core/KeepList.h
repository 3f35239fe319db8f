#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The forms that one playlist line is compared in: its comparison form, plus the forms of what
// is left once the writing side's platform is taken off it (file: URL, percent escapes, drive
// letter, "./" and "../" prefixes). Every extra form only makes more files wanted.
std::vector<std::string> keepEntryForms(std::string_view line);

// The keep-list: the playlist's lines, newest first, and the keep test over them.
//
// A path is wanted when its comparison form contains the form of any entry. The test runs in
// time linear in the path, whatever the number of entries (a multi-pattern automaton over the
// entries' forms). Matching can be resumed: the state after a directory's form is the start for
// every entry inside it.
class KeepList {
public:
    using State = std::int32_t;

    KeepList();
    // `linesNewestFirst`: the playlist's keep lines, the last one of the file first.
    explicit KeepList(std::vector<std::string> linesNewestFirst);

    const std::vector<std::string>& lines() const { return m_lines; }
    bool empty() const { return m_lines.empty(); }

    State start() const;
    // Feeds more comparison-form bytes. Once matched, the state stays matched.
    State advance(State state, std::string_view form) const;
    static bool matched(State state) { return state == kMatched; }

    // The whole test for one path, given as file-system bytes.
    bool isKept(std::string_view pathBytes) const;

private:
    static constexpr State kMatched = -1;

    // A trie node of the automaton. Nodes are stored breadth first and the children of a node
    // are contiguous with sorted labels, so node n's children are [n.firstChild, (n+1).firstChild).
    // A node whose text ends with an entry's form has fail == kMatched and no children: the answer
    // is yes from there on.
    struct Node {
        std::uint32_t firstChild;
        State fail;
    };

    void build(std::vector<std::string_view>& forms);
    State child(State node, unsigned char label) const;
    State step(State state, unsigned char label) const;

    std::vector<Node> m_vecNodes; // the last one only closes the child range of the one before
    std::vector<std::uint8_t> m_vecLabels; // the byte that leads into each node
    std::array<State, 256> m_arrRoot {}; // the root's transitions, 0 where it stays at the root
    bool m_bMatchAll = false; // an entry has the empty form
    std::vector<std::string> m_lines;
};
