#pragma once

// The synthetic music library: an endless, deterministic stream of files, artist by artist and
// album by album. A library of N files is its first N, so a playlist can name tracks beyond one.

#include <cstddef>
#include <string>

namespace bench {

// How the tracks are named: as the stream has them, or a quarter of the albums FLAC and the rest
// mp3, or those same albums named .mp3 (the tree that a scan of every audio type compares with).
enum class Naming { Stream, QuarterFlac, QuarterFlacAsMp3 };

// Creates the first `files` files of the stream below `root` (empty files), or, when `mp3s` is
// not zero, the files up to the one that makes `mp3s` mp3 files.
void makeLibrary(const std::string& root, std::size_t files, std::size_t mp3s, Naming naming = Naming::Stream);

// Writes `keepLines` tracks, at most half of the library's mp3s and the rest from beyond it, as
// STEM-inplace.m3u (paths relative to the library's root), STEM-elsewhere.m3u (the same tracks
// under other machines' music folders) and STEM.txt (the in-place lines alone, for grep).
void writePlaylists(const std::string& stem, std::size_t libraryFiles, std::size_t keepLines);

// DIR/big-100mb.m3u (#EXTINF and path, 100 MB) and DIR/lines-1m.m3u (a million paths).
void writeBigPlaylists(const std::string& dir);

// The first 100,000 and 20,000 tracks as file URLs, each written as XSPF (the way VLC writes it),
// PLS, M3U and ASX: DIR/tracks-100k.{xspf,pls,m3u,asx} and DIR/tracks-20k.{xspf,pls,m3u,asx}.
void writeFormatPlaylists(const std::string& dir);

} // namespace bench
