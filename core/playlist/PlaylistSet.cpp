#include "PlaylistSet.h"

#include "PlaylistReader.h"

#include <algorithm>

std::vector<std::string> PlaylistSet::refusalLines() const
{
    std::vector<std::string> lines;
    for (const Refused& playlist : refused) {
        lines.push_back(playlist.path.substr(playlist.path.rfind('/') + 1) + ": " + playlist.reason);
    }
    return lines;
}

PlaylistSet readPlaylists(std::vector<std::string> paths)
{
    PlaylistSet set;
    set.paths = std::move(paths);
    for (std::uint32_t source = 0; source < set.paths.size(); ++source) {
        PlaylistRead read = readPlaylist(set.paths[source]);
        if (!read.ok()) {
            set.refused.push_back({set.paths[source], std::move(read.refusal)});
            continue;
        }
        if (set.ok()) {
            set.lineSource.insert(set.lineSource.end(), read.entries.size(), source);
            set.linesNewestFirst.insert(set.linesNewestFirst.end(), std::make_move_iterator(read.entries.begin()),
                                        std::make_move_iterator(read.entries.end()));
        }
    }
    if (!set.ok()) {
        set.linesNewestFirst.clear();
        set.lineSource.clear();
    }
    std::reverse(set.linesNewestFirst.begin(), set.linesNewestFirst.end());
    std::reverse(set.lineSource.begin(), set.lineSource.end());
    return set;
}
