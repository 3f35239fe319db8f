#pragma once

#include "KeepList.h"
#include "Mp3Collection.h"
#include "PlaylistCheck.h"

#include <string>
#include <string_view>
#include <vector>

class IDirLister;

// The file names that a cue sheet's FILE lines give, each without the folders written before it.
// Empty when the text has no FILE line.
std::vector<std::string_view> cueSheetFiles(std::string_view text);

// A CD image is played through its cue sheet, and playlists name the sheet, not the image. A kept
// cue sheet keeps each entry of its own folder that it names: by its name, or, where no entry has
// that name, by the name without its ending (the sheet of a rip written as WAV and stored as
// FLAC). A cue sheet that cannot be read, or names no file, keeps every entry of its folder.
class CueSheets {
public:
    // Reads the collection's cue sheets and keeps what those that a line keeps in place name; the
    // lines that occur in a cue sheet's path are found (`found.linesFound`).
    CueSheets(Mp3Collection& found, const KeepList& keep, IDirLister& lister);

    // A line not found that names a cue sheet by its trailing path (a playlist written on another
    // machine) keeps what the sheets at the end of the longest such path name: it goes from
    // `check.notFound` to `check.elsewhere`.
    void keepElsewhere(Mp3Collection& found, const KeepList& keep, PlaylistCheck& check) const;

    // Those that could not be read (with error 0 those that name no file).
    std::vector<Mp3Collection::Unreadable> unreadable;

private:
    struct Sheet {
        std::string path; // file-system bytes
        std::string form; // of the whole path
        std::vector<EntryIndex> beside; // the listed entries of its folder
        std::vector<std::string> named; // by its FILE lines
    };

    std::vector<Sheet> m_sheets; // those that could be read
};
