#pragma once

#include "FileDeleter.h"
#include "Indices.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class EntryStamps;
class IDirLister;
class RemovalRecordWriter;
struct Mp3Collection;

// One file the user chose to delete: its row in the list, where it is, and what the scan saw.
struct RemovalRequest {
    std::size_t row;
    EntryIndex entry;
    // File-system bytes in the scan's collection, which outlives its requests.
    std::string_view dir; // relative to the base directory: "" or ending in "/"
    std::string_view name;
    EntryIdentity identity;
    bool stamped; // identity.stamp is the record taken after the scan
};

// The request for entry `entry` of `found`, shown in row `row`, with its record in `stamps` if
// it has one.
RemovalRequest removalRequest(const Mp3Collection& found, const EntryStamps& stamps, EntryIndex entry, std::size_t row);

// Records the requests that the pass after the scan had not reached yet, before anything is
// removed; none is taken from the directory's listing.
void completeStamps(IDirLister& lister, const Mp3Collection& found, std::vector<RemovalRequest>& requests);

// What a Delete Files or a Move to Trash did.
struct RemovalOutcome {
    struct Failure {
        std::size_t row;
        std::string path;
        int error; // errno, or one of IFileDeleter's own answers
    };

    // A trash folder that files went to, and how many.
    struct TrashUse {
        std::string dir;
        std::size_t files;
    };

    std::vector<std::uint8_t> gone; // by row of the list: 1 when the file is gone
    std::vector<Failure> failures; // in row order
    std::vector<std::size_t> untouched; // rows not attempted, because the deletion was stopped
    int recordError = 0; // why the record of the removed files could not be written
    std::size_t foldersRemoved = 0; // folders left empty, removed after the files
    std::size_t foldersStayed = 0; // emptied folders that stayed: something else is in them, or they are mount points
    std::size_t attempted = 0;
    Removal removal = Removal::Delete;
    std::vector<TrashUse> trashes; // each trash used, the home's included, in the order first used

    bool stopped() const { return !untouched.empty(); }
    std::size_t selected() const { return attempted + untouched.size(); }
};

// Deletes the requested files below `baseDir` permanently, or moves them to the trash, in the
// order given, each only while it is still the entry the scan listed. A file that is already gone
// from its folder counts as deleted, not as moved; one whose folder is gone is a failure.
// `rowCount`: the rows of the list, for `gone`. Setting `stop` ends it after the file at hand, with
// the rest untouched and not counted. `done` counts the files attempted so far. Each file removed
// goes to `record`, where there is one, as soon as it is gone.
RemovalOutcome removeFiles(IFileDeleter& deleter, const std::string& baseDir,
                           const std::vector<RemovalRequest>& requests, std::size_t rowCount,
                           const std::atomic<bool>& stop, std::atomic<std::size_t>& done,
                           Removal removal = Removal::Delete, RemovalRecordWriter* record = nullptr);

// The rows that stay selected once the gone rows are taken out of the list: the failed and the
// untouched ones, at their new places.
std::vector<std::size_t> rowsStillSelected(const RemovalOutcome& outcome);
