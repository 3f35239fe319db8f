#include "EmptyFolders.h"

#include "Ascii.h"
#include "FileDeleter.h"
#include "RemovalRecordWriter.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {

std::string lowered(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerAscii);
    return lower;
}

bool isAlbumArt(const std::string& lower)
{
    const std::size_t dot = lower.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    const std::string_view stem = std::string_view(lower).substr(0, dot);
    const std::string_view extension = std::string_view(lower).substr(dot + 1);
    const bool image = extension == "jpg" || extension == "jpeg" || extension == "png";
    return image && (stem == "cover" || stem == "folder" || stem == "front" || stem.starts_with("albumart"));
}

// The folder above `dir` ("a/b/" -> "a/"), or "" for a folder of the base itself.
std::string parentOf(const std::string& dir)
{
    const std::size_t cut = dir.rfind('/', dir.size() - 2);
    return cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
}

} // namespace

bool isFolderClutter(std::string_view name)
{
    const std::string lower = lowered(name);
    return lower == "thumbs.db" || lower == "ehthumbs.db" || lower == "desktop.ini" || lower == ".ds_store"
        || name.starts_with("._") || isAlbumArt(lower);
}

std::vector<std::string> foldersOfGone(const std::vector<RemovalRequest>& requests, const RemovalOutcome& outcome)
{
    std::vector<std::string> folders;
    for (const RemovalRequest& request : requests) {
        // Rows of one folder come together: a repeat is most often the one just taken.
        if (outcome.gone[request.row] != 0 && (folders.empty() || folders.back() != request.dir)) {
            folders.emplace_back(request.dir);
        }
    }
    return folders;
}

std::size_t removeFoldersLeftEmpty(IFileDeleter& deleter, const std::string& baseDir,
                                   const std::vector<std::string>& dirs, Removal removal, RemovalRecordWriter& record,
                                   std::size_t& stayed)
{
    // Deepest first, so that a parent is looked at after all of its emptied subfolders.
    std::set<std::pair<std::ptrdiff_t, std::string>, std::greater<>> pending;
    const auto add = [&pending](const std::string& dir) {
        pending.emplace(std::count(dir.begin(), dir.end(), '/'), dir);
    };
    for (const std::string& dir : dirs) {
        if (!dir.empty()) {
            add(dir);
        }
    }
    std::size_t count = 0;
    std::vector<std::string> removed;
    while (!pending.empty()) {
        const std::string dir = pending.begin()->second;
        pending.erase(pending.begin());
        const int error = deleter.removeFolderLeftEmpty(baseDir, dir, removal, removed);
        stayed += error == IFileDeleter::kFolderStays ? 1 : 0;
        for (const std::string& path : removed) {
            record.add(path);
        }
        removed.clear();
        if (error != 0) {
            continue;
        }
        ++count;
        if (const std::string parent = parentOf(dir); !parent.empty()) {
            add(parent);
        }
    }
    deleter.finish();
    return count;
}
