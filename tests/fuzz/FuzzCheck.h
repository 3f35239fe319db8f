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

// Calls `check(pieces)` for each way of cutting the input, where `pieces(feed)` calls `feed` with
// each piece in turn: one byte at a time; at one point; lengths 0..8 from the input's bytes, never
// two empty pieces running; random lengths, 0 too. The point and the random lengths come from a
// hash of the input (FNV-1a), so that they replay with a crash.
template<typename Check> void forEachCutting(std::string_view in, Check check)
{
    std::uint64_t h = 0xCBF29CE484222325u;
    std::ranges::for_each(in, [&h](unsigned char b) { h = (h ^ b) * 0x100000001B3u; });
    const std::size_t size = in.size(), cut = h % (size + 1);
    const auto cutting = [in](auto next) {
        return [in, next](auto feed) mutable {
            for (std::size_t at = 0, n = 0, length; at < in.size(); at += length) {
                feed(in.substr(at, length = std::min<std::size_t>(next(n++), in.size() - at)));
            }
        };
    };
    check(cutting([](std::size_t) { return 1; }));
    check(cutting([=](std::size_t n) { return n == 0 ? cut : size; }));
    check(cutting([in](std::size_t n) {
        return std::max<std::size_t>(static_cast<unsigned char>(in[n % in.size()]) % 9, n % 2);
    }));
    check(cutting([&h, size](std::size_t) { return ((h = h * 6364136223846793005u + 1) >> 33) % (size + 1); }));
}
