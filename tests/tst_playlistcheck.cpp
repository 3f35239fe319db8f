// Playlists as players and people write them, read and matched against a real tree: which files
// they keep, in place or by their trailing path, and what the check tells the user.

#include "KeepList.h"
#include "M3uReader.h"
#include "Scan.h"
#include "TreeWalk.h"

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

} // namespace

class TestPlaylistCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playlists_data();
    void playlists();
    void emptyMatchesEveryPath();
};

void TestPlaylistCheck::playlists_data()
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

void TestPlaylistCheck::playlists()
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
    std::reverse(lines.begin(), lines.end());
    const KeepList keep(std::move(lines));

    ScriptedDirLister lister;
    const std::string base = tree.path("home/me/Music/");
    const Mp3Collection collection = collectMp3s(lister, base);
    const KeepOutcome outcome = testEntries(collection, keep);
    QByteArrayList wanted;
    for (std::size_t i = 0; i < collection.entries.size(); ++i) {
        if (outcome.wanted[i] != 0) {
            wanted << QByteArray::fromStdString(collection.path(collection.entries[i]).substr(base.size()));
        }
    }
    std::sort(kept.begin(), kept.end());
    std::sort(wanted.begin(), wanted.end());
    QCOMPARE(wanted, kept);
    QCOMPARE(int(outcome.check.linesFound), found);
    QCOMPARE(int(outcome.check.elsewhere.size()), elsewhere);
    QCOMPARE(int(outcome.check.notFound.size()), notFound);
    if (notFound > 0) {
        QCOMPARE(outcome.check.notFound.front().reason, reason);
    }
    for (const PlaylistCheck::Elsewhere& line : outcome.check.elsewhere) {
        QVERIFY(kept.contains(QByteArray::fromStdString(line.firstPath.substr(base.size()))));
    }
}

// A line whose form is empty ("./") keeps every file, and counts as found.
void TestPlaylistCheck::emptyMatchesEveryPath()
{
    TempTree tree;
    tree.wfile("m/a.mp3");
    tree.wfile("m/b/c.mp3");
    ScriptedDirLister lister;
    const Mp3Collection collection = collectMp3s(lister, tree.path("m/"));
    const KeepOutcome outcome = testEntries(collection, KeepList({"./", "nothing.mp3"}));
    QCOMPARE(outcome.wanted, (std::vector<std::uint8_t> {1, 1}));
    QCOMPARE(outcome.check.linesFound, std::size_t(1));
    QCOMPARE(outcome.check.notFound.size(), std::size_t(1));
}

QTEST_GUILESS_MAIN(TestPlaylistCheck)
#include "tst_playlistcheck.moc"
