// The benchmark: `tuneprune_bench run` generates what is missing, measures and prints the tables;
// the other subcommands are the measurements it runs, one child process each.

#include "Probes.h"
#include "Runner.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

namespace {

std::vector<std::size_t> numberList(const std::string& text)
{
    std::vector<std::size_t> numbers;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) {
            numbers.push_back(std::stoul(item));
        }
    }
    return numbers;
}

const char* env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

bench::RunOptions runOptions()
{
    bench::RunOptions options;
    options.exe = std::filesystem::read_symlink("/proc/self/exe").string();
    if (const char* v = env("BENCH_DATA")) {
        options.data = v;
    }
    if (const char* v = env("BENCH_SIZES")) {
        options.sizes = numberList(v);
    }
    if (const char* v = env("BENCH_KEEPS")) {
        options.keeps = numberList(v);
    }
    if (const char* v = env("BENCH_RUNS")) {
        options.runs = std::max(1, std::atoi(v));
    }
    if (const char* v = env("BENCH_LIMIT")) {
        options.limitSeconds = std::atof(v);
    }
    if (const char* v = env("BENCH_PARTS")) {
        const std::string parts = std::string(",") + v + ",";
        options.matrix = parts.find(",scan,") != std::string::npos;
        options.deletion = parts.find(",delete,") != std::string::npos;
        options.playlists = parts.find(",playlist,") != std::string::npos;
    }
    return options;
}

void usage()
{
    std::fprintf(stderr,
                 "usage: tuneprune_bench run | generate\n"
                 "  environment: BENCH_DATA (/work/bench-data), BENCH_SIZES (20000,200000,1000000),\n"
                 "  BENCH_KEEPS (1000,20000,100000), BENCH_RUNS (3), BENCH_LIMIT (60 seconds),\n"
                 "  BENCH_PARTS (scan,delete,playlist)\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        usage();
        return 2;
    }
    const std::string_view command = argv[1];
    try {
        struct Probe {
            const char* name;
            int (*run)(int, char**);
        };
        static constexpr Probe kProbes[] = {
            {"gen-tree", bench::probeGenerateTree},  {"gen-playlist", bench::probeWritePlaylist},
            {"gen-stress", bench::probeWriteStress}, {"walk", bench::probeBareWalk},
            {"naive", bench::probeNaiveKeepTest},    {"scan", bench::probeBeginScan},
            {"load", bench::probeLoadPlaylist},      {"delete", bench::probeDeleteFiles},
            {"unlink", bench::probeUnlinkFloor},
        };
        for (const Probe& probe : kProbes) {
            if (command == probe.name) {
                return probe.run(argc - 1, argv + 1);
            }
        }
        if (command == "run") {
            return bench::runBenchmark(runOptions());
        }
        if (command == "generate") {
            return bench::generateData(runOptions());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tuneprune_bench %s: %s\n", argv[1], e.what());
        return 1;
    }
    usage();
    return 2;
}
