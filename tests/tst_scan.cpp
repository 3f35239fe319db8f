// The scan in the core: playlists as players and people write them, matched against a
// real tree (in place or by their trailing path), what the check tells, progress, sizes.

#include "CueSheets.h"
#include "EntryStamps.h"
#include "KeepList.h"
#include "PlaylistReader.h"
#include "Scan.h"
#include "ScanProgress.h"
#include "Texts.h"

#include "RealFiles.h"

#include <QByteArrayList>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(MissReason)

namespace {

// The library below <tree>/home/me/Music/, in walk order; "Old.mp3/" is an mp3 entry, but a folder.
// The other audio files are listed only with every audio type; the cue sheets never are.
constexpr const char* kLibrary[] = {"A/B/01.mp3",
                                    "Artist/Album/03 Track.mp3",
                                    "Artist/Album/04 Bonus.FLAC",
                                    "Artist/Album/05.mp3",
                                    "Artist/Album/book.m4b",
                                    "Artist/Album/cover.jpg",
                                    "Artist/Album2/05.mp3",
                                    "Artist/Renamed Album/02 - Song.mp3",
                                    "CD/Album.cue",
                                    "CD/Album.flac",
                                    "CD/Hidden Track.ogg",
                                    "Locked/Disc.ape",
                                    "Locked/Disc.cue",
                                    "My Band/Live/07 Encore.mp3",
                                    "Old.mp3/",
                                    "Other/B2/01.mp3",
                                    "\xC3\x84rzte/Junge.mp3"};

// What CD/Album.cue says: the image as ripped to WAV, stored as FLAC since. Locked/Disc.cue
// cannot be read, so every file beside it stays.
constexpr char kAlbumCue[] = "REM GENRE Rock\r\nFILE \"Album.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n";

} // namespace

class TestScan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts()
    {
        // Rounded half up, from the float the percentage is: 57.49.. is 57.5 as a float.
        QCOMPARE(scanStatusText(1, 8), "1 of 8 (13%) MP3s scanned");
        QCOMPARE(scanStatusText(23, 40), "23 of 40 (58%) MP3s scanned");
        QCOMPARE(scanStatusText(1, 200), "1 of 200 (1%) MP3s scanned");
        QCOMPARE(scanStatusText(13, 12), "13 of 12 (108%) MP3s scanned");
        QCOMPARE(countStatusText(12345), "12,345 MP3s found");
        QCOMPARE(scanStatusText(1, 8, AudioTypes::All), "1 of 8 (13%) audio files scanned");
        QCOMPARE(countStatusText(2, AudioTypes::All), "2 audio files found");
        QCOMPARE(noneFoundText(AudioTypes::All), "No audio files found in that directory!");
        QCOMPARE(noneUnwantedText(AudioTypes::Mp3), "No unwanted mp3 files found in that directory!");
        QCOMPARE(noneUnwantedText(AudioTypes::All), "No unwanted audio files found in that directory!");
        QCOMPARE(selectPromptText(AudioTypes::All), "Select files to Delete:");
        QCOMPARE(missReasonText(MissReason::NotMp3), "not an mp3 file");
        QCOMPARE(missReasonText(MissReason::Folder), "a folder, not a file");
        QVERIFY(missReasonText(MissReason::Unknown).isEmpty());
        QCOMPARE(missReasonText(MissReason::NotMp3, AudioTypes::All), "not an audio file Tuneprune lists");
        QCOMPARE(namesLittleWarning({20, 1}, 1, "/m/", 2, AudioTypes::All),
                 "Only 1 of the playlist's 20 entries names a file below /m/. 2 audio files there are listed.");
        QCOMPARE(listSizeText(150694, 612'345'678'901, 12, 48'123'456, true),
                 "150,694 files, 612.3 GB; 12 selected, 48.1 MB");
        QCOMPARE(listSizeText(1, 0, 0, 0, false), "1 file; 0 selected"); // sizes not known yet
    }

    void playlists_data()
    {
        QTest::addColumn<QByteArray>("playlist");
        QTest::addColumn<QByteArrayList>("kept"); // below the base directory, in walk order
        QTest::addColumn<QString>("check"); // lines found in place, found elsewhere, not found
        QTest::addColumn<MissReason>("reason"); // of the first line not found
        QTest::addColumn<bool>("allAudio");

        const auto row = [](const char* name, const QByteArray& playlist, QByteArrayList kept, const char* check,
                            MissReason reason = MissReason::Unknown, bool allAudio = false) {
            QTest::newRow(name) << playlist << kept << QString(check) << reason << allAudio;
        };
        row("Android root", "#EXTM3U\n/storage/emulated/0/Music/A/B/01.mp3\n", {"A/B/01.mp3"}, "0 1 0");
        row("Mac root, CR only",
            "#EXTM3U\r#EXTINF:215,Artist - Track\r/Users/anna/Music/iTunes/iTunes Media/Music/Artist/Album/03 "
            "Track.mp3\r",
            {"Artist/Album/03 Track.mp3"}, "0 1 0");
        row("other drive and folder, Windows-1252", "D:\\Audio\\\xC4rzte\\Junge.mp3\r\n", {"\xC3\x84rzte/Junge.mp3"},
            "0 1 0");
        row("UNC", "\\\\nas\\music\\My Band\\Live\\07 Encore.mp3\n", {"My Band/Live/07 Encore.mp3"}, "0 1 0");
        row("smb URL", "smb://nas/music/My%20Band/Live/07%20Encore.mp3\n", {"My Band/Live/07 Encore.mp3"}, "0 1 0");
        row("file URL of another machine", "file:///C:/Users/bob/Music/%C3%84rzte/Junge.mp3\n",
            {"\xC3\x84rzte/Junge.mp3"}, "0 1 0");
        row("renamed album keeps by name", "/storage/emulated/0/Music/Artist/Old Name/02 - Song.mp3\n",
            {"Artist/Renamed Album/02 - Song.mp3"}, "0 1 0");
        row("shared name keeps all", "/mnt/old/Somebody/Else/05.mp3\n", {"Artist/Album/05.mp3", "Artist/Album2/05.mp3"},
            "0 1 0");
        row("longest run wins", "/mnt/old/Artist/Album2/05.mp3\n", {"Artist/Album2/05.mp3"}, "0 1 0");
        row("in place, never relocated", "A/B/01.mp3\nArtist/Album/05.mp3\n", {"A/B/01.mp3", "Artist/Album/05.mp3"},
            "2 0 0");
        row("folder in place", "Artist/Album/\n", {"Artist/Album/03 Track.mp3", "Artist/Album/05.mp3"}, "1 0 0");
        row("folder in place, its mp3s a level down", "Artist/\n",
            {"Artist/Album/03 Track.mp3", "Artist/Album/05.mp3", "Artist/Album2/05.mp3",
             "Artist/Renamed Album/02 - Song.mp3"},
            "1 0 0");
        row("folder", "/storage/emulated/0/Music/Artist/Album/\n", {}, "0 0 1", MissReason::Folder);
        row("not an mp3", "/storage/emulated/0/Music/Artist/Album/cover.jpg\n", {}, "0 0 1", MissReason::NotMp3);
        row("http URL", "http://radio.example.com/stream/01.mp3\n", {}, "0 0 1", MissReason::WebAddress);
        row("no such song", "/storage/emulated/0/Music/Nobody/99.mp3\n", {}, "0 0 1");
        row("UTF-16 LE, CRLF, blank lines",
            QByteArray::fromStdString(
                utf16Bytes(u"\uFEFF#EXTM3U\r\n\r\nE:\\Audio\\\u00C4rzte\\Junge.mp3\r\n\r\n  \r\n..\\A\\B\\01.mp3\r\n")),
            {"A/B/01.mp3", "\xC3\x84rzte/Junge.mp3"}, "1 1 0");
        row("UTF-16 BE", QByteArray::fromStdString(utf16Bytes(u"\uFEFF/home/other/Music/\u00C4rzte/Junge.mp3\n", true)),
            {"\xC3\x84rzte/Junge.mp3"}, "0 1 0");
        row("blank lines and trailing blanks", "\n\nA/B/01.mp3  \n \t\n", {"A/B/01.mp3"}, "1 0 0");
        // Other formats: each entry a line like an M3U line, URLs and all (the reading is
        // tst_playlistreader's).
        row("Apple Music export, NFD",
            "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>Tracks</key><dict>"
            "<key>1</key><dict><key>Location</key><string>file:///Users/anna/Music/Music/Media.localized/Music/"
            "A%CC%88rzte/Junge.mp3</string></dict></dict></dict></plist>",
            {"\xC3\x84rzte/Junge.mp3"}, "0 1 0");
        // Enough lines from another machine to be looked up on several threads.
        row("a phone's long playlist",
            "#EXTM3U\n"
                + QByteArray("/storage/emulated/0/Music/A/B/01.mp3\n/storage/emulated/0/Music/Nobody/99.mp3\n")
                      .repeated(300),
            {"A/B/01.mp3"}, "0 300 300");
        // A line whose form is empty keeps every entry, and counts as found.
        QByteArrayList all;
        for (const QByteArray file : kLibrary) {
            if (file.contains(".mp3")) {
                all << file.chopped(file.endsWith('/') ? 1 : 0);
            }
        }
        row("./", "./\nnothing.mp3\n", all, "1 0 1");
        // Every audio type: other audio is found in place and elsewhere like mp3; a cue sheet keeps
        // the image it names; the one that cannot be read keeps what is beside it, whatever the lines.
        const auto audioRow = [&row](const char* name, const QByteArray& playlist, QByteArrayList kept,
                                     const char* check, MissReason reason = MissReason::Unknown) {
            kept.insert(std::upper_bound(kept.begin(), kept.end(), QByteArray("Locked/Disc.ape")), "Locked/Disc.ape");
            row(name, playlist, kept, check, reason, true);
        };
        row("FLAC, mp3 only", "/storage/emulated/0/Music/Artist/Album/04 Bonus.flac\n", {}, "0 0 1",
            MissReason::NotMp3);
        audioRow("FLAC of another machine", "/storage/emulated/0/Music/Artist/Album/04 Bonus.flac\n",
                 {"Artist/Album/04 Bonus.FLAC"}, "0 1 0");
        audioRow("mp3 and FLAC in place", "A/B/01.mp3\nhidden track.OGG\n", {"A/B/01.mp3", "CD/Hidden Track.ogg"},
                 "2 0 0");
        audioRow("cue sheet keeps its image", "/home/me/Music/CD/Album.cue\n", {"CD/Album.flac"}, "1 0 0");
        audioRow("cue sheet of another machine", "D:\\Rips\\CD\\Album.cue\r\n", {"CD/Album.flac"}, "0 1 0");
        audioRow("image without its cue sheet", "CD/Album.flac\n", {"CD/Album.flac"}, "1 0 0");
        audioRow("audiobook never listed", "/storage/emulated/0/Music/Artist/Album/book.m4b\n", {}, "0 0 1",
                 MissReason::NotMp3);
        // Five lines of which one names a file: named little, counted alike for mp3 and the rest.
        audioRow("one in five names a file", "Artist/Album/04 Bonus.flac\na.mp3\nb.flac\nc.ogg\nd.wav\n",
                 {"Artist/Album/04 Bonus.FLAC"}, "1 0 4");
    }

    void playlists()
    {
        QFETCH(QByteArray, playlist);
        QFETCH(QByteArrayList, kept);
        QFETCH(QString, check);
        QFETCH(MissReason, reason);
        QFETCH(bool, allAudio);

        TempTree tree;
        const std::string base = tree.path("home/me/Music/");
        for (const std::string file : kLibrary) {
            // Each file holds its own name, so that the sizes tell them apart.
            file.ends_with('/') ? tree.mkdirp("home/me/Music/" + file) : tree.wfile("home/me/Music/" + file, file);
        }
        tree.wfile("home/me/Music/CD/Album.cue", kAlbumCue);
        const PlaylistRead read = readPlaylistBytes(playlist.toStdString());
        QVERIFY2(read.ok(), read.refusal.c_str());
        std::vector<std::string> lines = read.entries;
        std::reverse(lines.begin(), lines.end()); // as the window keeps them
        ScriptedDirLister lister;
        lister.failing.insert(base + "Locked/Disc.cue");
        const KeepList keep(lines);
        const AudioTypes types = allAudio ? AudioTypes::All : AudioTypes::Mp3;
        const std::size_t entries = allAudio ? 13 : 9;
        const std::atomic<bool> stop = false;
        // One thread makes the collection; or several, each from some of the base's folders, so that
        // the base's own entry ("Old.mp3") lies between their parts.
        for (const unsigned threads : {1U, 8U}) {
            ScanProgress progress;
            ScanResult result = scanLibrary(lister, keep, base, progress, stop, threads, types);
            QCOMPARE(progress.found(), entries);
            QCOMPARE(result.check.unreadableCueSheets.size(), std::size_t(allAudio ? 1 : 0));
            const EntryStamps stamps = recordStamps(lister, *result.found, result.unwanted, stop);
            QByteArrayList wanted;
            for (std::uint32_t i = 0; i < entries; ++i) {
                const EntryIndex entry {i};
                const std::string path = result.found->path(result.found->entries[entry]).substr(base.size());
                const bool unwanted = std::binary_search(result.unwanted.begin(), result.unwanted.end(), entry);
                if (!unwanted) {
                    wanted << QByteArray::fromStdString(path);
                }
                // Only the unwanted entries are recorded; a folder has no size of its own.
                QCOMPARE(stamps.find(entry) != nullptr, unwanted);
                QCOMPARE(stamps.size(entry), unwanted && path != "Old.mp3" ? path.size() : 0);
            }
            QCOMPARE(wanted, kept);
            const PlaylistCheck& got = result.check;
            QCOMPARE(QString("%1 %2 %3").arg(got.linesFound).arg(got.elsewhere.size()).arg(got.notFound.size()), check);
            QCOMPARE(got.notFound.empty() ? MissReason::Unknown : got.notFound.front().reason, reason);
            for (const PlaylistCheck::Elsewhere& line : got.elsewhere) {
                QVERIFY(kept.contains(QByteArray::fromStdString(line.firstPath.substr(base.size()))));
            }
        }
    }

    // The file names of a cue sheet's FILE lines, as players read them.
    void cueSheetLines_data()
    {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QByteArray>("files"); // each followed by "|"
        QTest::newRow("quoted, CRLF, indented")
            << QByteArray("REM x\r\n  FILE \"My Album.flac\" WAVE\r\n") << QByteArray("My Album.flac|");
        QTest::newRow("unquoted, lower case, BOM, CR only")
            << QByteArray("\xEF\xBB\xBF"
                          "file Disc1.ape WAVE\rTRACK 01 AUDIO\rFILE\tDisc2.ape\tWAVE\r")
            << QByteArray("Disc1.ape|Disc2.ape|");
        QTest::newRow("folders before the name")
            << QByteArray("FILE \"C:\\Rips\\CD 1/Image.wv\" WAVE\n") << QByteArray("Image.wv|");
        QTest::newRow("no FILE line") << QByteArray("TITLE \"FILE\"\nFILES x\nPROFILE y.wav WAVE\n") << QByteArray();
    }

    void cueSheetLines()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(QByteArray, files);
        QByteArray got;
        for (const std::string_view name : cueSheetFiles(std::string_view(sheet.constData(), sheet.size()))) {
            got.append(name.data(), qsizetype(name.size())).append('|');
        }
        QCOMPARE(got, files);
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
