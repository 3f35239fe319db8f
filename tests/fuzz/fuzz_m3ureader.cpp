// Feeds the playlist line splitter one input whole and cut in many ways, and aborts when any
// cut gives other lines than the whole, or than a plain byte-at-a-time reading of the rules.

#include "core/M3uReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_m3ureader: %s\n", what);
        std::abort();
    }
}

// The rules read as plainly as possible, on the whole input at once.
std::vector<std::string> plainReading(std::string_view in)
{
    if (in.starts_with("\xEF\xBB\xBF")) {
        in.remove_prefix(3);
    }
    in = in.substr(0, in.find('\x1A'));
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\n' || in[i] == '\r') {
            if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(line);
            line.clear();
            open = false;
        } else {
            line += in[i];
            open = true;
        }
    }
    if (open) {
        lines.push_back(line);
    }
    std::erase_if(lines, [](const std::string& l) { return l.starts_with('#'); });
    return lines;
}

// Feeds `in` in pieces of the lengths `nextLength` gives (0 is an empty piece).
template<class NextLength> std::vector<std::string> fedInPieces(std::string_view in, NextLength nextLength)
{
    std::vector<std::string> lines;
    M3uLineSplitter splitter;
    std::size_t at = 0;
    for (std::size_t n = 0; at < in.size(); ++n) {
        const std::size_t length = std::min(nextLength(n), in.size() - at);
        splitter.feed(in.substr(at, length), lines);
        at += length;
    }
    check(splitter.ended() == (in.find('\x1A') != std::string_view::npos), "ended() disagrees with the input");
    splitter.finish(lines);
    return lines;
}

std::uint64_t splitmix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> whole = m3uKeepLines(in);

    std::size_t kept = 0;
    for (const std::string& line : whole) {
        check(!line.starts_with('#'), "a kept line starts with '#'");
        check(line.find_first_of(std::string_view("\r\n\x1A", 3)) == std::string::npos,
              "a kept line holds CR, LF or 0x1A");
        kept += line.size();
    }
    check(kept <= size, "more bytes kept than read");
    check(whole == plainReading(in), "whole input differs from the plain reading");

    std::uint64_t seed = 0xCBF29CE484222325u;
    for (std::size_t i = 0; i < size; ++i) {
        seed = (seed ^ data[i]) * 0x100000001B3u;
    }
    const std::size_t cut = size == 0 ? 0 : seed % (size + 1);

    check(fedInPieces(in, [](std::size_t) { return std::size_t(1); }) == whole, "byte by byte differs");
    check(fedInPieces(in, [&](std::size_t n) { return n == 0 ? cut : in.size(); }) == whole, "two pieces differ");
    // Piece lengths 0..8 taken from the input itself; an empty piece never comes twice running.
    check(fedInPieces(in,
                      [&](std::size_t n) {
                          const std::size_t length = data[n % size] % 9;
                          return length == 0 && n % 2 ? std::size_t(1) : length;
                      })
              == whole,
          "short pieces differ");
    std::uint64_t state = seed;
    check(fedInPieces(in, [&](std::size_t) { return static_cast<std::size_t>(splitmix(state) % (size + 1)); }) == whole,
          "random pieces differ");
    return 0;
}
