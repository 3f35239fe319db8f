// Tells a playlist's format and reads it, from any bytes. Whole and in pieces it gives the same
// entries or the same refusal, and a refused playlist gives none. A PLS file gives what a plain
// reading of its lines gives; the input's lines written as XSPF, WPL, PLS and ASX read back as
// themselves.

#include "FuzzCheck.h"
#include "M3uReader.h"
#include "PlaylistReader.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

namespace {

std::string lower(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toLower().toStdString();
}

std::string_view trim(std::string_view text, const char* blanks = " \t")
{
    const std::size_t first = text.find_first_not_of(blanks);
    return first == text.npos ? std::string_view() : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<std::uint64_t> digits(std::string_view text)
{
    std::uint64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() ? std::optional(n) : std::nullopt;
}

// A PLS file's lines read plainly: FileN values, and whether 1..NumberOfEntries are all there.
PlaylistRead plainPls(std::string_view in)
{
    PlaylistRead read;
    std::optional<std::uint64_t> count;
    std::vector<std::uint64_t> numbers;
    bool badCount = false;
    for (const std::string& line : m3uKeepLines(in)) {
        const std::size_t equals = line.find('=');
        if (equals == line.npos) {
            continue;
        }
        const std::string key = lower(trim(std::string_view(line).substr(0, equals)));
        const std::string_view value = std::string_view(line).substr(equals + 1);
        if (key == "numberofentries") {
            count = digits(trim(value));
            badCount = badCount || !count;
        } else if (key.starts_with("file") && digits(std::string_view(key).substr(4))) {
            numbers.push_back(*digits(std::string_view(key).substr(4)));
            if (value.find_first_not_of(" \t") != value.npos) {
                read.entries.emplace_back(value.substr(value.find_first_not_of(" \t")));
            }
        }
    }
    // NUL bytes make it no text file; after 0x1A nothing is read.
    bool whole = count && !badCount && in.substr(0, in.find('\x1A')).find('\0') == in.npos;
    for (std::uint64_t n = 1; whole && n <= *count; ++n) {
        whole = std::find(numbers.begin(), numbers.end(), n) != numbers.end();
    }
    if (!whole) {
        read = {{}, "refused"};
    }
    return read;
}

// Lines that every format can hold as they are: valid UTF-8 without control characters.
bool writable(const std::string& line)
{
    const QString text = QString::fromUtf8(line);
    return text.toUtf8() == QByteArray::fromStdString(line) && !text.trimmed().isEmpty()
        && std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() >= 0xFFFE; });
}

std::string escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    }
    return out;
}

bool readsAs(const std::string& bytes, const std::vector<std::string>& entries)
{
    const PlaylistRead read = readPlaylistBytes(bytes);
    return read.ok() && read.entries == entries;
}

// The input's writable lines, written in each format, read back as themselves, trimmed.
void roundTrip(std::string_view in)
{
    std::string xspf = "<?xml version=\"1.0\"?>\n<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList>\n";
    std::string wpl = "<?wpl version=\"1.0\"?>\r\n<smil><body><seq>\r\n";
    std::string pls = "[playlist]\n";
    std::string asx = "<ASX version=\"3.0\">\r\n";
    std::vector<std::string> trimmed, fromPls;
    std::vector<std::string> blanksTrimmed; // the ASX reader keeps bytes and knows no Unicode spaces
    for (const std::string_view view : inputLines(in)) {
        const std::string line(view);
        if (!writable(line)) {
            continue;
        }
        xspf += "<track><location>" + escaped(line) + "</location></track>\n";
        wpl += "<media src=\"" + escaped(line) + "\"/>\r\n";
        asx += "<Entry><Ref href=\"" + escaped(line) + "\"/></entry>\r\n";
        fromPls.emplace_back(line.substr(line.find_first_not_of(" \t")));
        pls += "File" + std::to_string(fromPls.size()) + "=" + line + "\n";
        trimmed.push_back(QString::fromUtf8(line).trimmed().toStdString());
        if (!trim(line, " ").empty()) {
            blanksTrimmed.emplace_back(trim(line, " "));
        }
    }
    CHECK(readsAs(xspf + "</trackList></playlist>\n", trimmed));
    CHECK(readsAs(wpl + "</seq></body></smil>\r\n", trimmed));
    CHECK(readsAs(asx + "</asx>\r\n", blanksTrimmed));
    CHECK(readsAs(pls + "NumberOfEntries=" + std::to_string(fromPls.size()) + "\n", fromPls));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const PlaylistRead whole = readPlaylistBytes(in);
    CHECK(whole.ok() || whole.entries.empty());
    const std::string head = lower(in.substr(0, 11));
    if (head == "[playlist]\n" || head == "[playlist]\r") {
        const PlaylistRead plain = plainPls(in);
        CHECK(whole.ok() == plain.ok() && whole.entries == plain.entries);
    }

    forEachCutting(in, [&](auto pieces) {
        PlaylistParser parser;
        pieces([&parser](std::string_view piece) { parser.feed(piece); });
        const PlaylistRead read = parser.finish();
        CHECK(read.entries == whole.entries && read.refusal == whole.refusal);
    });
    roundTrip(in);
    return 0;
}
