#include "EntryStamps.h"

#include "DirLister.h"
#include "Mp3Collection.h"

std::uint64_t EntryStamps::totalSize(std::span<const EntryIndex> entries) const
{
    std::uint64_t bytes = 0;
    for (const EntryIndex entry : entries) {
        bytes += size(entry);
    }
    return bytes;
}

void EntryStamps::add(EntryIndex entry, const FileStamp& stamp)
{
    std::uint32_t& slot = m_vecSlot[position(entry)];
    if (slot == kNoSlot) {
        slot = static_cast<std::uint32_t>(m_vecStamps.size());
        m_vecStamps.push_back(stamp);
    } else {
        m_vecStamps[slot] = stamp;
    }
}

EntryStamps recordStamps(IDirLister& lister, const Mp3Collection& found, const std::vector<EntryIndex>& entries,
                         const std::atomic<bool>& stop)
{
    EntryStamps stamps(found.entries.size());
    std::vector<std::string_view> names;
    std::vector<FileStamp> dirStamps;
    for (std::size_t first = 0; first < entries.size() && !stop.load(std::memory_order_relaxed);) {
        const Mp3Collection::Entry& head = found.entries[entries[first]];
        std::size_t last = first;
        names.clear();
        for (; last < entries.size() && found.entries[entries[last]].dir == head.dir; ++last) {
            names.push_back(found.name(found.entries[entries[last]]));
        }
        const std::string_view dir = found.dirOf(head).path.substr(found.base.size());
        lister.stamps(found.base, std::string(dir), names, dirStamps);
        for (std::size_t i = first; i < last; ++i) {
            stamps.add(entries[i], dirStamps[i - first]);
        }
        first = last;
    }
    return stamps;
}
