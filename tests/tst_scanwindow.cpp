// Begin Scan through the real window on real trees: the controls afterwards, the boxes, the
// worker's start and end, Esc and the close box during a scan, the playlist check and sizes.

#include "DialogDriver.h"

#include <QScopeGuard>
#include <QTreeWidget>

#include <atomic>
#include <thread>

using Rows = std::vector<std::string>;

class TestScanWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listAndPlaylistCheck()
    {
        MusicWindow w;
        w.scan({"Artist/Album/01.mp3", "Artist/Album/02.mp3", "Artist/Album/03.mp3", "Artist/Album/cover.jpg", "C.mp3",
                "b.mp3", "old.mp3/inner.MP3", "x.flac", "\xC9t\xE9.mp3", "Locked/05.mp3", ".Trash-0/files/gone.mp3"},
               "Artist/Album/01.mp3\n/storage/emulated/0/Music/Artist/Album/02.mp3\n", false);
        w.tree.wfile("more.xspf",
                     "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>"
                     "http://radio.example.com/live.mp3</location></track></trackList></playlist>");
        w.d.openPlaylists({w.tree.path("list.m3u"), w.tree.path("more.xspf")});
        w.d.dirLister.failing.insert(w.base() + "Locked/");
        QSignalSpy sized(&w.d.dlg(), &CPruneDlg::sizesKnown);
        w.d.scan();

        // In walk order; a name that is not UTF-8 keeps its bytes in the row and shows as Windows-1252.
        QCOMPARE(w.d.rows(),
                 (Rows {w.base() + "Artist/Album/03.mp3", w.base() + "b.mp3", w.base() + "C.mp3",
                        w.base() + "old.mp3/inner.MP3", w.base() + "old.mp3", w.base() + "\xC9t\xE9.mp3"}));
        QVERIFY(w.d.dlg().fileModel().index(5).data().toString().endsWith(QStringLiteral("/music/Été.mp3")));
        QVERIFY(w.d.takeBoxes().isEmpty());
        QCOMPARE(w.d.text(IDC_STATUS), QStringLiteral("8 of 8 (100%) MP3s scanned"));
        QCOMPARE(w.d.off(), "disabled: PROGRESS STATUS; hidden: PROGRESS STATUS");
        QVERIFY(!w.d.dlg().isWorking() && w.d.dlg().cursor().shape() != Qt::WaitCursor);
        const QString check
            = QStringLiteral("Playlist: 1 line found, 1 found elsewhere, 1 not found; 1 folder could not be read; "
                             "1 trash folder skipped - "
                             "<a href=\"details\">Details...</a><br>6 files, 500 bytes; ");
        QVERIFY(sized.wait());
        QCOMPARE(w.d.text(IDC_PLAYLIST_CHECK), check + "0 selected, 0 bytes");
        w.d.toggleRow(1);
        QCOMPARE(w.d.text(IDC_PLAYLIST_CHECK), check + "1 selected, 100 bytes");

        Q_EMIT qobject_cast<QLabel*>(w.d.item(IDC_PLAYLIST_CHECK))->linkActivated(QStringLiteral("details"));
        const QPointer<CPlaylistCheckDlg> details = w.d.dlg().playlistCheckDlg();
        QVERIFY(details != nullptr && details->isVisible() && !details->isModal());
        QStringList shown; // each group, then its lines; with several playlists, each line's own
        for (QTreeWidgetItemIterator item(details->tree()); *item; ++item) {
            shown << (*item)->text(0) + " | " + (*item)->text(1) + " | " + (*item)->text(2);
        }
        QCOMPARE(shown,
                 (QStringList {
                     "Found elsewhere (1) |  | ",
                     "/storage/emulated/0/Music/Artist/Album/02.mp3 | "
                         + QString::fromStdString(w.base() + "Artist/Album/02.mp3") + " | list.m3u",
                     "Not found (1) |  | ", "http://radio.example.com/live.mp3 | a web address, not a file | more.xspf",
                     "Folders that could not be read (1) |  | ",
                     QString::fromStdString(w.base() + "Locked/") + " | " + qt_error_string(EACCES) + " | "}));

        // A new playlist makes the check of the old one meaningless.
        w.d.openPlaylist(w.tree.path("list.m3u"));
        QVERIFY(!w.d.shown(IDC_PLAYLIST_CHECK));
        QTRY_VERIFY(details.isNull());
    }

    // The row's name tells what the scan finds. A scan disables nothing: the list comes with any
    // scan that got to list. All wanted after a list is the end of tst_deletewindow.
    void emptyResults_data()
    {
        QTest::addColumn<QByteArray>("playlist");
        QTest::addColumn<bool>("listedFirst"); // music/old/a.mp3 listed by a first scan
        QTest::addColumn<QString>("change"); // to the tree before the scan
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("off");
        const QString other = "write music/a.flac;write music/mp3/readme.txt";
        const QString none = "No mp3 files found in that directory!";
        const QString unlisted
            = "disabled: PROGRESS FILE_LIST SELECT_PROMPT DELETE_FILES MOVE_TO_TRASH SELECT_ALL DESELECT_ALL "
              "STATUS; hidden: PROGRESS STATUS PLAYLIST_CHECK";
        QTest::newRow("only other files") << QByteArray("x.mp3\n") << false << other << none << unlisted;
        QTest::newRow("base gone") << QByteArray("x.mp3\n") << false << "mv music elsewhere" << none << unlisted;
        // Inside the base directory's own name.
        QTest::newRow("all wanted") << QByteArray("MUSIC\n") << false << "write music/a/b.mp3"
                                    << "No unwanted mp3 files found in that directory!"
                                    << "disabled: PROGRESS SELECT_PROMPT DELETE_FILES MOVE_TO_TRASH STATUS; hidden: "
                                       "PROGRESS STATUS";
        QTest::newRow("only other files, after a list")
            << QByteArray("x.mp3\n") << true << other << none
            << "disabled: PROGRESS STATUS; hidden: PROGRESS STATUS PLAYLIST_CHECK";
    }

    void emptyResults()
    {
        QFETCH(QByteArray, playlist);
        QFETCH(bool, listedFirst);
        QFETCH(QString, change);
        QFETCH(QString, box);
        QFETCH(QString, off);
        MusicWindow w;
        w.scan({"old/a.mp3"}, playlist.toStdString(), listedFirst);
        QCOMPARE(w.d.rows().size(), std::size_t(listedFirst ? 1 : 0));
        w.tree.change("rm music/old;" + change.toStdString());
        w.d.scan();
        QCOMPARE(w.d.takeBoxes(), QStringList {boxText(box, "Error", MB_ICONEXCLAMATION)});
        QVERIFY(w.d.rows().empty());
        QCOMPARE(w.d.off(), off);
    }

    void duringScan_data()
    {
        QTest::addColumn<QString>("end");
        for (const char* end : {"let go", "Esc", "close box"}) {
            QTest::newRow(end) << QString(end);
        }
    }

    // The walk holds at every folder below the base until let go: the window paints its count, shows
    // the busy cursor and takes no command (nor a drop) but Esc and the close box, which stop the walk.
    void duringScan()
    {
        QFETCH(QString, end);
        MusicWindow w;
        Rows files {"1.mp3", "2.mp3", "3.mp3", "4.mp3"};
        for (int i = 0; i < 100; ++i) {
            files.push_back(std::to_string(i) + "/5.mp3");
        }
        w.scan(files); // a list, which a stopped scan empties
        w.d.takeBoxes();
        std::atomic<bool> go = false;
        std::atomic<int> held = 0;
        const auto letGo = qScopeGuard([&] { go = true; }); // also when a check fails: the window waits for the walk
        w.d.dirLister.onList = [&](const std::string& dir) {
            if (dir != w.base()) {
                ++held;
                while (!go) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
        };
        QSignalSpy ended(&w.d.dlg(), &CPruneDlg::scanFinished);
        w.d.click(IDC_BEGIN_SCAN);
        QTRY_COMPARE(w.d.text(IDC_STATUS), QStringLiteral("4 MP3s found"));
        QCOMPARE(w.d.off(), "disabled: PROGRESS; hidden: PROGRESS PLAYLIST_CHECK");
        QCOMPARE(w.d.dlg().cursor().shape(), Qt::WaitCursor);
        w.d.click(IDC_OPEN_M3U);
        w.d.click(IDC_SELECT_DIR);
        QTest::keyClick(w.d.item(IDC_BEGIN_SCAN), Qt::Key_Space);
        QTest::keyClick(w.d.item(IDOK), Qt::Key_X, Qt::AltModifier);
        QVERIFY(!w.d.drop(urlOf(w.tree.path("list.m3u"))));
        QVERIFY(!w.d.drop(urlOf(w.base())));
        if (end == "Esc") {
            QTest::keyClick(w.d.item(IDOK), Qt::Key_Escape);
        }
        go = true; // the close box waits for the walk's end
        if (end == "close box") {
            QVERIFY(w.d.dlg().close());
        }
        QVERIFY(!ended.isEmpty() || ended.wait());

        const bool stopped = end != "let go";
        QCOMPARE(ended.count(), 1);
        QCOMPARE(w.d.dlg().isVisible(), end != "close box");
        QCOMPARE(w.d.dialogs.asked.size(), 2); // only the playlist's and the folder's own
        QVERIFY(w.d.takeBoxes().isEmpty());
        QCOMPARE(w.d.off(),
                 "disabled: PROGRESS STATUS; hidden: PROGRESS STATUS" + QString(stopped ? " PLAYLIST_CHECK" : ""));
        // Stopped, the listings under way (one a thread, 16 at most) end and no more start; no list, no counts.
        QVERIFY(!stopped || held < 50);
        QCOMPARE(w.d.rows().size(), stopped ? 0 : files.size());
        QCOMPARE(w.d.dlg().totalMp3s(), stopped ? 0 : 104);
    }
};

QTEST_MAIN(TestScanWindow)
#include "tst_scanwindow.moc"
