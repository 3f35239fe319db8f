#include "ComparisonForm.h"
#include "KeepForms.h"
#include "KeepList.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <set>

Q_DECLARE_METATYPE(KeepList)

class TestKeepList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepTest_data()
    {
        QTest::addColumn<KeepList>("list");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("wanted");
        const auto row = [](const char* name, std::vector<std::string> lines, const char* path, bool wanted) {
            QTest::newRow(name) << KeepList(std::move(lines)) << QByteArray(path) << wanted;
        };
        const char* a = "/home/u/Songs/a.mp3";
        row("backslash, case", {"Artist\\Song.mp3"}, "/music/artist/song.MP3", true);
        row("inside a name", {"song.mp3"}, "/m/Other/song.mp3.old", true);
        row("end of a name", {"song.mp3"}, "/m/mysong.mp3", true);
        row("base directory's name", {"songs"}, "/home/u/Songs/x/y.mp3", true);
        row("empty entry", {"zzz", "", "yyy"}, a, true);
        row("empty keep-list", {}, a, false);
        row("cp1252 line", {"\xC4rzte\\Junge.mp3"}, "/m/\xC3\x84rzte/Junge.mp3", true);
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
        const KeepList::Cursor dir = list.advance(list.start(), comparisonForm(bytes.substr(0, cut)));
        QCOMPARE(list.advance(dir, comparisonForm(bytes.substr(cut))).kept, wanted);
    }

    // As large as a real playlist's (more than 65,536 nodes, whose numbers need more than 16 bits),
    // and with nodes of more than eight children: each path's verdict, fed whole and as a folder
    // and a name, against a plain search for every line's forms.
    void largeKeepList()
    {
        std::mt19937 next(12345);
        const auto text = [&next](std::size_t length) {
            std::string made(length, ' ');
            for (char& c : made) {
                c = "abcdefghijklmnopqrstuvwxyz0123456789 -_."[next() % 40];
            }
            return made;
        };
        std::vector<std::string> lines;
        std::set<std::string> prefixes;
        for (int i = 0; i < 20000; ++i) {
            lines.push_back(text(4 + next() % 8) + "/" + text(6 + next() % 10) + "/" + text(8 + next() % 12) + ".mp3");
            for (std::size_t n = 1; n <= lines.back().size(); ++n) {
                prefixes.insert(lines.back().substr(0, n));
            }
        }
        QVERIFY(prefixes.size() > 65536);
        std::vector<std::string> forms;
        for (const std::string& line : lines) {
            const std::vector<std::string> ofLine = keepEntryForms(line);
            forms.insert(forms.end(), ofLine.begin(), ofLine.end());
        }
        const KeepList keep(lines);
        KeepList::Seen seen = keep.newSeen();
        for (int i = 0; i < 400; ++i) {
            // Half of them hold a line, a third of it cut off at random, to land near a match.
            std::string path = "/music/" + text(next() % 20) + "/";
            const std::string& line = lines[next() % lines.size()];
            path += i % 2 == 0 ? line : line.substr(next() % (line.size() / 3 + 1)) + text(next() % 6);
            const std::string form = comparisonForm(path);
            const bool expected = std::any_of(forms.begin(), forms.end(),
                                              [&form](const std::string& f) { return form.find(f) != form.npos; });
            QCOMPARE(keep.advance(keep.start(), form).kept, expected);
            const std::size_t cut = form.rfind('/') + 1;
            const KeepList::Cursor dir = keep.advance(keep.start(), std::string_view(form).substr(0, cut), seen);
            QCOMPARE(keep.nameKept(dir, std::string_view(form).substr(cut), seen), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestKeepList)
#include "tst_keeplist.moc"
