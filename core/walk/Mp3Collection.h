#pragma once

#include "AudioTypes.h"
#include "DirLister.h"
#include "Indices.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The mp3 name test: the name contains ".mp3", the letters m and p of either case.
bool isMp3Name(std::string_view name);

// The entries the walk takes (mp3 names, and with AudioTypes::All other audio) below a base directory, in walk order,
// with what the keep test found.
struct Mp3Collection {
    struct Dir {
        std::string_view path; // file-system bytes, ending in "/", in textBlocks
        std::uint64_t device; // of the directory itself, and so of its entries as listed
        std::uint64_t inode;
        std::uint32_t formHash; // of the comparison form of its own name, the last segment of `path`
        const char* names; // its entries' names (and some others) back to back, in textBlocks
    };
    struct Entry {
        FolderIndex dir; // the directory that lists it
        std::uint32_t nameOffset; // into its directory's names
        std::uint32_t formHash; // of comparisonForm(name), to find entries by name
        std::uint16_t nameLength; // a name is at most 255 bytes
        EntryType type;
        bool kept; // the comparison form of its path contains a keep line's
    };
    // The entries in walk order. They stay in the runs, a folder's entries each, in which the walk
    // made them: a collection of a million entries is not copied again once it is made.
    class EntryList {
    public:
        class Iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = Entry;
            using difference_type = std::ptrdiff_t;
            using pointer = const Entry*;
            using reference = const Entry&;

            Iterator() = default;
            const Entry& operator*() const { return *m_pAt; }
            const Entry* operator->() const { return m_pAt; }
            Iterator& operator++()
            {
                if (++m_pAt == m_pRunEnd) {
                    enter(m_nRun + 1);
                }
                return *this;
            }
            Iterator operator++(int)
            {
                Iterator before = *this;
                ++*this;
                return before;
            }
            bool operator==(const Iterator& other) const { return m_pAt == other.m_pAt; }

        private:
            friend class EntryList;
            Iterator(const EntryList* list, std::size_t run)
                : m_pList(list)
            {
                enter(run);
            }
            void enter(std::size_t run);

            const EntryList* m_pList = nullptr;
            std::size_t m_nRun = 0;
            const Entry* m_pAt = nullptr; // null at the end
            const Entry* m_pRunEnd = nullptr;
        };

        std::size_t size() const { return m_nSize; }
        bool empty() const { return m_nSize == 0; }
        Entry& operator[](EntryIndex i) { return at(static_cast<std::size_t>(i)); }
        const Entry& operator[](EntryIndex i) const { return at(static_cast<std::size_t>(i)); }
        Iterator begin() const { return Iterator(this, 0); }
        Iterator end() const { return Iterator(); }

        // Room for the bookkeeping of `entries` entries in `runs` runs.
        void reserve(std::size_t entries, std::size_t runs);
        // Appends the `count` entries at `first`, which stay there: their memory is one of the
        // blocks given to adopt(), before or after.
        void append(Entry* first, std::size_t count);
        void adopt(std::vector<std::unique_ptr<char[]>> blocks);

    private:
        static constexpr unsigned kBlockShift = 4;
        struct Run {
            Entry* first;
            std::size_t start; // the index of its first entry
            std::size_t end;
        };

        Entry& at(std::size_t i) const
        {
            std::size_t run = m_vecRunOfBlock[i >> kBlockShift];
            while (i >= m_vecRuns[run].end) {
                ++run;
            }
            return m_vecRuns[run].first[i - m_vecRuns[run].start];
        }

        std::vector<Run> m_vecRuns;
        // For each 16 entries, the run that holds the first: a look-up steps over few runs.
        std::vector<std::uint32_t> m_vecRunOfBlock;
        std::size_t m_nSize = 0;
        std::vector<std::unique_ptr<char[]>> m_blocks;
    };

    // A cue sheet in a folder with entries, taken only with AudioTypes::All.
    struct CueSheet {
        FolderIndex dir;
        std::uint32_t nameOffset; // into its directory's names
        std::uint16_t nameLength;
    };

    // A folder the walk passed over because it could not be listed.
    struct Unreadable {
        std::string path;
        int error; // errno
    };

    std::string base; // the base directory, ending in "/"
    AudioTypes types = AudioTypes::Mp3; // which entries the walk took
    std::vector<Dir> dirs;
    EntryList entries;
    std::vector<CueSheet> cueSheets; // in walk order
    std::vector<Unreadable> unreadable; // in walk order
    bool baseListed = false; // the base directory itself could be listed
    bool stopped = false; // the walk was stopped before its end; the entries are a part
    std::size_t trashSkipped = 0; // trash folders below the base, not walked
    std::vector<bool> linesFound; // by keep line: whether it occurs in the path of some entry
    std::vector<std::unique_ptr<char[]>> textBlocks; // where the names and the folders' paths are

    const Dir& dirOf(const Entry& e) const { return dirs[static_cast<std::size_t>(e.dir)]; }
    std::string_view name(const Entry& e) const { return {dirOf(e).names + e.nameOffset, e.nameLength}; }
    std::string path(const Entry& e) const { return std::string(dirOf(e).path).append(name(e)); }
    std::string_view name(const CueSheet& c) const
    {
        return {dirs[position(c.dir)].names + c.nameOffset, c.nameLength};
    }
};

// The hash by which entries are found by the comparison form of their names.
std::uint32_t formHash(std::string_view form);
