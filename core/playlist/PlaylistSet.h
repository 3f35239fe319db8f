#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The playlists opened together, read as one keep-list: the union of their entries. One that is
// refused refuses them all, since a keep-list without its entries would list their files.
struct PlaylistSet {
    // A playlist that cannot be taken, and why.
    struct Refused {
        std::string path; // file-system bytes
        std::string reason;
    };

    std::vector<std::string> paths; // as chosen
    std::vector<std::string> linesNewestFirst; // every playlist's entries, the last one read first
    std::vector<std::uint32_t> lineSource; // for each of linesNewestFirst, its index in paths
    std::vector<Refused> refused; // empty when the set can be taken

    bool ok() const { return refused.empty(); }
    // "keep.xspf: the file ends inside <trackList> (line 31)", one line each refused playlist.
    std::vector<std::string> refusalLines() const;
};

PlaylistSet readPlaylists(std::vector<std::string> paths);
