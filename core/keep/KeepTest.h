#pragma once

#include "KeepList.h"

#include <string_view>
#include <vector>

// The keep-list as a walk asks it, folder by folder: where a folder's path stands, and whether an
// entry in it is kept. It also records which lines occur in the path of some entry, for the
// playlist check. Several threads may ask at once.
class KeepTest {
public:
    // Where the path of a folder, and the separator after it, stands.
    struct Folder {
        KeepList::Cursor cursor;
        bool formEndsInSegment = false; // some form ends in this folder's own part of the path
    };

    explicit KeepTest(const KeepList& keep);

    // Before anything: the empty path.
    Folder root() const { return {{m_keep.start().node, false}, false}; }
    // The folder `nameForm` (the form of its name or, from root(), of a whole path; without the
    // separator after it) inside `parent`.
    Folder enterFolder(const Folder& parent, std::string_view nameForm) const;
    // Whether the entry whose name has the form `nameForm` in `folder` is kept; records the lines
    // that occur in the name, or run into it from the path.
    bool keeps(const Folder& folder, std::string_view nameForm);
    // Records the lines that occur in a folder's own part of the path, `segmentForm` (its name's
    // form and the separator), entered from `parent`. Only where formEndsInSegment: a walk calls
    // it once for each folder on the way to an entry.
    void recordSegment(const Folder& parent, std::string_view segmentForm);

    // By keep line: whether it occurred in what was recorded.
    std::vector<bool> linesFound() const;

private:
    const KeepList& m_keep;
    KeepList::Seen m_seen;
};
