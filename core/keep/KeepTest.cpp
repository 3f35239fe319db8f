#include "KeepTest.h"

KeepTest::KeepTest(const KeepList& keep)
    : m_keep(keep)
    , m_seen(keep.newSeen())
{
}

KeepTest::Folder KeepTest::enterFolder(const Folder& parent, std::string_view nameForm) const
{
    // The folder's own part is fed alone, so that its own result tells whether a form ends in it.
    const KeepList::Cursor segment = m_keep.advance(m_keep.advance({parent.cursor.node, false}, nameForm), "/");
    const bool keptBefore = parent.cursor.kept || m_keep.start().kept;
    return {{segment.node, keptBefore || segment.kept}, segment.kept};
}

bool KeepTest::keeps(const Folder& folder, std::string_view nameForm)
{
    return m_keep.nameKept(folder.cursor, nameForm, m_seen);
}

void KeepTest::recordSegment(const Folder& parent, std::string_view segmentForm)
{
    m_keep.advance({parent.cursor.node, false}, segmentForm, m_seen);
}

std::vector<bool> KeepTest::linesFound() const
{
    std::vector<bool> found(m_keep.lines().size());
    for (std::size_t line = 0; line < found.size(); ++line) {
        found[line] = m_keep.lineSeen(line, m_seen);
    }
    return found;
}
