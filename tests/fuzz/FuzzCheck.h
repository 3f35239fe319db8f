#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

// Names the failed condition; libFuzzer then keeps the input that broke it.
#define CHECK(ok) ((ok) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #ok), std::abort()))

// The input's lines, split at "\n", the last one too even when empty.
inline std::vector<std::string_view> inputLines(std::string_view in)
{
    std::vector<std::string_view> lines;
    for (std::size_t at = 0, end; at <= in.size(); at = end + 1) {
        end = std::min(in.find('\n', at), in.size());
        lines.push_back(in.substr(at, end - at));
    }
    return lines;
}

// A hash of the input (FNV-1a), so that cuts made from it replay with the crash.
inline std::uint64_t inputHash(std::string_view in)
{
    std::uint64_t h = 0xCBF29CE484222325u;
    std::ranges::for_each(in, [&h](unsigned char b) { h = (h ^ b) * 0x100000001B3u; });
    return h;
}
