#include "core/ComparisonForm.h"
#include "core/KeepList.h"

#include <QByteArrayList>
#include <QTest>

#include <algorithm>
#include <random>

namespace {

template<std::size_t N> QByteArray bytes(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

std::vector<std::string> toLines(const QByteArrayList& list)
{
    std::vector<std::string> lines;
    for (const QByteArray& line : list) {
        lines.emplace_back(line.constData(), static_cast<std::size_t>(line.size()));
    }
    return lines;
}

QByteArrayList numbered(const char* pattern, int count)
{
    QByteArrayList list;
    for (int i = 0; i < count; ++i) {
        list.append(QByteArray(pattern).replace('#', QByteArray::number(i)));
    }
    return list;
}

} // namespace

class TestKeepList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepTest_data();
    void keepTest();
    void linesAndEmptyList();
    void matchesLikeNaiveSearch();
};

void TestKeepList::keepTest_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("wanted");

    const QByteArray a = "/home/u/Songs/a.mp3";
    QTest::newRow("backslash, case") << QByteArrayList {"Artist\\Song.mp3"} << bytes("/music/artist/song.MP3") << true;
    QTest::newRow("inside a name") << QByteArrayList {"song.mp3"} << bytes("/m/Other/song.mp3.old") << true;
    QTest::newRow("end of a name") << QByteArrayList {"song.mp3"} << bytes("/m/mysong.mp3") << true;
    QTest::newRow("base directory's name") << QByteArrayList {"songs"} << bytes("/home/u/Songs/x/y.mp3") << true;
    QTest::newRow("no entry matches") << QByteArrayList {"b.mp3", "Artist\\a.mp3"} << a << false;
    QTest::newRow("empty entry") << QByteArrayList {"zzz", "", "yyy"} << a << true;
    QTest::newRow("empty keep-list") << QByteArrayList() << a << false;
    QTest::newRow("non-ASCII case") << QByteArrayList {"\xC3\x84RZTE"} << bytes("/m/\xC3\xA4rzte/x.mp3") << true;
    QTest::newRow("NFD line, NFC path") << QByteArrayList {"Cafe\xCC\x81"} << bytes("/m/Caf\xC3\xA9.mp3") << true;
    QTest::newRow("cp1252 line, UTF-8 path")
        << QByteArrayList {"\xC4rzte\\Junge.mp3"} << bytes("/m/\xC3\x84rzte/Junge.mp3") << true;
    QTest::newRow("UTF-8 line, cp1252 path")
        << QByteArrayList {"\xC3\x84rzte/Junge.mp3"} << bytes("/m/\xC4RZTE/junge.mp3") << true;

    QTest::newRow("file URL %20") << QByteArrayList {"file:///home/u/Songs/My%20Song.mp3"}
                                  << bytes("/home/u/Songs/My Song.mp3") << true;
    QTest::newRow("file URL %C3%A9, NFD path")
        << QByteArrayList {"FILE:///home/u/Songs/Caf%C3%A9.mp3"} << bytes("/home/u/Songs/Cafe\xCC\x81.mp3") << true;
    QTest::newRow("file URL localhost") << QByteArrayList {"file://localhost/home/u/Songs/a.mp3"} << a << true;
    QTest::newRow("file URL one slash") << QByteArrayList {"file:/home/u/Songs/a.mp3"} << a << true;
    QTest::newRow("file URL, drive") << QByteArrayList {"file:///D:/Music/x.mp3"} << bytes("/mnt/Music/x.mp3") << true;
    QTest::newRow("file URL, other file") << QByteArrayList {"file:///home/u/Songs/b.mp3"} << a << false;
    QTest::newRow("%20, decoded") << QByteArrayList {"Artist/My%20Song.mp3"} << bytes("/m/Artist/My Song.mp3") << true;
    QTest::newRow("%20, as written") << QByteArrayList {"Artist/My%20Song.mp3"} << bytes("/m/Artist/My%20Song.mp3")
                                     << true;
    QTest::newRow("% without hex digits") << QByteArrayList {"100%.mp3"} << bytes("/m/100%.mp3") << true;

    QTest::newRow("drive, backslash") << QByteArrayList {"D:\\Songs\\a.mp3"} << bytes("/mnt/Songs/a.mp3") << true;
    QTest::newRow("drive, slash") << QByteArrayList {"d:/Songs/a.mp3"} << bytes("/mnt/songs/A.mp3") << true;
    QTest::newRow("drive keeps its separator")
        << QByteArrayList {"D:\\Songs\\a.mp3"} << bytes("/mnt/MySongs/a.mp3") << false;
    QTest::newRow("./") << QByteArrayList {"./Songs/a.mp3"} << a << true;
    QTest::newRow("..\\..\\") << QByteArrayList {"..\\..\\Songs\\a.mp3"} << a << true;
    QTest::newRow("../ and %20") << QByteArrayList {"../My%20Songs/a.mp3"} << bytes("/home/u/My Songs/a.mp3") << true;
    QTest::newRow(".. inside a name") << QByteArrayList {"..a.mp3"} << bytes("/m/..a.mp3") << true;

    QTest::newRow("many, last matches") << numbered("Artist\\Song #.mp3", 2000) + QByteArrayList {"a.mp3"} << a << true;
    QTest::newRow("many, first matches") << QByteArrayList {"a.mp3"} + numbered("Artist\\Song #.mp3", 2000) << a
                                         << true;
    QTest::newRow("many, none matches") << numbered("/home/u/Songs/#.mp3", 2000) << a << false;
}

void TestKeepList::keepTest()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, path);
    QFETCH(bool, wanted);

    const KeepList list(toLines(lines));
    const std::string_view bytes(path.constData(), static_cast<std::size_t>(path.size()));
    QCOMPARE(list.isKept(bytes), wanted);

    // The way the scan tests it: the directory once, then the name from the directory's state.
    const std::size_t cut = bytes.rfind('/') + 1;
    const KeepList::State dir = list.advance(list.start(), comparisonForm(bytes.substr(0, cut)));
    QCOMPARE(KeepList::matched(list.advance(dir, comparisonForm(bytes.substr(cut)))), wanted);
}

void TestKeepList::linesAndEmptyList()
{
    const std::vector<std::string> lines {"b", "", "B", "b"};
    QCOMPARE(KeepList(lines).lines(), lines);
    QVERIFY(KeepList::matched(KeepList(lines).start()));

    const KeepList none;
    QVERIFY(none.empty());
    QVERIFY(!none.isKept("/a.mp3"));
    QVERIFY(!none.isKept(""));
}

// The automaton against a plain substring search of every form, on random short texts over
// small alphabets so that entries overlap and share prefixes and suffixes in every way.
void TestKeepList::matchesLikeNaiveSearch()
{
    struct Round {
        int lines;
        int minLength, maxLength;
        std::string_view alphabet;
    };
    const Round rounds[] = {
        {1, 1, 3, "ab/"},
        {20, 1, 5, "abB/\\"},
        {300, 3, 8, "ab/\xC4"},
        {4000, 6, 14, "abB/"},
        {3000, 4, 8, "abcdefghijklmnopqrst/\xE9"},
    };
    std::mt19937 rng(20240611);
    const auto text = [&rng](std::string_view alphabet, int minLength, int maxLength) {
        std::string s(std::uniform_int_distribution<int>(minLength, maxLength)(rng), ' ');
        for (char& c : s) {
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        }
        return s;
    };

    int kept = 0, notKept = 0;
    for (const Round& round : rounds) {
        std::vector<std::string> lines;
        std::vector<std::string> forms;
        for (int i = 0; i < round.lines; ++i) {
            lines.push_back(text(round.alphabet, round.minLength, round.maxLength));
            for (std::string& form : keepEntryForms(lines.back())) {
                forms.push_back(std::move(form));
            }
        }
        const KeepList list(lines);
        for (int i = 0; i < 400; ++i) {
            std::string path = text(round.alphabet, 0, 30);
            if (i % 2 == 0) {
                path.insert(std::uniform_int_distribution<std::size_t>(0, path.size())(rng), lines[i % lines.size()]);
            }
            const std::string form = comparisonForm(path);
            const bool expected = std::any_of(forms.begin(), forms.end(),
                                              [&form](const std::string& f) { return form.find(f) != form.npos; });
            (expected ? kept : notKept) += 1;
            QVERIFY2(list.isKept(path) == expected, path.c_str());
            for (std::size_t cut = 0; cut <= form.size(); ++cut) {
                const KeepList::State head = list.advance(list.start(), std::string_view(form).substr(0, cut));
                QVERIFY2(KeepList::matched(list.advance(head, std::string_view(form).substr(cut))) == expected,
                         path.c_str());
            }
        }
    }
    QVERIFY(kept > 200);
    QVERIFY(notKept > 200);
}

QTEST_GUILESS_MAIN(TestKeepList)
#include "tst_keeplist.moc"
