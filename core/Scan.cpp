#include "Scan.h"

#include "DirLister.h"
#include "KeepVerdict.h"
#include "ScanProgress.h"

ScanResult scanLibrary(IDirLister& lister, const KeepList& keep, const std::string& baseDir, ScanProgress& progress,
                       const std::atomic<bool>& stop, unsigned threads)
{
    ScanResult result;
    auto found = std::make_shared<Mp3Collection>(
        collectMp3s(lister, baseDir, {.keep = &keep, .progress = &progress, .stop = &stop, .threads = threads}));
    progress.finish(found->entries.size());
    if (found->stopped || stop.load()) {
        result.stopped = true;
        return result;
    }
    CheckedPlaylist checked = checkPlaylist(*found, keep);
    result.check = std::move(checked.check);
    if (const std::string type = lister.fileSystemType(baseDir); isRemoteFileSystem(type)) {
        result.check.remoteFileSystem = type;
    }
    result.unwanted = unwantedEntries(*found, checked.keptElsewhere);
    result.found = std::move(found);
    return result;
}
