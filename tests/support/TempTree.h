#pragma once

#include <string>
#include <string_view>

// A real temporary directory tree, built from relative paths given as raw bytes, and removed
// with everything in it, whatever its names' encoding and its paths' length.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root as file-system bytes, ending in "/".
    const std::string& root() const { return m_root; }
    std::string path(std::string_view relative) const { return m_root + std::string(relative); }

    // Makes the directory and its parents; works below any length of path.
    void mkdirp(std::string_view relative) const;
    // Creates the file, and its parents, holding `content`; works below any length of path.
    void wfile(std::string_view relative, std::string_view content = {}) const;
    void symlink(std::string_view target, std::string_view relative) const;
    bool exists(std::string_view relative) const;

private:
    int openDir(std::string_view relative) const;

    std::string m_root;
};

// The code units of `text` as UTF-16 bytes; Windows tools start a file with u'\uFEFF'.
std::string utf16Bytes(std::u16string_view text, bool bigEndian = false);
