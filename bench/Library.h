#pragma once

// The synthetic music library: an endless, deterministic stream of files (artist by artist,
// album by album), of which a library of N files is the first N. Smaller libraries are thus
// prefixes of larger ones, and a playlist can name tracks just beyond a library's end.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// splitmix64: small, fast, and the same on every platform (std distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    int between(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
    // True with probability percent / 100.
    bool percent(int percent) { return static_cast<int>(next() % 100) < percent; }
    template<class T> void shuffle(std::vector<T>& v)
    {
        for (std::size_t i = v.size(); i > 1; --i) {
            std::swap(v[i - 1], v[next() % i]);
        }
    }

private:
    std::uint64_t m_state;
};

enum class FileKind { Mp3, Flac, Image };

struct LibraryFile {
    std::string artist; // segment bytes: ASCII, UTF-8 or Windows-1252
    std::string album;
    std::string subdir; // "" or "covers"
    std::string name;
    std::string artistText; // the artist and title as UTF-8, for #EXTINF
    std::string titleText;
    int seconds = 0;
    FileKind kind = FileKind::Mp3;

    std::string relativePath() const;
    std::string relativeDir() const;
};

constexpr std::uint64_t kLibrarySeed = 20240611;

// Calls `visit` for each file of the stream in order until it returns false.
void forEachLibraryFile(std::uint64_t seed, const std::function<bool(const LibraryFile&)>& visit);

// Creates the first `files` files of the stream below `root` (which must not exist), or, when
// `mp3Files` is non-zero, every file up to the one that makes `mp3Files` mp3 files. Empty files.
struct TreeCounts {
    std::size_t files = 0;
    std::size_t mp3s = 0;
    std::size_t dirs = 0;
};
TreeCounts createLibraryTree(const std::string& root, std::size_t files, std::size_t mp3Files = 0);

// Writes `<stem>.m3u` (#EXTM3U, #EXTINF lines and paths) and `<stem>.txt` (the paths alone) with
// `keepLines` distinct tracks: at most half of the mp3 tracks of the library of `libraryFiles`
// files, the rest from just beyond it. Returns how many lines name tracks inside the library.
std::size_t writePlaylist(const std::string& stem, std::size_t libraryFiles, std::size_t keepLines);

// Playlists that test the reader rather than the matcher.
void writeStressPlaylists(const std::string& dir);

} // namespace bench
