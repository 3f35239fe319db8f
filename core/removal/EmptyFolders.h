#pragma once

#include "Deletion.h"

#include <string>
#include <string_view>
#include <vector>

class IFileDeleter;
class RemovalRecordWriter;

// What a music folder may hold besides music and still count as left empty: thumbnail caches,
// the desktop's and the Mac's folder records, AppleDouble files and the usual album art.
bool isFolderClutter(std::string_view name);

// The folders that held the files that are gone now, in the requests' order: a folder whose rows
// stand together comes once, one whose rows are apart may come again (removeFoldersLeftEmpty takes
// each once).
std::vector<std::string> foldersOfGone(const std::vector<RemovalRequest>& requests, const RemovalOutcome& outcome);

// After a removal: each folder that held a removed file, and now holds nothing but clutter, goes,
// then its parent in the same way, up to but never including the base directory. `dirs`: the
// folders of the removed files, relative to `baseDir` ("" or ending in "/"). Returns how many
// folders went; the paths of what went (clutter and folders) go to `record`, folder by folder. `stayed`
// counts the folders left with only clutter names that stay: something else is in them, or they
// are mount points.
std::size_t removeFoldersLeftEmpty(IFileDeleter& deleter, const std::string& baseDir,
                                   const std::vector<std::string>& dirs, Removal removal, RemovalRecordWriter& record,
                                   std::size_t& stayed);
