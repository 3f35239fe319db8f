#pragma once

#include "KeepList.h"
#include "Mp3Collection.h"
#include "PlaylistCheck.h"

#include <vector>

// How each line of the keep-list was understood, from the lines the walk found. Lines that occur
// in no entry's path keep the entries their trailing path names (a playlist written on another
// machine).
struct CheckedPlaylist {
    PlaylistCheck check;
    std::vector<EntryIndex> keptElsewhere; // entries kept by those lines, in no order, maybe twice
};
CheckedPlaylist checkPlaylist(const Mp3Collection& found, const KeepList& keep);

// The verdict: the entries that no line keeps, neither in place (the walk's `kept`) nor elsewhere,
// in walk order.
std::vector<EntryIndex> unwantedEntries(const Mp3Collection& found, const std::vector<EntryIndex>& keptElsewhere);
