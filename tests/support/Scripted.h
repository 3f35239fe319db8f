#pragma once

// Scripted stand-ins for the platform services, so that every handler runs offscreen and no
// test ever waits for a human.

#include "FileDialog.h"
#include "MessageBox.h"
#include "PathPicker.h"
#include "PosixDirLister.h"
#include "PosixFileDeleter.h"
#include "Services.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Records every box; answers from a queue, IDOK when the queue is empty.
class ScriptedMessageBox final : public IMessageBox {
public:
    struct Box {
        QString text;
        QString caption;
        unsigned type;
    };

    int show(QWidget* owner, const QString& text, const QString& caption, unsigned type) override;

    std::vector<Box> boxes;
    std::deque<int> answers;
};

// Answers from a queue of paths; an empty optional (or an empty queue) is a cancel.
class ScriptedFileDialog final : public IFileDialog {
public:
    std::optional<std::string> getOpenFileName(QWidget* owner, const QString& filter) override;

    std::deque<std::optional<std::string>> answers;
    std::vector<QString> filters; // the filter of every call
};

class ScriptedPathPicker final : public IPathPicker {
public:
    struct Call {
        QString title;
        QString prompt;
        QWidget* owner;
    };

    std::optional<std::string> ShowDialog(QWidget* owner, const QString& title, const QString& prompt) override;

    std::deque<std::optional<std::string>> answers;
    std::vector<Call> calls;
};

// The real lister, except for the directories that a test makes fail or replaces.
class ScriptedDirLister final : public IDirLister {
public:
    int list(int parentFd, const std::string& name, const std::string& path, DirListing& out) override;
    bool looksAtPaths() const override { return true; }
    void close(int fd) override { m_real.close(fd); }
    void sizes(const std::string& baseDir, const std::string& dir, const std::vector<std::string_view>& names,
               std::vector<std::uint64_t>& sizes) override
    {
        m_real.sizes(baseDir, dir, names, sizes);
    }

    // What the tests set before a walk; the walk only reads it, from several threads.
    std::set<std::string> failing; // these cannot be listed: EACCES
    std::map<std::string, std::string> sameDirectoryAs; // listed as the directory named, and all below (a bind mount)
    std::function<void(const std::string&)> onList; // called before each listing, on the walk's threads

private:
    PosixDirLister m_real;
};

// The real unlink, except for the paths that a test makes fail with a given errno.
class ScriptedFileDeleter final : public IFileDeleter {
public:
    int remove(const std::string& baseDir, std::string_view dir, std::string_view name,
               const EntryIdentity& identity) override;
    void finish() override { m_real.finish(); }

    std::map<std::string, int> failing; // by full path
    std::vector<std::string> removed; // the full path of every entry asked for, in order
    std::function<void(const std::string&)> onRemove; // called before each deletion

private:
    PosixFileDeleter m_real;
};

// Every scripted service, with the Services view of them for CPruneDlg.
struct ScriptedServices {
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    ScriptedPathPicker pathPicker;
    ScriptedDirLister dirLister;
    ScriptedFileDeleter fileDeleter;

    Services services() { return {messageBox, fileDialog, pathPicker, dirLister, fileDeleter}; }
};
