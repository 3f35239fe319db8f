// Feeds the playlist line splitter one input whole and cut in many ways, and aborts when any
// cut gives other lines than the whole, or than a plain reading of the rules.

#include "FuzzCheck.h"
#include "M3uReader.h"

#include <algorithm>
#include <cstdint>

// UTF-16 after its BOM as UTF-8: whole code points first, then U+FFFD for what is left over.
static std::string plainUtf8(std::string_view in, bool bigEndian)
{
    std::vector<char32_t> units;
    for (std::size_t i = 0; i + 1 < in.size(); i += 2) {
        const auto first = static_cast<unsigned char>(in[i]), second = static_cast<unsigned char>(in[i + 1]);
        units.push_back(bigEndian ? first * 256 + second : second * 256 + first);
    }
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const bool high = units[i] >= 0xD800 && units[i] < 0xDC00;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            points.push_back(0x10000 + (units[i] - 0xD800) * 0x400 + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            points.push_back(units[i] >= 0xD800 && units[i] < 0xE000 ? 0xFFFD : units[i]);
        }
    }
    if (in.size() % 2 != 0) {
        points.push_back(0xFFFD);
    }
    std::string out;
    for (const char32_t c : points) {
        const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        constexpr unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[tail] | c >> 6 * tail);
        for (int k = tail - 1; k >= 0; --k) {
            out += static_cast<char>(0x80 | (c >> 6 * k & 0x3F));
        }
    }
    return out;
}

// The text the line rules apply to.
static std::string plainText(std::string_view in)
{
    if (in.starts_with("\xFF\xFE") || in.starts_with("\xFE\xFF")) {
        return plainUtf8(in.substr(2), in[0] == '\xFE');
    }
    return std::string(in.substr(in.starts_with("\xEF\xBB\xBF") ? 3 : 0));
}

// The rules read as plainly as possible, on the whole input at once.
static std::vector<std::string> plainReading(std::string_view in)
{
    const std::string text = plainText(in);
    in = text;
    in = in.substr(0, in.find('\x1A'));
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < in.size(); i += in.substr(i, 2) == "\r\n" ? 2 : 1) {
        const std::size_t end = std::min(in.find_first_of("\r\n", i), in.size());
        lines.emplace_back(in.substr(i, end - i));
        i = end;
    }
    std::erase_if(lines,
                  [](const std::string& l) { return l.starts_with('#') || l.find_first_not_of(" \t") == l.npos; });
    return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> whole = m3uKeepLines(in);
    CHECK(std::ranges::none_of(whole, [](auto& l) {
        return l.starts_with('#') || l.find_first_of("\r\n\032") != l.npos || l.find_first_not_of(" \t") == l.npos;
    }));
    CHECK(whole == plainReading(in));

    // Pieces of the lengths `next` gives, 0 for an empty one.
    const auto fed = [&](auto next) {
        std::vector<std::string> lines;
        M3uLineSplitter splitter;
        for (std::size_t at = 0, n = 0, length; at < size; at += length) {
            splitter.feed(in.substr(at, length = std::min(next(n++), size - at)), lines);
        }
        CHECK(splitter.ended() == (plainText(in).find('\x1A') != std::string::npos));
        splitter.finish(lines);
        return lines;
    };
    std::uint64_t h = inputHash(in);
    const std::size_t cut = h % (size + 1);
    CHECK(fed([](std::size_t) { return std::size_t(1); }) == whole);
    CHECK(fed([&](std::size_t n) { return n == 0 ? cut : size; }) == whole);
    // Lengths 0..8 from the input's bytes, never two empty pieces running; then random lengths.
    CHECK(fed([&](std::size_t n) { return std::max<std::size_t>(data[n % size] % 9, n % 2); }) == whole);
    CHECK(fed([&](std::size_t) { return ((h = h * 6364136223846793005u + 1) >> 33) % (size + 1); }) == whole);
    return 0;
}
