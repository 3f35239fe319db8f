#include "ComparisonForm.h"
#include "KeepList.h"

#include <QTest>

#include <algorithm>
#include <random>

Q_DECLARE_METATYPE(KeepList)

namespace {

void row(const char* name, std::vector<std::string> lines, const char* path, bool wanted)
{
    QTest::newRow(name) << KeepList(std::move(lines)) << QByteArray(path) << wanted;
}

// Matching resumed: `tail` fed from the state that `head` left.
bool kept(const KeepList& list, std::string_view head, std::string_view tail)
{
    return list.advance(list.advance(list.start(), head), tail).kept;
}

} // namespace

class TestKeepList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepTest_data()
    {
        QTest::addColumn<KeepList>("list");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("wanted");
        const char* a = "/home/u/Songs/a.mp3";
        row("backslash, case", {"Artist\\Song.mp3"}, "/music/artist/song.MP3", true);
        row("inside a name", {"song.mp3"}, "/m/Other/song.mp3.old", true);
        row("end of a name", {"song.mp3"}, "/m/mysong.mp3", true);
        row("base directory's name", {"songs"}, "/home/u/Songs/x/y.mp3", true);
        row("empty entry", {"zzz", "", "yyy"}, a, true);
        row("empty keep-list", {}, a, false);
        row("cp1252 line", {"\xC4rzte\\Junge.mp3"}, "/m/\xC3\x84rzte/Junge.mp3", true);
        row("cp1252 path", {"\xC3\x84rzte/Junge.mp3"}, "/m/\xC4RZTE/junge.mp3", true);
        row("URL %20", {"file:///home/u/Songs/My%20Song.mp3"}, "/home/u/Songs/My Song.mp3", true);
        row("FILE: %C3%A9, NFD", {"FILE:///home/u/Songs/Caf%C3%A9.mp3"}, "/home/u/Songs/Cafe\xCC\x81.mp3", true);
        row("URL localhost", {"file://localhost/home/u/Songs/a.mp3"}, a, true);
        row("URL drive", {"file:///D:/Music/x.mp3"}, "/mnt/Music/x.mp3", true);
        row("URL other file", {"file:///home/u/Songs/b.mp3"}, a, false);
        row("%20 decoded", {"Artist/My%20Song.mp3"}, "/m/Artist/My Song.mp3", true);
        row("%20 as written", {"Artist/My%20Song.mp3"}, "/m/Artist/My%20Song.mp3", true);
        row("drive", {"D:\\Songs\\a.mp3"}, "/mnt/Songs/a.mp3", true);
        row("drive keeps separator", {"D:\\Songs\\a.mp3"}, "/mnt/MySongs/a.mp3", false);
        row("./", {"./Songs/a.mp3"}, a, true);
        row("..\\..\\", {"..\\..\\Songs\\a.mp3"}, a, true);
        row("../ and %20", {"../My%20Songs/a.mp3"}, "/home/u/My Songs/a.mp3", true);
        row("trailing blanks", {"Songs/a.mp3 \t "}, a, true);
        row("trailing blanks kept too", {"a.mp3 "}, "/m/a.mp3 .mp3", true);
        row("leading blank stays", {" Songs/a.mp3"}, a, false);
    }

    void keepTest()
    {
        QFETCH(KeepList, list);
        QFETCH(QByteArray, path);
        QFETCH(bool, wanted);
        const std::string bytes = path.toStdString();
        QCOMPARE(list.advance(list.start(), comparisonForm(bytes)).kept, wanted);
        // The way the scan does it: the directory's form once, then the name's from that state.
        const std::size_t cut = bytes.rfind('/') + 1;
        QCOMPARE(kept(list, comparisonForm(bytes.substr(0, cut)), comparisonForm(bytes.substr(cut))), wanted);
    }

    // The automaton against a plain substring search of every entry form, on short random texts
    // over small alphabets, so that entries overlap and share prefixes and suffixes in every way.
    void matchesNaiveSearch()
    {
        std::mt19937 rng(20240611);
        const auto text = [&rng](std::string_view alphabet, std::size_t lo, std::size_t hi) {
            std::string s(lo + rng() % (hi - lo + 1), ' ');
            std::ranges::generate(s, [&] { return alphabet[rng() % alphabet.size()]; });
            return s;
        };
        const std::tuple<int, std::size_t, std::size_t, std::string_view> rounds[]
            = {{1, 1, 3, "ab/"}, {20, 1, 5, "abB/\\"}, {300, 3, 8, "ab/\xC4"}, {2000, 4, 8, "abcdefghijklmnopq/\xE9"}};
        int keptCount = 0;
        for (const auto& [count, lo, hi, alphabet] : rounds) {
            std::vector<std::string> lines(count), forms;
            std::vector<std::vector<std::string>> lineForms;
            for (std::string& line : lines) {
                line = text(alphabet, lo, hi);
                lineForms.push_back(keepEntryForms(line));
                std::ranges::copy(lineForms.back(), std::back_inserter(forms));
            }
            const KeepList list(lines);
            KeepList::Seen seen = list.newSeen();
            std::vector<bool> lineSeen(lines.size());
            for (int i = 0; i < 250; ++i) {
                std::string path = text(alphabet, 0, 30);
                path.insert(rng() % (path.size() + 1), i % 2 ? std::string() : lines[i % lines.size()]);
                const std::string form = comparisonForm(path);
                const auto occurs = [&form](const std::string& f) {
                    return form.find(f) != form.npos;
                };
                const bool expected = std::ranges::any_of(forms, occurs);
                keptCount += expected;
                for (std::size_t cut = 0; cut <= form.size(); ++cut) {
                    QVERIFY2(kept(list, form.substr(0, cut), form.substr(cut)) == expected, path.c_str());
                }
                // Recorded in two pieces, as the scan feeds a directory and then a name.
                const std::size_t cut = rng() % (form.size() + 1);
                QCOMPARE(
                    list.advance(list.advance(list.start(), form.substr(0, cut), seen), form.substr(cut), seen).kept,
                    expected);
                for (std::size_t line = 0; line < lines.size(); ++line) {
                    lineSeen[line] = lineSeen[line] || std::ranges::any_of(lineForms[line], occurs);
                }
            }
            for (std::size_t line = 0; line < lines.size(); ++line) {
                QVERIFY2(list.lineSeen(line, seen) == lineSeen[line], lines[line].c_str());
            }
        }
        QVERIFY(keptCount > 400 && keptCount < 900);
    }
};

QTEST_GUILESS_MAIN(TestKeepList)
#include "tst_keeplist.moc"
