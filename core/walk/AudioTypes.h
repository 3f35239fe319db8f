#pragma once

#include "DirLister.h"

#include <cstdint>
#include <span>
#include <string_view>

// Which entries a scan lists: those with ".mp3" anywhere in their names, or every common audio
// file besides.
enum class AudioTypes : std::uint8_t { Mp3, All };

// What a name's ending makes of a file beyond the mp3 name test.
enum class NameEnding : std::uint8_t {
    None,
    Audio, // one of audioEndings()
    CueSheet, // ".cue": the track list of a CD image beside it
};

// The endings, dot first, in lower case, that make a file audio beyond mp3: ".flac", ".ogg"...
// Audiobooks (".m4b", ".aax"), MIDI and playlists are not among them.
std::span<const std::string_view> audioEndings();

// How the name ends, in any case; only the last dot counts.
NameEnding nameEnding(std::string_view name);

// Whether the walk takes an entry: an mp3 name, file or folder; with AudioTypes::All also a file
// or link whose name ends as audio.
bool isListedName(std::string_view name, EntryType type, AudioTypes types);
