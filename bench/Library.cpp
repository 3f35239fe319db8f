#include "Library.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

namespace {

constexpr const char* kAsciiWords[] = {
    "Amber",  "Angel", "Apple",  "Arrow",   "Autumn", "Baby",   "Band",     "Battle",  "Bay",     "Bell",    "Big",
    "Bird",   "Black", "Blue",   "Bone",    "Boy",    "Bridge", "Bright",   "Broken",  "Brother", "Burning", "Call",
    "Candle", "Car",   "Cat",    "Chain",   "City",   "Cloud",  "Cold",     "Crystal", "Dance",   "Dark",    "Dawn",
    "Day",    "Dead",  "Deep",   "Desert",  "Devil",  "Dog",    "Dream",    "Drive",   "Dust",    "Echo",    "Electric",
    "Empty",  "End",   "Eye",    "Fall",    "Fire",   "Flower", "Fly",      "Fox",     "Free",    "Ghost",   "Girl",
    "Glass",  "Gold",  "Golden", "Green",   "Heart",  "Heaven", "High",     "Home",    "Honey",   "Horse",   "Hour",
    "Ice",    "Iron",  "Island", "Jungle",  "King",   "Lady",   "Last",     "Light",   "Lion",    "Little",  "Lonely",
    "Lost",   "Love",  "Low",    "Machine", "Magic",  "Men",    "Midnight", "Mirror",  "Moon",    "Morning", "Mountain",
    "Night",  "Ocean", "Orange", "Paper",   "Party",  "Piano",  "Planet",   "Queen",   "Radio",   "Rain",    "Red",
    "River",  "Road",  "Rock",   "Rose",    "Run",    "Sad",    "Salt",     "Sea",     "Secret",  "Shadow",  "Silver",
    "Sister", "Sky",   "Sleep",  "Slow",    "Smoke",  "Snake",  "Snow",     "Song",    "Soul",    "Sound",   "Spirit",
    "Star",   "Stone", "Storm",  "Street",  "Summer", "Sun",    "Sweet",    "Tiger",   "Time",    "Tree",    "Velvet",
    "Wall",   "Water", "Wave",   "White",   "Wild",   "Wind",   "Winter",   "Wolf",    "World",   "Young",   "Zero",
    "of",     "the",   "and",    "in",      "on",     "my",     "your",
};
// Words that Windows-1252 can spell too (U+2019 is 0x92 there).
constexpr const char* kLatinWords[] = {
    "Café",   "Über",     "Straße",  "Blümchen", "Noël",   "Señor", "Ångström", "Déjà",
    "Hélène", "Sørensen", "Garçon",  "Fiancée",  "Mañana", "Köln",  "Zürich",   "Rock’n’Roll",
    "Größe",  "Éclair",   "Smörgås", "Ça",       "Façade", "Naïve", "Crème",    "Brûlée",
};
constexpr const char* kJapaneseWords[] = {"東京", "さくら", "夜明け", "音楽", "雨の日", "ひかり", "夏祭り", "ラジオ"};

constexpr int kAsciiCount = static_cast<int>(std::size(kAsciiWords));
constexpr int kLatinCount = static_cast<int>(std::size(kLatinWords));
constexpr int kJapaneseCount = static_cast<int>(std::size(kJapaneseWords));

// Only the code points that kLatinWords use.
std::string toCp1252(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
        } else if ((b & 0xE0) == 0xC0) {
            const unsigned cp = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            out.push_back(static_cast<char>(cp));
            i += 2;
        } else {
            const unsigned cp = ((b & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6)
                | (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            if (cp != 0x2019) {
                throw std::logic_error("no Windows-1252 spelling");
            }
            out.push_back('\x92');
            i += 3;
        }
    }
    return out;
}

enum class Script { Ascii, Utf8, Cp1252 };

// Mostly ASCII; now and then a UTF-8 name, and rarely one in Windows-1252 bytes.
Script pickScript(Rng& rng)
{
    const int r = rng.between(0, 99);
    return r < 92 ? Script::Ascii : r < 98 ? Script::Utf8 : Script::Cp1252;
}

// A name as word ids: ids below kAsciiCount are ASCII words, then Latin, then Japanese.
std::vector<int> pickWords(Rng& rng, int minWords, int maxWords, Script script)
{
    std::vector<int> words(static_cast<std::size_t>(rng.between(minWords, maxWords)));
    for (int& w : words) {
        w = rng.between(0, kAsciiCount - 1);
    }
    if (script != Script::Ascii) {
        int& w = words[static_cast<std::size_t>(rng.between(0, static_cast<int>(words.size()) - 1))];
        if (script == Script::Utf8 && rng.percent(40)) {
            w = kAsciiCount + kLatinCount + rng.between(0, kJapaneseCount - 1);
        } else {
            w = kAsciiCount + rng.between(0, kLatinCount - 1);
        }
    }
    return words;
}

// The UTF-8 text and the file-system bytes of a name.
std::pair<std::string, std::string> spell(const std::vector<int>& words, Script script)
{
    std::string text;
    for (const int w : words) {
        if (!text.empty()) {
            text += ' ';
        }
        if (w < kAsciiCount) {
            text += kAsciiWords[w];
        } else if (w < kAsciiCount + kLatinCount) {
            text += kLatinWords[w - kAsciiCount];
        } else {
            text += kJapaneseWords[w - kAsciiCount - kLatinCount];
        }
    }
    // A capital first letter, as a tagger would write it.
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return {text, script == Script::Cp1252 ? toCp1252(text) : text};
}

struct DrawnName {
    std::vector<int> key; // the word ids and the year (0 for none)
    std::string text; // UTF-8
    std::string bytes; // as the file system holds it
};

DrawnName drawName(Rng& rng, int minWords, int maxWords, int yearPercent)
{
    for (;;) {
        const Script script = pickScript(rng);
        std::vector<int> words = pickWords(rng, minWords, maxWords, script);
        const int year = rng.percent(yearPercent) ? rng.between(1960, 2023) : 0;
        // A Windows-1252 name must contain a byte that is not ASCII, or it is no such name.
        if (script == Script::Cp1252
            && std::none_of(words.begin(), words.end(), [](int w) { return w >= kAsciiCount; })) {
            continue;
        }
        auto [text, bytes] = spell(words, script);
        if (year != 0) {
            const std::string prefix = std::to_string(year) + " - ";
            text = prefix + text;
            bytes = prefix + bytes;
        }
        words.push_back(year);
        return {std::move(words), std::move(text), std::move(bytes)};
    }
}

// Names are unique by their words, so two names never share a comparison form.
std::pair<std::string, std::string> uniqueName(Rng& rng, std::set<std::vector<int>>& used, int minWords, int maxWords,
                                               int yearPercent)
{
    for (;;) {
        DrawnName name = drawName(rng, minWords, maxWords, yearPercent);
        if (used.insert(name.key).second) {
            return {std::move(name.text), std::move(name.bytes)};
        }
    }
}

void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

class OutFile {
public:
    explicit OutFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644))
    {
        if (m_fd < 0) {
            throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
        }
    }
    ~OutFile()
    {
        flush();
        ::close(m_fd);
    }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    void put(std::string_view bytes)
    {
        m_nWritten += bytes.size();
        m_buffer.append(bytes);
        if (m_buffer.size() >= (1U << 20)) {
            flush();
        }
    }
    void flush()
    {
        writeAll(m_fd, m_buffer);
        m_buffer.clear();
    }
    std::size_t written() const { return m_nWritten; }

private:
    int m_fd;
    std::string m_buffer;
    std::size_t m_nWritten = 0;
};

void makeDir(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        throw std::runtime_error("mkdir " + path + ": " + std::strerror(errno));
    }
}

void makeEmptyFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error("create " + path + ": " + std::strerror(errno));
    }
    ::close(fd);
}

std::string percentEncoded(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || std::strchr("-._~/", c)) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    return out;
}

std::string withBackslashes(std::string path)
{
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string asciiLower(std::string path)
{
    for (char& c : path) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return path;
}

// How a playlist written elsewhere names a track: mostly relative to the music folder.
std::string playlistLine(Rng& rng, const std::string& relative)
{
    const int r = rng.between(0, 99);
    if (r < 80) {
        return relative;
    }
    if (r < 86) {
        return withBackslashes(relative);
    }
    if (r < 89) {
        return asciiLower(relative);
    }
    if (r < 94) {
        return "/home/alice/Music/" + relative;
    }
    if (r < 98) {
        return "D:\\Music\\" + withBackslashes(relative);
    }
    return "file:///home/alice/Music/" + percentEncoded(relative);
}

struct Track {
    std::string relative;
    std::string artistText;
    std::string titleText;
    int seconds;
};

Track trackOf(const LibraryFile& file)
{
    return {file.relativePath(), file.artistText, file.titleText, file.seconds};
}

void writeM3uEntry(OutFile& m3u, const Track& track, const std::string& line)
{
    m3u.put("#EXTINF:" + std::to_string(track.seconds) + "," + track.artistText + " - " + track.titleText + "\n");
    m3u.put(line);
    m3u.put("\n");
}

} // namespace

std::string LibraryFile::relativeDir() const
{
    std::string dir = artist + "/" + album + "/";
    if (!subdir.empty()) {
        dir += subdir + "/";
    }
    return dir;
}

std::string LibraryFile::relativePath() const
{
    return relativeDir() + name;
}

void forEachLibraryFile(std::uint64_t seed, const std::function<bool(const LibraryFile&)>& visit)
{
    Rng artistNames(seed);
    std::set<std::vector<int>> usedArtists;
    LibraryFile file;
    for (std::uint64_t artistIndex = 0;; ++artistIndex) {
        auto [artistText, artistBytes] = uniqueName(artistNames, usedArtists, 1, 3, 0);
        // Each artist draws from its own generator: its albums do not depend on the other artists.
        Rng rng(seed ^ (artistIndex * 0xD1B54A32D192ED03ULL + 1));
        file.artist = artistBytes;
        file.artistText = artistText;
        std::set<std::vector<int>> usedAlbums;
        const int albums = rng.between(1, 9);
        for (int a = 0; a < albums; ++a) {
            file.album = uniqueName(rng, usedAlbums, 1, 3, 30).second;
            const int format = rng.between(0, 99);
            const char* ext = format < 88 ? ".mp3" : format < 94 ? ".MP3" : ".flac";
            const FileKind kind = format < 94 ? FileKind::Mp3 : FileKind::Flac;
            const int tracks = rng.between(8, 14);
            file.subdir.clear();
            for (int t = 1; t <= tracks; ++t) {
                // Titles may repeat: the track number keeps the names apart.
                auto [key, titleText, titleBytes] = drawName(rng, 1, 4, 0);
                char number[16];
                std::snprintf(number, sizeof number, "%02d - ", t);
                file.name = number + titleBytes + ext;
                file.titleText = titleText;
                file.seconds = rng.between(95, 480);
                file.kind = kind;
                if (!visit(file)) {
                    return;
                }
            }
            file.kind = FileKind::Image;
            file.titleText.clear();
            if (rng.percent(90)) {
                file.name = "folder.jpg";
                if (!visit(file)) {
                    return;
                }
            }
            if (rng.percent(20)) {
                file.subdir = "covers";
                for (const char* name : {"front.jpg", "back.jpg"}) {
                    file.name = name;
                    if (!visit(file)) {
                        return;
                    }
                }
            }
        }
    }
}

TreeCounts createLibraryTree(const std::string& rootDir, std::size_t files, std::size_t mp3Files)
{
    const std::string root = rootDir.ends_with('/') ? rootDir : rootDir + "/";
    TreeCounts counts;
    makeDir(root);
    ++counts.dirs;
    std::string lastDir;
    forEachLibraryFile(kLibrarySeed, [&](const LibraryFile& file) {
        if (mp3Files == 0 ? counts.files == files : counts.mp3s == mp3Files) {
            return false;
        }
        const std::string dir = file.relativeDir();
        if (dir != lastDir) {
            // Parents first; mkdir of an existing one is harmless.
            for (std::size_t slash = dir.find('/'); slash != std::string::npos; slash = dir.find('/', slash + 1)) {
                const std::string path = root + dir.substr(0, slash);
                if (lastDir.compare(0, slash + 1, dir, 0, slash + 1) != 0) {
                    makeDir(path);
                    ++counts.dirs;
                }
            }
            lastDir = dir;
        }
        makeEmptyFile(root + dir + file.name);
        ++counts.files;
        counts.mp3s += file.kind == FileKind::Mp3 ? 1 : 0;
        return true;
    });
    return counts;
}

std::size_t writePlaylist(const std::string& stem, std::size_t libraryFiles, std::size_t keepLines)
{
    std::vector<Track> inside;
    std::vector<Track> outside;
    std::size_t index = 0;
    forEachLibraryFile(kLibrarySeed, [&](const LibraryFile& file) {
        const bool isInside = index++ < libraryFiles;
        if (file.kind == FileKind::Mp3) {
            (isInside ? inside : outside).push_back(trackOf(file));
        }
        const std::size_t wantedOutside = keepLines - std::min(keepLines, inside.size() / 2);
        return isInside || outside.size() < wantedOutside;
    });

    Rng rng(kLibrarySeed ^ (libraryFiles * 31 + keepLines));
    const std::size_t fromInside = std::min(keepLines, inside.size() / 2);
    // A partial Fisher-Yates shuffle picks distinct tracks.
    std::vector<std::size_t> pick(inside.size());
    for (std::size_t i = 0; i < pick.size(); ++i) {
        pick[i] = i;
    }
    std::vector<const Track*> chosen;
    for (std::size_t i = 0; i < fromInside; ++i) {
        std::swap(pick[i], pick[i + rng.next() % (pick.size() - i)]);
        chosen.push_back(&inside[pick[i]]);
    }
    for (std::size_t i = 0; chosen.size() < keepLines && i < outside.size(); ++i) {
        chosen.push_back(&outside[i]);
    }
    rng.shuffle(chosen);

    OutFile m3u(stem + ".m3u");
    OutFile txt(stem + ".txt");
    m3u.put("#EXTM3U\n");
    for (const Track* track : chosen) {
        const std::string line = playlistLine(rng, track->relative);
        writeM3uEntry(m3u, *track, line);
        txt.put(line);
        txt.put("\n");
    }
    return fromInside;
}

void writeStressPlaylists(const std::string& dir)
{
    std::vector<Track> tracks;
    forEachLibraryFile(kLibrarySeed, [&](const LibraryFile& file) {
        if (file.kind == FileKind::Mp3) {
            tracks.push_back(trackOf(file));
        }
        return tracks.size() < 1'000'000;
    });
    Rng rng(kLibrarySeed + 7);
    {
        // A realistic playlist, grown to 100 MB: tracks repeat once the stream's first million run out.
        OutFile m3u(dir + "/big-100mb.m3u");
        m3u.put("#EXTM3U\n");
        for (std::size_t i = 0; m3u.written() < 100'000'000; ++i) {
            const Track& track = tracks[i % tracks.size()];
            writeM3uEntry(m3u, track, playlistLine(rng, track.relative));
        }
    }
    {
        OutFile m3u(dir + "/lines-1m.m3u");
        for (const Track& track : tracks) {
            m3u.put(playlistLine(rng, track.relative));
            m3u.put("\n");
        }
    }
    {
        OutFile m3u(dir + "/one-line-10mb.m3u");
        std::string line;
        while (line.size() < 10'000'000) {
            line += tracks[rng.next() % tracks.size()].relative;
            line += ' ';
        }
        m3u.put(line.substr(0, 10'000'000));
    }
    {
        OutFile raw(dir + "/random-10mb.m3u");
        OutFile no1a(dir + "/random-no1a-10mb.m3u");
        std::string bytes(10'000'000, '\0');
        for (std::size_t i = 0; i < bytes.size(); i += 8) {
            const std::uint64_t r = rng.next();
            std::memcpy(&bytes[i], &r, 8);
        }
        raw.put(bytes);
        // 0x1A ends a playlist within its first few hundred bytes, so a copy without it reads it all.
        for (char& c : bytes) {
            if (c == '\x1A') {
                c = '\x1B';
            }
        }
        no1a.put(bytes);
    }
}

} // namespace bench
