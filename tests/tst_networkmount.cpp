// A library on a FUSE mount that, as sshfs does, gives readdir no inode numbers and no entry types:
// through the real window the scan lists the right files, Delete Files removes every one of them
// that is still what the scan saw, and Details says what such a mount cannot promise.

#include "DialogDriver.h"
#include "FuseMount.h"

#include <QTreeWidget>

#include <chrono>
#include <fstream>
#include <thread>

using Rows = std::vector<std::string>;

namespace {

const QString kConfirm
    = boxText("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).", "Warning",
              MB_OKCANCEL | MB_ICONEXCLAMATION);

} // namespace

class TestNetworkMount : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanAndDelete_data()
    {
        QTest::addColumn<bool>("rewrite"); // a listed file is rewritten in place after the scan
        QTest::newRow("all still as listed") << false;
        QTest::newRow("one rewritten since") << true;
    }

    void scanAndDelete()
    {
        QFETCH(bool, rewrite);
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

        if (rewrite) {
            // A tagger's way: the same name, the same size, new bytes and a new modification time.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::ofstream(base + "Artist/Album/03.mp3", std::ios::in | std::ios::out | std::ios::binary) << "new";
        }
        d.click(IDC_SELECT_ALL);
        d.removeFiles();
        const QStringList boxes = d.takeBoxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0], kConfirm);
        if (rewrite) {
            QVERIFY2(boxes[1].contains("1 of the 2 selected files were deleted.\n\n1 file could not be deleted:")
                         && boxes[1].contains("changed since the scan"),
                     qPrintable(boxes[1]));
        } else {
            QCOMPARE(boxes[1], boxText("Selected files have been removed.", "Files Deleted", MB_OK));
        }
        Rows left {"Artist/Album/02.mp3", "Other/cover.jpg", "Other/keep.MP3", "x.flac"};
        if (rewrite) {
            left.insert(left.begin() + 1, "Artist/Album/03.mp3");
        }
        QCOMPARE(tree.files("src/"), left);
    }
};

QTEST_MAIN(TestNetworkMount)
#include "tst_networkmount.moc"
