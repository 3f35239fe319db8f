#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct RunOptions {
    std::string exe; // this program, for the measuring children
    std::string data = "/work/bench-data";
    std::vector<std::size_t> sizes {20'000, 200'000, 1'000'000};
    std::vector<std::size_t> keeps {1'000, 20'000, 100'000};
    int runs = 3; // timed runs after one untimed warm-up; the median is reported
    double limitSeconds = 60; // for the UTF-8 find|grep
    bool matrix = true;
    bool deletion = true;
    bool playlists = true;
};

// Generates what is missing below options.data, then measures and prints the tables.
int runBenchmark(const RunOptions& options);
// Generates what is missing, nothing else.
int generateData(const RunOptions& options);

} // namespace bench
