#pragma once

#include "PlaylistCheck.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class KeepList;
struct Mp3Collection;

// What the playlist wants of the mp3 entries found, and how it was understood.
struct KeepOutcome {
    std::vector<std::uint8_t> wanted; // by entry of the collection: 1 when a line keeps it
    PlaylistCheck check;
};

// Tests every mp3 entry against the keep-list in place; then each line that occurs in no
// entry's path keeps the entries its trailing path names (a playlist written on another
// machine). `onTested` is called now and then with the number of entries tested so far.
KeepOutcome testEntries(const Mp3Collection& found, const KeepList& keep,
                        const std::function<void(std::size_t)>& onTested = {});
