// `tuneprune_bench run` makes the data that is missing, runs every measurement in a child process
// of its own (this program again, or a shell pipeline) and prints a line of key=value words for
// each; notes begin with '#'.

#include "Bench.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
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
using Argv = std::vector<std::string>;

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

std::string format(const char* pattern, ...)
{
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// A finished child: its key=value words, its time (its own ms= or else the wall time) and peak RSS.
struct Child {
    std::map<std::string, std::string> values;
    double ms = 0;
    double peakMb = 0;

    const std::string& operator[](const std::string& key) const { return values.at(key); }
    // Whether the child gave `key` another value than `value`.
    bool differs(const std::string& key, const std::string& value) const
    {
        return values.count(key) != 0 && values.at(key) != value;
    }
};

// Runs `argv` with its stdout in the file `out`.
Child runChild(const Argv& argv, const std::string& out)
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

// The run of median time of each command, the first run of each left out where it was a warm-up.
std::vector<Child> medians(std::vector<std::vector<Child>> runs, bool warmUp)
{
    std::vector<Child> result;
    for (std::vector<Child>& each : runs) {
        each.erase(each.begin(), each.begin() + (warmUp ? 1 : 0));
        std::sort(each.begin(), each.end(), [](const Child& a, const Child& b) { return a.ms < b.ms; });
        result.push_back(each[each.size() / 2]);
    }
    return result;
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
            measureAllAudio(m_vecSizes.back());
        }
        if (m_nDeleteRows != 0) {
            measureDeletion();
        }
        measurePlaylists();
        measureSlowLister();
    }

private:
    std::string path(const std::string& name) const { return m_strData + "/" + name; }
    Child spawn(const Argv& argv) const { return runChild(argv, path("child-out.txt")); }
    // A shell user's way, in the C locale; the paths come in as $1 and $2.
    static Argv shell(const std::string& command, const std::string& path1, const std::string& path2 = "")
    {
        return {"/bin/sh", "-c", "export LC_ALL=C; " + command, "sh", path1, path2};
    }
    std::string library(std::size_t files) const
    {
        const std::string root = path("lib-" + std::to_string(files));
        ensure(root + ".stamp", {m_strExe, "gen-tree", root, std::to_string(files), "0"});
        return root;
    }
    std::string keepStem(std::size_t files, std::size_t keep) const
    {
        const std::string stem = path("keep-" + std::to_string(files) + "-" + std::to_string(keep));
        ensure(stem + ".stamp", {m_strExe, "gen-playlists", stem, std::to_string(files), std::to_string(keep)});
        return stem;
    }

    // The median of each command's runs, taken in turns, so that the machine's drift in speed
    // (10-20% within minutes on a shared one) reaches all of them alike. Warm: one untimed round
    // first. Cold: the page cache dropped before each run.
    std::vector<Child> measureInTurns(const std::vector<Argv>& commands, bool cold) const
    {
        std::vector<std::vector<Child>> runs(commands.size());
        for (int round = cold ? 0 : -1; round < m_nRuns; ++round) {
            for (std::size_t i = 0; i < commands.size(); ++i) {
                if (cold) {
                    ::sync();
                    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
                }
                runs[i].push_back(spawn(commands[i]));
            }
        }
        return medians(std::move(runs), !cold);
    }

    // Makes the data with `argv` unless `stamp` says that this version of it is there.
    void ensure(const std::string& stamp, const Argv& argv) const
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
        const std::string root = library(files);
        const std::string tag = "files=" + std::to_string(files);
        const std::string cache = cold ? " cache=cold" : " cache=warm";
        constexpr int kThreads[] = {1, 2, 8};
        std::vector<Argv> commands;
        for (const int threads : kThreads) {
            commands.push_back({m_strExe, "floor", root, std::to_string(threads)});
        }
        if (!m_strFd.empty()) {
            commands.push_back(shell(m_strFd + " -u -i -g '*.mp3*' \"$1\" | wc -l", root));
        }
        // The playlist that names the local paths gives the "scan" line; another machine's its own.
        for (const std::size_t keep : m_vecKeeps) {
            const std::string stem = keepStem(files, keep);
            commands.push_back(shell("find \"$1\" -iname '*.mp3*' | grep -viF -f \"$2\" | wc -l", root, stem + ".txt"));
            commands.push_back({m_strExe, "scan", stem + "-inplace.m3u", root});
            commands.push_back({m_strExe, "scan", stem + "-elsewhere.m3u", root});
            // The command line's list, through a pipe as a shell user reads it.
            commands.push_back(shell(m_strList, root, stem + "-inplace.m3u"));
        }
        const std::vector<Child> results = measureInTurns(commands, cold);
        auto result = results.begin();
        double floorMs = result->ms;
        for (const int threads : kThreads) {
            floorMs = std::min(floorMs, result->ms);
            put(format("floor %s threads=%d%s", tag.c_str(), threads, cache.c_str()), *result,
                " mp3s=" + (*result)["mp3s"]);
            ++result;
        }
        if (!m_strFd.empty()) {
            put("fd " + tag + cache, *result, " rows=" + (*result)["count"]);
            ++result;
        }
        for (const std::size_t keep : m_vecKeeps) {
            const std::string keepTag = tag + " keep=" + std::to_string(keep);
            put("find_grep " + keepTag + cache, result[0], " rows=" + result[0]["count"]);
            for (const int i : {1, 2}) {
                put((i == 1 ? "scan " : "scan_elsewhere ") + keepTag + cache, result[i],
                    format(" floor_ms=%.1f rows=%s", floorMs, result[i]["rows"].c_str()));
            }
            put("cli_list " + keepTag + cache, result[3], " rows=" + result[3]["count"]);
            result += 4;
        }
    }

    // Every audio type on a library whose albums are a quarter FLAC, against mp3 files only on the
    // same tree with those named .mp3, in turns. The playlist names nothing: both list every track.
    void measureAllAudio(std::size_t files) const
    {
        const std::string flac = path("lib-" + std::to_string(files) + "-flac");
        ensure(flac + ".stamp", {m_strExe, "gen-tree", flac, std::to_string(files), "0", "quarter-flac"});
        ensure(flac + "-as-mp3.stamp",
               {m_strExe, "gen-tree", flac + "-as-mp3", std::to_string(files), "0", "quarter-flac-as-mp3"});
        const std::vector<Child> scans = measureInTurns(
            {{m_strExe, "scan", empty(), flac + "-as-mp3"}, {m_strExe, "scan-all-audio", empty(), flac}}, false);
        put(format("scan_all_audio files=%zu cache=warm", files), scans[1],
            format(" rows=%s mp3_only_ms=%.1f mp3_only_rows=%s time_ratio=%.3f", scans[1]["rows"].c_str(), scans[0].ms,
                   scans[0]["rows"].c_str(), scans[1].ms / scans[0].ms));
    }
    std::string empty() const
    {
        std::ofstream(path("empty.m3u")) << "#EXTM3U\n";
        return path("empty.m3u");
    }

    // Makes 2 * pairs trees of m_nDeleteRows mp3s, then runs the two commands in turns on them, each
    // on a tree of its own ("@" stands for the tree); the first pair is untimed. Every tree is made
    // before the first removal: ext4 makes files several times slower among the inodes that a
    // deletion has just freed.
    std::vector<Child> removeInTurns(const std::vector<Argv>& commands) const
    {
        const int pairs = m_nRuns + 1;
        const auto tree = [this](int i) {
            return path("delete-" + std::to_string(i));
        };
        std::fprintf(stderr, "Generating %d trees of %zu mp3s...\n", 2 * pairs, m_nDeleteRows);
        for (int i = 0; i < 2 * pairs; ++i) {
            fs::remove_all(tree(i));
            spawn({m_strExe, "gen-tree", tree(i), "0", std::to_string(m_nDeleteRows)});
        }
        std::vector<std::vector<Child>> runs(commands.size());
        for (int i = 0; i < pairs; ++i) {
            for (std::size_t c = 0; c < commands.size(); ++c) {
                Argv argv = commands[c];
                std::replace(argv.begin(), argv.end(), std::string("@"), tree(2 * i + static_cast<int>(c)));
                runs[c].push_back(spawn(argv));
            }
            fs::remove_all(path("trash-home"));
            if (runs[0].back().differs("left", "0") || runs[1].back().differs("removed", runs[0].back()["rows"])) {
                throw std::runtime_error("removal incomplete");
            }
        }
        return medians(std::move(runs), true);
    }

    // Delete Files against a bare unlink loop, and Move to Trash against a bare loop of the same calls.
    void measureDeletion() const
    {
        const std::string order = path("delete-order.txt");
        std::vector<Child> r
            = removeInTurns({{m_strExe, "delete", empty(), "@", order}, {m_strExe, "unlink", "@", order}});
        put("delete rows=" + r[0]["rows"], r[0], format(" unlink_ms=%.1f unlink_peak_mb=%.1f", r[1].ms, r[1].peakMb));
        r = removeInTurns(
            {{m_strExe, "trash", empty(), "@", order}, {m_strExe, "trash-loop", "@", order, path("trash-home/Trash")}});
        put("trash rows=" + r[0]["rows"], r[0], format(" loop_ms=%.1f loop_peak_mb=%.1f", r[1].ms, r[1].peakMb));
    }

    // Very large playlists read and made into the keep test.
    void measurePlaylists() const
    {
        const std::string big = path("big");
        ensure(big + ".stamp", {m_strExe, "gen-big", big});
        for (const char* name : {"big-100mb", "lines-1m"}) {
            const std::string file = big + "/" + name + ".m3u";
            const Child read = measureInTurns({{m_strExe, "read", file}}, false)[0];
            put(format("playlist name=%s lines=%s bytes=%ju", name, read["lines"].c_str(), fs::file_size(file)), read);
        }
    }

    // Begin Scan's walk of the 2,000-file library on a lister that waits for each folder, with one
    // thread against as many as suit the machine, in turns: more threads list while others wait.
    void measureSlowLister() const
    {
        const std::string root = library(2000);
        const std::vector<Child> walks
            = measureInTurns({{m_strExe, "slow-lister", root, "1"}, {m_strExe, "slow-lister", root, "0"}}, false);
        put("slow_lister files=2000 wait_ms=5", walks[1],
            format(" rows=%s most_listing=%s one_thread_ms=%.1f speedup=%.2f", walks[1]["rows"].c_str(),
                   walks[1]["most_listing"].c_str(), walks[0].ms, walks[0].ms / walks[1].ms));
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
