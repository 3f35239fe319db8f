#include "KeepList.h"

#include "KeepForms.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <numeric>

namespace {

constexpr std::uint32_t kEmptyForm = std::numeric_limits<std::uint32_t>::max();

// The forms of every line, in one buffer: a string of its own for each would cost more than the
// automaton.
struct LineForms {
    struct Span {
        std::size_t offset;
        std::size_t length;
        std::uint32_t line;
    };
    std::string text;
    std::vector<Span> spans; // by line

    std::string_view form(const Span& span) const { return std::string_view(text).substr(span.offset, span.length); }
};

LineForms formsOfLines(const std::vector<std::string>& lines)
{
    LineForms all;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const std::vector<std::string> forms = keepEntryForms(lines[line]);
        for (const std::string& form : forms) {
            // A form that contains another form of the same line adds nothing to its matches.
            const bool containsOther = std::any_of(forms.begin(), forms.end(), [&form](const std::string& other) {
                return other.size() < form.size() && form.find(other) != form.npos;
            });
            if (!containsOther) {
                all.spans.push_back({all.text.size(), form.size(), static_cast<std::uint32_t>(line)});
                all.text += form;
            }
        }
    }
    return all;
}

// The distinct non-empty forms, copied side by side in sorted order, so that building an automaton
// reads them in memory order.
struct DistinctForms {
    std::string text;
    std::vector<std::pair<std::size_t, std::size_t>> at; // offset and length in `text`, sorted
    std::vector<std::uint32_t> ofSpan; // which of them each span of the lines is, or kEmptyForm

    std::string_view form(std::size_t i) const { return std::string_view(text).substr(at[i].first, at[i].second); }
    std::vector<std::string_view> forms() const
    {
        std::vector<std::string_view> all;
        all.reserve(at.size());
        for (std::size_t i = 0; i < at.size(); ++i) {
            all.push_back(form(i));
        }
        return all;
    }
};

DistinctForms distinctForms(const LineForms& lines)
{
    std::vector<std::uint32_t> bySorted(lines.spans.size());
    std::iota(bySorted.begin(), bySorted.end(), 0U);
    std::sort(bySorted.begin(), bySorted.end(), [&lines](std::uint32_t a, std::uint32_t b) {
        return lines.form(lines.spans[a]) < lines.form(lines.spans[b]);
    });
    DistinctForms distinct;
    distinct.ofSpan.resize(lines.spans.size());
    for (const std::uint32_t span : bySorted) {
        const std::string_view form = lines.form(lines.spans[span]);
        if (form.empty()) {
            distinct.ofSpan[span] = kEmptyForm;
            continue;
        }
        if (distinct.at.empty() || distinct.form(distinct.at.size() - 1) != form) {
            distinct.at.emplace_back(distinct.text.size(), form.size());
            distinct.text += form;
        }
        distinct.ofSpan[span] = static_cast<std::uint32_t>(distinct.at.size() - 1);
    }
    return distinct;
}

} // namespace

KeepList::KeepList()
    : KeepList(std::vector<std::string>())
{
}

KeepList::KeepList(std::vector<std::string> linesNewestFirst)
    : m_lines(std::move(linesNewestFirst))
{
    const LineForms lineForms = formsOfLines(m_lines);
    const DistinctForms distinct = distinctForms(lineForms);
    m_bMatchAll = std::find(distinct.ofSpan.begin(), distinct.ofSpan.end(), kEmptyForm) != distinct.ofSpan.end();
    const std::vector<std::string_view> forms = distinct.forms();
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

    // Where each line's forms end, in the flags of Seen: the root stands for the empty form, which
    // occurs in every text; the nodes of m_names follow those of m_all.
    const auto namesFirst = static_cast<State>(m_all.size());
    m_vecLineFirst.assign(m_lines.size() + 1, 0);
    m_vecLineNodes.reserve(lineForms.spans.size());
    std::size_t span = 0;
    for (std::size_t line = 0; line < m_lines.size(); ++line) {
        m_vecLineFirst[line] = static_cast<std::uint32_t>(m_vecLineNodes.size());
        for (; span < lineForms.spans.size() && lineForms.spans[span].line == line; ++span) {
            const std::uint32_t form = distinct.ofSpan[span];
            m_vecLineNodes.push_back(form == kEmptyForm ? 0 : formNodes[form]);
            if (form != kEmptyForm && nameFormOf[form] != kEmptyForm) {
                m_vecLineNodes.push_back(namesFirst + nameFormNodes[nameFormOf[form]]);
            }
        }
    }
    m_vecLineFirst[m_lines.size()] = static_cast<std::uint32_t>(m_vecLineNodes.size());
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

void KeepList::record(const FormAutomaton& automaton, Seen& seen, std::size_t first, State state)
{
    // Every suffix that is a node occurred too; the chain up from a node already flagged was
    // flagged with it.
    for (State s = state; flag(seen, first + s).load(std::memory_order_relaxed) == 0; s = automaton.failOf(s)) {
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
        if (m_all.label(up) != '/') {
            continue;
        }
        State at = up;
        for (const char c : nameForm) {
            at = m_all.child(at, static_cast<unsigned char>(c));
            if (at == FormAutomaton::kNoChild) {
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
        const std::size_t first = m_all.size();
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
