#include "Bench.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>
#include <vector>

#include <unistd.h>

namespace bench {

namespace {

constexpr std::uint64_t kSeed = 20240611;

// The library is an endless, deterministic stream of files, artist by artist and album by album;
// a library of N files is its first N, so a playlist can name tracks beyond one. Tracks are named
// as the stream has them, or a quarter of the albums FLAC and the rest mp3, or those same albums
// named .mp3 (the tree that a scan of every audio type compares with).
enum class Naming { Stream, QuarterFlac, QuarterFlacAsMp3 };

// splitmix64: small, and the same on every platform (std distributions are not).
struct Rng {
    std::uint64_t state;

    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int between(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
    template<std::size_t N> const char* pick(const char* const (&words)[N]) { return words[next() % N]; }
};

constexpr const char* kAsciiWords[] = {
    "Amber",  "Angel",    "Arrow",  "Autumn", "Baby",   "Bell",  "Big",     "Bird",     "Black",  "Blue",  "Boy",
    "Bridge", "Broken",   "Call",   "City",   "Cloud",  "Cold",  "Crystal", "Dance",    "Dark",   "Dawn",  "Dead",
    "Deep",   "Desert",   "Devil",  "Dream",  "Drive",  "Dust",  "Echo",    "Electric", "Empty",  "Fire",  "Flower",
    "Fox",    "Free",     "Ghost",  "Girl",   "Glass",  "Gold",  "Green",   "Heart",    "Heaven", "Home",  "Honey",
    "Ice",    "Iron",     "Island", "King",   "Lady",   "Light", "Lion",    "Lonely",   "Lost",   "Love",  "Machine",
    "Magic",  "Midnight", "Mirror", "Moon",   "Night",  "Ocean", "Paper",   "Piano",    "Queen",  "Radio", "Rain",
    "Red",    "River",    "Road",   "Rock",   "Rose",   "Sea",   "Secret",  "Shadow",   "Silver", "Sky",   "Smoke",
    "Snow",   "Song",     "Soul",   "Star",   "Stone",  "Storm", "Street",  "Summer",   "Sun",    "Tiger", "Time",
    "Water",  "White",    "Wild",   "Wind",   "Winter", "Wolf",  "World",   "of",       "the",    "and",   "my",
};
// Only letters of U+0080..U+00FF, which Windows-1252 spells as the one byte of the same value.
constexpr const char* kLatinWords[] = {
    "Café",   "Über",    "Straße", "Blümchen", "Noël",   "Señor", "Ångström", "Déjà",    "Hélène", "Sørensen",
    "Garçon", "Fiancée", "Mañana", "Köln",     "Zürich", "Größe", "Éclair",   "Smörgås", "Ça",     "Façade",
};
constexpr const char* kJapaneseWords[] = {"東京", "さくら", "夜明け", "音楽", "雨の日", "ひかり", "夏祭り", "ラジオ"};

std::string toCp1252(const std::string& utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        out.push_back(static_cast<char>(b < 0x80 ? b : ((b & 0x1F) << 6) | (utf8[++i] & 0x3F)));
    }
    return out;
}

// A name as the file system holds it: mostly ASCII, now and then with a word in UTF-8, rarely
// with one in Windows-1252. Not one that `used` holds already, when given.
std::string drawName(Rng& rng, int maxWords, int yearPercent, std::set<std::string>* used = nullptr)
{
    for (;;) {
        const int script = rng.between(0, 99);
        const int words = rng.between(1, maxWords);
        const int special = script < 92 ? -1 : rng.between(0, words - 1);
        std::string name;
        for (int i = 0; i < words; ++i) {
            name += i == 0 ? "" : " ";
            if (i != special) {
                name += rng.pick(kAsciiWords);
            } else {
                name += script < 98 && rng.between(0, 9) < 4 ? rng.pick(kJapaneseWords) : rng.pick(kLatinWords);
            }
        }
        // A capital first letter, as a tagger writes it.
        name[0] = static_cast<char>(name[0] >= 'a' && name[0] <= 'z' ? name[0] - 'a' + 'A' : name[0]);
        if (rng.between(0, 99) < yearPercent) {
            name = std::to_string(rng.between(1960, 2023)) + " - " + name;
        }
        if (used == nullptr || used->insert(name).second) {
            return script < 98 ? name : toCp1252(name);
        }
    }
}

struct LibraryFile {
    std::string path; // relative to the library's root
    std::string extinf; // "#EXTINF:seconds,Artist - Title" for a track, empty for a picture
    bool mp3 = false;
};

// Calls `visit` with each file of the stream (an album's tracks, folder.jpg, covers/) in order
// until it returns false.
void forEachFile(const std::function<bool(const LibraryFile&)>& visit)
{
    Rng rng {kSeed};
    std::set<std::string> artists;
    std::vector<LibraryFile> files;
    for (;;) {
        const std::string artist = drawName(rng, 3, 0, &artists);
        std::set<std::string> albums;
        for (int album = rng.between(1, 9); album > 0; --album) {
            const std::string dir = artist + "/" + drawName(rng, 3, 30, &albums) + "/";
            const int format = rng.between(0, 99);
            const char* ext = format < 88 ? ".mp3" : format < 94 ? ".MP3" : ".flac";
            files.clear();
            for (int track = 1, tracks = rng.between(8, 14); track <= tracks; ++track) {
                const std::string title = drawName(rng, 4, 0);
                files.push_back({dir + (track < 10 ? "0" : "") + std::to_string(track) + " - " + title + ext,
                                 "#EXTINF:" + std::to_string(rng.between(95, 480)) + "," + artist + " - " + title,
                                 format < 94});
            }
            if (rng.between(0, 9) < 9) {
                files.push_back({dir + "folder.jpg", "", false});
            }
            if (rng.between(0, 9) < 2) {
                files.push_back({dir + "covers/front.jpg", "", false});
                files.push_back({dir + "covers/back.jpg", "", false});
            }
            for (const LibraryFile& file : files) {
                if (!visit(file)) {
                    return;
                }
            }
        }
    }
}

// How other machines' playlists name a track: their own music folder, their own separators.
constexpr const char* kOtherRoots[] = {"/storage/emulated/0/Music/", "/Users/alice/Music/iTunes/iTunes Media/Music/",
                                       "E:\\Audio\\", "\\\\nas\\music\\"};

std::string elsewhere(Rng& rng, std::string relative)
{
    const int root = rng.between(0, 3);
    if (root >= 2) {
        std::replace(relative.begin(), relative.end(), '/', '\\');
    }
    return kOtherRoots[root] + relative;
}

// A track's path as `naming` has it: an album folder in four, by the hash of its path, FLAC.
std::string named(const LibraryFile& file, Naming naming)
{
    if (naming == Naming::Stream || file.extinf.empty()) {
        return file.path;
    }
    const std::size_t dir = file.path.rfind('/');
    const bool flac = naming == Naming::QuarterFlac && std::hash<std::string> {}(file.path.substr(0, dir)) % 4 == 0;
    return file.path.substr(0, file.path.rfind('.')) + (flac ? ".flac" : ".mp3");
}

// The first `files` files of the stream below `root` (empty files), or, when `mp3s` is not zero,
// the files up to the one that makes `mp3s` mp3 files.
void makeLibrary(const std::string& root, std::size_t files, std::size_t mp3s, Naming naming)
{
    std::size_t made = 0;
    std::size_t madeMp3s = 0;
    forEachFile([&](const LibraryFile& file) {
        if (mp3s == 0 ? made == files : madeMp3s == mp3s) {
            return false;
        }
        const std::filesystem::path path = root + "/" + named(file, naming);
        std::filesystem::create_directories(path.parent_path());
        if (!std::ofstream(path)) {
            throw std::runtime_error("cannot create " + path.string());
        }
        ++made;
        madeMp3s += file.mp3 ? 1 : 0;
        return true;
    });
    // Timings that follow should not pay for this tree's write-back.
    ::sync();
}

// `keepLines` tracks, at most half of the library's mp3s and the rest from beyond it, as
// STEM-inplace.m3u (paths relative to the library's root), STEM-elsewhere.m3u (the same tracks
// under other machines' music folders) and STEM.txt (the in-place lines alone, for grep).
void writePlaylists(const std::string& stem, std::size_t libraryFiles, std::size_t keepLines)
{
    std::vector<LibraryFile> tracks; // the library's `inside` mp3s first, then those beyond it
    std::size_t files = 0;
    std::size_t inside = 0;
    forEachFile([&](const LibraryFile& file) {
        if (file.mp3) {
            inside += files < libraryFiles ? 1 : 0;
            tracks.push_back(file);
        }
        ++files;
        return files < libraryFiles || tracks.size() < inside + keepLines - std::min(keepLines, inside / 2);
    });
    Rng rng {kSeed ^ (libraryFiles * 31 + keepLines)};
    // Distinct tracks of the library by a partial Fisher-Yates shuffle, then the ones beyond it.
    const std::size_t fromInside = std::min(keepLines, inside / 2);
    for (std::size_t i = 0; i < fromInside; ++i) {
        std::swap(tracks[i], tracks[i + rng.next() % (inside - i)]);
    }
    tracks.erase(tracks.begin() + static_cast<std::ptrdiff_t>(fromInside),
                 tracks.begin() + static_cast<std::ptrdiff_t>(inside));
    tracks.resize(std::min(tracks.size(), keepLines));
    for (std::size_t i = tracks.size(); i > 1; --i) {
        std::swap(tracks[i - 1], tracks[rng.next() % i]);
    }
    std::ofstream inPlace(stem + "-inplace.m3u", std::ios::binary);
    std::ofstream away(stem + "-elsewhere.m3u", std::ios::binary);
    std::ofstream txt(stem + ".txt", std::ios::binary);
    inPlace << "#EXTM3U\n";
    away << "#EXTM3U\n";
    for (const LibraryFile& track : tracks) {
        inPlace << track.extinf << '\n' << track.path << '\n';
        away << track.extinf << '\n' << elsewhere(rng, track.path) << '\n';
        txt << track.path << '\n';
    }
    if (!inPlace.flush() || !away.flush() || !txt.flush()) {
        throw std::runtime_error("cannot write " + stem + "*");
    }
}

// DIR/big-100mb.m3u (#EXTINF and path, 100 MB) and DIR/lines-1m.m3u (a million paths).
void writeBigPlaylists(const std::string& dir)
{
    std::filesystem::create_directories(dir);
    Rng rng {kSeed + 7};
    std::ofstream lines(dir + "/lines-1m.m3u", std::ios::binary);
    std::ofstream big(dir + "/big-100mb.m3u", std::ios::binary);
    big << "#EXTM3U\n";
    // A million tracks with their #EXTINF lines make more than 100 MB; the first ones fill it.
    std::size_t count = 0;
    std::size_t bytes = 8;
    forEachFile([&](const LibraryFile& track) {
        if (track.mp3) {
            const std::string line = rng.between(0, 1) == 0 ? track.path : elsewhere(rng, track.path);
            lines << line << '\n';
            bytes += track.extinf.size() + line.size() + 2;
            if (bytes <= 100'000'000) {
                big << track.extinf << '\n' << line << '\n';
            }
        }
        return track.mp3 ? ++count < 1'000'000 : true;
    });
    if (!lines.flush() || !big.flush()) {
        throw std::runtime_error("cannot write " + dir);
    }
}

} // namespace

int generate(char** args, int generator)
{
    switch (generator) {
    case kTree: // ROOT FILES MP3S [quarter-flac | quarter-flac-as-mp3]
        makeLibrary(args[1], std::stoul(args[2]), std::stoul(args[3]),
                    args[4] == nullptr                              ? Naming::Stream
                        : std::strcmp(args[4], "quarter-flac") == 0 ? Naming::QuarterFlac
                                                                    : Naming::QuarterFlacAsMp3);
        break;
    case kPlaylists: // STEM LIBRARY_FILES KEEP_LINES
        writePlaylists(args[1], std::stoul(args[2]), std::stoul(args[3]));
        break;
    default: // DIR
        writeBigPlaylists(args[1]);
    }
    return 0;
}

} // namespace bench
