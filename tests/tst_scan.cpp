// Begin Scan through the real dialog on real temporary trees.

#include "DialogDriver.h"
#include "TempTree.h"
#include "core/ScanProgress.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <thread>

using Rows = std::vector<std::string>;

class TestScan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void statusText_data();
    void statusText();
    void listsUnwantedInWalkOrder();
    void controlStatesOverTwoScans();
    void noMp3Files_data();
    void noMp3Files();
    void everythingWanted();
    void windowsPlaylistKeepsItsFiles();
    void rowKeepsBytesOfNonUtf8Name();
    void busyWhileScanning();

private:
    void prepare(const std::string& playlist);
    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<DialogDriver> m_driver;
};

void TestScan::init()
{
    m_tree = std::make_unique<TempTree>();
    m_driver = std::make_unique<DialogDriver>();
}

// Loads `playlist` and picks <tree>/music/ as the base directory.
void TestScan::prepare(const std::string& playlist)
{
    m_tree->wfile("list.m3u", playlist);
    m_tree->mkdirp("music");
    m_driver->openPlaylist(m_tree->path("list.m3u"));
    m_driver->selectDirectory(m_tree->path("music/"));
    QVERIFY(m_driver->enabled(IDC_BEGIN_SCAN));
}

void TestScan::statusText_data()
{
    QTest::addColumn<int>("scanned");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("3 of 12") << 3 << 12 << "3 of 12 (25%) MP3s scanned";
    QTest::newRow("half up: 12.5") << 1 << 8 << "1 of 8 (13%) MP3s scanned";
    QTest::newRow("1 of 3") << 1 << 3 << "1 of 3 (33%) MP3s scanned";
    QTest::newRow("57.49.. becomes 57.5 as float") << 23 << 40 << "23 of 40 (58%) MP3s scanned";
    QTest::newRow("half up: 0.5") << 1 << 200 << "1 of 200 (1%) MP3s scanned";
    QTest::newRow("2 of 3") << 2 << 3 << "2 of 3 (67%) MP3s scanned";
    QTest::newRow("all") << 40 << 40 << "40 of 40 (100%) MP3s scanned";
    QTest::newRow("scanned above total") << 13 << 12 << "13 of 12 (108%) MP3s scanned";
}

void TestScan::statusText()
{
    QFETCH(int, scanned);
    QFETCH(int, total);
    QFETCH(QString, text);
    QCOMPARE(scanStatusText(scanned, total), text);
}

void TestScan::listsUnwantedInWalkOrder()
{
    prepare("#EXTM3U\nArtist/Album/02 - Two.mp3\n");
    m_tree->wfile("music/Artist/Album/01 - One.mp3");
    m_tree->wfile("music/Artist/Album/02 - Two.mp3");
    m_tree->wfile("music/Artist/Album/cover.jpg");
    m_tree->wfile("music/C.mp3");
    m_tree->wfile("music/b.mp3");
    m_tree->wfile("music/old.mp3/inner.MP3");
    m_tree->wfile("music/song.flac");
    m_driver->scan();

    const std::string base = m_tree->path("music/");
    QCOMPARE(m_driver->rows(),
             (Rows {base + "Artist/Album/01 - One.mp3", base + "b.mp3", base + "C.mp3", base + "old.mp3/inner.MP3",
                    base + "old.mp3"}));
    QVERIFY(m_driver->takeBoxes().empty());
    QCOMPARE(m_driver->dlg().totalMp3s(), 6);
    QCOMPARE(m_driver->dlg().scannedMp3s(), 6);
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT, IDC_DELETE_FILES}) {
        QVERIFY2(m_driver->enabled(id), qPrintable(m_driver->item(id)->objectName()));
    }
    for (int id : {IDC_PROGRESS, IDC_STATUS}) {
        QVERIFY(!m_driver->item(id)->isVisibleTo(&m_driver->dlg()));
        QVERIFY(!m_driver->enabled(id));
    }
    QCOMPARE(m_driver->text(IDC_STATUS), QStringLiteral("6 of 6 (100%) MP3s scanned"));
}

void TestScan::controlStatesOverTwoScans()
{
    prepare("nothing-matches\n");
    m_tree->wfile("music/a.mp3");
    m_driver->scan();
    QCOMPARE(m_driver->rows().size(), std::size_t(1));

    // An empty line keeps every file: the second scan lists nothing.
    m_tree->wfile("all.m3u", "x\n\ny\n");
    m_driver->openPlaylist(m_tree->path("all.m3u"));
    m_driver->scan();

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, QStringLiteral("No unwanted mp3 files found in that directory!"));
    QVERIFY(m_driver->rows().empty());
    // Nothing is disabled again by a later scan.
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT, IDC_DELETE_FILES}) {
        QVERIFY2(m_driver->enabled(id), qPrintable(m_driver->item(id)->objectName()));
    }
    QCOMPARE(m_driver->dlg().scannedMp3s(), 1);
}

void TestScan::noMp3Files_data()
{
    QTest::addColumn<QString>("tree");
    QTest::newRow("empty base directory") << "empty";
    QTest::newRow("only other files") << "other";
    QTest::newRow("base directory gone") << "gone";
}

void TestScan::noMp3Files()
{
    QFETCH(QString, tree);
    prepare("no-such-song.mp3\n");
    m_tree->wfile("music/old/a.mp3");
    m_driver->scan();
    QCOMPARE(m_driver->rows().size(), std::size_t(1));
    m_driver->takeBoxes();

    QVERIFY(std::remove(m_tree->path("music/old/a.mp3").c_str()) == 0);
    if (tree == "other") {
        m_tree->wfile("music/a.flac");
        m_tree->wfile("music/mp3/readme.txt");
    } else if (tree == "gone") {
        QVERIFY(std::rename(m_tree->path("music").c_str(), m_tree->path("elsewhere").c_str()) == 0);
    }
    m_driver->scan();

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, QStringLiteral("No mp3 files found in that directory!"));
    QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[0].type, unsigned(MB_ICONEXCLAMATION));
    QVERIFY(m_driver->rows().empty());
    QCOMPARE(m_driver->dlg().totalMp3s(), 0);
    QVERIFY(!m_driver->item(IDC_PROGRESS)->isVisibleTo(&m_driver->dlg()));
    QVERIFY(m_driver->enabled(IDC_DELETE_FILES));
}

void TestScan::everythingWanted()
{
    prepare("MUSIC\n"); // inside the base directory's own name
    m_tree->wfile("music/a/b.mp3");
    m_tree->wfile("music/c.mp3");
    m_driver->scan();

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, QStringLiteral("No unwanted mp3 files found in that directory!"));
    QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[0].type, unsigned(MB_ICONEXCLAMATION));
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL}) {
        QVERIFY(m_driver->enabled(id));
    }
    QVERIFY(!m_driver->enabled(IDC_SELECT_PROMPT));
    QVERIFY(!m_driver->enabled(IDC_DELETE_FILES));
}

void TestScan::windowsPlaylistKeepsItsFiles()
{
    // Written on another system: drive letters, backslashes, another case, Windows-1252.
    prepare("D:\\Music\\Artist\\Song.mp3\r\n..\\Ärzte\\Lied.mp3\r\nfile:///D:/Music/Caf%C3%A9.mp3\r\n"
            "\xC4rzte\\Zwei.mp3\r\n");
    m_tree->wfile("music/artist/song.MP3");
    m_tree->wfile("music/ärzte/lied.mp3");
    m_tree->wfile("music/ärzte/zwei.mp3");
    m_tree->wfile("music/café.mp3");
    m_tree->wfile("music/artist/other.mp3");
    m_driver->scan();

    QCOMPARE(m_driver->rows(), Rows {m_tree->path("music/artist/other.mp3")});
}

void TestScan::rowKeepsBytesOfNonUtf8Name()
{
    prepare("keep-nothing\n");
    m_tree->wfile("music/caf\xE9.mp3");
    m_driver->scan();

    QCOMPARE(m_driver->rows(), Rows {m_tree->path("music/caf\xE9.mp3")});
    const QString shown = m_driver->dlg().fileModel().index(0).data().toString();
    QVERIFY2(shown.endsWith(QStringLiteral("/music/café.mp3")), qPrintable(shown));
}

void TestScan::busyWhileScanning()
{
    prepare("no-such-song.mp3\n");
    for (int i = 0; i < 4; ++i) {
        m_tree->wfile("music/d" + std::to_string(i) + "/a.mp3");
    }
    bool timerRanDuringScan = false;
    bool checked = false;
    m_driver->scripted.dirLister.onList = [&](const std::string&) {
        if (checked) {
            return;
        }
        checked = true;
        CPruneDlg& dlg = m_driver->dlg();
        QVERIFY(dlg.isBusy());
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        m_driver->click(IDC_OPEN_M3U);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.close());
        QTimer::singleShot(0, [&] { timerRanDuringScan = m_driver->dlg().isBusy(); });
        // Slow listings give the scan reason to repaint.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    m_driver->dlg().show();
    m_driver->scan();
    m_driver->scripted.dirLister.onList = {};

    QVERIFY(checked);
    QVERIFY(timerRanDuringScan);
    QVERIFY(m_driver->dlg().isVisible());
    QCOMPARE(m_driver->scripted.fileDialog.filters.size(), std::size_t(1)); // only the playlist's own
    QCOMPARE(m_driver->rows().size(), std::size_t(4));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
