// Feeds the playlist line splitter one input whole and cut in many ways, and aborts when any
// cut gives other lines than the whole, or than a plain reading of the rules.

#include "core/M3uReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Names the failed condition; libFuzzer then keeps the input that broke it.
#define CHECK(ok) ((ok) ? void() : (std::fprintf(stderr, "fuzz_m3ureader: %s\n", #ok), std::abort()))

// The rules read as plainly as possible, on the whole input at once.
static std::vector<std::string> plainReading(std::string_view in)
{
    in = in.substr(in.starts_with("\xEF\xBB\xBF") ? 3 : 0);
    in = in.substr(0, in.find('\x1A'));
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < in.size(); i += in.substr(i, 2) == "\r\n" ? 2 : 1) {
        const std::size_t end = std::min(in.find_first_of("\r\n", i), in.size());
        lines.emplace_back(in.substr(i, end - i));
        i = end;
    }
    std::erase_if(lines, [](const std::string& l) { return l.starts_with('#'); });
    return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> whole = m3uKeepLines(in);
    CHECK(std::ranges::none_of(whole,
                               [](auto& l) { return l.starts_with('#') || l.find_first_of("\r\n\032") != l.npos; }));
    CHECK(whole == plainReading(in));

    // Pieces of the lengths `next` gives, 0 for an empty one.
    const auto fed = [&](auto next) {
        std::vector<std::string> lines;
        M3uLineSplitter splitter;
        for (std::size_t at = 0, n = 0, length; at < size; at += length) {
            splitter.feed(in.substr(at, length = std::min(next(n++), size - at)), lines);
        }
        CHECK(splitter.ended() == (in.find('\x1A') != in.npos));
        splitter.finish(lines);
        return lines;
    };
    // The cuts follow from the input (FNV-1a), so that a crash replays.
    std::uint64_t h = 0xCBF29CE484222325u;
    std::ranges::for_each(in, [&h](unsigned char b) { h = (h ^ b) * 0x100000001B3u; });
    const std::size_t cut = h % (size + 1);
    CHECK(fed([](std::size_t) { return std::size_t(1); }) == whole);
    CHECK(fed([&](std::size_t n) { return n == 0 ? cut : size; }) == whole);
    // Lengths 0..8 from the input's bytes, never two empty pieces running; then random lengths.
    CHECK(fed([&](std::size_t n) { return std::max<std::size_t>(data[n % size] % 9, n % 2); }) == whole);
    CHECK(fed([&](std::size_t) { return ((h = h * 6364136223846793005u + 1) >> 33) % (size + 1); }) == whole);
    return 0;
}
