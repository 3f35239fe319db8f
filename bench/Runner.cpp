#include "Runner.h"

#include "Library.h"
#include "Probes.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace bench {

namespace {

// Bump when the generated data changes, so that stale trees are made again.
constexpr const char* kDataVersion = "tuneprune-bench-data 1";
constexpr double kNoLimit = 4 * 3600;
constexpr std::size_t kDeleteRows = 100'000;
// grep -i in a UTF-8 locale needs gigabytes for large pattern lists; past this it fails cleanly
// instead of waking the OOM killer on a shared machine.
constexpr std::uint64_t kPipelineMemoryLimit = 6ULL << 30;

// One child process: its stdout's key=value lines, wall time and peak RSS (of the largest
// process in it, for a pipeline).
struct ChildRun {
    bool timedOut = false;
    int status = -1;
    double wall = 0;
    long rssKb = 0;
    std::string out;
    std::map<std::string, std::string> values;

    bool ok() const
    {
        // grep says 1 when it selects nothing, 2 or a signal when it fails (memory exhausted).
        const auto grep = values.find("grep_status");
        if (grep != values.end() && std::stoi(grep->second) > 1) {
            return false;
        }
        return !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    double number(const std::string& key) const
    {
        const auto it = values.find(key);
        return it == values.end() ? std::nan("") : std::stod(it->second);
    }
    // The child's own figure when it timed itself, else the wall time.
    double seconds(const std::string& key) const { return key.empty() ? wall : number(key); }
};

ChildRun runChild(const std::vector<std::string>& argv, const std::vector<std::string>& env, double limit,
                  std::uint64_t memoryLimit = 0)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    std::fflush(nullptr);
    ChildRun run;
    const double start = monotonicSeconds();
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
        // A group of its own, so that a pipeline over its limit is ended as a whole.
        ::setpgid(0, 0);
        if (memoryLimit != 0) {
            const rlimit as {memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &as);
        }
        for (const std::string& e : env) {
            ::putenv(::strdup(e.c_str()));
        }
        ::dup2(fds[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::fprintf(stderr, "exec %s: %s\n", args[0], std::strerror(errno));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    ::close(fds[1]);
    char buffer[4096];
    for (;;) {
        const double left = start + limit - monotonicSeconds();
        pollfd p {fds[0], POLLIN, 0};
        const int ready = left <= 0 ? 0 : ::poll(&p, 1, static_cast<int>(std::ceil(left * 1000)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            run.timedOut = true;
            ::kill(-pid, SIGKILL);
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        run.out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    rusage usage {};
    while (::wait4(pid, &run.status, 0, &usage) < 0 && errno == EINTR) { }
    run.wall = monotonicSeconds() - start;
    // For a pipeline, the largest of its processes; it includes the size of this driver when it
    // forked (Linux keeps the image's high-water mark across exec), so the driver stays small.
    run.rssKb = usage.ru_maxrss;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) {
            run.values[line.substr(0, eq)] = line.substr(eq + 1);
        } else if (!line.empty() && line.find_first_not_of("0123456789 ") == std::string::npos) {
            run.values["lines"] = line; // wc -l
        }
    }
    // A probe of ours knows its own peak exactly.
    if (const auto own = run.values.find("rss_kb"); own != run.values.end()) {
        run.rssKb = std::stol(own->second);
    }
    return run;
}

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (const char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

std::string withCommas(std::size_t n)
{
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += ',';
        }
        out += digits[i];
    }
    return out;
}

std::string formatSeconds(double s)
{
    char text[32];
    if (std::isnan(s)) {
        return "n/a";
    }
    if (s < 1) {
        std::snprintf(text, sizeof text, "%.1f ms", s * 1000);
    } else if (s < 100) {
        std::snprintf(text, sizeof text, "%.2f s", s);
    } else {
        return withCommas(static_cast<std::size_t>(std::llround(s))) + " s";
    }
    return text;
}

std::string formatMb(long kb)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(kb) / 1024);
    return text;
}

std::string formatRatio(double r)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", r);
    return text;
}

void progress(const std::string& text)
{
    std::fprintf(stderr, "  %s\n", text.c_str());
    std::fflush(stderr);
}

// A measurement: one untimed warm-up, then the timed runs.
struct Measured {
    std::vector<ChildRun> runs;
    std::string timeKey;
    std::string error;
    bool timedOut = false;

    bool ok() const { return error.empty() && !runs.empty(); }
    double median(const std::string& key) const
    {
        std::vector<double> v;
        for (const ChildRun& r : runs) {
            v.push_back(r.seconds(key));
        }
        std::sort(v.begin(), v.end());
        return v.empty() ? std::nan("") : v[v.size() / 2];
    }
    double seconds() const { return median(timeKey); }
    long rssKb() const
    {
        long m = 0;
        for (const ChildRun& r : runs) {
            m = std::max(m, r.rssKb);
        }
        return m;
    }
    // The run whose time is the median, for the counts it reported.
    const ChildRun& medianRun() const
    {
        std::vector<const ChildRun*> v;
        for (const ChildRun& r : runs) {
            v.push_back(&r);
        }
        std::sort(v.begin(), v.end(),
                  [this](const ChildRun* a, const ChildRun* b) { return a->seconds(timeKey) < b->seconds(timeKey); });
        return *v[v.size() / 2];
    }
    std::string value(const std::string& key) const
    {
        const auto& values = medianRun().values;
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    }
};

Measured measure(const std::function<ChildRun()>& once, const std::string& timeKey, int runs, bool warm = true)
{
    Measured m;
    m.timeKey = timeKey;
    for (int i = warm ? -1 : 0; i < runs; ++i) {
        ChildRun run = once();
        if (!run.ok()) {
            m.timedOut = run.timedOut;
            m.error = run.timedOut ? "over the time limit" : "failed (status " + std::to_string(run.status) + ")";
            m.runs.clear();
            if (!run.timedOut) {
                std::fprintf(stderr, "child output:\n%s\n", run.out.c_str());
            }
            return m;
        }
        if (i >= 0) {
            m.runs.push_back(std::move(run));
        }
    }
    return m;
}

// Several measurements taken in turns, so that the machine's slow drifts hit them all alike.
std::vector<Measured> measureInTurns(const std::vector<std::function<ChildRun()>>& each, const std::string& timeKey,
                                     int runs)
{
    std::vector<Measured> all(each.size());
    for (Measured& m : all) {
        m.timeKey = timeKey;
    }
    for (int i = -1; i < runs; ++i) {
        for (std::size_t k = 0; k < each.size(); ++k) {
            if (!all[k].error.empty()) {
                continue;
            }
            ChildRun run = each[k]();
            if (!run.ok()) {
                all[k].error
                    = run.timedOut ? "over the time limit" : "failed (status " + std::to_string(run.status) + ")";
                all[k].runs.clear();
                std::fprintf(stderr, "child output:\n%s\n", run.out.c_str());
            } else if (i >= 0) {
                all[k].runs.push_back(std::move(run));
            }
        }
    }
    return all;
}

std::string timeAndRss(const Measured& m)
{
    if (!m.ok()) {
        return m.error;
    }
    return formatSeconds(m.seconds()) + ", " + formatMb(m.rssKb());
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

bool stampMatches(const std::string& stamp, const std::string& header)
{
    const std::string text = readFile(stamp);
    return text.compare(0, header.size() + 1, header + "\n") == 0;
}

class Bench {
public:
    explicit Bench(const RunOptions& options)
        : m_opt(options)
    {
        fs::create_directories(dir("playlists"));
        fs::create_directories(dir("stress"));
        fs::create_directories(dir("scratch"));
        // Qt wants a private runtime directory and complains on every start without one.
        m_runtimeDir = dir("scratch/xdg-runtime");
        fs::create_directories(m_runtimeDir);
        fs::permissions(m_runtimeDir, fs::perms::owner_all, fs::perm_options::replace);
    }

    void generate()
    {
        if (m_opt.matrix) {
            for (const std::size_t size : m_opt.sizes) {
                ensureTree(size);
                for (const std::size_t keep : m_opt.keeps) {
                    ensurePlaylist(size, keep);
                }
            }
        }
        if (m_opt.playlists) {
            ensureStress();
        }
    }

    void run()
    {
        const double start = monotonicSeconds();
        generate();
        if (m_opt.matrix) {
            for (const std::size_t size : m_opt.sizes) {
                measureSize(size);
            }
        }
        if (m_opt.deletion) {
            measureDeletion();
        }
        if (m_opt.playlists) {
            measurePlaylists();
        }
        print();
        std::fprintf(stderr, "The whole run took %s.\n", formatSeconds(monotonicSeconds() - start).c_str());
    }

private:
    struct Cell {
        std::size_t files = 0;
        std::size_t keep = 0;
        std::size_t inside = 0; // keep lines that name a track of this library
        Measured grepC;
        std::string grepUtf8; // what its cell shows
        std::optional<double> grepUtf8Seconds; // measured or estimated
        bool grepUtf8Estimated = false;
        Measured naive;
        Measured scan;
    };
    struct SizeResult {
        std::size_t files = 0;
        std::size_t mp3s = 0;
        Measured walk;
        std::vector<Cell> cells;
    };

    // More runs where the targets compare figures a few tenths of a second apart.
    int scanRuns() const { return std::max(m_opt.runs, 5); }
    std::string dir(const std::string& name) const { return m_opt.data + "/" + name; }
    std::string treeRoot(std::size_t files) const { return dir("lib-" + std::to_string(files)) + "/"; }
    std::string playlistStem(std::size_t files, std::size_t keep) const
    {
        return dir("playlists/keep-" + std::to_string(files) + "-" + std::to_string(keep));
    }

    ChildRun self(std::vector<std::string> args, double limit = kNoLimit)
    {
        args.insert(args.begin(), m_opt.exe);
        return runChild(args, {"LC_ALL=C.UTF-8", "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + m_runtimeDir},
                        limit);
    }
    ChildRun shell(const std::string& command, const std::string& locale, double limit)
    {
        return runChild({"/bin/bash", "-c", command}, {"LC_ALL=" + locale}, limit, kPipelineMemoryLimit);
    }
    // grep's output goes to wc: to /dev/null, GNU grep would stop at the first line it selects.
    // Its stderr would only say that lines of invalid UTF-8 matched and were not printed.
    static std::string grepCommand(const std::string& input, const std::string& keepTxt)
    {
        return input + " | grep -viF -f " + quoted(keepTxt) + " 2>/dev/null | wc -l; echo grep_status=${PIPESTATUS[1]}";
    }
    ChildRun mustRun(std::vector<std::string> args)
    {
        ChildRun run = self(std::move(args));
        if (!run.ok()) {
            throw std::runtime_error("generation failed");
        }
        return run;
    }

    void ensureTree(std::size_t files)
    {
        const std::string root = treeRoot(files);
        const std::string stamp = dir("lib-" + std::to_string(files) + ".stamp");
        const std::string header
            = std::string(kDataVersion) + " seed=" + std::to_string(kLibrarySeed) + " files=" + std::to_string(files);
        if (fs::exists(root) && stampMatches(stamp, header)) {
            return;
        }
        std::fprintf(stderr, "Generating a library of %s files in %s (once; later runs reuse it)...\n",
                     withCommas(files).c_str(), root.c_str());
        fs::remove(stamp);
        fs::remove_all(root);
        const ChildRun run = mustRun({"gen-tree", root, std::to_string(files)});
        progress("made in " + formatSeconds(run.wall) + ": " + run.values.at("files") + " files, "
                 + run.values.at("mp3s") + " mp3s, " + run.values.at("dirs") + " directories");
        writeFile(stamp, header + "\n" + run.out);
    }

    void ensurePlaylist(std::size_t files, std::size_t keep)
    {
        const std::string stem = playlistStem(files, keep);
        const std::string header = std::string(kDataVersion) + " seed=" + std::to_string(kLibrarySeed)
            + " files=" + std::to_string(files) + " keep=" + std::to_string(keep);
        if (fs::exists(stem + ".m3u") && fs::exists(stem + ".txt") && stampMatches(stem + ".stamp", header)) {
            return;
        }
        const ChildRun run = mustRun({"gen-playlist", stem, std::to_string(files), std::to_string(keep)});
        writeFile(stem + ".stamp", header + "\n" + run.out);
    }

    void ensureStress()
    {
        const std::string stamp = dir("stress.stamp");
        const std::string header = std::string(kDataVersion) + " seed=" + std::to_string(kLibrarySeed);
        if (stampMatches(stamp, header)) {
            return;
        }
        std::fprintf(stderr, "Generating the playlists for the reader...\n");
        mustRun({"gen-stress", dir("stress")});
        writeFile(stamp, header + "\n");
    }

    std::size_t stampValue(const std::string& stamp, const std::string& key)
    {
        std::istringstream lines(readFile(stamp));
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with(key + "=")) {
                return std::stoul(line.substr(key.size() + 1));
            }
        }
        return 0;
    }

    void measureSize(std::size_t files)
    {
        const std::string root = treeRoot(files);
        SizeResult size;
        size.files = files;
        size.mp3s = stampValue(dir("lib-" + std::to_string(files) + ".stamp"), "mp3s");
        std::fprintf(stderr, "Library of %s files (%s mp3s):\n", withCommas(files).c_str(),
                     withCommas(size.mp3s).c_str());

        // For the UTF-8 grep's subsets: the find output, in a file (not in this process).
        const std::string list = dir("scratch/find-" + std::to_string(files) + ".txt");
        const ChildRun listed
            = shell("find " + quoted(root) + " -iname '*.mp3*' | tee " + quoted(list) + " | wc -l", "C", kNoLimit);
        const std::size_t listLines = std::stoul(listed.values.at("lines"));

        for (const std::size_t keep : m_opt.keeps) {
            Cell cell;
            cell.files = files;
            cell.keep = keep;
            const std::string stem = playlistStem(files, keep);
            cell.inside = stampValue(stem + ".stamp", "inside");
            const std::string keepTxt = stem + ".txt";
            const std::string label = "[" + withCommas(files) + " files, " + withCommas(keep) + " keep] ";

            const std::string pipeline = grepCommand("find " + quoted(root) + " -iname '*.mp3*'", keepTxt);
            cell.grepC = measure([&] { return shell(pipeline, "C", kNoLimit); }, "", m_opt.runs);
            progress(label + "find|grep C: " + timeAndRss(cell.grepC) + " (" + cell.grepC.value("lines") + " lines)");

            measureGrepUtf8(cell, pipeline, list, listLines, keepTxt);
            progress(label + "find|grep C.UTF-8: " + cell.grepUtf8);

            // The warm-up needs only the walk; a short search is enough.
            bool warm = true;
            cell.naive = measure(
                [&] {
                    const char* budget = warm ? "0.1" : "1.0";
                    warm = false;
                    return self({"naive", root, keepTxt, budget});
                },
                "seconds", m_opt.runs);
            progress(label + "naive: " + timeAndRss(cell.naive) + " (" + cell.naive.value("tested") + " of "
                     + cell.naive.value("paths") + " paths tested)");

            size.cells.push_back(std::move(cell));
        }

        // The floor and the program's scans, in turns: their ratios are what the targets compare.
        std::vector<std::function<ChildRun()>> turns {[&] {
            return self({"walk", root});
        }};
        for (const Cell& cell : size.cells) {
            turns.push_back([&] { return self({"scan", playlistStem(files, cell.keep) + ".m3u", root}); });
        }
        std::vector<Measured> taken = measureInTurns(turns, "seconds", scanRuns());
        size.walk = std::move(taken[0]);
        progress("bare walk: " + timeAndRss(size.walk));
        for (std::size_t k = 0; k < size.cells.size(); ++k) {
            Cell& cell = size.cells[k];
            cell.scan = std::move(taken[k + 1]);
            const std::string label = "[" + withCommas(files) + " files, " + withCommas(cell.keep) + " keep] ";
            if (!cell.scan.ok()) {
                progress(label + "Tuneprune: " + cell.scan.error);
                continue;
            }
            std::string each;
            for (const ChildRun& run : cell.scan.runs) {
                each += (each.empty() ? "" : " ") + formatSeconds(run.number("seconds"));
            }
            progress(label + "Begin Scan runs: " + each);
            progress(label + "Tuneprune: load " + formatSeconds(cell.scan.median("load_seconds")) + ", Begin Scan "
                     + timeAndRss(cell.scan) + ", " + cell.scan.value("rows") + " rows of " + cell.scan.value("mp3s")
                     + " mp3s; painting " + formatSeconds(cell.scan.median("paint_seconds")) + " ("
                     + cell.scan.value("paints") + " paints) of it; then "
                     + formatSeconds(cell.scan.median("settle_seconds")) + " of pending events");
        }
        m_sizes.push_back(std::move(size));
    }

    // grep -i in C.UTF-8 has a large fixed cost (its pattern tables) and a cost per line that falls
    // as its caches fill. Both are probed, on empty input and on an evenly spread subset of the
    // find output; the straight line through them errs high for the whole run. The pipeline
    // itself is run when that estimate is within twice the limit.
    void measureGrepUtf8(Cell& cell, const std::string& pipeline, const std::string& list, std::size_t total,
                         const std::string& keepTxt)
    {
        const double limit = m_opt.limitSeconds;
        // A pattern count that failed, or ran over the limit, on a smaller library does so again on
        // a larger one; probing it again would only cost minutes.
        for (const SizeResult& smaller : m_sizes) {
            for (const Cell& c : smaller.cells) {
                if (c.keep != cell.keep || !c.grepUtf8Estimated) {
                    continue;
                }
                cell.grepUtf8Estimated = true;
                if (!c.grepUtf8Seconds) {
                    cell.grepUtf8 = "not run (as at " + withCommas(smaller.files) + " files: " + c.grepUtf8 + ")";
                    return;
                }
                // The per-line part grows with the lines.
                const double scaled = c.grepUtf8Seconds.value() * static_cast<double>(total)
                    / static_cast<double>(std::max<std::size_t>(smaller.mp3s, 1));
                cell.grepUtf8Seconds = scaled;
                char note[200];
                std::snprintf(note, sizeof note, ">%.0f s; ~%s (not run: the estimate at %s files, scaled by lines)",
                              limit, formatSeconds(scaled).c_str(), withCommas(smaller.files).c_str());
                cell.grepUtf8 = note;
                return;
            }
        }
        const std::string subset = dir("scratch/subset.txt");
        // Every k-th line; `lines` becomes the number taken.
        const auto grepOn = [&](std::size_t& lines) {
            const std::size_t k = lines == 0 ? 0 : std::max<std::size_t>(1, total / lines);
            lines = k == 0 ? 0 : (total + k - 1) / k;
            shell("awk -v k=" + std::to_string(k) + " 'k > 0 && NR % k == 1 % k' " + quoted(list) + " > "
                      + quoted(subset),
                  "C", kNoLimit);
            return shell(grepCommand("cat " + quoted(subset), keepTxt), "C.UTF-8", limit);
        };
        char note[200];
        std::size_t none = 0;
        const ChildRun setup = grepOn(none);
        if (!setup.ok()) {
            std::snprintf(note, sizeof note,
                          setup.timedOut ? ">%.0f s (setting up the patterns alone took longer)"
                                         : "fails: grep out of memory (%.0f GB) setting up the patterns",
                          setup.timedOut ? limit : static_cast<double>(kPipelineMemoryLimit >> 30));
            cell.grepUtf8 = note;
            cell.grepUtf8Estimated = true;
            return;
        }
        // Until the lines cost at least as much as half the set-up, and a second.
        std::size_t lines = std::min<std::size_t>(total, 200);
        ChildRun probe = grepOn(lines);
        while (probe.ok() && probe.wall - setup.wall < std::max(1.0, setup.wall / 2) && lines * 4 <= total / 2) {
            lines *= 4;
            probe = grepOn(lines);
        }
        if (!probe.ok()) {
            std::snprintf(note, sizeof note, ">%.0f s (grep on %s lines alone took longer)", limit,
                          withCommas(lines).c_str());
            cell.grepUtf8 = note;
            cell.grepUtf8Estimated = true;
            return;
        }
        const double perLine
            = std::max(0.0, probe.wall - setup.wall) / static_cast<double>(std::max<std::size_t>(lines, 1));
        const double bound = setup.wall + perLine * static_cast<double>(total);
        progress("C.UTF-8 grep: " + formatSeconds(setup.wall) + ", " + formatMb(setup.rssKb) + " on no input, "
                 + formatSeconds(probe.wall) + " on " + withCommas(lines) + " lines: ~" + formatSeconds(bound)
                 + " for all");

        if (bound <= 3) {
            const Measured m = measure([&] { return shell(pipeline, "C.UTF-8", limit); }, "", m_opt.runs);
            if (m.ok()) {
                cell.grepUtf8Seconds = m.seconds();
                cell.grepUtf8 = timeAndRss(m);
                return;
            }
        } else if (bound <= 2 * limit) {
            const ChildRun once = shell(pipeline, "C.UTF-8", limit);
            if (once.ok()) {
                cell.grepUtf8Seconds = once.wall;
                cell.grepUtf8 = formatSeconds(once.wall) + ", " + formatMb(once.rssKb) + " (1 run)";
                return;
            }
        }
        cell.grepUtf8Seconds = bound;
        cell.grepUtf8Estimated = true;
        std::snprintf(note, sizeof note, ">%.0f s; ~%s, %s (from %s of %s lines)", limit, formatSeconds(bound).c_str(),
                      formatMb(std::max(setup.rssKb, probe.rssKb)).c_str(), withCommas(lines).c_str(),
                      withCommas(total).c_str());
        cell.grepUtf8 = note;
    }

    void measureDeletion()
    {
        std::fprintf(stderr, "Deletion of %s rows (a fresh tree for every run):\n", withCommas(kDeleteRows).c_str());
        const std::string empty = dir("scratch/empty.m3u");
        writeFile(empty, "#EXTM3U\n");
        // The file system's own spread from run to run is large here, hence more runs than elsewhere.
        const int runs = std::max(m_opt.runs, 4);
        const auto tree = [&](int i) {
            return dir("scratch/delete-" + std::to_string(i));
        };

        // Every tree is made before the first deletion: without a journal, ext4 steps over inodes
        // freed in the last minutes when it allocates, and making a tree after a deletion takes
        // several times as long.
        const double start = monotonicSeconds();
        for (int i = 0; i < 2 * (runs + 1); ++i) {
            fs::remove_all(tree(i));
            mustRun({"gen-tree", tree(i), "0", std::to_string(kDeleteRows)});
        }
        progress(std::to_string(2 * (runs + 1)) + " trees made in " + formatSeconds(monotonicSeconds() - start));

        // Alternating, so that both sides see the same state of the file system.
        for (int i = -1; i < runs; ++i) {
            ChildRun app = self({"delete", empty, tree(2 * (i + 1))});
            ChildRun floor = self({"unlink", tree(2 * (i + 1) + 1)});
            if (!app.ok() || !floor.ok()) {
                std::fprintf(stderr, "deletion run failed:\n%s\n%s\n", app.out.c_str(), floor.out.c_str());
                m_delete.error = m_unlink.error = "failed";
                break;
            }
            progress(std::string(i < 0 ? "untimed: " : "") + "Delete Files " + formatSeconds(app.number("seconds"))
                     + " (unlink loop " + formatSeconds(app.number("unlink_seconds")) + "), bare unlink loop "
                     + formatSeconds(floor.number("seconds")));
            if (i >= 0) {
                m_delete.runs.push_back(std::move(app));
                m_unlink.runs.push_back(std::move(floor));
            }
        }
        for (int i = 0; i < 2 * (runs + 1); ++i) {
            fs::remove_all(tree(i));
        }
        m_delete.timeKey = m_unlink.timeKey = "seconds";
        progress("Delete Files: " + timeAndRss(m_delete) + "; bare unlink loop: " + timeAndRss(m_unlink));
    }

    void measurePlaylists()
    {
        std::fprintf(stderr, "Playlist reading through Open m3u:\n");
        for (const char* name :
             {"big-100mb.m3u", "lines-1m.m3u", "one-line-10mb.m3u", "random-10mb.m3u", "random-no1a-10mb.m3u"}) {
            const std::string path = dir("stress/") + name;
            Measured m = measure([&] { return self({"load", path}); }, "seconds", m_opt.runs);
            progress(std::string(name) + ": " + timeAndRss(m));
            m_loads.emplace_back(name, std::move(m));
        }
    }

    const SizeResult* sizeResult(std::size_t files) const
    {
        for (const SizeResult& s : m_sizes) {
            if (s.files == files) {
                return &s;
            }
        }
        return nullptr;
    }

    void print() const
    {
        std::printf("\n");
        if (!m_sizes.empty()) {
            printMatrix();
        }
        if (m_delete.ok()) {
            printDeletion();
        }
        if (!m_loads.empty()) {
            printLoads();
        }
        printTargets();
        std::fflush(stdout);
    }

    void printMatrix() const
    {
        std::printf("Warm cache; each figure the median of %d runs after an untimed one (bare walk and Begin Scan: "
                    "%d, taken in turns), with the peak RSS of the process(es).\n\n",
                    m_opt.runs, scanRuns());
        std::printf("| files | mp3s | keep lines (in library) | bare walk | find\\|grep, LC_ALL=C | find\\|grep, "
                    "C.UTF-8 | naive keep test | load playlist | Begin Scan | of which painting | Begin Scan / walk | "
                    "rows listed "
                    "|\n");
        std::printf("|---:|---:|---:|---|---|---|---|---|---|---|---:|---:|\n");
        for (const SizeResult& size : m_sizes) {
            for (const Cell& cell : size.cells) {
                std::string naive = timeAndRss(cell.naive);
                if (cell.naive.ok() && cell.naive.value("extrapolated") == "1") {
                    naive = "~" + naive;
                }
                std::string load = "n/a";
                std::string ratio = "n/a";
                std::string paint = "n/a";
                if (cell.scan.ok()) {
                    load = formatSeconds(cell.scan.median("load_seconds"));
                    paint = formatSeconds(cell.scan.median("paint_seconds"));
                    if (size.walk.ok()) {
                        ratio = formatRatio(cell.scan.seconds() / size.walk.seconds());
                    }
                }
                std::printf("| %s | %s | %s (%s) | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                            withCommas(size.files).c_str(), withCommas(size.mp3s).c_str(),
                            withCommas(cell.keep).c_str(), withCommas(cell.inside).c_str(),
                            timeAndRss(size.walk).c_str(), timeAndRss(cell.grepC).c_str(), cell.grepUtf8.c_str(),
                            naive.c_str(), load.c_str(), timeAndRss(cell.scan).c_str(), paint.c_str(), ratio.c_str(),
                            cell.scan.ok() ? withCommas(std::stoul(cell.scan.value("rows"))).c_str() : "n/a");
            }
        }
        std::printf(
            "\n- bare walk: opendir/readdir recursion counting every name, nothing else.\n"
            "- find|grep: `find BASE -iname '*.mp3*' | grep -viF -f keep.txt | wc -l`, wall time of the pipeline, RSS "
            "of its largest process. Into /dev/null GNU grep would stop at the first line it selects, so wc takes the "
            "output. Each pipeline may use %.0f GB of address space.\n"
            "- C.UTF-8: run whole when an estimate says it can end within twice the limit (\"(1 run)\": one run, no "
            "median), stopped at the limit. \">%.0f s; ~X\": not run whole; X is a straight line through grep's time "
            "on "
            "no input (its pattern set-up) and on an evenly spread subset of the find output. grep gets faster per "
            "line as its caches fill, so X errs high.\n"
            "- naive keep test: the same walk collecting full paths, then for each mp3 path a linear search over the "
            "keep lines, lower-casing fresh std::string copies of both every time; \"~\": the search ran on a random "
            "sample of the paths for 1 s and is extrapolated to all of them (the walk is measured).\n"
            "- load playlist: Open m3u through the scripted file dialog (reading and building the keep-list). Begin "
            "Scan: the button's click to its return, in the real window shown offscreen; painting: the part of it "
            "spent in Paint and UpdateRequest events (the window's repaints at about 30 a second).\n"
            "- keep lines: at most half of the library's mp3 tracks, the rest name tracks beyond it (\"in library\"). "
            "About 89%% are relative (some with backslashes or in lower case), the rest absolute under another root "
            "or file:// URLs, which keep nothing here.\n\n",
            static_cast<double>(kPipelineMemoryLimit >> 30), m_opt.limitSeconds);
    }

    void printDeletion() const
    {
        const double total = m_delete.seconds();
        const double floor = m_unlink.seconds();
        std::printf("Deletion of %s rows (Select All, Delete Files, confirmation answered OK), a fresh %s-mp3 tree "
                    "each run; medians of %zu runs, alternating with the bare loop:\n\n",
                    withCommas(std::stoul(m_delete.value("rows"))).c_str(), withCommas(kDeleteRows).c_str(),
                    m_delete.runs.size());
        std::printf("| measurement | time | peak RSS |\n|---|---|---|\n");
        std::printf("| Tuneprune Delete Files, click to return | %s | %s |\n", formatSeconds(total).c_str(),
                    formatMb(m_delete.rssKb()).c_str());
        std::printf("| - before the first unlink (selected rows, confirmation) | %s | |\n",
                    formatSeconds(m_delete.median("before_unlink_seconds")).c_str());
        std::printf("| - the loop of unlinks | %s | |\n", formatSeconds(m_delete.median("unlink_seconds")).c_str());
        std::printf("| - after the last unlink: rows taken out of the list, selection, box | %s | |\n",
                    formatSeconds(m_delete.median("rows_seconds")).c_str());
        std::printf("| - of which the model reset (modelAboutToBeReset to modelReset) | %s | |\n",
                    formatSeconds(m_delete.median("reset_seconds")).c_str());
        std::printf("| Select All | %s | |\n", formatSeconds(m_delete.median("select_all_seconds")).c_str());
        std::printf("| bare unlink(2) loop, same files, same order, identical fresh tree | %s | %s |\n",
                    formatSeconds(floor).c_str(), formatMb(m_unlink.rssKb()).c_str());
        std::printf("| Delete Files / bare unlink | %s | |\n\n", formatRatio(total / floor).c_str());
    }

    void printLoads() const
    {
        std::printf(
            "Playlist reading through Open m3u (median of %d runs after an untimed one):\n\n| playlist | bytes | "
            "keep lines | time | peak RSS | RSS before | RSS after |\n|---|---:|---:|---|---|---|---|\n",
            m_opt.runs);
        for (const auto& [name, m] : m_loads) {
            std::error_code ec;
            const auto bytes = fs::file_size(dir("stress/") + name, ec);
            if (!m.ok()) {
                std::printf("| %s | %s | | %s | | | |\n", name.c_str(), withCommas(ec ? 0 : bytes).c_str(),
                            m.error.c_str());
                continue;
            }
            std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", name.c_str(), withCommas(ec ? 0 : bytes).c_str(),
                        withCommas(std::stoul(m.value("lines"))).c_str(), formatSeconds(m.seconds()).c_str(),
                        formatMb(m.rssKb()).c_str(), formatMb(std::stol(m.value("base_rss_kb"))).c_str(),
                        formatMb(std::stol(m.value("after_rss_kb"))).c_str());
        }
        std::printf("\nrandom-10mb ends at its first 0x1A byte (end of input for a playlist); random-no1a-10mb has "
                    "every 0x1A replaced, so all of it is read.\n\n");
    }

    void printTargets() const
    {
        std::printf("Targets:\n\n");
        const auto verdict = [](bool met) {
            return met ? "MET" : "MISSED";
        };
        const SizeResult* s200 = sizeResult(200'000);
        const Cell* c200 = nullptr;
        if (s200 != nullptr) {
            for (const Cell& c : s200->cells) {
                c200 = c.keep == 20'000 ? &c : c200;
            }
        }
        if (c200 != nullptr && c200->scan.ok() && s200->walk.ok() && c200->grepC.ok()) {
            const double scan = c200->scan.seconds();
            const double walk = s200->walk.seconds();
            const double grep = c200->grepC.seconds();
            std::printf("- Begin Scan, 200,000 files, 20,000 keep lines, within 2x the bare walk: %s / %s = %s: %s\n",
                        formatSeconds(scan).c_str(), formatSeconds(walk).c_str(), formatRatio(scan / walk).c_str(),
                        verdict(scan <= 2 * walk));
            std::printf("- ... and faster than find|grep with LC_ALL=C: %s vs %s: %s\n", formatSeconds(scan).c_str(),
                        formatSeconds(grep).c_str(), verdict(scan < grep));
        }
        // Linear: the time per mp3 the same at every size.
        for (const std::size_t keep : m_opt.keeps) {
            double lo = 0;
            double hi = 0;
            double ratioLo = 0;
            double ratioHi = 0;
            std::string perFile;
            std::string ratios;
            for (const SizeResult& size : m_sizes) {
                for (const Cell& c : size.cells) {
                    if (c.keep != keep || !c.scan.ok()) {
                        continue;
                    }
                    const double us = c.scan.seconds() / static_cast<double>(size.files) * 1e6;
                    lo = lo == 0 ? us : std::min(lo, us);
                    hi = std::max(hi, us);
                    char text[64];
                    std::snprintf(text, sizeof text, "%s%.2f", perFile.empty() ? "" : " / ", us);
                    perFile += text;
                    const double ratio = c.scan.seconds() / size.walk.seconds();
                    ratioLo = ratioLo == 0 ? ratio : std::min(ratioLo, ratio);
                    ratioHi = std::max(ratioHi, ratio);
                    std::snprintf(text, sizeof text, "%s%.2fx", ratios.empty() ? "" : " / ", ratio);
                    ratios += text;
                }
            }
            if (m_sizes.size() > 1 && lo > 0) {
                std::printf("- Begin Scan linear in files, %s keep lines: %s us per file at %s files; spread %s "
                            "(within 1.3x): %s; relative to the bare walk %s, spread %s\n",
                            withCommas(keep).c_str(), perFile.c_str(), sizeList().c_str(), formatRatio(hi / lo).c_str(),
                            verdict(hi <= 1.3 * lo), ratios.c_str(), formatRatio(ratioHi / ratioLo).c_str());
            }
        }
        if (m_sizes.size() > 1) {
            std::string perFile;
            for (const SizeResult& size : m_sizes) {
                char text[64];
                std::snprintf(text, sizeof text, "%s%.2f", perFile.empty() ? "" : " / ",
                              size.walk.seconds() / static_cast<double>(size.files) * 1e6);
                perFile += text;
            }
            std::printf("  (for comparison, the bare walk: %s us per file)\n", perFile.c_str());
        }
        for (const SizeResult& size : m_sizes) {
            double lo = 0;
            double hi = 0;
            for (const Cell& c : size.cells) {
                if (c.scan.ok()) {
                    lo = lo == 0 ? c.scan.seconds() : std::min(lo, c.scan.seconds());
                    hi = std::max(hi, c.scan.seconds());
                }
            }
            if (size.cells.size() > 1 && lo > 0) {
                std::printf("- Begin Scan flat in keep lines at %s files: %s to %s, spread %s (within 1.3x): %s\n",
                            withCommas(size.files).c_str(), formatSeconds(lo).c_str(), formatSeconds(hi).c_str(),
                            formatRatio(hi / lo).c_str(), verdict(hi <= 1.3 * lo));
            }
        }
        if (const SizeResult* s1m = sizeResult(1'000'000)) {
            long peak = 0;
            for (const Cell& c : s1m->cells) {
                peak = std::max(peak, c.scan.ok() ? c.scan.rssKb() : 0L);
            }
            std::printf("- Peak RSS of Begin Scan at 1,000,000 files under 300 MB: %s: %s\n", formatMb(peak).c_str(),
                        verdict(peak < 300 * 1024));
        }
        if (m_delete.ok() && m_unlink.ok()) {
            const double ratio = m_delete.seconds() / m_unlink.seconds();
            std::printf("- Delete Files within 1.3x of the bare unlink loop: %s: %s\n", formatRatio(ratio).c_str(),
                        verdict(ratio <= 1.3));
            const double rows = m_delete.median("rows_seconds");
            std::printf("- Row removal well under a second (taken as under 0.1 s): %s: %s\n",
                        formatSeconds(rows).c_str(), verdict(rows < 0.1));
        }
    }

    std::string sizeList() const
    {
        std::string list;
        for (const SizeResult& size : m_sizes) {
            list += (list.empty() ? "" : " / ") + withCommas(size.files);
        }
        return list;
    }

    RunOptions m_opt;
    std::string m_runtimeDir;
    std::vector<SizeResult> m_sizes;
    Measured m_delete;
    Measured m_unlink;
    std::vector<std::pair<std::string, Measured>> m_loads;
};

} // namespace

int runBenchmark(const RunOptions& options)
{
    Bench(options).run();
    return 0;
}

int generateData(const RunOptions& options)
{
    Bench(options).generate();
    return 0;
}

} // namespace bench
