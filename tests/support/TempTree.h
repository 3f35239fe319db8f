#pragma once

#include <QTemporaryDir>

#include <string>
#include <string_view>

// A real temporary directory tree, built from relative paths given as raw bytes.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    // The tree's root as file-system bytes, ending in "/".
    const std::string& root() const { return m_root; }
    std::string path(std::string_view relative) const { return m_root + std::string(relative); }

    // Creates the directory and its parents.
    void mkdirp(std::string_view relative) const;
    // Creates the file (and its parents) holding `content`.
    void wfile(std::string_view relative, std::string_view content = {}) const;
    // Creates a symbolic link at `relative` pointing to `target` (taken as it stands).
    void symlink(std::string_view target, std::string_view relative) const;
    bool exists(std::string_view relative) const;

private:
    QTemporaryDir m_dir;
    std::string m_root;
};
