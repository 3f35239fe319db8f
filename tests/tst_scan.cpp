// Begin Scan through the real dialog on real temporary trees.

#include "DialogDriver.h"
#include "TempTree.h"
#include "ScanProgress.h"
#include "PlaylistCheckDlg.h"

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <thread>

using Rows = std::vector<std::string>;

class TestScan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void statusText_data();
    void statusText();
    void listsUnwantedInWalkOrder();
    void emptyResults_data();
    void emptyResults();
    void busyWhileScanning();
    void playlistCheck();

private:
    // Loads a playlist holding `lines` and picks <tree>/music/, holding `files`.
    void prepare(const std::string& lines, const Rows& files);
    std::string base() const { return m_tree->path("music/"); }

    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<DialogDriver> m_d;
};

void TestScan::init()
{
    m_tree = std::make_unique<TempTree>();
    m_d = std::make_unique<DialogDriver>();
}

void TestScan::prepare(const std::string& lines, const Rows& files)
{
    m_tree->mkdirp("music");
    for (const std::string& file : files) {
        m_tree->wfile("music/" + file);
    }
    m_tree->wfile("list.m3u", "#EXTM3U\n" + lines);
    m_d->openPlaylist(m_tree->path("list.m3u"));
    m_d->selectDirectory(base());
}

void TestScan::statusText_data()
{
    QTest::addColumn<int>("scanned");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("3 of 12") << 3 << 12 << "3 of 12 (25%) MP3s scanned";
    QTest::newRow("12.5 rounds up") << 1 << 8 << "1 of 8 (13%) MP3s scanned";
    QTest::newRow("1 of 3") << 1 << 3 << "1 of 3 (33%) MP3s scanned";
    QTest::newRow("57.49.. is 57.5 as a float") << 23 << 40 << "23 of 40 (58%) MP3s scanned";
    QTest::newRow("0.5 rounds up") << 1 << 200 << "1 of 200 (1%) MP3s scanned";
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
    prepare("Artist/Album/02 - Two.mp3\n",
            {"Artist/Album/01 - One.mp3", "Artist/Album/02 - Two.mp3", "Artist/Album/cover.jpg", "C.mp3", "b.mp3",
             "old.mp3/inner.MP3", "x.flac", "\xC9t\xE9.mp3"});
    m_d->scan();

    QCOMPARE(m_d->rows(),
             (Rows {base() + "Artist/Album/01 - One.mp3", base() + "b.mp3", base() + "C.mp3",
                    base() + "old.mp3/inner.MP3", base() + "old.mp3", base() + "\xC9t\xE9.mp3"}));
    // A name that is not UTF-8 keeps its bytes in the row and shows as Windows-1252.
    QVERIFY(m_d->dlg().fileModel().index(5).data().toString().endsWith(QStringLiteral("/music/Été.mp3")));
    QVERIFY(m_d->takeBoxes().empty());
    QCOMPARE(m_d->dlg().totalMp3s(), 7);
    QCOMPARE(m_d->dlg().scannedMp3s(), 7);
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT, IDC_DELETE_FILES}) {
        QVERIFY2(m_d->enabled(id), qPrintable(m_d->item(id)->objectName()));
    }
    QVERIFY(!m_d->shown(IDC_PROGRESS) && !m_d->enabled(IDC_PROGRESS));
    QVERIFY(!m_d->shown(IDC_STATUS) && !m_d->enabled(IDC_STATUS));
    QCOMPARE(m_d->text(IDC_STATUS), QStringLiteral("7 of 7 (100%) MP3s scanned"));
}

void TestScan::emptyResults_data()
{
    QTest::addColumn<bool>("afterRows"); // a first scan listed a file
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("message");
    for (bool afterRows : {false, true}) {
        const char* when = afterRows ? "second scan" : "first scan";
        QTest::addRow("empty base, %s", when) << afterRows << "empty"
                                              << "No mp3 files found in that directory!";
        QTest::addRow("only other files, %s", when) << afterRows << "other"
                                                    << "No mp3 files found in that directory!";
        QTest::addRow("base gone, %s", when) << afterRows << "gone"
                                             << "No mp3 files found in that directory!";
        // Inside the base directory's own name: every file is wanted.
        QTest::addRow("all wanted, %s", when) << afterRows << "wanted"
                                              << "No unwanted mp3 files found in that directory!";
    }
}

void TestScan::emptyResults()
{
    QFETCH(bool, afterRows);
    QFETCH(QString, second);
    QFETCH(QString, message);
    prepare("no-such-song.mp3\n", {"old/a.mp3"});
    if (afterRows) {
        m_d->scan();
        QCOMPARE(m_d->rows().size(), std::size_t(1));
    }
    std::filesystem::remove_all(base() + "old");
    if (second == "other") {
        m_tree->wfile("music/a.flac");
        m_tree->wfile("music/mp3/readme.txt");
    } else if (second == "gone") {
        std::filesystem::rename(base(), m_tree->path("elsewhere"));
    } else if (second == "wanted") {
        m_tree->wfile("list.m3u", "MUSIC\n");
        m_d->openPlaylist(m_tree->path("list.m3u"));
        m_tree->wfile("music/a/b.mp3");
    }
    m_d->scan();

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE_BOX(boxes[0], message, "Error", MB_ICONEXCLAMATION);
    QVERIFY(m_d->rows().empty());
    QVERIFY(!m_d->shown(IDC_PROGRESS) && !m_d->shown(IDC_STATUS));
    // A scan disables nothing; the list and its buttons come with any scan that got to list.
    const bool listed = afterRows || second == "wanted";
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL}) {
        QCOMPARE(m_d->enabled(id), listed);
    }
    QCOMPARE(m_d->enabled(IDC_DELETE_FILES), afterRows);
    QCOMPARE(m_d->enabled(IDC_SELECT_PROMPT), afterRows);
    QCOMPARE(m_d->dlg().totalMp3s(), second == "wanted" ? 1 : 0);
}

void TestScan::busyWhileScanning()
{
    prepare("no-such-song.mp3\n", {"d0/a.mp3", "d1/a.mp3", "d2/a.mp3", "d3/a.mp3"});
    bool timerRanDuringScan = false;
    bool checked = false;
    m_d->scripted.dirLister.onList = [&](const std::string&) {
        if (!std::exchange(checked, true)) {
            QVERIFY(m_d->dlg().isBusy());
            QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
            m_d->click(IDC_OPEN_M3U);
            QTest::keyClick(&m_d->dlg(), Qt::Key_Escape);
            QVERIFY(!m_d->dlg().close());
            QTimer::singleShot(0, [&] { timerRanDuringScan = m_d->dlg().isBusy(); });
        }
        // Slow listings give the scan reason to repaint.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    m_d->dlg().show();
    m_d->scan();

    QVERIFY(checked && timerRanDuringScan);
    QVERIFY(m_d->dlg().isVisible());
    QCOMPARE(m_d->scripted.fileDialog.filters.size(), std::size_t(1)); // only the playlist's own
    QCOMPARE(m_d->rows().size(), std::size_t(4));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestScan::playlistCheck()
{
    prepare("Artist/Album/01.mp3\n/storage/emulated/0/Music/Artist/Album/02.mp3\n"
            "http://radio.example.com/live.mp3\n",
            {"Artist/Album/01.mp3", "Artist/Album/02.mp3", "Artist/Album/03.mp3"});
    m_d->dlg().show();
    QVERIFY(!m_d->shown(IDC_PLAYLIST_CHECK));
    m_d->scan();

    QCOMPARE(m_d->rows(), Rows {base() + "Artist/Album/03.mp3"});
    QVERIFY(m_d->shown(IDC_PLAYLIST_CHECK) && m_d->enabled(IDC_PLAYLIST_CHECK));
    QCOMPARE(
        m_d->text(IDC_PLAYLIST_CHECK),
        QStringLiteral("Playlist: 1 line found, 1 found elsewhere, 1 not found - <a href=\"details\">Details...</a>"));
    // It stands where the progress bar and status text stood, inside the window.
    QVERIFY(m_d->dlg().rect().contains(m_d->item(IDC_PLAYLIST_CHECK)->geometry()));

    Q_EMIT qobject_cast<QLabel*>(m_d->item(IDC_PLAYLIST_CHECK))->linkActivated(QStringLiteral("details"));
    CPlaylistCheckDlg* details = m_d->dlg().playlistCheckDlg();
    QVERIFY(details != nullptr && details->isVisible() && !details->isModal());
    const QTreeWidget* tree = details->tree();
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Found elsewhere (1)"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("/storage/emulated/0/Music/Artist/Album/02.mp3"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(1), QString::fromStdString(base() + "Artist/Album/02.mp3"));
    QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Not found (1)"));
    QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("http://radio.example.com/live.mp3"));
    QCOMPARE(tree->topLevelItem(1)->child(0)->text(1), QStringLiteral("a web address, not a file"));
    QVERIFY(m_d->takeBoxes().empty());

    // A new playlist makes the check of the old one meaningless.
    const QPointer<CPlaylistCheckDlg> watched(details);
    m_d->openPlaylist(m_tree->path("list.m3u"));
    QVERIFY(!m_d->shown(IDC_PLAYLIST_CHECK));
    QTRY_VERIFY(watched.isNull());
}

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
