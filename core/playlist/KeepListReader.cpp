#include "KeepListReader.h"

#include "FdCloser.h"
#include "PlaylistFormat.h"
#include "PlaylistReader.h"
#include "XspfQuickScan.h"

#include <algorithm>
#include <future>
#include <optional>

#include <unistd.h>

namespace {

// Larger files are not held in memory twice for the guess below.
constexpr off_t kMaxGuessBytes = off_t(64) << 20;

// The bytes of an XML playlist of at most kMaxGuessBytes; nothing for any other file.
std::optional<std::string> xmlFileBytes(const std::string& path)
{
    std::string refusal;
    off_t size = 0;
    const int fd = openPlaylistFile(path, refusal, &size);
    if (fd < 0) {
        return std::nullopt;
    }
    FdCloser closer(fd);
    if (size > kMaxGuessBytes) {
        return std::nullopt;
    }
    // The first bytes tell whether the file is XML; only then is the rest read.
    char head[4096];
    const ssize_t n = ::read(fd, head, sizeof head);
    if (n <= 0) {
        return std::nullopt;
    }
    FormatSniffer sniffer;
    const std::optional<Sniffed> sniffed = sniffer.feed(std::string_view(head, static_cast<std::size_t>(n)));
    if (!sniffed || sniffed->format != PlaylistFormat::Xml || size < n) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::copy(head, head + n, bytes.begin());
    for (std::size_t got = static_cast<std::size_t>(n); got < bytes.size();) {
        const ssize_t more = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (more <= 0) {
            return std::nullopt;
        }
        got += static_cast<std::size_t>(more);
    }
    return bytes;
}

// The keep-list of a lone XSPF file's locations as a plain search finds them. Made while the XML
// reader checks the file on the other core, it is taken when that reading finds the same lines.
std::optional<KeepList> guessedXspfKeepList(const std::string& path)
{
    const std::optional<std::string> bytes = xmlFileBytes(path);
    if (!bytes || bytes->find("http://xspf.org/ns/0/") == std::string::npos) {
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> lines = quickXspfLocations(*bytes);
    if (!lines) {
        return std::nullopt;
    }
    std::reverse(lines->begin(), lines->end());
    return KeepList(std::move(*lines));
}

} // namespace

KeepListRead readKeepList(std::vector<std::string> paths)
{
    std::future<std::optional<KeepList>> guess;
    if (paths.size() == 1) {
        guess = std::async(std::launch::async, guessedXspfKeepList, paths.front());
    }
    KeepListRead read;
    read.set = readPlaylists(std::move(paths));
    if (!read.set.ok()) {
        return read;
    }
    if (guess.valid()) {
        std::optional<KeepList> guessed = guess.get();
        if (guessed && guessed->lines() == read.set.linesNewestFirst) {
            read.keep = std::move(*guessed);
            read.set.linesNewestFirst.clear();
            return read;
        }
    }
    read.keep = KeepList(std::move(read.set.linesNewestFirst));
    return read;
}
