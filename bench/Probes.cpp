#include "Probes.h"

#include "DialogDriver.h"

#include "EmptyFolders.h"
#include "KeepList.h"
#include "KeepListReader.h"
#include "Library.h"
#include <QSignalSpy>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

namespace {

// Not getrusage: Linux carries the peak of the image before exec into it, here the driver's.
long peakRssKb()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word && word != "VmHWM:") { }
    long kb = 0;
    status >> kb;
    return kb;
}

void report(double ms, const std::string& more)
{
    std::printf("ms=%.3f hwm_kb=%ld %s\n", ms, peakRssKb(), more.c_str());
}

bool isMp3Name(const char* name)
{
    for (const char* dot = std::strchr(name, '.'); dot != nullptr; dot = std::strchr(dot + 1, '.')) {
        if ((dot[1] | 0x20) == 'm' && (dot[2] | 0x20) == 'p' && dot[3] == '3') {
            return true;
        }
    }
    return false;
}

// The floor: what any program that reads every name below the base must do at least. A worker
// hands a subdirectory to an idle worker if there is one, and otherwise goes down into it itself.
struct FloorWalk {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<int> queue; // directories that no worker has taken yet
    int threads = 1;
    int idle = 0; // workers waiting for a directory
    std::atomic<std::size_t> files = 0;
    std::atomic<std::size_t> mp3s = 0;

    void work()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            ++idle;
            wake.wait(lock, [this] { return !queue.empty() || idle == threads; });
            if (queue.empty()) {
                wake.notify_all();
                return;
            }
            --idle;
            const int fd = queue.back();
            queue.pop_back();
            lock.unlock();
            walk(fd);
            lock.lock();
        }
    }

    bool handOff(int fd)
    {
        const std::lock_guard lock(mutex);
        if (static_cast<std::size_t>(idle) <= queue.size()) {
            return false;
        }
        queue.push_back(fd);
        wake.notify_one();
        return true;
    }

    void walk(int fd)
    {
        alignas(dirent64) char buffer[64 * 1024];
        std::size_t nFiles = 0;
        std::size_t nMp3s = 0;
        for (ssize_t n; (n = ::getdents64(fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t offset = 0; offset < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
                offset += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                    continue;
                }
                if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) {
                    const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                    if (child >= 0 && !handOff(child)) {
                        walk(child);
                    }
                    if (child >= 0 || entry->d_type == DT_DIR) {
                        continue;
                    }
                }
                ++nFiles;
                nMp3s += isMp3Name(name) ? 1 : 0;
            }
        }
        ::close(fd);
        files += nFiles;
        mp3s += nMp3s;
    }
};

// Clicks the button and waits for `finished`, which the window emits when the command has ended:
// inside the click, or later from the event loop when the command runs on a worker.
double timedClick(DialogDriver& window, int id, void (CPruneDlg::*finished)())
{
    if (!window.enabled(id)) {
        throw std::runtime_error("button " + std::to_string(id) + " is disabled");
    }
    QEventLoop loop;
    double end = 0;
    QObject::connect(&window.dlg(), finished, &loop, [&] {
        end = now();
        loop.quit();
    });
    const double start = now();
    window.click(id);
    if (end == 0) {
        QTimer::singleShot(std::chrono::minutes(30), &loop, [&loop] { loop.exit(1); });
        if (loop.exec() != 0) {
            throw std::runtime_error("button " + std::to_string(id) + ": no end signal within 30 minutes");
        }
    }
    return (end - start) * 1000;
}

// The real window shown offscreen, with the playlist read and the base directory chosen.
void prepare(DialogDriver& window, const char* m3u, const char* root)
{
    window.dlg().show();
    window.openPlaylist(m3u);
    window.selectDirectory(root);
    // The layout and paints of the window's first showing are not the command's.
    QCoreApplication::processEvents();
}

int probeFloor(char** args)
{
    FloorWalk floor;
    floor.threads = std::stoi(args[2]);
    floor.queue.push_back(::open(args[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (floor.queue.back() < 0) {
        throw std::runtime_error(std::string("cannot open ") + args[1]);
    }
    const double start = now();
    std::vector<std::thread> workers;
    for (int i = 1; i < floor.threads; ++i) {
        workers.emplace_back([&floor] { floor.work(); });
    }
    floor.work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    report((now() - start) * 1000, "files=" + std::to_string(floor.files) + " mp3s=" + std::to_string(floor.mp3s));
    return 0;
}

int scanProbe(char** args, bool allAudio)
{
    int argc = 1;
    QApplication app(argc, args);
    DialogDriver window(true);
    prepare(window, args[1], args[2]);
    qobject_cast<QAbstractButton*>(window.item(IDC_ALL_AUDIO))->setChecked(allAudio);
    const double ms = timedClick(window, IDC_BEGIN_SCAN, &CPruneDlg::scanFinished);
    report(ms, "rows=" + std::to_string(window.dlg().fileModel().rowCount()));
    return 0;
}

int probeScan(char** args)
{
    return scanProbe(args, false);
}

int probeScanAllAudio(char** args)
{
    return scanProbe(args, true);
}

// After a scan, what a user does with a long list: Select All and Deselect All, each until the list
// has painted it, and the mean of 20 frames of resizing the window and of scrolling a page, each
// painted at once.
int probeListHabits(char** args)
{
    int argc = 1;
    QApplication app(argc, args);
    DialogDriver window(true);
    prepare(window, args[1], args[2]);
    timedClick(window, IDC_BEGIN_SCAN, &CPruneDlg::scanFinished);
    QCoreApplication::processEvents();
    const auto painted = [&window](int id) {
        const double start = now();
        window.click(id);
        window.dlg().repaint();
        return (now() - start) * 1000;
    };
    const double selectAll = painted(IDC_SELECT_ALL);
    const double deselectAll = painted(IDC_DESELECT_ALL);
    constexpr int kFrames = 20;
    const QSize smallest = window.dlg().minimumSize();
    double start = now();
    for (int frame = 0; frame < kFrames; ++frame) {
        window.dlg().resize(smallest + QSize(20 * frame, 15 * frame));
        window.dlg().repaint();
    }
    const double resize = (now() - start) * 1000 / kFrames;
    start = now();
    for (int frame = 0; frame < kFrames; ++frame) {
        QTest::keyClick(window.list(), Qt::Key_PageDown);
        window.dlg().repaint();
    }
    const double scroll = (now() - start) * 1000 / kFrames;
    report(selectAll,
           "rows=" + std::to_string(window.dlg().fileModel().rowCount())
               + " deselect_all_ms=" + std::to_string(deselectAll) + " resize_frame_ms=" + std::to_string(resize)
               + " scroll_frame_ms=" + std::to_string(scroll));
    return 0;
}

// Scans, then removes every listed row with the button `command`, "Remove folders left empty"
// checked where asked.
int removeAll(char** args, int command, bool emptyFolders)
{
    int argc = 1;
    QApplication app(argc, args);
    DialogDriver window(true);
    prepare(window, args[1], args[2]);
    QSignalSpy sized(&window.dlg(), &CPruneDlg::sizesKnown);
    timedClick(window, IDC_BEGIN_SCAN, &CPruneDlg::scanFinished);
    // The sizes of the listed files are found after the list shows; a user is not that quick.
    if (sized.isEmpty() && !sized.wait(600000)) {
        throw std::runtime_error("the sizes never came");
    }
    // Every row goes, in row order: the order of the bare loop on an identical tree.
    const std::vector<std::string> paths = window.rows();
    std::ofstream order(args[3], std::ios::binary | std::ios::trunc);
    for (const std::string& path : paths) {
        order << path.substr(std::strlen(args[2])) << '\n';
    }
    window.click(IDC_SELECT_ALL);
    if (emptyFolders) {
        window.click(IDC_REMOVE_EMPTY);
    }
    QCoreApplication::processEvents();
    // The boxes are answered IDOK, the scripted default.
    const double ms = timedClick(window, command, &CPruneDlg::removalFinished);
    report(ms, "rows=" + std::to_string(paths.size()) + " left=" + std::to_string(window.dlg().fileModel().rowCount()));
    return order.flush() ? 0 : 1;
}

int probeDelete(char** args)
{
    return removeAll(args, IDC_DELETE_FILES, false);
}

int probeDeleteEmpty(char** args)
{
    return removeAll(args, IDC_DELETE_FILES, true);
}

int probeTrash(char** args)
{
    return removeAll(args, IDC_MOVE_TO_TRASH, false);
}

// The bare loop that Move to Trash is measured against: the same calls, each file's .trashinfo
// written, then the file renamed into the trash.
int probeTrashLoop(char** args)
{
    const std::string trash = args[3];
    std::filesystem::create_directories(trash + "/files");
    std::filesystem::create_directories(trash + "/info");
    std::vector<std::string> paths;
    std::ifstream order(args[2], std::ios::binary);
    for (std::string line; std::getline(order, line);) {
        paths.push_back(line);
    }
    std::size_t moved = 0;
    const double start = now();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string name = std::to_string(i) + "-" + paths[i].substr(paths[i].rfind('/') + 1);
        const std::string info = "[Trash Info]\nPath=" + paths[i] + "\nDeletionDate=2026-12-08T00:00:00\n";
        const int fd = ::open((trash + "/info/" + name + ".trashinfo").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0 && ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size()) && ::close(fd) == 0) {
            moved += ::rename((std::string(args[1]) + "/" + paths[i]).c_str(), (trash + "/files/" + name).c_str()) == 0;
        }
    }
    report((now() - start) * 1000, "removed=" + std::to_string(moved));
    return 0;
}

// The bare loop that removing the folders left empty is measured against, run after the files of
// ORDER are gone: each of their folders, deepest first, listed by path; where it holds nothing but
// clutter, that is unlinked and the folder removed, and then its parent is looked at.
int probeFoldersLoop(char** args)
{
    using Pending = std::set<std::pair<long, std::string>, std::greater<>>; // deepest first
    const auto add = [](Pending& pending, const std::string& path) {
        if (const std::size_t cut = path.rfind('/'); cut != std::string::npos && cut != 0) {
            const std::string dir = path.substr(0, cut);
            pending.emplace(std::count(dir.begin(), dir.end(), '/'), dir);
        }
    };
    std::vector<std::string> paths;
    std::ifstream order(args[2], std::ios::binary);
    for (std::string line; std::getline(order, line);) {
        paths.push_back(line); // "/Artist/Album/01 - Song.mp3"
    }
    std::size_t folders = 0;
    const double start = now();
    Pending pending;
    for (const std::string& path : paths) {
        add(pending, path);
    }
    while (!pending.empty()) {
        const std::string dir = pending.begin()->second;
        const std::string full = args[1] + dir;
        pending.erase(pending.begin());
        std::vector<std::string> clutter;
        bool onlyClutter = true;
        if (DIR* const listing = ::opendir(full.c_str())) {
            for (const dirent* entry; (entry = ::readdir(listing)) != nullptr;) {
                const std::string_view name = entry->d_name;
                if (name != "." && name != "..") {
                    onlyClutter = onlyClutter && isFolderClutter(name);
                    clutter.emplace_back(name);
                }
            }
            ::closedir(listing);
        }
        for (std::size_t i = 0; onlyClutter && i < clutter.size(); ++i) {
            ::unlink((full + "/" + clutter[i]).c_str());
        }
        if (onlyClutter && ::rmdir(full.c_str()) == 0) {
            ++folders;
            add(pending, dir);
        }
    }
    report((now() - start) * 1000, "folders=" + std::to_string(folders));
    return 0;
}

int probeUnlink(char** args)
{
    std::vector<std::string> paths;
    std::ifstream order(args[2], std::ios::binary);
    for (std::string line; std::getline(order, line);) {
        paths.push_back(std::string(args[1]) + "/" + line);
    }
    std::size_t removed = 0;
    const double start = now();
    for (const std::string& path : paths) {
        removed += ::unlink(path.c_str()) == 0 ? 1 : 0;
    }
    report((now() - start) * 1000, "removed=" + std::to_string(removed));
    return 0;
}

int probeReadPlaylist(char** args)
{
    const double start = now();
    const KeepListRead read = readKeepList({args[1]});
    if (!read.set.ok()) {
        throw std::runtime_error(std::string("cannot read ") + args[1] + ": " + read.set.refused.front().reason);
    }
    const KeepList& keep = read.keep;
    report((now() - start) * 1000, "lines=" + std::to_string(keep.lines().size()));
    return 0;
}

// Open m3u through the window, from the click to the keep-list in place.
int probeOpen(char** args)
{
    int argc = 1;
    QApplication app(argc, args);
    DialogDriver window(true);
    window.dlg().show();
    QCoreApplication::processEvents();
    window.dialogs.path = args[1];
    const double ms = timedClick(window, IDC_OPEN_M3U, &CPruneDlg::openFinished);
    if (!window.dialogs.boxes.isEmpty()) {
        throw std::runtime_error(window.dialogs.boxes.front().toStdString());
    }
    report(ms, "lines=" + std::to_string(window.dlg().keepList().lines().size()));
    return 0;
}

} // namespace

int runProbe(int argc, char** args)
{
    struct Probe {
        const char* name;
        int args;
        int (*run)(char**);
    };
    static constexpr Probe kProbes[] = {
        {"floor", 2, probeFloor}, // ROOT THREADS
        {"scan", 2, probeScan}, // M3U ROOT
        {"scan-all-audio", 2, probeScanAllAudio}, // M3U ROOT
        {"list-habits", 2, probeListHabits}, // M3U ROOT
        {"delete", 3, probeDelete}, // M3U ROOT ORDER_OUT
        {"delete-empty", 3, probeDeleteEmpty}, // M3U ROOT ORDER_OUT
        {"trash", 3, probeTrash}, // M3U ROOT ORDER_OUT
        {"unlink", 2, probeUnlink}, // ROOT ORDER_IN
        {"trash-loop", 3, probeTrashLoop}, // ROOT ORDER_IN TRASH
        {"folders-loop", 2, probeFoldersLoop}, // ROOT ORDER_IN
        {"read", 1, probeReadPlaylist}, // PLAYLIST
        {"open", 1, probeOpen}, // PLAYLIST
        {"gen-tree", 3,
         [](char** a) {
             return makeLibrary(a[1], std::stoul(a[2]), std::stoul(a[3])), 0;
         }},
        {"gen-tree", 4,
         [](char** a) {
             const Naming naming
                 = std::strcmp(a[4], "quarter-flac") == 0 ? Naming::QuarterFlac : Naming::QuarterFlacAsMp3;
             return makeLibrary(a[1], std::stoul(a[2]), std::stoul(a[3]), naming), 0;
         }},
        {"gen-playlists", 3,
         [](char** a) {
             return writePlaylists(a[1], std::stoul(a[2]), std::stoul(a[3])), 0;
         }},
        {"gen-big", 1,
         [](char** a) {
             return writeBigPlaylists(a[1]), 0;
         }},
        {"gen-formats", 1,
         [](char** a) {
             return writeFormatPlaylists(a[1]), 0;
         }},
    };
    for (const Probe& probe : kProbes) {
        if (argc == probe.args + 1 && std::strcmp(args[0], probe.name) == 0) {
            return probe.run(args);
        }
    }
    return -1;
}

} // namespace bench
