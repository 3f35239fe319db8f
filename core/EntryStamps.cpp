#include "EntryStamps.h"

#include "DirLister.h"
#include "Mp3Collection.h"

void EntryStamps::add(std::uint32_t entry, const FileStamp& stamp)
{
    if (m_vecSlot[entry] == kNoSlot) {
        m_vecSlot[entry] = static_cast<std::uint32_t>(m_vecStamps.size());
        m_vecStamps.push_back(stamp);
    } else {
        m_vecStamps[m_vecSlot[entry]] = stamp;
    }
}

EntryStamps recordStamps(IDirLister& lister, const Mp3Collection& found, const std::vector<std::uint32_t>& entries,
                         const std::atomic<bool>& stop)
{
    EntryStamps stamps(found.entries.size());
    std::vector<std::string_view> names;
    std::vector<FileStamp> dirStamps;
    for (std::size_t first = 0; first < entries.size() && !stop.load(std::memory_order_relaxed);) {
        const std::uint32_t dir = found.entries[entries[first]].dir;
        std::size_t last = first;
        names.clear();
        for (; last < entries.size() && found.entries[entries[last]].dir == dir; ++last) {
            names.push_back(found.name(found.entries[entries[last]]));
        }
        lister.stamps(found.base, std::string(found.dirs[dir].path.substr(found.base.size())), names, dirStamps);
        for (std::size_t i = first; i < last; ++i) {
            stamps.add(entries[i], dirStamps[i - first]);
        }
        first = last;
    }
    return stamps;
}
