#include "core/M3uReader.h"

#include "TempTree.h"

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
        row("CR CR LF", "a\r\r\nb", "a||b|");
        row("CRLF LF CR", "a\r\n\n\rb", "a|||b|");
        // 0x1A is written "\032" so that a letter after it cannot join the escape.
        row("0x1A", "a\nb\032c\n", "a|b|");
        row("0x1A after CR", "a\r\032\nb", "a|");
        row("0x1A in '#' line", "a\n#b\032c", "a|");
        row("no final LF", "a\nb", "a|b|");
        row("two final LFs", "a\n\n", "a||");
        row("'#' column one", "#EXTM3U\n#EXTINF:1,x\n #y \n\t#z\nz#\n", " #y |\t#z|z#|");
        row("'#' after CR, CRLF", "a\r#b\r\n#c\rd", "a|d|");
        row("only '#'", "#a\n#\n#b", "");
        row("empty", "", "");
        row("BOM", "\xEF\xBB\xBF#EXTM3U\nx\n", "x|");
        row("BOM only", "\xEF\xBB\xBF", "");
        row("BOM later", "\xEF\xBB\xBF\xEF\xBB\xBF#a\n\xEF\xBB\xBF#b", "\xEF\xBB\xBF#a|\xEF\xBB\xBF#b|");
        row("part BOM", "\xEF\xBB#x\n", "\xEF\xBB#x|");
        row("part BOM 0x1A", "\xEF\xBB\032", "\xEF\xBB|");
        row("part BOM end", "\xEF\xBB", "\xEF\xBB|");
        row("NUL, not UTF-8", "a\0b\n\xFF\xFE\xC3\n\0", "a\0b|\xFF\xFE\xC3|\0|");
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

    void readFiles()
    {
        TempTree t;
        std::vector<std::string> lines {"old"};
        QCOMPARE(readM3uKeepLines(t.path("missing.m3u"), lines), M3uReadResult::OpenFailed);
        QCOMPARE(readM3uKeepLines(t.root(), lines), M3uReadResult::ReadFailed);
        QCOMPARE(joined(lines), QByteArray("old|"));

        // A 10 MB line whose CR ends one 64 KiB read and whose LF starts the next, then 1,000,000 lines.
        std::vector<std::string> expected {QByteArray("0123456789abcdefghi").repeated(552000).toStdString()};
        expected[0].resize(10 * 1024 * 1024 - 1);
        std::string content = expected[0] + "\r\n";
        for (int i = 0; i < 1000000; ++i) {
            expected.push_back("d/" + std::to_string(i) + ".mp3");
            content += "#EXTINF:1\n" + expected.back() + "\n";
        }
        t.wfile("big.m3u", content);
        QCOMPARE(readM3uKeepLines(t.path("big.m3u"), lines), M3uReadResult::Ok);
        QVERIFY(lines == expected);
    }
};

QTEST_GUILESS_MAIN(TestM3uReader)
#include "tst_m3ureader.moc"
