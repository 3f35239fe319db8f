#pragma once

// The folder keep/: whether a path is kept. Lines and paths in comparison form, an automaton
// over the lines, and what a scan made of each line (verdict, relocation, the playlist check).

#include "FormAutomaton.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The keep-list: the playlist's lines, newest first, and the keep test over them.
//
// A path is wanted when its comparison form contains the form of any entry. The test runs in
// time linear in the path, whatever the number of entries (a multi-pattern automaton over the
// entries' forms). Matching can be resumed: the cursor after a directory's form is the start for
// every entry inside it. Matching can also record which lines occurred in any path, for telling
// the user how the playlist was understood.
class KeepList {
public:
    using State = FormAutomaton::State;
    // Where matching stands: a node of the automaton, and whether some entry's form occurred.
    struct Cursor {
        State node = 0;
        bool kept = false;
    };
    // One flag per node, set when a form that ends there or at a suffix of its text occurred;
    // see lineSeen().
    using Seen = std::vector<std::uint8_t>;

    KeepList();
    // `linesNewestFirst`: the playlist's keep lines, the last one of the file first.
    explicit KeepList(std::vector<std::string> linesNewestFirst);

    const std::vector<std::string>& lines() const { return m_lines; }
    bool empty() const { return m_lines.empty(); }

    Cursor start() const { return {0, m_bMatchAll}; }
    // Feeds more comparison-form bytes.
    Cursor advance(Cursor cursor, std::string_view form) const;
    // The same, recording in `seen` (from newSeen()) every entry form that occurs. Threads may
    // record into one `seen` at once.
    Cursor advance(Cursor cursor, std::string_view form, Seen& seen) const;
    // Whether the path of a directory (at `dir`, which stands after a separator or at the start)
    // followed by the name whose form is `nameForm` (no separator in it) is wanted; records as
    // advance() does. Much cheaper than advance() over the name: a form that ends inside a name
    // either lies wholly in it or runs up to it through the separator before it.
    bool nameKept(Cursor dir, std::string_view nameForm, Seen& seen) const;
    Seen newSeen() const { return Seen(m_all.size() + m_names.size(), 0); }
    // Whether line `line` (an index into lines()) occurred in some text fed with `seen`.
    bool lineSeen(std::size_t line, const Seen& seen) const;

private:
    template<bool kRecord> Cursor feed(Cursor cursor, std::string_view form, Seen* seen) const;
    // Flags in `seen` (from `first` on) the forms that end at `state` of `trie`, where one does
    // (trie.ends(state)): lineSeen() looks at nothing else.
    static void record(const FormAutomaton& automaton, Seen& seen, std::size_t first, State state);

    FormAutomaton m_all; // every form
    FormAutomaton m_names; // the forms without a separator, the only ones that can lie wholly in a name
    bool m_bMatchAll = false; // an entry has the empty form
    std::vector<std::string> m_lines;
    // The flags in Seen where line i's forms end: m_vecLineNodes[m_vecLineFirst[i] .. m_vecLineFirst[i + 1]);
    // those of m_names follow those of m_all.
    std::vector<State> m_vecLineNodes;
    std::vector<std::uint32_t> m_vecLineFirst;
};
