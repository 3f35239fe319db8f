#include "M3uReader.h"
#include "PlaylistReader.h"

#include "RealFiles.h"

#include <QTest>

namespace {

// Each line followed by '|', so that an empty line and no line differ.
QByteArray joined(const std::vector<std::string>& lines)
{
    QByteArray text;
    for (const std::string& line : lines) {
        text.append(line.data(), qsizetype(line.size())).append('|');
    }
    return text;
}

// Literals keep their NULs.
template<std::size_t N, std::size_t M> void row(const char* name, const char (&in)[N], const char (&out)[M])
{
    QTest::newRow(name) << QByteArray(in, N - 1) << QByteArray(out, M - 1);
}

// One row in each byte order; `in` starts with its BOM, U+FEFF, and `tail` follows its last unit.
template<std::size_t N, std::size_t M>
void row16(const char* name, const char16_t (&in)[N], const char (&out)[M], const char* tail = "")
{
    for (const bool bBigEndian : {false, true}) {
        QTest::addRow("%s %s", name, bBigEndian ? "BE" : "LE")
            << QByteArray::fromStdString(utf16Bytes(std::u16string_view(in, N - 1), bBigEndian)) + tail
            << QByteArray(out, M - 1);
    }
}

} // namespace

class TestM3uReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void split_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        row("LF", "b\na\n", "b|a|");
        row("CRLF", "a\r\nb\r\n", "a|b|");
        row("CR", "a\rb\r", "a|b|");
        row("CR CR LF", "a\r\r\nb", "a|b|");
        // 0x1A is written "\032" so that a letter after it cannot join the escape.
        row("0x1A", "a\nb\032c\n", "a|b|");
        row("0x1A after CR", "a\r\032\nb", "a|");
        row("0x1A in '#' line", "a\n#b\032c", "a|");
        row("no final LF", "a\nb", "a|b|");
        row("'#' column one", "#EXTM3U\n#\n#EXTINF:1,x\n #y \n\t#z\nz#\n#b", " #y |\t#z|z#|");
        row("'#' after CR, CRLF", "a\r#b\r\n#c\rd", "a|d|");
        row("empty", "", "");
        row("blank lines", "\n\na\r\n\r\n \n\t \t\r\n\tb\r \t\n", "a|\tb|");
        row("blank before 0x1A", "a\n \032b", "a|");
        row("blanks kept", "  a b \t\n\t\tc  \n", "  a b \t|\t\tc  |");
        row("other white space", "\v\n\f\n\0", "\v|\f|\0|");
        row("BOM", "\xEF\xBB\xBF#EXTM3U\nx\n", "x|");
        row("BOM only", "\xEF\xBB\xBF", "");
        row("BOM later", "\xEF\xBB\xBF\xEF\xBB\xBF#a\n\xEF\xBB\xBF#b", "\xEF\xBB\xBF#a|\xEF\xBB\xBF#b|");
        row("part BOM", "\xEF\xBB#x\n", "\xEF\xBB#x|");
        row("part BOM 0x1A", "\xEF\xBB\032", "\xEF\xBB|");
        row("NUL, not UTF-8", "a\0b\n\xFF\xFE\xC3\n\0", "a\0b|\xFF\xFE\xC3|\0|");
        row("FF only", "\xFF", "\xFF|");
        row("FE LF", "\xFE\nx", "\xFE|x|");
        row("FF 0x1A", "\xFF\032\xFE", "\xFF|");
        row("FF FE BOM only", "\xFF\xFE", "");

        // UTF-16 as Windows programs write it is tst_scan's, a big file tst_playlistreader's.
        row16("UTF-16 CR, LF, no final line end", u"\uFEFFa\rb\n\n\u20ACo", "a|b|\xE2\x82\xACo|");
        // U+0A0D and U+0D0A hold the bytes of CRLF and LFCR, U+1A00 the byte 0x1A.
        row16("UTF-16 line-end bytes", u"\uFEFF\u0A0D\u0D0A\u1A00\n", "\xE0\xA8\x8D\xE0\xB4\x8A\xE1\xA8\x80|");
        row16("UTF-16 U+001A", u"\uFEFFa\n#b\r\nc\u001Ad\ne", "a|c|");
        row16("UTF-16 high surrogate alone", u"\uFEFFa\xD834\nb\xD834", "a\xEF\xBF\xBD|b\xEF\xBF\xBD|");
        row16("UTF-16 low surrogate alone", u"\uFEFF\xDD1Ex\n", "\xEF\xBF\xBDx|");
        row16("UTF-16 two highs, one low", u"\uFEFF\xD834\xD834\xDD1E", "\xEF\xBF\xBD\xF0\x9D\x84\x9E|");
        row16("UTF-16 high surrogate, U+001A", u"\uFEFF\xD834\u001A\xDD1E", "\xEF\xBF\xBD|");
        row16("UTF-16 odd last byte", u"\uFEFFa\nb", "a|b\xEF\xBF\xBD|", "x");
        row16("UTF-16 high surrogate, odd last byte", u"\uFEFF\xD834", "\xEF\xBF\xBD\xEF\xBF\xBD|", "x");
        // A second BOM is a character of the first line, as in UTF-8.
        row16("UTF-16 BOM twice", u"\uFEFF\uFEFF#x\n", "\xEF\xBB\xBF#x|");
    }

    void split()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const std::string in = input.toStdString();
        QCOMPARE(joined(m3uKeepLines(in)), expected);
        // The first `cut` bytes at once, then the rest in pieces of `piece` bytes.
        const auto fed = [&](std::size_t cut, std::size_t piece) {
            std::vector<std::string> lines;
            M3uLineSplitter s;
            s.feed(in.substr(0, cut), lines);
            for (std::size_t at = cut; at < in.size(); at += piece) {
                s.feed(in.substr(at, piece), lines);
            }
            s.finish(lines);
            return joined(lines);
        };
        for (std::size_t cut = 0; cut <= in.size(); ++cut) {
            QVERIFY2(fed(cut, in.size()) == expected && fed(cut, 1) == expected, qPrintable(QString::number(cut)));
        }
    }
};

QTEST_GUILESS_MAIN(TestM3uReader)
#include "tst_m3ureader.moc"
