// A library on a FUSE mount that, as sshfs does, gives readdir no inode numbers and no entry types:
// through the real window the scan lists the right files, Delete Files removes every one of them
// that is still what the scan saw, and Details says what such a mount cannot promise.

#include "DialogDriver.h"
#include "FuseMount.h"

#include <QTreeWidget>

using Rows = std::vector<std::string>;

class TestNetworkMount : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanAndDelete_data()
    {
        QTest::addColumn<QString>("change"); // made to the source after the scan
        QTest::addColumn<QString>("said"); // the end text begins so
        QTest::addColumn<Rows>("left");
        QTest::newRow("all still as listed")
            << ""
            << "Selected files have been removed."
            << Rows {"Artist/Album/02.mp3", "Other/cover.jpg", "Other/keep.MP3", "x.flac"};
        // A tagger's way: the same name, the same size, new bytes and a new modification time.
        QTest::newRow("one rewritten since")
            << "poke src/Artist/Album/03.mp3 new"
            << "1 of the 2 selected files were deleted.\n\n1 file could not be deleted:\n\n%1Artist/Album/03.mp3\n"
               "    changed since the scan"
            << Rows {"Artist/Album/02.mp3", "Artist/Album/03.mp3", "Other/cover.jpg", "Other/keep.MP3", "x.flac"};
    }

    void scanAndDelete()
    {
        QFETCH(QString, change);
        QFETCH(QString, said);
        QFETCH(Rows, left);
        TempTree tree;
        for (const char* file : {"Artist/Album/01.mp3", "Artist/Album/02.mp3", "Artist/Album/03.mp3", "Other/keep.MP3",
                                 "Other/cover.jpg", "x.flac"}) {
            tree.wfile(std::string("src/") + file, "old");
        }
        tree.wfile("list.m3u", "Artist/Album/02.mp3\nOther/keep.mp3\n");
        FuseMount mount(tree.path("src"), tree.path("mnt"));
        if (!mount.ok()) {
            QSKIP(qPrintable("no FUSE mount: " + mount.why()));
        }
        const std::string base = tree.path("mnt/");
        DialogDriver d;
        d.dlg().show();
        QSignalSpy recorded(&d.dlg(), &CPruneDlg::sizesKnown);
        d.openPlaylist(tree.path("list.m3u"));
        d.selectDirectory(base);
        d.scan();
        QCOMPARE(d.rows(), (Rows {base + "Artist/Album/01.mp3", base + "Artist/Album/03.mp3"}));
        QVERIFY(recorded.wait());

        Q_EMIT qobject_cast<QLabel*>(d.item(IDC_PLAYLIST_CHECK))->linkActivated(QStringLiteral("details"));
        auto* remote = d.dlg().playlistCheckDlg()->findChild<QLabel*>(QStringLiteral("remoteFileSystem"));
        QVERIFY(remote != nullptr && remote->text().contains("fuse.tuneprune_noinofs mount"));

        tree.change(change.toStdString());
        d.click(IDC_SELECT_ALL);
        d.removeFiles();
        const QStringList boxes = d.takeBoxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0],
                 boxText("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).",
                         "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION));
        QVERIFY2(boxes[1].contains(said.arg(QString::fromStdString(base))), qPrintable(boxes[1]));
        QCOMPARE(tree.files("src/"), left);
    }
};

QTEST_MAIN(TestNetworkMount)
#include "tst_networkmount.moc"
