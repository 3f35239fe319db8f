#pragma once

// The folder removal/: what becomes of the files the user selects: checked against what the scan
// saw, deleted or moved to the trash, folders left empty, the day's record, saved lists.

#include "RemovalRecord.h"

#include <atomic>
#include <cstddef>
#include <vector>

class IDirLister;
class IFileDeleter;
struct Mp3Collection;
struct RemovalOutcome;
struct RemovalRequest;

// What is done with each file: removed for good, or moved to the trash.
enum class Removal { Delete, Trash };

// What a Delete Files or a Move to Trash does besides the files.
struct RemovalJob {
    Removal removal = Removal::Delete;
    bool removeEmptyFolders = false; // once every file is done, and only then
    RemovalRecord record; // its header; the paths come from the removal
};

// A whole removal, on the calling thread, as the window and the command line run it: records what
// the pass after the scan had not reached, removes the files (`done` counts them, `stop` ends it
// after the file in hand), then the folders left empty where asked (not after a stop). What went
// is appended to the day's record as it goes, so that at any stop the record holds each file
// that went and none that stayed. A record that cannot be written stops nothing: the outcome
// says so.
RemovalOutcome runRemoval(IDirLister& lister, IFileDeleter& deleter, const Mp3Collection& found,
                          std::vector<RemovalRequest>& requests, std::size_t rowCount, RemovalJob job,
                          const std::atomic<bool>& stop, std::atomic<std::size_t>& done);
