#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What an entry is, as its directory listed it.
enum class EntryType : std::uint8_t { File, Directory, Link, Other };

// One directory's entries, as the file system gave them ("." and ".." left out).
struct DirListing {
    struct Entry {
        std::uint64_t inode;
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
        EntryType type; // a symbolic link is a Link, never the directory it may lead to
    };

    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string names; // every entry's name, back to back
    std::vector<Entry> entries;

    std::string_view name(const Entry& entry) const
    {
        return std::string_view(names).substr(entry.nameOffset, entry.nameLength);
    }
    void clear()
    {
        device = inode = 0;
        names.clear();
        entries.clear();
    }
};

// Lists one directory. Returns 0, or the errno that says why it cannot be listed (missing, not
// a directory, no access); `out` is then unspecified.
class IDirLister {
public:
    virtual ~IDirLister() = default;
    virtual int list(const std::string& dirPath, DirListing& out) = 0;
    // The size in bytes of each named entry of one directory into `sizes`; 0 for an entry that
    // is not a regular file or cannot be looked at.
    virtual void sizes(const std::string& dirPath, const std::vector<std::string_view>& names,
                       std::vector<std::uint64_t>& sizes)
        = 0;
};
