// The scan in the core: playlists as players and people write them, read and matched against a
// real tree (in place or by their trailing path), what the check tells, progress, stop, sizes.

#include "KeepList.h"
#include "M3uReader.h"
#include "Scan.h"
#include "ScanProgress.h"

#include "Scripted.h"
#include "TempTree.h"

#include <QByteArrayList>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(MissReason)

namespace {

// The library below <tree>/home/me/Music/.
constexpr const char* kLibrary[] = {
    "A/B/01.mp3",
    "Other/B2/01.mp3",
    "Artist/Album/03 Track.mp3",
    "Artist/Album/05.mp3",
    "Artist/Album2/05.mp3",
    "Artist/Renamed Album/02 - Song.mp3",
    "My Band/Live/07 Encore.mp3",
    "\xC3\x84rzte/Junge.mp3",
    "Artist/Album/cover.jpg",
};

KeepList keepListOf(std::vector<std::string> lines)
{
    std::reverse(lines.begin(), lines.end());
    return KeepList(std::move(lines));
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void playlists_data();
    void playlists();
    void emptyFormKeepsEverything();
    void sizes();
};

void TestScan::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("3 of 12") << scanStatusText(3, 12) << "3 of 12 (25%) MP3s scanned";
    QTest::newRow("12.5 rounds up") << scanStatusText(1, 8) << "1 of 8 (13%) MP3s scanned";
    QTest::newRow("1 of 3") << scanStatusText(1, 3) << "1 of 3 (33%) MP3s scanned";
    QTest::newRow("57.49.. is 57.5 as a float") << scanStatusText(23, 40) << "23 of 40 (58%) MP3s scanned";
    QTest::newRow("0.5 rounds up") << scanStatusText(1, 200) << "1 of 200 (1%) MP3s scanned";
    QTest::newRow("scanned above total") << scanStatusText(13, 12) << "13 of 12 (108%) MP3s scanned";
    QTest::newRow("count pass") << countStatusText(12345) << "12,345 MP3s found";
    QTest::newRow("sizes") << listSizeText(150694, 612'345'678'901, 12, 48'123'456, true)
                           << "150,694 files, 612.3 GB; 12 selected, 48.1 MB";
    QTest::newRow("sizes not known yet") << listSizeText(1, 0, 0, 0, false) << "1 file; 0 selected";
}

void TestScan::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestScan::playlists_data()
{
    QTest::addColumn<QByteArray>("playlist");
    QTest::addColumn<QByteArrayList>("kept"); // below the base directory
    QTest::addColumn<int>("found");
    QTest::addColumn<int>("elsewhere");
    QTest::addColumn<int>("notFound");
    QTest::addColumn<MissReason>("reason"); // of the first line not found

    const auto row = [](const char* name, const QByteArray& playlist, QByteArrayList kept, int found, int elsewhere,
                        int notFound, MissReason reason = MissReason::Unknown) {
        QTest::newRow(name) << playlist << kept << found << elsewhere << notFound << reason;
    };
    row("Android root", "#EXTM3U\n/storage/emulated/0/Music/A/B/01.mp3\n", {"A/B/01.mp3"}, 0, 1, 0);
    row("Mac root, CR only",
        "#EXTM3U\r#EXTINF:215,Artist - Track\r/Users/anna/Music/iTunes/iTunes Media/Music/Artist/Album/03 Track.mp3\r",
        {"Artist/Album/03 Track.mp3"}, 0, 1, 0);
    row("other Linux home", "/home/other/Music/A/B/01.mp3\n", {"A/B/01.mp3"}, 0, 1, 0);
    row("other drive and folder", "E:\\Audio\\A\\B\\01.mp3\r\n", {"A/B/01.mp3"}, 0, 1, 0);
    row("UNC", "\\\\nas\\music\\My Band\\Live\\07 Encore.mp3\n", {"My Band/Live/07 Encore.mp3"}, 0, 1, 0);
    row("smb URL", "smb://nas/music/My%20Band/Live/07%20Encore.mp3\n", {"My Band/Live/07 Encore.mp3"}, 0, 1, 0);
    row("file URL of another machine", "file:///C:/Users/bob/Music/%C3%84rzte/Junge.mp3\n", {"\xC3\x84rzte/Junge.mp3"},
        0, 1, 0);
    row("renamed album keeps by name", "/storage/emulated/0/Music/Artist/Old Name/02 - Song.mp3\n",
        {"Artist/Renamed Album/02 - Song.mp3"}, 0, 1, 0);
    row("shared name keeps all", "/mnt/old/Somebody/Else/05.mp3\n", {"Artist/Album/05.mp3", "Artist/Album2/05.mp3"}, 0,
        1, 0);
    row("longest run wins", "/mnt/old/Artist/Album2/05.mp3\n", {"Artist/Album2/05.mp3"}, 0, 1, 0);
    row("in place, never relocated", "A/B/01.mp3\nArtist/Album/05.mp3\n", {"A/B/01.mp3", "Artist/Album/05.mp3"}, 2, 0,
        0);
    row("folder", "/storage/emulated/0/Music/Artist/Album/\n", {}, 0, 0, 1, MissReason::Folder);
    row("not an mp3", "/storage/emulated/0/Music/Artist/Album/cover.jpg\n", {}, 0, 0, 1, MissReason::NotMp3);
    row("http URL", "http://radio.example.com/stream/01.mp3\n", {}, 0, 0, 1, MissReason::WebAddress);
    row("no such song", "/storage/emulated/0/Music/Nobody/99.mp3\n", {}, 0, 0, 1);
    row("UTF-16 LE, CRLF, blank lines",
        QByteArray::fromStdString(
            utf16Bytes(u"\uFEFF#EXTM3U\r\n\r\nE:\\Audio\\\u00C4rzte\\Junge.mp3\r\n\r\n  \r\n..\\A\\B\\01.mp3\r\n")),
        {"A/B/01.mp3", "\xC3\x84rzte/Junge.mp3"}, 1, 1, 0);
    row("UTF-16 BE", QByteArray::fromStdString(utf16Bytes(u"\uFEFF/home/other/Music/\u00C4rzte/Junge.mp3\n", true)),
        {"\xC3\x84rzte/Junge.mp3"}, 0, 1, 0);
    row("blank lines and trailing blanks", "\n\nA/B/01.mp3  \n \t\n", {"A/B/01.mp3"}, 1, 0, 0);
}

void TestScan::playlists()
{
    QFETCH(QByteArray, playlist);
    QFETCH(QByteArrayList, kept);
    QFETCH(int, found);
    QFETCH(int, elsewhere);
    QFETCH(int, notFound);
    QFETCH(MissReason, reason);

    TempTree tree;
    for (const char* file : kLibrary) {
        tree.wfile(std::string("home/me/Music/") + file);
    }
    tree.wfile("list.m3u", playlist.toStdString());
    std::vector<std::string> lines;
    QCOMPARE(readM3uKeepLines(tree.path("list.m3u"), lines), M3uReadResult::Ok);

    ScriptedDirLister lister;
    ScanProgress progress;
    const std::atomic<bool> stop = false;
    const std::string base = tree.path("home/me/Music/");
    ScanResult result = scanLibrary(lister, keepListOf(lines), base, progress, stop);
    QVERIFY(!result.stopped);
    QCOMPARE(progress.found.load(), std::size_t(8));
    QByteArrayList wanted;
    for (std::uint32_t entry = 0; entry < 8; ++entry) {
        if (!std::binary_search(result.unwanted.begin(), result.unwanted.end(), entry)) {
            wanted << QByteArray::fromStdString(result.found->path(result.found->entries[entry]).substr(base.size()));
        }
    }
    std::sort(kept.begin(), kept.end());
    std::sort(wanted.begin(), wanted.end());
    QCOMPARE(wanted, kept);
    QCOMPARE(int(result.check.linesFound), found);
    QCOMPARE(int(result.check.elsewhere.size()), elsewhere);
    QCOMPARE(int(result.check.notFound.size()), notFound);
    if (notFound > 0) {
        QCOMPARE(result.check.notFound.front().reason, reason);
    }
    for (const PlaylistCheck::Elsewhere& line : result.check.elsewhere) {
        QVERIFY(kept.contains(QByteArray::fromStdString(line.firstPath.substr(base.size()))));
    }
}

// A line whose form is empty ("./") keeps every file, and counts as found.
void TestScan::emptyFormKeepsEverything()
{
    TempTree tree;
    tree.wfile("m/a.mp3");
    tree.wfile("m/b/c.mp3");
    ScriptedDirLister lister;
    ScanProgress progress;
    const std::atomic<bool> stop = false;
    const ScanResult result = scanLibrary(lister, keepListOf({"./", "nothing.mp3"}), tree.path("m/"), progress, stop);
    QVERIFY(result.unwanted.empty());
    QCOMPARE(result.check.linesFound, std::size_t(1));
    QCOMPARE(result.check.notFound.size(), std::size_t(1));
}

void TestScan::sizes()
{
    TempTree tree;
    tree.wfile("m/a.mp3", std::string(1000, 'x'));
    tree.wfile("m/b/c.mp3", std::string(20, 'x'));
    tree.wfile("m/b/d.mp3", std::string(300, 'x'));
    tree.mkdirp("m/e.mp3");
    ScriptedDirLister lister;
    ScanProgress progress;
    std::atomic<bool> stop = false;
    const ScanResult result = scanLibrary(lister, keepListOf({"c.mp3"}), tree.path("m/"), progress, stop);
    // a.mp3, b/d.mp3 and the directory e.mp3 are listed; a directory has no size of its own.
    QCOMPARE(entrySizes(lister, *result.found, result.unwanted, stop), (std::vector<std::uint64_t> {1000, 0, 300, 0}));
}

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
