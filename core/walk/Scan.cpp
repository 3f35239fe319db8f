#include "Scan.h"

#include "CueSheets.h"
#include "DirLister.h"
#include "KeepVerdict.h"
#include "ScanProgress.h"
#include "UserDirs.h"

#include <sys/stat.h>

namespace {

// $XDG_DATA_HOME/Trash, wherever it is: the scan of a base above it does not walk it.
std::optional<FolderIdentity> homeTrashIdentity()
{
    const std::optional<std::string> data = userDirs().data;
    struct stat st { };
    if (!data || ::stat((*data + "/Trash").c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderIdentity {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace

ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop, unsigned threads, AudioTypes types)
{
    ScanResult result;
    auto found = std::make_shared<Mp3Collection>(collectMp3s(lister, baseDir,
                                                             {.keep = &keep,
                                                              .progress = &progress,
                                                              .stop = &stop,
                                                              .homeTrash = homeTrashIdentity(),
                                                              .threads = threads,
                                                              .types = types}));
    progress.finish(found->entries.size());
    if (found->stopped || stop.load()) {
        result.stopped = true;
        return result;
    }
    CueSheets sheets(*found, keep, lister);
    CheckedPlaylist checked = checkPlaylist(*found, keep);
    sheets.keepElsewhere(*found, keep, checked.check);
    result.check = std::move(checked.check);
    result.check.unreadableCueSheets = std::move(sheets.unreadable);
    if (const std::string type = lister.fileSystemType(baseDir); isRemoteFileSystem(type)) {
        result.check.remoteFileSystem = type;
    }
    result.unwanted = unwantedEntries(*found, checked.keptElsewhere);
    result.found = std::move(found);
    return result;
}
