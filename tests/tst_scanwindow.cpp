// Begin Scan through the real window on real trees: the controls afterwards, the boxes, the
// worker's start and end, Esc and the close box during a scan, the playlist check and sizes.

#include "DialogDriver.h"
#include "PlaylistCheckDlg.h"
#include "TempTree.h"

#include <QTreeWidget>

#include <atomic>
#include <filesystem>
#include <thread>

using Rows = std::vector<std::string>;

class TestScanWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsUnwantedInWalkOrder();
    void emptyResults_data();
    void emptyResults();
    void whileScanning();
    void stopped_data();
    void stopped();
    void playlistCheck();
};

void TestScanWindow::listsUnwantedInWalkOrder()
{
    MusicWindow w;
    w.prepare({"Artist/Album/01 - One.mp3", "Artist/Album/02 - Two.mp3", "Artist/Album/cover.jpg", "C.mp3", "b.mp3",
               "old.mp3/inner.MP3", "x.flac", "\xC9t\xE9.mp3"},
              "Artist/Album/02 - Two.mp3\n", 100);
    w.d.scan();

    QCOMPARE(w.d.rows(),
             (Rows {w.base() + "Artist/Album/01 - One.mp3", w.base() + "b.mp3", w.base() + "C.mp3",
                    w.base() + "old.mp3/inner.MP3", w.base() + "old.mp3", w.base() + "\xC9t\xE9.mp3"}));
    // A name that is not UTF-8 keeps its bytes in the row and shows as Windows-1252.
    QVERIFY(w.d.dlg().fileModel().index(5).data().toString().endsWith(QStringLiteral("/music/Été.mp3")));
    QVERIFY(w.d.takeBoxes().empty());
    QCOMPARE(w.d.dlg().totalMp3s(), 7);
    QCOMPARE(w.d.dlg().scannedMp3s(), 7);
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT, IDC_DELETE_FILES}) {
        QVERIFY2(w.d.enabled(id), qPrintable(w.d.item(id)->objectName()));
    }
    QVERIFY(!w.d.shown(IDC_PROGRESS) && !w.d.enabled(IDC_PROGRESS));
    QVERIFY(!w.d.shown(IDC_STATUS) && !w.d.enabled(IDC_STATUS));
    QCOMPARE(w.d.text(IDC_STATUS), QStringLiteral("7 of 7 (100%) MP3s scanned"));
    QVERIFY(!w.d.dlg().isWorking() && w.d.dlg().cursor().shape() != Qt::WaitCursor);
}

void TestScanWindow::emptyResults_data()
{
    QTest::addColumn<bool>("afterRows"); // a first scan listed a file
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("message");
    for (bool afterRows : {false, true}) {
        const char* when = afterRows ? "second scan" : "first scan";
        QTest::addRow("only other files, %s", when) << afterRows << "other"
                                                    << "No mp3 files found in that directory!";
        QTest::addRow("base gone, %s", when) << afterRows << "gone"
                                             << "No mp3 files found in that directory!";
        // Inside the base directory's own name: every file is wanted.
        QTest::addRow("all wanted, %s", when) << afterRows << "wanted"
                                              << "No unwanted mp3 files found in that directory!";
    }
}

void TestScanWindow::emptyResults()
{
    MusicWindow w;
    QFETCH(bool, afterRows);
    QFETCH(QString, second);
    QFETCH(QString, message);
    w.prepare({"old/a.mp3"}, "no-such-song.mp3\n", 100);
    if (afterRows) {
        w.d.scan();
        QCOMPARE(w.d.rows().size(), std::size_t(1));
    }
    std::filesystem::remove_all(w.base() + "old");
    if (second == "other") {
        w.tree.wfile("music/a.flac");
        w.tree.wfile("music/mp3/readme.txt");
    } else if (second == "gone") {
        std::filesystem::rename(w.base(), w.tree.path("elsewhere"));
    } else if (second == "wanted") {
        w.tree.wfile("list.m3u", "MUSIC\n");
        w.d.openPlaylist(w.tree.path("list.m3u"));
        w.tree.wfile("music/a/b.mp3");
    }
    w.d.scan();

    const auto boxes = w.d.takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE_BOX(boxes[0], message, "Error", MB_ICONEXCLAMATION);
    QVERIFY(w.d.rows().empty());
    QVERIFY(!w.d.shown(IDC_PROGRESS) && !w.d.shown(IDC_STATUS));
    // A scan disables nothing; the list and its buttons come with any scan that got to list.
    const bool listed = afterRows || second == "wanted";
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL}) {
        QCOMPARE(w.d.enabled(id), listed);
    }
    QCOMPARE(w.d.enabled(IDC_DELETE_FILES), afterRows);
    QCOMPARE(w.d.enabled(IDC_SELECT_PROMPT), afterRows);
    QCOMPARE(w.d.shown(IDC_PLAYLIST_CHECK), second == "wanted");
}

// The walk holds at its fourth directory until released: the window paints its count, takes no
// command, and shows the busy cursor.
void TestScanWindow::whileScanning()
{
    MusicWindow w;
    w.prepare({"a/1.mp3", "a/2.mp3", "a/3.mp3", "b/4.mp3", "c/5.mp3"}, "no-such-song.mp3\n", 100);
    std::atomic<bool> release = false;
    w.d.scripted.dirLister.onList = [&](const std::string& dir) {
        while (dir.ends_with("/c/") && !release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    QSignalSpy ended(&w.d.dlg(), &CPruneDlg::scanFinished);
    w.d.click(IDC_BEGIN_SCAN);
    QTRY_COMPARE(w.d.text(IDC_STATUS), QStringLiteral("4 MP3s found"));
    QVERIFY(w.d.shown(IDC_STATUS) && w.d.enabled(IDC_STATUS) && !w.d.shown(IDC_PROGRESS));
    QCOMPARE(w.d.dlg().cursor().shape(), Qt::WaitCursor);
    w.d.click(IDC_OPEN_M3U);
    w.d.click(IDC_SELECT_DIR);
    QTest::keyClick(w.d.item(IDC_BEGIN_SCAN), Qt::Key_Space);
    QTest::keyClick(w.d.item(IDOK), Qt::Key_X, Qt::AltModifier);
    release = true;
    QVERIFY(ended.wait());

    QCOMPARE(ended.count(), 1);
    QCOMPARE(w.d.rows().size(), std::size_t(5));
    QVERIFY(w.d.dlg().isVisible());
    QCOMPARE(w.d.scripted.fileDialog.filters.size(), std::size_t(1)); // only the playlist's own
    QCOMPARE(w.d.scripted.pathPicker.calls.size(), std::size_t(1));
    QVERIFY(w.d.takeBoxes().empty());
}

void TestScanWindow::stopped_data()
{
    QTest::addColumn<bool>("closeBox"); // else Esc
    QTest::newRow("Esc") << false;
    QTest::newRow("close box") << true;
}

void TestScanWindow::stopped()
{
    MusicWindow w;
    QFETCH(bool, closeBox);
    Rows files;
    for (int i = 0; i < 200; ++i) {
        files.push_back("d" + std::to_string(i) + "/a.mp3");
    }
    w.prepare(files, "no-such-song.mp3\n", 100);
    w.d.scan();
    w.d.takeBoxes();
    std::atomic<int> listed = 0;
    w.d.scripted.dirLister.onList = [&](const std::string&) {
        ++listed;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    QSignalSpy ended(&w.d.dlg(), &CPruneDlg::scanFinished);
    w.d.click(IDC_BEGIN_SCAN);
    QTRY_VERIFY(w.d.text(IDC_STATUS) != QStringLiteral("0 MP3s found"));
    if (closeBox) {
        QVERIFY(w.d.dlg().close());
    } else {
        QTest::keyClick(w.d.item(IDOK), Qt::Key_Escape);
    }
    QVERIFY(!ended.isEmpty() || ended.wait());

    QVERIFY(listed < 100); // of 201: the walk did not run on
    QCOMPARE(w.d.dlg().isVisible(), !closeBox);
    QVERIFY(w.d.rows().empty());
    QCOMPARE(w.d.dlg().totalMp3s(), 0);
    QCOMPARE(w.d.dlg().scannedMp3s(), 0);
    QVERIFY(!w.d.shown(IDC_PROGRESS) && !w.d.enabled(IDC_PROGRESS));
    QVERIFY(!w.d.shown(IDC_STATUS) && !w.d.enabled(IDC_STATUS));
    for (int id : {IDC_FILE_LIST, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT, IDC_DELETE_FILES}) {
        QVERIFY2(w.d.enabled(id), qPrintable(w.d.item(id)->objectName()));
    }
    QVERIFY(w.d.takeBoxes().empty());
}

void TestScanWindow::playlistCheck()
{
    MusicWindow w;
    w.prepare(
        {"Artist/Album/01.mp3", "Artist/Album/02.mp3", "Artist/Album/03.mp3", "Artist/Album/04.mp3", "Locked/05.mp3"},
        "Artist/Album/01.mp3\n/storage/emulated/0/Music/Artist/Album/02.mp3\n"
        "http://radio.example.com/live.mp3\n",
        100);
    w.d.scripted.dirLister.failing.insert(w.base() + "Locked/");
    QVERIFY(!w.d.shown(IDC_PLAYLIST_CHECK));
    QSignalSpy sized(&w.d.dlg(), &CPruneDlg::sizesKnown);
    w.d.scan();

    QCOMPARE(w.d.rows(), (Rows {w.base() + "Artist/Album/03.mp3", w.base() + "Artist/Album/04.mp3"}));
    QVERIFY(w.d.shown(IDC_PLAYLIST_CHECK) && w.d.enabled(IDC_PLAYLIST_CHECK));
    const QString check
        = QStringLiteral("Playlist: 1 line found, 1 found elsewhere, 1 not found; 1 folder could not be read - "
                         "<a href=\"details\">Details...</a>");
    QVERIFY(sized.wait());
    QCOMPARE(w.d.text(IDC_PLAYLIST_CHECK), check + "<br>2 files, 200 bytes; 0 selected, 0 bytes");
    w.d.toggleRow(1);
    QCOMPARE(w.d.text(IDC_PLAYLIST_CHECK), check + "<br>2 files, 200 bytes; 1 selected, 100 bytes");

    Q_EMIT qobject_cast<QLabel*>(w.d.item(IDC_PLAYLIST_CHECK))->linkActivated(QStringLiteral("details"));
    CPlaylistCheckDlg* details = w.d.dlg().playlistCheckDlg();
    QVERIFY(details != nullptr && details->isVisible() && !details->isModal());
    const QTreeWidget* tree = details->tree();
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Found elsewhere (1)"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("/storage/emulated/0/Music/Artist/Album/02.mp3"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(1), QString::fromStdString(w.base() + "Artist/Album/02.mp3"));
    QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Not found (1)"));
    QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("http://radio.example.com/live.mp3"));
    QCOMPARE(tree->topLevelItem(1)->child(0)->text(1), QStringLiteral("a web address, not a file"));
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("Folders that could not be read (1)"));
    QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QString::fromStdString(w.base() + "Locked/"));
    QCOMPARE(tree->topLevelItem(2)->child(0)->text(1), qt_error_string(EACCES));
    QVERIFY(w.d.takeBoxes().empty());

    // A new playlist makes the check of the old one meaningless.
    const QPointer<CPlaylistCheckDlg> watched(details);
    w.d.openPlaylist(w.tree.path("list.m3u"));
    QVERIFY(!w.d.shown(IDC_PLAYLIST_CHECK));
    QTRY_VERIFY(watched.isNull());
}

QTEST_MAIN(TestScanWindow)
#include "tst_scanwindow.moc"
