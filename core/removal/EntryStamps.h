#pragma once

#include "FileStamp.h"
#include "Indices.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

class IDirLister;
struct Mp3Collection;

// The records of some entries of a collection, taken by stat after the scan, found by entry.
class EntryStamps {
public:
    EntryStamps() = default;
    explicit EntryStamps(std::size_t collectionSize)
        : m_vecSlot(collectionSize, kNoSlot)
    {
    }

    bool empty() const { return m_vecStamps.empty(); }
    // Null for an entry that has no record.
    const FileStamp* find(EntryIndex entry) const
    {
        const std::size_t at = position(entry);
        return at < m_vecSlot.size() && m_vecSlot[at] != kNoSlot ? &m_vecStamps[m_vecSlot[at]] : nullptr;
    }
    std::uint64_t size(EntryIndex entry) const
    {
        const FileStamp* stamp = find(entry);
        return stamp != nullptr ? stamp->size : 0;
    }
    // The bytes of `entries` together; an entry without a record counts none.
    std::uint64_t totalSize(std::span<const EntryIndex> entries) const;
    void add(EntryIndex entry, const FileStamp& stamp);

private:
    static constexpr std::uint32_t kNoSlot = UINT32_MAX;

    std::vector<std::uint32_t> m_vecSlot; // by entry: where its record is in m_vecStamps
    std::vector<FileStamp> m_vecStamps;
};

// Records each of `entries` (indices into `found`) by a stat of it; the entries of one
// directory, standing together, cost one opening of it. Gives up part way when `stop` is set.
EntryStamps recordStamps(IDirLister& lister, const Mp3Collection& found, const std::vector<EntryIndex>& entries,
                         const std::atomic<bool>& stop);
