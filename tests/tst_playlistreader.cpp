// Playlists of every format, as players write them: the keep lines each yields whatever its name,
// what is refused and why, and several read as one.

#include "KeepListReader.h"
#include "PlayerPlaylists.h"
#include "PlaylistReader.h"
#include "PlaylistSet.h"
#include "RealFiles.h"

#include <QTest>

namespace {

QByteArrayList byteArrays(const std::vector<std::string>& lines)
{
    QByteArrayList list;
    for (const std::string& line : lines) {
        list << QByteArray::fromStdString(line);
    }
    return list;
}

// The playlist fed in pieces of `piece` bytes.
PlaylistRead readInPieces(const std::string& bytes, std::size_t piece)
{
    PlaylistParser parser;
    for (std::size_t at = 0; at < bytes.size() && !parser.done(); at += piece) {
        parser.feed(std::string_view(bytes).substr(at, piece));
    }
    return parser.finish();
}

} // namespace

class TestPlaylistReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("entries");
        QTest::addColumn<QString>("refusal");
        for (const auto& table : {playersPlaylists(), refusedPlaylists()}) {
            for (const PlayerPlaylist& playlist : table) {
                QTest::newRow(playlist.name)
                    << QByteArray::fromStdString(playlistBytes(playlist.name)) << byteArrays(playlist.entries)
                    << QString::fromStdString(playlist.refusal);
            }
        }
        const auto row
            = [](const char* name, const QByteArray& bytes, QByteArrayList entries, const char* refusal = "") {
                  QTest::newRow(name) << bytes << entries << QString(refusal);
              };
        const QByteArray xspf = "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>"
                                "a.mp3</location></track></trackList></playlist>";
        // The format is told by the content after any byte-order mark and blanks.
        row("XSPF after a UTF-8 BOM", "\xEF\xBB\xBF" + xspf, {"a.mp3"});
        row("XSPF in UTF-16",
            QByteArray::fromStdString(utf16Bytes(u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                                                 u"<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList>"
                                                 u"<track><location>\u00C4.mp3</location></track>"
                                                 u"</trackList></playlist>")),
            {"\xC3\x84.mp3"});
        row("XSPF in another namespace",
            "<playlist xmlns=\"urn:x\"><trackList><track><location>a.mp3</location></track>"
            "</trackList></playlist>",
            {}, "an XML file that is not a playlist");
        row("playlist without namespace or trackList", "<playlist><title>a.mp3</title></playlist>", {},
            "an XML file that is not a playlist (a playlist without trackList)");
        row("XSPF, blank line before the declaration", "\n<?xml version=\"1.0\"?>" + xspf, {},
            "not well-formed XML: xML declaration not at start of document (line 2)");
        row("XSPF, entity in the location",
            "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>"
            " file:///a/B&amp;B%20x.mp3\n</location></track></trackList></playlist>",
            {"file:///a/B&B%20x.mp3"});
        row("PLS after blank lines, in any case, blanks after",
            "\r\n  \r\n [PlayList] \t\r\nnumberofentries=1\r\nFILE1=x.mp3", {"x.mp3"});
        row("PLS in UTF-16",
            QByteArray::fromStdString(
                utf16Bytes(u"\uFEFF[playlist]\r\nFile1=\u00C4.mp3\r\nNumberOfEntries=1\r\n", true)),
            {"\xC3\x84.mp3"});
        row("PLS, numbers past the count and from 0",
            "[playlist]\nFile0=z.mp3\nFile1=a.mp3\nFile3=c.mp3\nNumberOfEntries=1", {"z.mp3", "a.mp3", "c.mp3"});
        row("PLS, a count that is no number", "[playlist]\nFile1=a.mp3\nNumberOfEntries=two\n", {},
            "NumberOfEntries is not a number");
        row("PLS after a comment, blank lines and a stray line",
            "; saved by hand\r\nFile9=z.mp3\r\n\r\n[PLAYLIST]\r\nFile1=a.mp3\r\nNumberOfEntries=1\r\n", {"a.mp3"});
        row("not PLS: two lines before the bracket", "a.mp3\nb.mp3\n[playlist]\nFile1=c.mp3\nNumberOfEntries=1",
            {"a.mp3", "b.mp3", "[playlist]", "File1=c.mp3", "NumberOfEntries=1"});
        row("not PLS: more after the bracket", "[playlist] of mine\nFile1=a.mp3\n",
            {"[playlist] of mine", "File1=a.mp3"});
        row("M3U with a NUL", QByteArray("#EXTM3U\na.mp3\n\0b.mp3\n", 19), {}, "not a text file (it holds NUL bytes)");
        row("M3U, NUL after 0x1A", QByteArray("a.mp3\n\032\0", 8), {"a.mp3"});
        row("blanks only", " \r\n\t", {});
        row("WPL without its header", "<smil><body><seq><media src=\"a.mp3\"/></seq></body></smil>", {"a.mp3"});
        // ASX as players read it: the liberties they allow, and nothing else.
        row("ASX after a declaration and a comment, entities in the href",
            "<?xml version=\"1.0\"?>\n<!-- <asx> -->\n<Asx><Entry><REF href=' &amp;&#65;&#x42;&x=1 '/></entry></ASX>",
            {"&AB&x=1"});
        row("ASX with an empty root", "<?xml version='1.0' encoding='UTF-8'?><asx/>", {});
        row("ASX in Shift_JIS", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<asx/>", {},
            "the file is in Shift_JIS, which an ASX file is not read in (line 1)");
        row("ASX, an entity no one declared", "<asx><entry><ref href=\"a&nbsp;b.mp3\"/></entry></asx>", {},
            "the entity &nbsp; cannot be read (line 1)");
        row("ASX, an entity bomb",
            "<!DOCTYPE asx [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]>\n<asx><entry><ref href=\"&b;\"/>"
            "</entry></asx>",
            {}, "the file declares entities or a document type of its own, which are not read (line 1)");
        row("ASX, an attribute without a value", "<asx><entry><ref href/></entry></asx>", {},
            "not well-formed: the attribute href has no value (line 1)");
        row("ASX, a quote that does not end", "<asx>\n<entry><ref href=\"a.mp3/></entry></asx>", {},
            "the file ends inside <entry> (line 2)");
        row("ASX, a ref outside an entry and an unclosed one", "<asx><ref href=a.mp3/><entry></entry></asx>", {},
            "not well-formed: </asx> where <ref> is open (line 1)");
        row("ASX in UTF-16, read as XML",
            QByteArray::fromStdString(utf16Bytes(u"\uFEFF<asx><entry><ref href=\"\u00C4.mp3\"/></entry></asx>")),
            {"\xC3\x84.mp3"});
        row("only a declaration", "<?xml version=\"1.0\"?>\n", {}, "the file ends before its first element (line 2)");
    }

    // Whole, and in pieces of one and seven bytes: the same entries, or the same refusal.
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, entries);
        QFETCH(QString, refusal);
        const std::string in = bytes.toStdString();
        for (const std::size_t piece : {in.size() + 1, std::size_t(1), std::size_t(7)}) {
            const PlaylistRead read = piece > in.size() ? readPlaylistBytes(in) : readInPieces(in, piece);
            QCOMPARE(QString::fromStdString(read.refusal), refusal);
            QCOMPARE(byteArrays(read.entries), entries);
        }
    }

    // From real files, read in many 64 KiB pieces and 8 KiB decode buffers, whatever their names
    // say: an XSPF, a PLS and an ASX of 100,000 tracks, and the same XSPF cut short; an M3U of a
    // 10 MB line whose CR ends one read and whose LF starts the next, then 1,000,000 lines; in
    // UTF-16, surrogate pairs falling across both.
    void largeFiles()
    {
        std::vector<std::string> expected, m3u {QByteArray("0123456789abcdefghi").repeated(552000).toStdString()},
            m3u16;
        std::string xspf
            = "<?xml version=\"1.0\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n<trackList>\n";
        std::string pls = "[playlist]\n", asx = "<ASX version=\"3.0\">\r\n";
        m3u[0].resize(10 * 1024 * 1024 - 1);
        std::string content = m3u[0] + "\r\n";
        std::u16string text = u"\uFEFF#EXTM3U\r\n";
        for (int i = 0; i < 1000000; ++i) {
            const std::string n = std::to_string(i);
            m3u.push_back("d/" + n + ".mp3");
            content += "#EXTINF:1\n" + m3u.back() + "\n";
            if (i < 200000) {
                m3u16.push_back("\xC3\x84/" + n + "\xF0\x9D\x84\x9E.mp3");
                text += u"\u00C4/" + std::u16string(n.begin(), n.end()) + u"\U0001D11E.mp3\r\n\r\n";
            }
            if (i < 100000) {
                const std::string& e
                    = expected.emplace_back("file:///home/anna/Music/Artist%20" + n + "/Album/" + n + "%20Song.mp3");
                xspf += "<track><location>" + e + "</location><title>Song " + n + "</title></track>\n";
                pls += "File" + std::to_string(i + 1) + "=" + e + "\nTitle" + std::to_string(i + 1) + "=x\n";
                asx += "<Entry><Title>Song " + n + "</title><Ref href = \"" + e + "\"/></entry>\r\n";
            }
        }
        TempTree t;
        t.wfile("big.m3u", xspf + "</trackList>\n</playlist>\n");
        t.wfile("big.txt", pls + "NumberOfEntries=100000\n");
        t.wfile("big.asx", asx + "</asx>\r\n");
        t.wfile("long line.m3u", content);
        t.wfile("utf16.m3u", utf16Bytes(text, true));
        t.wfile("cut.xspf", xspf.substr(0, xspf.size() / 2));
        for (const auto& [name, entries] : {std::pair {"big.m3u", &expected},
                                            {"big.txt", &expected},
                                            {"big.asx", &expected},
                                            {"long line.m3u", &m3u},
                                            {"utf16.m3u", &m3u16}}) {
            const PlaylistRead read = readPlaylist(t.path(name));
            QVERIFY2(read.ok() && read.entries == *entries, name);
        }
        const PlaylistRead cut = readPlaylist(t.path("cut.xspf"));
        QVERIFY(cut.entries.empty());
        QVERIFY2(QString::fromStdString(cut.refusal).startsWith("the file ends inside <"), cut.refusal.c_str());
    }

    // The union of their entries, the last read first; one refused refuses all, each named.
    void several()
    {
        TempTree t;
        t.wfile("a.m3u", "a1.mp3\na2.mp3\n");
        t.wfile("b.xspf", playlistBytes("strawberry.xspf"));
        t.wfile("bad.pls", "[playlist]\nFile1=x.mp3\n");
        const PlaylistSet both = readPlaylists({t.path("a.m3u"), t.path("b.xspf")});
        QVERIFY(both.ok());
        QCOMPARE(byteArrays(both.linesNewestFirst),
                 (QByteArrayList {"../Queen/Greatest Hits/01 - Bohemian Rhapsody.mp3",
                                  "../Queen/A Night at the Opera/11 - Bohemian Rhapsody.mp3",
                                  "Simon & Garfunkel/Bookends/01 - Mrs. Robinson.mp3", "a2.mp3", "a1.mp3"}));
        QCOMPARE(both.lineSource, (std::vector<std::uint32_t> {1, 1, 1, 0, 0}));

        const PlaylistSet refused = readPlaylists({t.path("a.m3u"), t.path("bad.pls"), t.path("missing.m3u")});
        QVERIFY(refused.linesNewestFirst.empty() && refused.lineSource.empty());
        QCOMPARE(refused.refusalLines(),
                 (std::vector<std::string> {"bad.pls: the file ends without NumberOfEntries",
                                            "missing.m3u: no such file or directory"}));
    }

    // A lone XSPF's keep-list is made from a plain search while the XML reader checks the file;
    // whatever the search finds, the keep-list holds what the XML reader read.
    void keepListOfOneXspf_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const auto row
            = [](const char* name, const QByteArray& tracks, const QByteArray& tail = "</trackList></playlist>\n") {
                  QTest::newRow(name)
                      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist xmlns=\"http://xspf.org/ns/0/\">"
                         "<trackList>\n"
                          + tracks + tail;
              };
        const QByteArray track = "<track><location>file:///m/a%20b.mp3</location></track>\n";
        QTest::newRow("VLC's") << QByteArray::fromStdString(playlistBytes("vlc.xspf"));
        row("entities", "<track><location> /m/B&amp;B &#233;&#x1F3B5;.mp3 </location></track>");
        row("in a comment", track + "<!-- <location>/m/old.mp3</location> -->");
        row("CDATA", "<track><location><![CDATA[/m/x&y.mp3]]></location></track>");
        row("outside a track", track + "</trackList><location>/m/z.mp3</location><trackList>");
        row("other namespace",
            "<track><x:location xmlns:x=\"urn:x\">/m/q.mp3</x:location><location>/m/r.mp3</location></track>");
        QTest::newRow("unknown entity") << QByteArray(
            "<?xml version=\"1.0\"?><!DOCTYPE playlist [<!ENTITY m \"/music\">]>"
            "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>&m;/a.mp3"
            "</location></track></trackList></playlist>\n");
        row("cut short", track + "<track><location>/m/c.mp3</location>", "");
        QTest::newRow("not XSPF") << QByteArray("#EXTM3U\n<location>/m/a.mp3</location>\n");
    }

    void keepListOfOneXspf()
    {
        QFETCH(QByteArray, bytes);
        TempTree t;
        t.wfile("list.xspf", bytes.toStdString());
        const PlaylistSet plain = readPlaylists({t.path("list.xspf")});
        const KeepListRead read = readKeepList({t.path("list.xspf")});
        QCOMPARE(read.set.refusalLines(), plain.refusalLines());
        QCOMPARE(byteArrays(read.keep.lines()), byteArrays(plain.linesNewestFirst));
    }
};

QTEST_GUILESS_MAIN(TestPlaylistReader)
#include "tst_playlistreader.moc"
