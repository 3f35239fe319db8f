#pragma once

#include "Arena.h"
#include "KeepTest.h"
#include "Mp3Collection.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

// One folder of the walk. The thread that lists it fills it in; the assembly reads it.
struct WalkFolder {
    WalkFolder* parent = nullptr;
    std::string_view name; // as its parent lists it, in the parent's names; for the base, its path
    KeepTest::Folder keep; // where its path stands; made by its parent's listing
    // Its name's form and the separator, kept only where some keep form ends in it.
    std::string_view segmentForm;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    int fd = -1; // open while subdirectories remain to be opened from it
    int error = 0; // why it could not be listed
    std::uint32_t formHash = 0; // of its own name's form
    bool listed = false;
    bool onDescent = false; // the same folder as one it lies in: not walked again
    std::atomic<bool> recorded {false}; // the lines that occur in its path are recorded
    std::atomic<std::uint32_t> unopened {0}; // subdirectories still to be opened from fd

    const char* names = nullptr; // its entries' names, back to back
    Mp3Collection::Entry* entries = nullptr; // its mp3 entries in walk order, all but their `dir`
    std::uint32_t entryCount = 0;
    Mp3Collection::CueSheet* cueSheets = nullptr; // all but their `dir`
    std::uint32_t cueSheetCount = 0;
    WalkFolder* subdirs = nullptr; // in walk order
    std::uint32_t subdirCount = 0;
    std::uint32_t position = 0; // how many of its parent's entries come before it
};

// What the walk allocates: the folders, and the names and mp3 entries, which the collection keeps.
struct WalkArenas {
    Arena<MappedBlock, mapBlock> folders;
    Arena<std::unique_ptr<char[]>, heapBlock> names;
    Arena<std::unique_ptr<char[]>, heapBlock> entries;

    void append(WalkArenas&& other)
    {
        folders.append(std::move(other.folders));
        names.append(std::move(other.names));
        entries.append(std::move(other.entries));
    }
};
