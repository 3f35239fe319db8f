#pragma once

#include "KeepList.h"
#include "Mp3Collection.h"

#include <string>
#include <string_view>
#include <vector>

class IDirLister;

// The file names that a cue sheet's FILE lines give, each without the folders written before it.
// Empty when the text has no FILE line.
std::vector<std::string_view> cueSheetFiles(std::string_view text);

// A CD image is played through its cue sheet, and playlists name the sheet, not the image. Marks
// as kept each entry that a kept cue sheet in its own folder names: by its name, or, where no
// entry has that name, by the name without its ending (the sheet of a rip written as WAV and
// stored as FLAC). A cue sheet that cannot be read, or names no file, keeps every entry of its
// folder. The lines that occur in a cue sheet's path are found (`found.linesFound`). Returns the
// cue sheets that could not be read (with error 0 those that name no file).
std::vector<Mp3Collection::Unreadable> applyCueSheets(Mp3Collection& found, const KeepList& keep, IDirLister& lister);
