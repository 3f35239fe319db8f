#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Mp3Collection.h"

// The mp3 entries of a collection by the comparison form of their names, so that a playlist
// line from another machine finds the files of its name without a pass over all entries.
class NameIndex {
public:
    explicit NameIndex(const Mp3Collection& found);

    // The entries whose name has the comparison form of `name`, in walk order; with
    // `dirHash`, only those whose directory's own name has a form of that hash.
    std::vector<EntryIndex> find(std::string_view name, std::optional<std::uint32_t> dirHash = {}) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // Chains of entries by a hash: heads by hash, then each entry's next.
    struct Chains {
        std::vector<std::uint32_t> heads;
        std::vector<std::uint32_t> next;
    };

    const Mp3Collection& m_found;
    Chains m_byName; // by the hash of the name's form
    Chains m_byNameInDir; // by that and the hash of the directory's own name
    std::size_t m_nMask = 0;
};

// The entries that a line keeps by its trailing path: of its trailing path forms, the longest
// run of whole trailing segments, the file name at least, that ends the path of some entry;
// every entry whose path ends with that run. Empty when no entry has the line's file name.
std::vector<EntryIndex> relocate(std::string_view line, const Mp3Collection& found, const NameIndex& index);

// Why a line names no mp3 file, where the line itself tells.
enum class MissReason {
    Unknown,
    WebAddress, // http: and other schemes that are not a disk
    Folder, // ends in a separator
    NotMp3, // its name is not one that the scan lists
};
MissReason missReason(std::string_view line, AudioTypes types = AudioTypes::Mp3);
