// `tuneprune_bench run` makes the data that is missing, runs every measurement in a child process
// of its own (this program again, or a shell pipeline) and prints a line of key=value words for
// each; notes begin with '#'.

#include "FuseMount.h"
#include "Probes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Change it when the generated data changes, so that stale data is made again.
constexpr const char* kDataVersion = "tuneprune-bench-data 2";

std::string env(const char* name, const char* otherwise)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : otherwise;
}

std::vector<std::size_t> numbers(std::string text)
{
    std::replace(text.begin(), text.end(), ',', ' ');
    std::istringstream in(text);
    return {std::istream_iterator<std::size_t>(in), std::istream_iterator<std::size_t>()};
}

// A finished child: its key=value words, its time (its own ms= or else the wall time) and peak RSS.
struct Child {
    std::map<std::string, std::string> values;
    double ms = 0;
    double peakMb = 0;

    const std::string& operator[](const std::string& key) const { return values.at(key); }
};

// Runs `argv` with its stdout in the file `out`.
Child runChild(const std::vector<std::string>& argv, const std::string& out)
{
    std::fflush(nullptr);
    const double start = bench::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    while (pid > 0 && ::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) { }
    Child child {{}, (bench::now() - start) * 1000, static_cast<double>(usage.ru_maxrss) / 1024};
    std::ifstream words(out);
    for (std::string word; words >> word;) {
        const std::size_t eq = word.find('=');
        child.values[eq == std::string::npos ? "count" : word.substr(0, eq)] = word.substr(eq + 1);
    }
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("failed: " + argv[1] + " " + argv[2]);
    }
    // Our own probes know their own time and peak; for a pipeline, the peak is its largest process's.
    if (child.values.count("ms") != 0) {
        child.ms = std::stod(child.values["ms"]);
        child.peakMb = std::stod(child.values["hwm_kb"]) / 1024;
    }
    return child;
}

// The run of median time.
Child median(std::vector<Child> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Child& a, const Child& b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

// One result: its own words, then the time and the peak, then more words.
void put(const std::string& head, const Child& child, const std::string& tail = "")
{
    std::printf("%s median_ms=%.1f peak_mb=%.1f%s\n", head.c_str(), child.ms, child.peakMb, tail.c_str());
}

class Bench {
public:
    void run()
    {
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        fs::create_directories(m_strData);
        m_strData = fs::canonical(m_strData).string();
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Move to Trash and the records of what went stay with the data, out of the user's home.
        ::setenv("XDG_DATA_HOME", path("trash-home").c_str(), 1);
        ::setenv("XDG_STATE_HOME", path("state").c_str(), 1);
        if (!m_bCold) {
            std::printf("# cold cache runs skipped: dropping the page cache needs root\n");
        }
        if (m_strFd.empty()) {
            std::printf("# fd skipped: neither fdfind nor fd is installed\n");
        }
        for (const std::size_t files : m_vecSizes) {
            measureLibrary(files, false);
            if (m_bCold) {
                measureLibrary(files, true);
            }
        }
        if (!m_vecSizes.empty()) {
            measureListHabits(m_vecSizes.back());
            measureAllAudio(m_vecSizes.back());
        }
        if (m_nDeleteRows != 0) {
            measureDeletion();
        }
        measurePlaylists();
        measureFuse();
    }

private:
    std::string path(const std::string& name) const { return m_strData + "/" + name; }
    Child spawn(const std::vector<std::string>& argv) const { return runChild(argv, path("child-out.txt")); }
    // A shell user's way, in the C locale; the paths come in as $1 and $2.
    static std::vector<std::string> shell(const std::string& command, const std::string& path1,
                                          const std::string& path2 = "")
    {
        return {"/bin/sh", "-c", "export LC_ALL=C; " + command, "sh", path1, path2};
    }

    // The median of each command's runs, taken in turns, so that the machine's drift in speed
    // (10-20% within minutes on a shared one) reaches all of them alike. Warm: one untimed round
    // first. Cold: the page cache dropped before each run.
    std::vector<Child> measureInTurns(const std::vector<std::vector<std::string>>& commands, bool cold,
                                      int rounds = 0) const
    {
        rounds = std::max(rounds, m_nRuns);
        std::vector<std::vector<Child>> runs(commands.size());
        for (int round = cold ? 0 : -1; round < rounds; ++round) {
            for (std::size_t i = 0; i < commands.size(); ++i) {
                if (cold) {
                    ::sync();
                    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
                }
                Child child = spawn(commands[i]);
                if (round >= 0) {
                    runs[i].push_back(std::move(child));
                }
            }
        }
        std::vector<Child> medians;
        for (std::vector<Child>& each : runs) {
            medians.push_back(median(std::move(each)));
        }
        return medians;
    }
    Child measure(const std::vector<std::string>& argv, bool cold) const { return measureInTurns({argv}, cold)[0]; }

    // Makes the data with `argv` unless `stamp` says that this version of it is there.
    void ensure(const std::string& stamp, const std::vector<std::string>& argv) const
    {
        std::string version;
        std::getline(std::ifstream(stamp), version);
        if (version != kDataVersion) {
            std::fprintf(stderr, "Generating %s (once; later runs reuse it)...\n", argv[2].c_str());
            fs::remove_all(argv[2]);
            spawn(argv);
            std::ofstream(stamp) << kDataVersion << '\n';
        }
    }

    void measureLibrary(std::size_t files, bool cold) const
    {
        const std::string root = path("lib-" + std::to_string(files));
        const std::string tag = "files=" + std::to_string(files);
        const std::string cache = cold ? " cache=cold" : " cache=warm";
        ensure(root + ".stamp", {m_strExe, "gen-tree", root, std::to_string(files), "0"});
        std::vector<std::vector<std::string>> commands;
        for (const int threads : {1, 2, 8}) {
            commands.push_back({m_strExe, "floor", root, std::to_string(threads)});
        }
        if (!m_strFd.empty()) {
            commands.push_back(shell(m_strFd + " -u -i -g '*.mp3*' \"$1\" | wc -l", root));
        }
        // The playlist that names the local paths gives the "scan" line; another machine's its own.
        struct Playlist {
            const char* kind;
            const char* line;
        };
        const Playlist playlists[] = {{"inplace", "scan"}, {"elsewhere", "scan_elsewhere"}};
        for (const std::size_t keep : m_vecKeeps) {
            const std::string stem = path("keep-" + std::to_string(files) + "-" + std::to_string(keep));
            ensure(stem + ".stamp", {m_strExe, "gen-playlists", stem, std::to_string(files), std::to_string(keep)});
            commands.push_back(shell("find \"$1\" -iname '*.mp3*' | grep -viF -f \"$2\" | wc -l", root, stem + ".txt"));
            for (const Playlist& playlist : playlists) {
                commands.push_back({m_strExe, "scan", stem + "-" + playlist.kind + ".m3u", root});
            }
            // The command line's list, through a pipe as a shell user reads it.
            commands.push_back(shell(m_strList, root, stem + "-inplace.m3u"));
        }
        const std::vector<Child> results = measureInTurns(commands, cold);
        auto result = results.begin();
        double floorMs = 0;
        for (const int threads : {1, 2, 8}) {
            const Child& floor = *result++;
            floorMs = threads == 1 ? floor.ms : std::min(floorMs, floor.ms);
            put("floor " + tag + " threads=" + std::to_string(threads) + cache, floor, " mp3s=" + floor["mp3s"]);
        }
        if (!m_strFd.empty()) {
            const Child& fd = *result++;
            put("fd " + tag + cache, fd, " rows=" + fd["count"]);
        }
        for (const std::size_t keep : m_vecKeeps) {
            const std::string keepTag = tag + " keep=" + std::to_string(keep);
            const Child& grep = *result++;
            put("find_grep " + keepTag + cache, grep, " rows=" + grep["count"]);
            for (const Playlist& playlist : playlists) {
                const Child& scan = *result++;
                std::printf("%s %s%s median_ms=%.1f peak_mb=%.1f floor_ms=%.1f rows=%s\n", playlist.line,
                            keepTag.c_str(), cache.c_str(), scan.ms, scan.peakMb, floorMs, scan["rows"].c_str());
            }
            const Child& list = *result++;
            put("cli_list " + keepTag + cache, list, " rows=" + list["count"]);
        }
    }

    // The list of the largest library's scan: Select All, Deselect All, resizing and scrolling.
    void measureListHabits(std::size_t files) const
    {
        const std::string stem = path("keep-" + std::to_string(files) + "-" + std::to_string(m_vecKeeps.front()));
        const Child list
            = measureInTurns({{m_strExe, "list-habits", stem + "-inplace.m3u", path("lib-" + std::to_string(files))}},
                             false)
                  .front();
        std::printf("list rows=%s select_all_ms=%.1f deselect_all_ms=%s resize_frame_ms=%s scroll_frame_ms=%s "
                    "peak_mb=%.1f\n",
                    list["rows"].c_str(), list.ms, list["deselect_all_ms"].c_str(), list["resize_frame_ms"].c_str(),
                    list["scroll_frame_ms"].c_str(), list.peakMb);
    }

    // Every audio type on a library whose albums are a quarter FLAC, against mp3 files only on the
    // same tree with those named .mp3, in turns. The playlist names nothing: both list every track.
    void measureAllAudio(std::size_t files) const
    {
        const std::string flac = path("lib-" + std::to_string(files) + "-flac");
        const std::string asMp3 = flac + "-as-mp3";
        ensure(flac + ".stamp", {m_strExe, "gen-tree", flac, std::to_string(files), "0", "quarter-flac"});
        ensure(asMp3 + ".stamp", {m_strExe, "gen-tree", asMp3, std::to_string(files), "0", "quarter-flac-as-mp3"});
        const std::string none = path("empty.m3u");
        std::ofstream(none) << "#EXTM3U\n";
        const std::vector<Child> scans
            = measureInTurns({{m_strExe, "scan", none, asMp3}, {m_strExe, "scan-all-audio", none, flac}}, false);
        std::printf("scan_all_audio files=%zu cache=warm median_ms=%.1f peak_mb=%.1f rows=%s mp3_only_ms=%.1f "
                    "mp3_only_rows=%s time_ratio=%.3f\n",
                    files, scans[1].ms, scans[1].peakMb, scans[1]["rows"].c_str(), scans[0].ms,
                    scans[0]["rows"].c_str(), scans[1].ms / scans[0].ms);
    }

    // Makes 2 * pairs trees of m_nDeleteRows mp3s, then runs first(tree) and second(tree) in turns on
    // them, each on a tree of its own, and then(tree) after second on the same tree where asked; the
    // first pair is untimed. Every tree is made before the first removal: ext4 makes files several
    // times slower among the inodes that a deletion has just freed.
    using Command = std::function<std::vector<std::string>(const std::string& tree)>;
    struct Removals {
        Child first;
        Child second;
        Child then;
    };
    Removals removeInTurns(const Command& first, const Command& second, const Command& then = nullptr) const
    {
        const std::string tree = path("delete-");
        const int pairs = m_nRuns + 1;
        std::fprintf(stderr, "Generating %d trees of %zu mp3s...\n", 2 * pairs, m_nDeleteRows);
        for (int i = 0; i < 2 * pairs; ++i) {
            fs::remove_all(tree + std::to_string(i));
            spawn({m_strExe, "gen-tree", tree + std::to_string(i), "0", std::to_string(m_nDeleteRows)});
        }
        std::vector<Child> a;
        std::vector<Child> b;
        std::vector<Child> c;
        for (int i = 0; i < pairs; ++i) {
            a.push_back(spawn(first(tree + std::to_string(2 * i))));
            b.push_back(spawn(second(tree + std::to_string(2 * i + 1))));
            c.push_back(then ? spawn(then(tree + std::to_string(2 * i + 1))) : Child());
            fs::remove_all(path("trash-home"));
            if ((a.back().values.count("left") != 0 && a.back()["left"] != "0")
                || (b.back().values.count("removed") != 0 && b.back()["removed"] != a.back()["rows"])) {
                throw std::runtime_error("removal incomplete");
            }
        }
        a.erase(a.begin());
        b.erase(b.begin());
        c.erase(c.begin());
        return {median(a), median(b), median(c)};
    }

    // Delete Files against a bare unlink loop, Move to Trash against a bare loop of the same calls,
    // and Delete Files with the folders left empty removed against Delete Files alone.
    void measureDeletion() const
    {
        const std::string empty = path("empty.m3u");
        const std::string order = path("delete-order.txt");
        std::ofstream(empty) << "#EXTM3U\n";
        const auto app = [&](const char* probe) {
            return [&, probe](const std::string& tree) {
                return std::vector<std::string> {m_strExe, probe, empty, tree, order};
            };
        };
        const Removals deletion = removeInTurns(app("delete"), [&](const std::string& tree) {
            return std::vector<std::string> {m_strExe, "unlink", tree, order};
        });
        std::printf("delete rows=%s median_ms=%.1f peak_mb=%.1f unlink_ms=%.1f unlink_peak_mb=%.1f\n",
                    deletion.first["rows"].c_str(), deletion.first.ms, deletion.first.peakMb, deletion.second.ms,
                    deletion.second.peakMb);
        const Removals trash = removeInTurns(app("trash"), [&](const std::string& tree) {
            return std::vector<std::string> {m_strExe, "trash-loop", tree, order, path("trash-home/Trash")};
        });
        std::printf("trash rows=%s median_ms=%.1f peak_mb=%.1f loop_ms=%.1f loop_peak_mb=%.1f\n",
                    trash.first["rows"].c_str(), trash.first.ms, trash.first.peakMb, trash.second.ms,
                    trash.second.peakMb);
        // The folders' floor: after Delete Files alone, a bare loop listing, unlinking and removing
        // the same folders by path.
        const Removals folders = removeInTurns(app("delete-empty"), app("delete"), [&](const std::string& tree) {
            return std::vector<std::string> {m_strExe, "folders-loop", tree, order};
        });
        std::printf("delete_empty_folders rows=%s median_ms=%.1f peak_mb=%.1f delete_ms=%.1f folders_loop_ms=%.1f "
                    "folders=%s\n",
                    folders.first["rows"].c_str(), folders.first.ms, folders.first.peakMb, folders.second.ms,
                    folders.then.ms, folders.then["folders"].c_str());
    }

    // The 20,000-file library through the tests' FUSE passthrough, whose readdir gives no inode
    // numbers, as sshfs's does: Begin Scan against find and fd on the same mount, warm, in turns.
    void measureFuse() const
    {
        const std::string root = path("lib-20000");
        const std::string stem = path("keep-20000-20000");
        ensure(root + ".stamp", {m_strExe, "gen-tree", root, "20000", "0"});
        ensure(stem + ".stamp", {m_strExe, "gen-playlists", stem, "20000", "20000"});
        const FuseMount mount(root, path("fuse-mount"));
        if (!mount.ok()) {
            std::printf("# fuse skipped: %s\n", qPrintable(mount.why()));
            return;
        }
        const std::string mounted = mount.mountPoint() + "/";
        std::vector<std::vector<std::string>> commands {
            shell("find \"$1\" -iname '*.mp3*' | wc -l", mounted),
            {m_strExe, "scan", stem + "-inplace.m3u", mounted},
        };
        if (!m_strFd.empty()) {
            commands.push_back(shell(m_strFd + " -u -i -g '*.mp3*' \"$1\" | wc -l", mounted));
        }
        const std::vector<Child> results = measureInTurns(commands, false);
        put("fuse_find files=20000 cache=warm", results[0], " rows=" + results[0]["count"]);
        put("fuse_scan files=20000 keep=20000 cache=warm", results[1], " rows=" + results[1]["rows"]);
        if (!m_strFd.empty()) {
            put("fuse_fd files=20000 cache=warm", results[2], " rows=" + results[2]["count"]);
        }
    }

    void measurePlaylists() const
    {
        const std::string dir = path("big");
        ensure(dir + ".stamp", {m_strExe, "gen-big", dir});
        for (const std::string name : {"big-100mb", "lines-1m"}) {
            const std::string m3u = dir + "/" + name + ".m3u";
            const Child read = measure({m_strExe, "read", m3u}, false);
            put("playlist name=" + name + " lines=" + read["lines"] + " bytes=" + std::to_string(fs::file_size(m3u)),
                read);
        }
        const std::string formats = path("formats");
        if (!fs::exists(formats + "/tracks-100k.asx")) {
            fs::remove(formats + ".stamp"); // made before the ASX was
        }
        ensure(formats + ".stamp", {m_strExe, "gen-formats", formats});
        for (const std::string name : {"tracks-100k.m3u", "tracks-100k.xspf", "tracks-100k.pls"}) {
            const std::string file = formats + "/" + name;
            const Child read = measure({m_strExe, "read", file}, false);
            put("playlist name=" + name + " lines=" + read["lines"] + " bytes=" + std::to_string(fs::file_size(file)),
                read);
        }
        // The same tracks as ASX, read by its own tolerant reader, against XSPF, in turns.
        const std::vector<Child> asx = measureInTurns(
            {{m_strExe, "read", formats + "/tracks-100k.xspf"}, {m_strExe, "read", formats + "/tracks-100k.asx"}},
            false);
        std::printf("playlist_asx lines=%s median_ms=%.1f peak_mb=%.1f xspf_ms=%.1f time_ratio=%.2f\n",
                    asx[1]["lines"].c_str(), asx[1].ms, asx[1].peakMb, asx[0].ms, asx[1].ms / asx[0].ms);
        // Open m3u through the window: the same 20,000 entries as M3U and as XSPF, in turns. A run
        // takes a tenth of a second, and this machine's hiccups last as long: more of them.
        const std::vector<Child> open = measureInTurns(
            {{m_strExe, "open", formats + "/tracks-20k.m3u"}, {m_strExe, "open", formats + "/tracks-20k.xspf"}}, false,
            15);
        std::printf("open_m3u lines=%s median_ms=%.1f peak_mb=%.1f\n", open[0]["lines"].c_str(), open[0].ms,
                    open[0].peakMb);
        std::printf("open_xspf lines=%s median_ms=%.1f peak_mb=%.1f time_ratio=%.2f peak_ratio=%.2f\n",
                    open[1]["lines"].c_str(), open[1].ms, open[1].peakMb, open[1].ms / open[0].ms,
                    open[1].peakMb / open[0].peakMb);
    }

    std::string m_strExe = fs::read_symlink("/proc/self/exe").string();
    std::string m_strData = env("BENCH_DATA", "bench-data");
    std::vector<std::size_t> m_vecSizes = numbers(env("BENCH_SIZES", "20000,200000,1000000"));
    std::vector<std::size_t> m_vecKeeps = numbers(env("BENCH_KEEPS", "20000"));
    int m_nRuns = std::max(1, std::stoi(env("BENCH_RUNS", "3")));
    std::size_t m_nDeleteRows = std::stoul(env("BENCH_DELETE_ROWS", "100000"));
    std::string m_strFd = env("BENCH_FD", ""); // fd's name here, found by run.sh
    std::string m_strList = std::string("'") + TUNEPRUNE_BINARY + "' --list --base \"$1\" \"$2\" | wc -l";
    // Cold runs drop the page cache, which only root can do.
    bool m_bCold = ::access("/proc/sys/vm/drop_caches", W_OK) == 0;
};

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 2 && std::string(argv[1]) == "run") {
            Bench().run();
            return 0;
        }
        if (const int status = bench::runProbe(argc - 1, argv + 1); status >= 0) {
            return status;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tuneprune_bench %s: %s\n", argc > 1 ? argv[1] : "", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: tuneprune_bench run, through bench/run.sh or make bench\n"
                 "environment: BENCH_DATA, BENCH_SIZES (20000,200000,1000000), BENCH_KEEPS (20000),\n"
                 "BENCH_RUNS (3), BENCH_DELETE_ROWS (100000; 0 for none)\n");
    return 2;
}
