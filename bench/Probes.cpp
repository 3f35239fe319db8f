#include "Probes.h"

#include "Library.h"

#include "Scripted.h"
#include "core/TreeWalk.h"
#include "dialogs/PruneDlg.h"
#include "resources/Resource.h"

#include <QAbstractButton>
#include <QApplication>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace bench {

double monotonicSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long peakRssKb()
{
    // Not ru_maxrss: Linux carries the high-water mark of the process image before exec into it,
    // which here is a copy of the benchmark's own driver.
    long kb = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f) != nullptr) {
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) {
                break;
            }
        }
        std::fclose(f);
    }
    return kb;
}

namespace {

long currentRssKb()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

template<class T> void put(const char* key, const T& value)
{
    std::printf("%s=%s\n", key, std::to_string(value).c_str());
}

void putSeconds(const char* key, double seconds)
{
    std::printf("%s=%.6f\n", key, seconds);
}

void finish()
{
    put("rss_kb", peakRssKb());
    std::fflush(stdout);
}

std::string withSlash(std::string dir)
{
    if (dir.empty() || dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

// The floor: what any program that looks at every name must do at least.
struct WalkCount {
    std::size_t names = 0;
    std::size_t dirs = 0;
};

void bareWalk(std::string& path, WalkCount& count)
{
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return;
    }
    ++count.dirs;
    const std::size_t length = path.size();
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        ++count.names;
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            path += name;
            struct stat st { };
            isDir = ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            path.resize(length);
        }
        if (isDir) {
            path += name;
            path += '/';
            bareWalk(path, count);
            path.resize(length);
        }
    }
    ::closedir(dir);
}

// The first program's way: the same walk, collecting the full path of every ".mp3" entry.
void collectPaths(std::string& path, std::vector<std::string>& out)
{
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::size_t length = path.size();
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        path += name;
        if (entry->d_type == DT_DIR) {
            path += '/';
            collectPaths(path, out);
        } else if (isMp3Name(name)) {
            out.push_back(path);
        }
        path.resize(length);
    }
    ::closedir(dir);
}

// Deliberately naive, as the original was: fresh lower-cased copies of both strings for
// every comparison, and a linear search over the whole keep-list.
__attribute__((noinline)) bool naiveIsKept(const std::string& path, const std::vector<std::string>& keep)
{
    for (const std::string& line : keep) {
        std::string lowerPath = path;
        for (char& c : lowerPath) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        std::string lowerLine = line;
        for (char& c : lowerLine) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (lowerPath.find(lowerLine) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Stands in for the real unlink and notes when the loop of unlinks begins and ends.
class TimedDeleter final : public IFileDeleter {
public:
    int remove(const std::string& path) override
    {
        const double start = monotonicSeconds();
        if (count == 0) {
            first = start;
        }
        const int error = m_real.remove(path);
        last = monotonicSeconds();
        ++count;
        return error;
    }

    double first = 0;
    double last = 0;
    std::size_t count = 0;

private:
    PosixFileDeleter m_real;
};

// The real window, shown offscreen, with scripted boxes and dialogs and the real lister and
// deleter (not the scripted ones: they record every call, which the program does not do).
class Window {
public:
    Window() { dlg.show(); }

    void click(int id)
    {
        auto* button = qobject_cast<QAbstractButton*>(dlg.GetDlgItem(id));
        if (button == nullptr || !button->isEnabled()) {
            throw std::runtime_error("button " + std::to_string(id) + " is not there or not enabled");
        }
        button->click();
    }
    // Time for the events the command left behind: the list's layout and the repaints.
    double settle()
    {
        const double start = monotonicSeconds();
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
        return monotonicSeconds() - start;
    }
    double openPlaylist(const std::string& path)
    {
        fileDialog.answers.push_back(path);
        const double start = monotonicSeconds();
        click(IDC_OPEN_M3U);
        const double seconds = monotonicSeconds() - start;
        if (!messageBox.boxes.empty()) {
            throw std::runtime_error("the playlist was not read: " + messageBox.boxes.back().text.toStdString());
        }
        return seconds;
    }
    void selectDirectory(const std::string& path)
    {
        pathPicker.answers.push_back(path);
        click(IDC_SELECT_DIR);
    }

    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    ScriptedPathPicker pathPicker;
    PosixDirLister dirLister;
    TimedDeleter fileDeleter;
    CPruneDlg dlg {Services {messageBox, fileDialog, pathPicker, dirLister, fileDeleter}};
};

int& offscreen(int& argc)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return argc;
}

// Notes the time spent painting, to tell the window's repaints from the command's own work.
class PaintTimingApp final : public QApplication {
public:
    PaintTimingApp(int& argc, char** argv)
        : QApplication(offscreen(argc), argv)
    {
    }

    bool notify(QObject* receiver, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (m_nDepth > 0 || (type != QEvent::Paint && type != QEvent::UpdateRequest)) {
            return QApplication::notify(receiver, event);
        }
        ++m_nDepth;
        const double start = monotonicSeconds();
        const bool result = QApplication::notify(receiver, event);
        paintSeconds += monotonicSeconds() - start;
        ++paints;
        --m_nDepth;
        return result;
    }

    double paintSeconds = 0;
    int paints = 0;

private:
    int m_nDepth = 0;
};

struct OffscreenApp {
    OffscreenApp(int& argc, char** argv)
        : app(argc, argv)
    {
    }
    PaintTimingApp app;
};

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

void needArgs(int argc, int wanted, const char* usage)
{
    if (argc < wanted) {
        throw std::runtime_error(std::string("usage: tuneprune_bench ") + usage);
    }
}

} // namespace

int probeGenerateTree(int argc, char** argv)
{
    needArgs(argc, 3, "gen-tree ROOT FILES [MP3S]");
    const TreeCounts counts = createLibraryTree(argv[1], std::stoul(argv[2]), argc > 3 ? std::stoul(argv[3]) : 0);
    // Timings that follow should not pay for this tree's write-back.
    ::sync();
    put("files", counts.files);
    put("mp3s", counts.mp3s);
    put("dirs", counts.dirs);
    finish();
    return 0;
}

int probeWritePlaylist(int argc, char** argv)
{
    needArgs(argc, 4, "gen-playlist STEM LIBRARY_FILES KEEP_LINES");
    put("inside", writePlaylist(argv[1], std::stoul(argv[2]), std::stoul(argv[3])));
    finish();
    return 0;
}

int probeWriteStress(int argc, char** argv)
{
    needArgs(argc, 2, "gen-stress DIR");
    writeStressPlaylists(argv[1]);
    finish();
    return 0;
}

int probeBareWalk(int argc, char** argv)
{
    needArgs(argc, 2, "walk ROOT");
    std::string path = withSlash(argv[1]);
    WalkCount count;
    const double start = monotonicSeconds();
    bareWalk(path, count);
    putSeconds("seconds", monotonicSeconds() - start);
    put("names", count.names);
    put("dirs", count.dirs);
    finish();
    return 0;
}

int probeNaiveKeepTest(int argc, char** argv)
{
    needArgs(argc, 4, "naive ROOT KEEP_TXT BUDGET_SECONDS");
    const std::vector<std::string> keep = readLines(argv[2]);
    const double budget = std::stod(argv[3]);

    std::string path = withSlash(argv[1]);
    std::vector<std::string> paths;
    const double walkStart = monotonicSeconds();
    collectPaths(path, paths);
    const double walkSeconds = monotonicSeconds() - walkStart;

    // A random sample, so that kept and unwanted paths come in their true proportion.
    Rng rng(kLibrarySeed);
    std::vector<std::size_t> order(paths.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    rng.shuffle(order);

    std::size_t tested = 0;
    std::size_t kept = 0;
    const double testStart = monotonicSeconds();
    double testSeconds = 0;
    while (tested < order.size()) {
        kept += naiveIsKept(paths[order[tested]], keep) ? 1 : 0;
        ++tested;
        testSeconds = monotonicSeconds() - testStart;
        if (testSeconds >= budget) {
            break;
        }
    }
    const double perPath = tested == 0 ? 0 : testSeconds / static_cast<double>(tested);
    putSeconds("walk_seconds", walkSeconds);
    putSeconds("test_seconds", testSeconds);
    putSeconds("seconds", walkSeconds + perPath * static_cast<double>(paths.size()));
    put("paths", paths.size());
    put("tested", tested);
    put("kept", kept);
    put("extrapolated", tested < paths.size() ? 1 : 0);
    finish();
    return 0;
}

int probeBeginScan(int argc, char** argv)
{
    needArgs(argc, 3, "scan M3U ROOT");
    OffscreenApp app(argc, argv);
    Window window;
    window.settle();
    const double loadSeconds = window.openPlaylist(argv[1]);
    window.selectDirectory(argv[2]);
    window.settle();

    app.app.paintSeconds = 0;
    app.app.paints = 0;
    const double start = monotonicSeconds();
    window.click(IDC_BEGIN_SCAN);
    const double scanSeconds = monotonicSeconds() - start;
    const double paintSeconds = app.app.paintSeconds;
    const int paints = app.app.paints;
    const double settleSeconds = window.settle();

    putSeconds("load_seconds", loadSeconds);
    putSeconds("seconds", scanSeconds);
    putSeconds("settle_seconds", settleSeconds);
    putSeconds("paint_seconds", paintSeconds);
    put("paints", paints);
    put("lines", window.dlg.keepList().lines().size());
    put("mp3s", window.dlg.totalMp3s());
    put("rows", window.dlg.fileModel().rowCount());
    put("boxes", window.messageBox.boxes.size());
    finish();
    return 0;
}

int probeLoadPlaylist(int argc, char** argv)
{
    needArgs(argc, 2, "load M3U");
    OffscreenApp app(argc, argv);
    Window window;
    window.settle();
    const long baseRss = currentRssKb();
    const double seconds = window.openPlaylist(argv[1]);
    putSeconds("seconds", seconds);
    put("lines", window.dlg.keepList().lines().size());
    put("base_rss_kb", baseRss);
    put("after_rss_kb", currentRssKb());
    finish();
    return 0;
}

int probeDeleteFiles(int argc, char** argv)
{
    needArgs(argc, 3, "delete M3U ROOT");
    OffscreenApp app(argc, argv);
    Window window;
    window.openPlaylist(argv[1]);
    window.selectDirectory(argv[2]);
    window.click(IDC_BEGIN_SCAN);
    window.settle();
    const int rows = window.dlg.fileModel().rowCount();

    double selectStart = monotonicSeconds();
    window.click(IDC_SELECT_ALL);
    const double selectSeconds = monotonicSeconds() - selectStart;
    window.settle();

    double resetStart = 0;
    double resetEnd = 0;
    const FileListModel& model = window.dlg.fileModel();
    QObject::connect(&model, &QAbstractItemModel::modelAboutToBeReset, &window.dlg,
                     [&resetStart] { resetStart = monotonicSeconds(); });
    QObject::connect(&model, &QAbstractItemModel::modelReset, &window.dlg,
                     [&resetEnd] { resetEnd = monotonicSeconds(); });

    const std::size_t boxesBefore = window.messageBox.boxes.size();
    const double start = monotonicSeconds();
    window.click(IDC_DELETE_FILES);
    const double end = monotonicSeconds();
    const double settleSeconds = window.settle();
    const TimedDeleter& deleter = window.fileDeleter;

    putSeconds("seconds", end - start);
    putSeconds("before_unlink_seconds", deleter.first - start);
    putSeconds("unlink_seconds", deleter.last - deleter.first);
    putSeconds("rows_seconds", end - deleter.last);
    putSeconds("reset_seconds", resetEnd - resetStart);
    putSeconds("select_all_seconds", selectSeconds);
    putSeconds("settle_seconds", settleSeconds);
    put("rows", rows);
    put("removed", deleter.count);
    put("rows_after", window.dlg.fileModel().rowCount());
    put("boxes", window.messageBox.boxes.size() - boxesBefore);
    finish();
    return 0;
}

int probeUnlinkFloor(int argc, char** argv)
{
    needArgs(argc, 2, "unlink ROOT");
    // The same files in the same order as the program's rows, collected untimed.
    PosixDirLister lister;
    const Mp3Collection found = collectMp3s(lister, withSlash(argv[1]));
    std::vector<std::string> paths;
    paths.reserve(found.entries.size());
    for (const Mp3Collection::Entry& entry : found.entries) {
        paths.push_back(found.path(entry));
    }
    std::size_t failed = 0;
    const double start = monotonicSeconds();
    for (const std::string& path : paths) {
        failed += ::unlink(path.c_str()) == 0 ? 0 : 1;
    }
    putSeconds("seconds", monotonicSeconds() - start);
    put("removed", paths.size() - failed);
    put("failed", failed);
    finish();
    return 0;
}

} // namespace bench
