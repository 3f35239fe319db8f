#include "SavedList.h"

SavedList savedList(const std::vector<std::string>& paths)
{
    SavedList list {"#EXTM3U\n", 0};
    for (const std::string& path : paths) {
        if (path.find('\n') != std::string::npos || path.find('\r') != std::string::npos) {
            ++list.leftOut;
            continue;
        }
        list.text += path;
        list.text += '\n';
    }
    return list;
}
