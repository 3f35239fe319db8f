#pragma once

// The folder playlist/: reading playlists. The format is told by the content; each format has
// a small reader of its own, and all of them give the lines that the keep test compares.

#include "EntryReader.h"
#include "PlaylistFormat.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

// What reading one playlist gave.
struct PlaylistRead {
    std::vector<std::string> entries; // the keep lines, in file order
    std::string refusal; // why the playlist cannot be taken, for the user; empty when it can
    bool ok() const { return refusal.empty(); }
};

// Reads a playlist in whichever format its content is, from chunks of bytes of any size. A playlist
// that cannot be read whole is refused, never half taken: fewer entries would list wanted files.
class PlaylistParser {
public:
    PlaylistParser();
    ~PlaylistParser();
    void feed(std::string_view chunk);
    PlaylistRead finish();
    // Later bytes would change nothing.
    bool done() const;

private:
    void start(Sniffed sniffed);

    FormatSniffer m_sniffer;
    std::string m_strHead; // the bytes fed while the sniffer had not told yet
    std::unique_ptr<EntryReader> m_reader;
    bool m_bNulAllowed = false; // UTF-16, or past a 0x1A
    PlaylistRead m_read;
};

PlaylistRead readPlaylistBytes(std::string_view bytes);

// Opens the playlist at `path` (file-system bytes) for reading: only a regular file of at most
// 1 GiB. Returns the descriptor and, when asked, the size; or -1 with the reason in `refusal`.
int openPlaylistFile(const std::string& path, std::string& refusal, off_t* size = nullptr);

// Reads the playlist at `path`.
PlaylistRead readPlaylist(const std::string& path);
