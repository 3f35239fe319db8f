#include "core/M3uReader.h"

#include "TempTree.h"

#include <QByteArrayList>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The bytes of a literal, NULs included.
template<std::size_t N> QByteArray bytes(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

QByteArrayList toList(const std::vector<std::string>& lines)
{
    QByteArrayList list;
    for (const std::string& line : lines) {
        list.append(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
    }
    return list;
}

std::string_view view(const QByteArray& a, qsizetype from = 0, qsizetype size = -1)
{
    return std::string_view(a.constData() + from, static_cast<std::size_t>(size < 0 ? a.size() - from : size));
}

} // namespace

class TestM3uReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeInput_data();
    void wholeInput();
    void cutInTwo_data() { wholeInput_data(); }
    void cutInTwo();
    void byteByByte_data() { wholeInput_data(); }
    void byteByByte();

    void readsFile();
    void failureLeavesLinesAlone_data();
    void failureLeavesLinesAlone();
    void readsLongLine();
    void readsManyLines();
};

void TestM3uReader::wholeInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArrayList ab {"a", "b"};
    QTest::newRow("LF") << bytes("a\nb\n") << ab;
    QTest::newRow("CRLF") << bytes("a\r\nb\r\n") << ab;
    QTest::newRow("CR only") << bytes("a\rb\r") << ab;
    QTest::newRow("mixed ends") << bytes("a\r\nb\nc\rd") << QByteArrayList {"a", "b", "c", "d"};
    QTest::newRow("CR CR LF") << bytes("a\r\r\nb") << QByteArrayList {"a", "", "b"};
    QTest::newRow("LF CR") << bytes("a\n\rb") << QByteArrayList {"a", "", "b"};
    QTest::newRow("CR LF LF") << bytes("a\r\n\nb") << QByteArrayList {"a", "", "b"};
    QTest::newRow("final CR") << bytes("a\r") << QByteArrayList {"a"};

    // 0x1A is written in octal, "\032", so that a letter after it cannot run into the escape.
    QTest::newRow("0x1A ends input") << bytes("a\nb\032c\n") << ab;
    QTest::newRow("0x1A at line start") << bytes("a\n\032b\n") << QByteArrayList {"a"};
    QTest::newRow("0x1A first") << bytes("\032a\n") << QByteArrayList {};
    QTest::newRow("0x1A between CR and LF") << bytes("a\r\032\nb") << QByteArrayList {"a"};
    QTest::newRow("0x1A after '#' line") << bytes("a\n#b\032c") << QByteArrayList {"a"};

    QTest::newRow("no final LF") << bytes("a\nb") << ab;
    QTest::newRow("one line, no LF") << bytes("a") << QByteArrayList {"a"};
    QTest::newRow("one final LF") << bytes("a\n") << QByteArrayList {"a"};
    QTest::newRow("two final LFs") << bytes("a\n\n") << QByteArrayList {"a", ""};
    QTest::newRow("empty line inside") << bytes("a\n\nb") << QByteArrayList {"a", "", "b"};
    QTest::newRow("only LF") << bytes("\n") << QByteArrayList {""};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList {};
    QTest::newRow("duplicates in order") << bytes("c\na\nc\n") << QByteArrayList {"c", "a", "c"};

    QTest::newRow("'#' in column one") << bytes("#EXTM3U\n#EXTINF:1,x\nx.mp3\n") << QByteArrayList {"x.mp3"};
    QTest::newRow("'#' after first byte") << bytes("  #x\n\t#y\nz#\n") << QByteArrayList {"  #x", "\t#y", "z#"};
    QTest::newRow("blank first, no trim") << bytes(" a \n") << QByteArrayList {" a "};
    QTest::newRow("only '#' lines") << bytes("#a\n#\n#b") << QByteArrayList {};
    QTest::newRow("'#' after CR") << bytes("a\r#b\rc") << QByteArrayList {"a", "c"};
    QTest::newRow("'#' after CRLF") << bytes("a\r\n#b\r\nc") << QByteArrayList {"a", "c"};

    QTest::newRow("BOM") << bytes("\xEF\xBB\xBF#EXTM3U\nx\n") << QByteArrayList {"x"};
    QTest::newRow("BOM, then a line") << bytes("\xEF\xBB\xBFx\n") << QByteArrayList {"x"};
    QTest::newRow("BOM only") << bytes("\xEF\xBB\xBF") << QByteArrayList {};
    QTest::newRow("BOM, then LF") << bytes("\xEF\xBB\xBF\n") << QByteArrayList {""};
    QTest::newRow("BOM, then CR LF") << bytes("\xEF\xBB\xBF\r\na") << QByteArrayList {"", "a"};
    QTest::newRow("BOM not at start") << bytes("a\n\xEF\xBB\xBF#b\n") << QByteArrayList {"a", "\xEF\xBB\xBF#b"};
    QTest::newRow("two BOMs") << bytes("\xEF\xBB\xBF\xEF\xBB\xBFx") << QByteArrayList {"\xEF\xBB\xBFx"};
    QTest::newRow("partial BOM") << bytes("\xEF\xBBx\n") << QByteArrayList {"\xEF\xBBx"};
    QTest::newRow("partial BOM, then '#'") << bytes("\xEF\xBB#x") << QByteArrayList {"\xEF\xBB#x"};
    QTest::newRow("partial BOM, then LF") << bytes("\xEF\n") << QByteArrayList {"\xEF"};
    QTest::newRow("partial BOM, then 0x1A") << bytes("\xEF\xBB\032") << QByteArrayList {"\xEF\xBB"};
    QTest::newRow("partial BOM at end") << bytes("\xEF\xBB") << QByteArrayList {"\xEF\xBB"};
    QTest::newRow("BOM, wrong last byte") << bytes("\xEF\xBB\xBE") << QByteArrayList {"\xEF\xBB\xBE"};

    QTest::newRow("NUL and invalid UTF-8")
        << bytes("a\0b\n\xFF\xFE\xC3\n\0") << QByteArrayList {bytes("a\0b"), "\xFF\xFE\xC3", bytes("\0")};
}

void TestM3uReader::wholeInput()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, expected);
    QCOMPARE(toList(m3uKeepLines(view(input))), expected);
}

void TestM3uReader::cutInTwo()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, expected);
    for (qsizetype cut = 0; cut <= input.size(); ++cut) {
        std::vector<std::string> lines;
        M3uLineSplitter splitter;
        splitter.feed(view(input, 0, cut), lines);
        splitter.feed(view(input, cut), lines);
        splitter.finish(lines);
        const QByteArrayList got = toList(lines);
        if (got != expected) {
            qWarning("cut at byte %lld", static_cast<long long>(cut));
            QCOMPARE(got, expected);
        }
    }
}

void TestM3uReader::byteByByte()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, expected);
    std::vector<std::string> lines;
    M3uLineSplitter splitter;
    for (qsizetype i = 0; i < input.size(); ++i) {
        splitter.feed(view(input, i, 1), lines);
        splitter.feed({}, lines);
    }
    QCOMPARE(splitter.ended(), input.contains('\x1A'));
    splitter.finish(lines);
    QCOMPARE(toList(lines), expected);
}

void TestM3uReader::readsFile()
{
    TempTree tree;
    QVERIFY(tree.isValid());
    tree.wfile("list.m3u", "\xEF\xBB\xBF#EXTM3U\r\nb.mp3\r\n\r\na.mp3");
    std::vector<std::string> lines {"old"};
    QCOMPARE(readM3uKeepLines(tree.path("list.m3u"), lines), M3uReadResult::Ok);
    QCOMPARE(toList(lines), (QByteArrayList {"b.mp3", "", "a.mp3"}));
}

void TestM3uReader::failureLeavesLinesAlone_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<M3uReadResult>("result");
    QTest::newRow("missing") << QByteArray("missing.m3u") << M3uReadResult::OpenFailed;
    QTest::newRow("unreadable") << QByteArray("locked.m3u") << M3uReadResult::OpenFailed;
    QTest::newRow("directory") << QByteArray("dir.m3u") << M3uReadResult::ReadFailed;
}

void TestM3uReader::failureLeavesLinesAlone()
{
    QFETCH(QByteArray, name);
    QFETCH(M3uReadResult, result);
    TempTree tree;
    QVERIFY(tree.isValid());
    tree.mkdirp("dir.m3u");
    tree.wfile("locked.m3u", "a\n");
    const std::string locked = tree.path("locked.m3u");
    QCOMPARE(::chmod(locked.c_str(), 0), 0);
    if (name == "locked.m3u" && ::access(locked.c_str(), R_OK) == 0) {
        QSKIP("running with the right to read any file");
    }
    std::vector<std::string> lines {"old", ""};
    QCOMPARE(readM3uKeepLines(tree.path(view(name)), lines), result);
    QCOMPARE(toList(lines), (QByteArrayList {"old", ""}));
}

void TestM3uReader::readsLongLine()
{
    // The CR is the last byte of a 64 KiB read and its LF the first of the next.
    std::string line(10 * 1024 * 1024 - 1, '\0');
    for (std::size_t i = 0; i < line.size(); ++i) {
        line[i] = static_cast<char>('0' + i % 71);
    }
    TempTree tree;
    QVERIFY(tree.isValid());
    tree.wfile("long.m3u", line + "\r\nend");
    std::vector<std::string> lines;
    QCOMPARE(readM3uKeepLines(tree.path("long.m3u"), lines), M3uReadResult::Ok);
    QCOMPARE(lines.size(), std::size_t(2));
    QVERIFY(lines[0] == line);
    QCOMPARE(toList(lines).at(1), QByteArray("end"));
}

void TestM3uReader::readsManyLines()
{
    constexpr int kCount = 1000000;
    std::string content = "#EXTM3U\n";
    for (int i = 0; i < kCount; ++i) {
        content += "#EXTINF:" + std::to_string(i) + "\n";
        content += "d/" + std::to_string(i) + ".mp3\n";
    }
    TempTree tree;
    QVERIFY(tree.isValid());
    tree.wfile("many.m3u", content);
    std::vector<std::string> lines;
    QCOMPARE(readM3uKeepLines(tree.path("many.m3u"), lines), M3uReadResult::Ok);
    QCOMPARE(lines.size(), std::size_t(kCount));
    for (int i = 0; i < kCount; ++i) {
        if (lines[i] != "d/" + std::to_string(i) + ".mp3") {
            QFAIL(qPrintable(QString("line %1 is \"%2\"").arg(i).arg(QString::fromStdString(lines[i]))));
        }
    }
}

QTEST_GUILESS_MAIN(TestM3uReader)
#include "tst_m3ureader.moc"
