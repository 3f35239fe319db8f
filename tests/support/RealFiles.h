#pragma once

// Real files for the tests: a temporary tree, and the core's services over the real file system
// with the faults that a test asks for.

#include "PosixDirLister.h"
#include "PosixFileDeleter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A real temporary directory tree, built from relative paths given as raw bytes, and removed
// with everything in it, whatever its names' encoding and its paths' length.
class TempTree {
public:
    TempTree()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tuneprune-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
        }
        m_root = pattern + "/";
    }
    ~TempTree() { removeAll(m_root); }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root as file-system bytes, ending in "/".
    const std::string& root() const { return m_root; }
    std::string path(std::string_view relative) const { return std::string(m_root).append(relative); }

    // Both make the missing parents and work below any length of path.
    void mkdirp(std::string_view relative) const { ::close(openDir(relative, true)); }
    void wfile(std::string_view relative, std::string_view content = {}) const
    {
        const std::size_t cut = relative.rfind('/') + 1; // 0 without a "/"
        const int dir = openDir(relative.substr(0, cut), true);
        const int fd
            = ::openat(dir, std::string(relative.substr(cut)).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ::close(dir);
        if (fd < 0 || ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
            throw std::runtime_error("cannot write " + std::string(relative));
        }
        ::close(fd);
    }
    // Changes the tree as `ops` say, ";" between them: "mv A B", "ln A B" (A a link to B), "rm A" (and all below),
    // "mkdir A", "write A TEXT", "poke A TEXT" (A rewritten in place, a moment later).
    void change(const std::string& ops) const
    {
        std::istringstream all(ops);
        for (std::string op, verb, a, b; std::getline(all, op, ';');) {
            std::istringstream(op) >> verb >> a >> b;
            if (verb == "mv" || verb == "ln") {
                verb == "mv" ? std::filesystem::rename(path(a), path(b))
                             : std::filesystem::create_symlink(path(b), path(a));
            } else if (verb == "rm" || verb == "mkdir") {
                verb == "rm" ? void(std::filesystem::remove_all(path(a))) : mkdirp(a);
            } else if (verb == "poke") {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                std::ofstream(path(a), std::ios::in | std::ios::out | std::ios::binary) << b;
            } else {
                wfile(a, b);
            }
        }
    }
    // The regular files below the directory, relative to it, sorted; links are not followed.
    std::vector<std::string> files(std::string_view relative = {}) const
    {
        std::vector<std::string> found;
        addFiles(openDir(relative, false), "", found);
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    static constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

    // The directory below the root, opened one component at a time and made where missing if
    // `make`; -1 if there is none.
    int openDir(std::string_view relative, bool make) const
    {
        int fd = ::open(m_root.c_str(), kDirFlags);
        for (std::size_t at = 0, end; fd >= 0 && at < relative.size(); at = end + 1) {
            end = std::min(relative.find('/', at), relative.size());
            const std::string name(relative.substr(at, end - at));
            if (make) {
                ::mkdirat(fd, name.c_str(), 0755);
            }
            const int next = ::openat(fd, name.c_str(), kDirFlags);
            ::close(fd);
            fd = next;
        }
        return fd;
    }

    // Calls `visit(name, stat)` for every entry of the directory open as `fd`, links not followed.
    template<typename Visit> static void eachEntry(int fd, const Visit& visit)
    {
        DIR* dir = fd >= 0 ? ::fdopendir(::dup(fd)) : nullptr;
        while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
            const std::string name = entry->d_name;
            struct stat st { };
            if (name != "." && name != ".." && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                visit(name, st);
            }
        }
        if (dir != nullptr) {
            ::closedir(dir);
        }
    }

    // Relative to descriptors, so that no path is too long; closes `fd`.
    static void addFiles(int fd, const std::string& below, std::vector<std::string>& found)
    {
        eachEntry(fd, [&](const std::string& name, const struct stat& st) {
            if (S_ISDIR(st.st_mode)) {
                addFiles(::openat(fd, name.c_str(), kDirFlags), below + name + "/", found);
            } else if (S_ISREG(st.st_mode)) {
                found.push_back(below + name);
            }
        });
        ::close(fd);
    }

    // Removes the folder and everything below it holding one descriptor at a time, so that a tree
    // deeper than the descriptor limit (1,024 for an ordinary user) goes too: it goes down into
    // the first folder left, and back up by "..", where the emptied folder is removed.
    static void removeAll(const std::string& root)
    {
        std::vector<std::string> entered;
        int fd = ::open(root.c_str(), kDirFlags);
        while (fd >= 0) {
            const std::string sub = removeFilesIn(fd);
            const int next = ::openat(fd, sub.empty() ? ".." : sub.c_str(), kDirFlags);
            ::close(fd);
            fd = next;
            if (!sub.empty()) {
                entered.push_back(sub);
            } else if (entered.empty() || ::unlinkat(fd, entered.back().c_str(), AT_REMOVEDIR) != 0) {
                break; // done, or something below could not go: leave the rest rather than loop
            } else {
                entered.pop_back();
            }
        }
        if (fd >= 0) {
            ::close(fd);
        }
        ::rmdir(root.c_str());
    }

    // Unlinks every entry of the folder open as `fd` that is not a folder; the name of a folder in
    // it, or "" when none is left.
    static std::string removeFilesIn(int fd)
    {
        std::string folder;
        eachEntry(fd, [&](const std::string& name, const struct stat& st) {
            if (!S_ISDIR(st.st_mode)) {
                ::unlinkat(fd, name.c_str(), 0);
            } else if (folder.empty()) {
                folder = name;
            }
        });
        return folder;
    }

    std::string m_root;
};

// A mount made for the length of a test: a tmpfs of 64 KiB (to be filled up) on a folder, or the
// folder bound on itself, read-only if asked. ok() is false where it cannot be made here.
class Mount {
public:
    enum Kind { Tmpfs, Bind, ReadOnly };
    Mount(std::string dir, Kind kind)
        : m_dir(std::move(dir))
    {
        std::filesystem::create_directories(m_dir);
        const char* dir_ = m_dir.c_str();
        m_ok = kind == Tmpfs ? ::mount("tmpfs", dir_, "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0
                             : ::mount(dir_, dir_, nullptr, MS_BIND, nullptr) == 0;
        if (kind == ReadOnly && m_ok && ::mount(nullptr, dir_, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr)) {
            unmount();
        }
    }
    ~Mount() { unmount(); }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

    bool ok() const { return m_ok; }
    void unmount() { m_ok = m_ok && ::umount2(m_dir.c_str(), MNT_DETACH) != 0; }
    // Takes all the room that is left on a tmpfs, with one file.
    void fill() const
    {
        const int fd = ::open((m_dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const std::string block(4096, 'x');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) { }
        ::close(fd);
    }

private:
    std::string m_dir;
    bool m_ok = false;
};

// The lines of the removal records in `dir` (tuneprune's folder of them) that are paths, in order.
inline std::vector<std::string> recordedPaths(const std::string& dir)
{
    std::vector<std::string> days;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        days.push_back(entry.path().string());
    }
    std::sort(days.begin(), days.end());
    std::vector<std::string> paths;
    for (const std::string& day : days) {
        std::ifstream in(day, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with('#')) {
                paths.push_back(line);
            }
        }
    }
    return paths;
}

// 20 directories of 240 bytes each, ending in "/": below any root, longer than PATH_MAX (4,096).
inline std::string longDirs()
{
    std::string dirs;
    for (char c = 'a'; c < 'a' + 20; ++c) {
        dirs += std::string(240, c) + "/";
    }
    return dirs;
}

// The code units of `text` as UTF-16 bytes; Windows tools start a file with u'\uFEFF'.
inline std::string utf16Bytes(std::u16string_view text, bool bigEndian = false)
{
    std::string bytes;
    for (const char16_t unit : text) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit);
        bytes += bigEndian ? std::string {hi, lo} : std::string {lo, hi};
    }
    return bytes;
}

// The real lister, except for the directories that a test makes fail or replaces.
class ScriptedDirLister final : public IDirLister {
public:
    int list(int parentFd, const std::string& name, const std::string& path, DirListing& out) override
    {
        if (onList) {
            onList(path);
        }
        if (failing.count(path) != 0) {
            return EACCES;
        }
        // As a bind mount: everything below the directory is what is below the other one.
        for (const auto& [dir, other] : sameDirectoryAs) {
            if (path.starts_with(dir)) {
                const std::string mapped = other + path.substr(dir.size());
                return m_real.list(kNoParent, mapped, mapped, out);
            }
        }
        return m_real.list(parentFd, name, path, out);
    }
    bool looksAtPaths() const override { return true; }
    void close(int fd) override { m_real.close(fd); }
    void stamps(const std::string& baseDir, const std::string& dir, const std::vector<std::string_view>& names,
                std::vector<FileStamp>& stamps) override
    {
        m_real.stamps(baseDir, dir, names, stamps);
    }
    int readFile(const std::string& baseDir, const std::string& dir, std::string_view name, std::size_t limit,
                 std::string& out) override
    {
        if (failing.count(baseDir + dir + std::string(name)) != 0) {
            return EACCES;
        }
        return m_real.readFile(baseDir, dir, name, limit, out);
    }
    std::string fileSystemType(const std::string& dir) override { return m_real.fileSystemType(dir); }

    // What the tests set before a walk; the walk only reads it, from several threads.
    std::set<std::string> failing; // these cannot be listed, or read as files: EACCES
    std::map<std::string, std::string> sameDirectoryAs; // listed as the directory named, and all below (a bind mount)
    std::function<void(const std::string&)> onList; // called before each listing, on the walk's threads

private:
    PosixDirLister m_real;
};

// The real unlink, except for the paths that a test makes fail with a given errno.
class ScriptedFileDeleter final : public IFileDeleter {
public:
    int remove(const std::string& baseDir, std::string_view dir, std::string_view name,
               const EntryIdentity& identity) override
    {
        return scripted(baseDir, dir, name, [&] { return m_real.remove(baseDir, dir, name, identity); });
    }
    int moveToTrash(const std::string& baseDir, std::string_view dir, std::string_view name,
                    const EntryIdentity& identity, std::string& trashDir) override
    {
        return scripted(baseDir, dir, name, [&] { return m_real.moveToTrash(baseDir, dir, name, identity, trashDir); });
    }
    int removeFolderLeftEmpty(const std::string& baseDir, std::string_view dir, Removal removal,
                              std::vector<std::string>& removed) override
    {
        if (onFolder) {
            onFolder(baseDir + std::string(dir));
        }
        return m_real.removeFolderLeftEmpty(baseDir, dir, removal, removed);
    }
    void finish() override { m_real.finish(); }

    std::function<void(const std::string&)> onFolder; // called before each folder is looked at
    std::map<std::string, int> failing; // by full path
    std::function<void(const std::string&)> onRemove; // called before each deletion

private:
    template<typename Real>
    int scripted(const std::string& baseDir, std::string_view dir, std::string_view name, const Real& real)
    {
        const std::string path = baseDir + std::string(dir) + std::string(name);
        if (onRemove) {
            onRemove(path);
        }
        const auto fail = failing.find(path);
        return fail != failing.end() ? fail->second : real();
    }

    PosixFileDeleter m_real;
};
