#pragma once

#include "KeepList.h"
#include "PlaylistSet.h"

// The playlists read and made into the keep-list: what Open m3u does off the window's thread.
struct KeepListRead {
    PlaylistSet set; // its lines are moved into `keep`
    KeepList keep; // empty unless set.ok()
};

KeepListRead readKeepList(std::vector<std::string> paths);
