#include "TreeWalk.h"

#include "ComparisonForm.h"
#include "FolderVisitor.h"
#include "KeepTest.h"
#include "WalkAssembly.h"
#include "WorkPool.h"

#include <memory>
#include <optional>

namespace {

// The base folder, ready to be listed: its whole path is its name and its own part of the path.
void prepareBase(WalkFolder& base, const std::string& baseDir, const std::string& baseForm, KeepTest* keep)
{
    base.name = baseDir;
    const std::string_view withoutSeparator = std::string_view(baseForm).substr(0, baseForm.size() - 1);
    base.formHash = formHash(withoutSeparator.substr(withoutSeparator.rfind('/') + 1));
    if (keep != nullptr) {
        base.keep = keep->enterFolder(keep->root(), withoutSeparator);
        base.segmentForm = baseForm;
    }
}

} // namespace

Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, const WalkOptions& options)
{
    std::optional<KeepTest> keep;
    if (options.keep != nullptr) {
        keep.emplace(*options.keep);
    }
    WalkShared shared(lister, keep ? &*keep : nullptr, options.progress, options.stop, options.types);
    shared.homeTrash = options.homeTrash;
    const std::string baseForm = comparisonForm(baseDir);
    auto base = std::make_unique<WalkFolder>();
    prepareBase(*base, baseDir, baseForm, shared.keep);

    WorkPool<WalkFolder*> pool(options.threads,
                               [&shared](unsigned) { return std::make_unique<FolderVisitor>(shared); });
    pool.run(base.get());

    Mp3Collection result = assembleCollection(*base, baseDir, std::move(shared.arenas));
    result.stopped = shared.stopped;
    result.trashSkipped = shared.trashSkipped;
    result.types = options.types;
    if (keep) {
        result.linesFound = keep->linesFound();
    }
    return result;
}
