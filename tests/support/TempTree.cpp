#include "TempTree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempTree::TempTree()
{
    std::string pattern = (fs::temp_directory_path() / "tuneprune-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    m_root = pattern + "/";
}

TempTree::~TempTree()
{
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

void TempTree::mkdirp(std::string_view relative) const
{
    fs::create_directories(path(relative));
}

void TempTree::wfile(std::string_view relative, std::string_view content) const
{
    const fs::path file = path(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
}

void TempTree::symlink(std::string_view target, std::string_view relative) const
{
    fs::create_symlink(std::string(target), path(relative));
}

std::string utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string bytes;
    for (const char16_t unit : text) {
        const char hi = static_cast<char>(unit >> 8);
        const char lo = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

bool TempTree::exists(std::string_view relative) const
{
    return fs::exists(fs::symlink_status(path(relative)));
}
