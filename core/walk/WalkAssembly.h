#pragma once

#include "Mp3Collection.h"
#include "WalkFolder.h"

#include <string>

// Makes the collection from the walked folders, in walk order: depth first, each folder's entries
// with its subfolders' contents at their positions among them. The folders' names and entries
// become the collection's without a copy; `arenas` (all the walk's) go with it.
Mp3Collection assembleCollection(WalkFolder& base, const std::string& baseDir, WalkArenas arenas);
