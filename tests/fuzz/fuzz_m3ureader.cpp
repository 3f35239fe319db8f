// Feeds the playlist line splitter one input whole and cut in many ways, and aborts when any
// cut gives other lines than the whole, or than a plain reading of the rules.

#include "FuzzCheck.h"
#include "M3uReader.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>

// UTF-16 after its BOM as UTF-8: U+FFFD for a lone surrogate, and for an odd last byte.
static std::string plainUtf8(std::string_view in, bool bigEndian)
{
    QStringDecoder decode(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                          QStringConverter::Flag::ConvertInitialBom);
    QString text = decode(QByteArrayView(in.data(), static_cast<qsizetype>(in.size() & ~std::size_t(1))));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            text[i] = QChar::ReplacementCharacter;
        }
    }
    return text.toStdString() + (in.size() % 2 != 0 ? "\xEF\xBF\xBD" : "");
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

    forEachCutting(in, [&](auto pieces) {
        std::vector<std::string> lines;
        M3uLineSplitter splitter;
        pieces([&](std::string_view piece) { splitter.feed(piece, lines); });
        CHECK(splitter.ended() == (plainText(in).find('\x1A') != std::string::npos));
        splitter.finish(lines);
        CHECK(lines == whole);
    });
    return 0;
}
