#pragma once

#include "DirLister.h"
#include "TreeWalk.h"
#include "WalkFolder.h"
#include "WorkPool.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ScanProgress;

// What the threads of one walk share.
struct WalkShared {
    WalkShared(IDirLister& lister, KeepTest* keep, ScanProgress* progress, const std::atomic<bool>* stop,
               AudioTypes types)
        : lister(lister)
        , keep(keep)
        , progress(progress)
        , stop(stop)
        , allAudio(types == AudioTypes::All)
    {
    }

    IDirLister& lister;
    KeepTest* const keep; // none: no entry is kept
    ScanProgress* const progress;
    const std::atomic<bool>* const stop; // looked at before each folder
    const bool allAudio; // other audio files and cue sheets are taken too
    std::atomic<bool> stopped {false}; // some folder was not listed for it
    std::optional<FolderIdentity> homeTrash; // not walked
    std::atomic<std::size_t> trashSkipped {0};
    std::mutex mutex; // for `arenas`
    WalkArenas arenas; // the threads' own, once they are done
};

// One thread's part of a walk: lists a folder, orders its entries, asks the keep test about them
// and makes its mp3 entries and subfolders.
class FolderVisitor final : public PoolWorker<WalkFolder*> {
public:
    explicit FolderVisitor(WalkShared& shared);

    // Yields the subfolders to walk, in the order the file system listed them: a walk that read
    // them before (find, a file manager, an earlier scan) made the kernel's records of them in
    // that order, so each look-up lands next to the one before.
    void visit(WalkFolder* folder, std::vector<WalkFolder*>& subdirs) override;
    void finish() override;

private:
    // An entry that takes part, with its form in m_strForms.
    struct Taken {
        std::uint64_t key; // the form's first eight bytes: orders most pairs without the forms
        std::uint32_t index; // in the listing
        std::uint32_t formOffset;
        std::uint32_t subdirsBefore; // in the listing
        std::uint16_t formLength; // a few times a name's 255 bytes at most
        bool mp3;
        bool cueSheet;
    };
    // How many of each the ordered entries hold.
    struct Counts {
        std::uint32_t mp3s = 0;
        std::uint32_t subdirs = 0;
        std::uint32_t trashes = 0; // subfolders left out
        std::uint32_t cueSheets = 0;
        std::size_t nameBytes = 0;
    };

    bool list(WalkFolder& folder);
    Counts order();
    std::string_view form(const Taken& taken) const { return {m_strForms.data() + taken.formOffset, taken.formLength}; }
    void make(WalkFolder& folder, const Counts& counts);
    // Whether an entry that is neither an mp3 entry nor a folder is taken: other audio, a cue sheet.
    bool takesOther(const DirListing::Entry& entry, bool& mp3, bool& cueSheet) const;
    void makeSubdir(WalkFolder& folder, WalkFolder& subdir, const Taken& taken, std::string_view name);
    void makeEntry(const WalkFolder& folder, Mp3Collection::Entry& made, const Taken& taken, std::uint32_t nameOffset,
                   std::size_t nameLength);
    void recordPath(WalkFolder& folder);
    void openedFrom(WalkFolder* parent);
    void makePath(WalkFolder& folder);

    WalkShared& m_shared;
    WalkArenas m_arenas;
    DirListing m_listing;
    std::string m_strForms;
    std::vector<Taken> m_vecOrder;
    std::vector<std::uint32_t> m_vecListingOrder; // the subfolders, in the order listed
    std::string m_strName;
    std::string m_strPath; // for a lister that looks at paths
    std::vector<WalkFolder*> m_vecWay; // up from a folder
};
