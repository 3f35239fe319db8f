#pragma once

#include <cstddef>
#include <cstdint>

// Where an entry or a folder is in a collection: types of their own, so that an entry, a folder, a
// row of a list and a count cannot be mixed up without a word.
enum class EntryIndex : std::uint32_t {};
enum class FolderIndex : std::uint32_t {};

// The index as a place in a vector kept by entry or by folder.
constexpr std::size_t position(EntryIndex i)
{
    return static_cast<std::size_t>(i);
}
constexpr std::size_t position(FolderIndex i)
{
    return static_cast<std::size_t>(i);
}
