#pragma once

#include "FileStamp.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What an entry is, as its directory listed it.
enum class EntryType : std::uint8_t { File, Directory, Link, Other };

// Bytes that grow without being cleared first, for a directory's records to be read straight into.
class ByteBuffer {
public:
    const char* data() const { return m_data.get(); }
    std::size_t size() const { return m_nSize; }
    void clear() { m_nSize = 0; }
    // Room for `count` more bytes after size(), with what is there kept; they count once added.
    char* room(std::size_t count)
    {
        if (m_nSize + count > m_nCapacity) {
            m_nCapacity = std::max(m_nSize + count, 2 * m_nCapacity);
            auto grown = std::make_unique_for_overwrite<char[]>(m_nCapacity);
            std::copy_n(m_data.get(), m_nSize, grown.get());
            m_data = std::move(grown);
        }
        return m_data.get() + m_nSize;
    }
    void add(std::size_t count) { m_nSize += count; }

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};

// One directory's entries, as the file system gave them ("." and ".." left out).
struct DirListing {
    struct Entry {
        std::uint32_t nameOffset; // into names
        std::uint32_t nameLength;
        EntryType type; // a symbolic link is a Link, never the directory it may lead to
    };

    int fd = -1; // the directory, open for its subdirectories to be opened from
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    ByteBuffer names; // holds every entry's name, maybe amid other bytes
    std::vector<Entry> entries;
    // Kept from one directory to the next: what a lister learned of the file system of the last
    // device it listed on, so that it asks once, not at every directory.
    std::optional<std::uint64_t> fileSystemDevice;
    bool fileSystemMarksEnd = false;

    std::string_view name(const Entry& entry) const { return {names.data() + entry.nameOffset, entry.nameLength}; }
    void clear()
    {
        fd = -1;
        device = inode = 0;
        names.clear();
        entries.clear();
    }
};

// Lists directories, each opened relative to its parent's descriptor, so that no path is too
// long and no symbolic link swapped in is followed. Several threads may call it at once.
class IDirLister {
public:
    static constexpr int kNoParent = -1;

    virtual ~IDirLister() = default;
    // Opens the directory `name` of the one open as `parentFd` without following a symbolic
    // link, or, with kNoParent, the directory at the path `name`; then lists it into `out`,
    // leaving it open as out.fd. `path` is its whole path, or empty unless looksAtPaths(); only
    // tests look at it. Returns 0, or the errno that says why it cannot be listed (missing, not a
    // directory, no access); out.fd is then -1.
    virtual int list(int parentFd, const std::string& name, const std::string& path, DirListing& out) = 0;
    // Whether list() looks at `path`; a walk makes it only for a lister that does.
    virtual bool looksAtPaths() const { return false; }
    // Lets go of a descriptor that list() left open.
    virtual void close(int fd) = 0;
    // What stat says of each named entry of the directory `dir` (relative to `baseDir`, "" or
    // ending in "/"), without following a link, into `stamps`; an unrecorded stamp for an entry
    // that cannot be looked at.
    virtual void stamps(const std::string& baseDir, const std::string& dir, const std::vector<std::string_view>& names,
                        std::vector<FileStamp>& stamps)
        = 0;
    // Reads the regular file `name` of the directory `dir` (relative to `baseDir`, as for stamps())
    // into `out`, when it holds at most `limit` bytes. Returns 0, or the errno that says why not
    // (EFBIG for a larger file, EINVAL for one that is not a regular file).
    virtual int readFile(const std::string& baseDir, const std::string& dir, std::string_view name, std::size_t limit,
                         std::string& out)
        = 0;
    // The type of the file system that holds `dir`, as the mount table names it ("ext4",
    // "fuse.sshfs"), or empty when it cannot be told.
    virtual std::string fileSystemType(const std::string& dir) = 0;
};
