#include "Bench.h"

#include "DialogDriver.h"
#include "KeepListReader.h"
#include "TreeWalk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
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
void report(double ms, const std::string& more)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word && word != "VmHWM:") { }
    long kb = 0;
    status >> kb;
    std::printf("ms=%.3f hwm_kb=%ld %s\n", ms, kb, more.c_str());
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

int probeFloor(char** args, int)
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

// Listings that wait, as on a slow disk or a network mount, leave the cores idle: the walk wakes
// more threads while they wait. The walk of ROOT with THREADS (0: as many as suit the machine) on a
// lister that waits 5 ms for each folder; most_listing= is how many listed at once at most.
int probeSlowLister(char** args, int)
{
    ScriptedDirLister lister;
    std::atomic<int> listing = 0;
    std::atomic<int> most = 0;
    lister.onList = [&](const std::string&) {
        const int count = ++listing;
        for (int seen = most; count > seen && !most.compare_exchange_weak(seen, count);) { }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --listing;
    };
    const double start = now();
    const Mp3Collection c
        = collectMp3s(lister, std::string(args[1]) + "/", {.threads = static_cast<unsigned>(std::stoul(args[2]))});
    report((now() - start) * 1000,
           "rows=" + std::to_string(c.entries.size()) + " most_listing=" + std::to_string(most));
    return 0;
}

// The real window shown offscreen, with the playlist read and the base directory chosen.
struct Window {
    int argc = 1;
    QApplication app;
    DialogDriver driver {true};
    CPruneDlg& dlg = driver.dlg();

    Window(char** args, const char* m3u, const char* root)
        : app(argc, args)
    {
        dlg.show();
        driver.openPlaylist(m3u);
        driver.selectDirectory(root);
        // The layout and paints of the window's first showing are not the command's.
        QCoreApplication::processEvents();
    }

    // Clicks the button and waits for `finished`, which the window emits when the command has
    // ended: inside the click, or later from the event loop when the command runs on a worker.
    double timedClick(int id, void (CPruneDlg::*finished)())
    {
        if (!driver.enabled(id)) {
            throw std::runtime_error("button " + std::to_string(id) + " is disabled");
        }
        QEventLoop loop;
        double end = 0;
        QObject::connect(&dlg, finished, &loop, [&] {
            end = now();
            loop.quit();
        });
        const double start = now();
        driver.click(id);
        if (end == 0) {
            QTimer::singleShot(std::chrono::minutes(30), &loop, [&loop] { loop.exit(1); });
            if (loop.exec() != 0) {
                throw std::runtime_error("button " + std::to_string(id) + ": no end signal within 30 minutes");
            }
        }
        return (end - start) * 1000;
    }
    std::string rows() const { return std::to_string(dlg.fileModel().rowCount()); }
};

// Begin Scan, of mp3 files only or (allAudio) of every audio type.
int probeScan(char** args, int allAudio)
{
    Window window(args, args[1], args[2]);
    qobject_cast<QAbstractButton*>(window.driver.item(IDC_ALL_AUDIO))->setChecked(allAudio != 0);
    const double ms = window.timedClick(IDC_BEGIN_SCAN, &CPruneDlg::scanFinished);
    report(ms, "rows=" + window.rows());
    return 0;
}

// Scans, then removes every listed row: Delete Files or Move to Trash. Writes the rows' paths below ROOT, in row order,
// to ORDER_OUT.
enum Removing { kDelete, kTrash };
int probeRemoval(char** args, int removing)
{
    Window window(args, args[1], args[2]);
    QSignalSpy sized(&window.dlg, &CPruneDlg::sizesKnown);
    window.timedClick(IDC_BEGIN_SCAN, &CPruneDlg::scanFinished);
    // The sizes of the listed files are found after the list shows; a user is not that quick.
    if (sized.isEmpty() && !sized.wait(600000)) {
        throw std::runtime_error("the sizes never came");
    }
    // Every row goes, in row order: the order of the bare loop on an identical tree.
    const std::vector<std::string> paths = window.driver.rows();
    std::ofstream order(args[3], std::ios::binary | std::ios::trunc);
    for (const std::string& path : paths) {
        order << path.substr(std::strlen(args[2])) << '\n';
    }
    window.driver.click(IDC_SELECT_ALL);
    QCoreApplication::processEvents();
    // The boxes are answered IDOK, the scripted default.
    const double ms
        = window.timedClick(removing == kTrash ? IDC_MOVE_TO_TRASH : IDC_DELETE_FILES, &CPruneDlg::removalFinished);
    report(ms, "rows=" + std::to_string(paths.size()) + " left=" + window.rows());
    return order.flush() ? 0 : 1;
}

// The lines of the file ORDER that a removal wrote, each after `prefix`.
std::vector<std::string> readOrder(const char* order, const std::string& prefix = "")
{
    std::vector<std::string> paths;
    std::ifstream in(order, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        paths.push_back(prefix + line);
    }
    return paths;
}

// The bare loop that Delete Files is measured against: ROOT/path unlinked for each line of ORDER.
int probeUnlink(char** args, int)
{
    const std::vector<std::string> paths = readOrder(args[2], std::string(args[1]) + "/");
    std::size_t removed = 0;
    const double start = now();
    for (const std::string& path : paths) {
        removed += ::unlink(path.c_str()) == 0 ? 1 : 0;
    }
    report((now() - start) * 1000, "removed=" + std::to_string(removed));
    return 0;
}

// The bare loop that Move to Trash is measured against: the same calls, each file's .trashinfo
// written, then the file renamed into the trash.
int probeTrashLoop(char** args, int)
{
    const std::string trash = args[3];
    std::filesystem::create_directories(trash + "/files");
    std::filesystem::create_directories(trash + "/info");
    const std::vector<std::string> paths = readOrder(args[2]);
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

// A playlist read and made into the keep test.
int probeRead(char** args, int)
{
    const double start = now();
    const KeepListRead read = readKeepList({args[1]});
    if (!read.set.ok()) {
        throw std::runtime_error(std::string("cannot read ") + args[1] + ": " + read.set.refused.front().reason);
    }
    report((now() - start) * 1000, "lines=" + std::to_string(read.keep.lines().size()));
    return 0;
}

} // namespace

int runProbe(int argc, char** args)
{
    struct Probe {
        const char* name;
        int args;
        int (*run)(char**, int);
        int mode;
    };
    static constexpr Probe kProbes[] = {
        {"floor", 2, probeFloor, 0}, // ROOT THREADS
        {"slow-lister", 2, probeSlowLister, 0}, // ROOT THREADS
        {"scan", 2, probeScan, 0}, // M3U ROOT
        {"scan-all-audio", 2, probeScan, 1}, // M3U ROOT
        {"delete", 3, probeRemoval, kDelete}, // M3U ROOT ORDER_OUT
        {"trash", 3, probeRemoval, kTrash}, // M3U ROOT ORDER_OUT
        {"unlink", 2, probeUnlink, 0}, // ROOT ORDER_IN
        {"trash-loop", 3, probeTrashLoop, 0}, // ROOT ORDER_IN TRASH
        {"read", 1, probeRead, 0}, // PLAYLIST
        {"gen-tree", 3, generate, kTree}, // ROOT FILES MP3S
        {"gen-tree", 4, generate, kTree}, // ROOT FILES MP3S quarter-flac|quarter-flac-as-mp3
        {"gen-playlists", 3, generate, kPlaylists}, // STEM LIBRARY_FILES KEEP_LINES
        {"gen-big", 1, generate, kBigPlaylists}, // DIR
    };
    for (const Probe& probe : kProbes) {
        if (argc == probe.args + 1 && std::strcmp(args[0], probe.name) == 0) {
            return probe.run(args, probe.mode);
        }
    }
    return -1;
}

} // namespace bench
