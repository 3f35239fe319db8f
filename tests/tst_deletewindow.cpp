// Select All, Deselect All and Delete Files through the real window, on real files.

#include "CloseOnSignals.h"
#include "DialogDriver.h"
#include "ScopedEnv.h"

#include <QAbstractButton>
#include <QScopeGuard>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <thread>

using Rows = std::vector<std::string>;

namespace {

const QString kConfirm
    = boxText("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).", "Warning",
              MB_OKCANCEL | MB_ICONEXCLAMATION);
const QString kDone = boxText("Selected files have been removed.", "Files Deleted", MB_OK);

} // namespace

class TestDeleteWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Nothing selected, or the confirmation cancelled, deletes nothing. Then exactly the selected
    // rows go, on the worker; what failed shows in the box, and its rows stay, selected, at their
    // new places.
    void deletesTheSelectedRows()
    {
        MusicWindow w;
        w.scan({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "x.mp3/inside.txt", "keep.mp3"}, "keep.mp3\n");
        w.d.click(IDC_SELECT_ALL);
        w.d.click(IDC_DESELECT_ALL);
        w.d.removeFiles();
        QCOMPARE(w.d.takeBoxes(), QStringList {boxText("No selections to delete!", "Error", MB_ICONEXCLAMATION)});
        w.d.toggleRow(0);
        w.d.toggleRow(2);
        w.d.dialogs.answers = {IDCANCEL};
        w.d.removeFiles();
        QCOMPARE(w.d.takeBoxes(), QStringList {kConfirm});
        QCOMPARE(w.d.selectedRows(), (std::vector<int> {0, 2}));
        QCOMPARE(w.tree.files("music/").size(), std::size_t(6));

        bool busy = false;
        w.d.fileDeleter.onRemove = [&](const std::string&) {
            busy = busy || w.d.dlg().isWorking();
        };
        w.d.fileDeleter.failing[w.base() + "c.mp3"] = EACCES;
        w.d.click(IDC_SELECT_ALL);
        w.d.toggleRow(1);
        w.d.removeFiles();
        QVERIFY(busy && !w.d.dlg().isWorking());
        QCOMPARE(
            w.d.takeBoxes(),
            (QStringList {kConfirm,
                          boxText(QString::fromStdString(
                                      "2 of the 4 selected files were deleted.\n\n2 files could not be deleted:\n\n"
                                      + w.base() + "c.mp3\n    Permission denied\n" + w.base()
                                      + "x.mp3\n    Is a directory\n\nTheir rows are still in the list "
                                        "and still selected."),
                                  "Error", MB_ICONEXCLAMATION)}));
        QCOMPARE(w.d.rows(), (Rows {w.base() + "b.mp3", w.base() + "c.mp3", w.base() + "x.mp3"}));
        QCOMPARE(w.d.selectedRows(), (std::vector<int> {1, 2}));
        QCOMPARE(w.tree.files("music/"), (Rows {"b.mp3", "c.mp3", "keep.mp3", "x.mp3/inside.txt"}));
    }

    // A playlist that names no file here, or fewer than one in ten, is most likely the wrong one:
    // the check line says so, and Delete Files asks first, keeping everything unless told
    // "Delete Anyway", which goes on to the usual confirmation.
    void warnsWhenThePlaylistNamesLittle_data()
    {
        QTest::addColumn<int>("named"); // of the 20 files, by the playlist's first lines
        QTest::addColumn<int>("lines"); // in the playlist
        QTest::addColumn<QString>("note"); // on the check line
        QTest::addColumn<QString>("warning"); // the box's text, %1 the base directory
        QTest::newRow("names nothing")
            << 0 << 1 << "None of 1 entry names a file here."
            << "None of the playlist's 1 entry names a file below %1. 20 mp3 files there are listed.";
        QTest::newRow("no entries") << 0 << 0 << "The playlist has no entries."
                                    << "The playlist has no entries. 20 mp3 files below %1 are listed.";
        QTest::newRow("one in twenty")
            << 1 << 20 << "Only 1 of 20 entries names a file here."
            << "Only 1 of the playlist's 20 entries names a file below %1. 19 mp3 files there are listed.";
        QTest::newRow("two in twenty") << 2 << 20 << ""
                                       << "";
    }

    void warnsWhenThePlaylistNamesLittle()
    {
        QFETCH(int, named);
        QFETCH(int, lines);
        QFETCH(QString, note);
        QFETCH(QString, warning);
        std::vector<std::string> files;
        std::string playlist = "#EXTM3U\n";
        for (int i = 0; i < 20; ++i) {
            files.push_back("Artist/" + std::to_string(i) + ".mp3");
            if (i < lines) {
                playlist += (i < named ? files.back() : "/other/song" + std::to_string(i) + ".ogg") + "\n";
            }
        }
        MusicWindow w;
        w.scan(files, playlist);
        QVERIFY2(w.d.text(IDC_PLAYLIST_CHECK).contains(QStringLiteral("\u26A0 ") + note) != note.isEmpty(),
                 qPrintable(w.d.text(IDC_PLAYLIST_CHECK)));
        w.d.click(IDC_SELECT_ALL);
        const QStringList asked = warning.isEmpty()
            ? QStringList()
            : QStringList {
                boxText(warning.arg(QString::fromStdString(w.base())), "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION)
                + " [Delete Anyway | Cancel]"};
        w.d.dialogs.answers = {IDCANCEL};
        w.d.removeFiles();
        QCOMPARE(w.d.takeBoxes(), (asked + QStringList {kConfirm}).mid(0, 1));
        QCOMPARE(w.tree.files("music/").size(), std::size_t(20));
        // "Delete Anyway" goes on to the usual confirmation.
        w.d.dialogs.answers = {IDOK, IDOK};
        w.d.removeFiles();
        QCOMPARE(w.d.takeBoxes(), (asked + QStringList {kConfirm, kDone}));
        QCOMPARE(w.tree.files("music/").size(), std::size_t(named));
    }

    void duringDeletion_data()
    {
        QTest::addColumn<QString>("end");
        for (const char* end : {"let go", "Esc", "close box", "SIGTERM"}) {
            QTest::newRow(end) << QString(end);
        }
    }

    // The second file holds the deletion until let go: after a moment the window shows the count
    // where the scan shows its own and takes no command but Esc and the close box, which stop it
    // after the file in hand; SIGTERM is the close box. The rows of the files removed go; the rest
    // stay, selected. The record holds what went.
    void duringDeletion()
    {
        QFETCH(QString, end);
        MusicWindow w;
        const ScopedEnv stateHome("XDG_STATE_HOME", QByteArray::fromStdString(w.tree.path("state")));
        std::optional<CloseOnSignals> closer;
        if (end == "SIGTERM") {
            closer.emplace(&w.d.dlg());
        }
        w.scan({"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3", "6.mp3", "keep.mp3"}, "keep.mp3\n");
        w.d.takeBoxes();
        w.d.click(IDC_SELECT_ALL);
        std::atomic<bool> go = false;
        const auto letGo = qScopeGuard([&] { go = true; }); // also when a check fails
        w.d.fileDeleter.onRemove = [&](const std::string& path) {
            while (path.ends_with("/2.mp3") && !go) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                // Once the window has the signal, its stop comes within microseconds.
                if (closer && closer->signal() != 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    go = true;
                }
            }
        };
        QSignalSpy ended(&w.d.dlg(), &CPruneDlg::removalFinished);
        w.d.click(IDC_DELETE_FILES);
        QTRY_COMPARE(w.d.text(IDC_STATUS), QStringLiteral("Deleting 2 of 6"));
        QCOMPARE(w.d.off(), "disabled:; hidden:");
        w.d.click(IDC_DESELECT_ALL);
        w.d.click(IDC_BEGIN_SCAN);
        if (end == "Esc") {
            QTest::keyClick(w.d.item(IDOK), Qt::Key_Escape);
        }
        if (end == "SIGTERM") {
            // The event loop takes it and closes the window, which waits for the file in hand.
            ::raise(SIGTERM);
        } else {
            go = true; // the close box waits for the file in hand
        }
        if (end == "close box") {
            QVERIFY(w.d.dlg().close());
        }
        QVERIFY(!ended.isEmpty() || ended.wait());

        const bool stopped = end != "let go";
        const bool closed = end == "close box" || end == "SIGTERM";
        QCOMPARE(w.d.dlg().isVisible(), !closed);
        const QStringList boxes = w.d.takeBoxes();
        const QString last = end == "Esc"
            ? boxText("2 of the 6 selected files were deleted; the deletion was stopped.", "Files Deleted", MB_OK)
            : kDone;
        QCOMPARE(boxes, closed ? QStringList {kConfirm} : (QStringList {kConfirm, last}));
        QCOMPARE(w.d.off(), "disabled: PROGRESS STATUS; hidden: PROGRESS STATUS");
        const Rows left = stopped ? Rows {"3.mp3", "4.mp3", "5.mp3", "6.mp3", "keep.mp3"} : Rows {"keep.mp3"};
        QCOMPARE(w.tree.files("music/"), left);
        Rows went;
        for (int i = 1; i <= (stopped ? 2 : 6); ++i) {
            went.push_back(w.base() + std::to_string(i) + ".mp3");
        }
        QCOMPARE(recordedPaths(w.tree.path("state/tuneprune")), went);
        if (end == "Esc") {
            QCOMPARE(w.d.rows().size(), std::size_t(4));
            QCOMPARE(w.d.selectedRows(), (std::vector<int> {0, 1, 2, 3}));
        }
    }

    // Move to Trash asks with the count and the size, moves exactly the selected files into the
    // home trash, and says so; the other rows stay. A record of what went that cannot be written
    // (a file where its folder goes) stops nothing, and the end box says so.
    void selectedRowsGo_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("stateHome"); // below the home tree
        QTest::addColumn<QStringList>("boxes"); // "@" the home tree's root
        QTest::newRow("Move to Trash")
            << IDC_MOVE_TO_TRASH << "state"
            << QStringList {boxText("Move the 2 selected files (200 bytes) to the trash?\n\nThe space comes back when "
                                    "the trash is emptied.",
                                    "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION),
                            boxText("Selected files have been moved to the trash.\n\nThey are in @data/Trash.",
                                    "Files Moved", MB_OK)};
        QTest::newRow("record not written")
            << IDC_DELETE_FILES << "file"
            << QStringList {kConfirm,
                            boxText("Selected files have been removed.\n\nThe record of what went could not "
                                    "be written to @file/tuneprune: Not a directory.",
                                    "Files Deleted", MB_OK)};
    }

    void selectedRowsGo()
    {
        QFETCH(int, command);
        QFETCH(QString, stateHome);
        QFETCH(QStringList, boxes);
        TempTree home;
        home.wfile("file");
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(home.path("data")));
        const ScopedEnv state("XDG_STATE_HOME", QByteArray::fromStdString(home.path(stateHome.toStdString())));
        MusicWindow w;
        w.scan({"a.mp3", "b.mp3", "c.mp3", "keep.mp3"}, "keep.mp3\n");
        w.d.takeBoxes();
        w.d.toggleRow(0);
        w.d.toggleRow(2);
        QTRY_VERIFY(w.d.text(IDC_PLAYLIST_CHECK).contains("2 selected, 200 bytes"));
        w.d.clickAndWait(command, &CPruneDlg::removalFinished);
        QCOMPARE(w.d.takeBoxes(), boxes.replaceInStrings("@", QString::fromStdString(home.root())));
        QCOMPARE(w.d.rows(), Rows {w.base() + "b.mp3"});
        QCOMPARE(w.tree.files("music/"), (Rows {"b.mp3", "keep.mp3"}));
        QCOMPARE(home.files("data/Trash/files/"), (command == IDC_MOVE_TO_TRASH ? Rows {"a.mp3", "c.mp3"} : Rows {}));
    }

    // A mixed library, with "Remove folders left empty" on: the confirmation says so, and a folder
    // left with its cover goes after its songs, one that still holds audio that is not listed stays.
    // Every audio type lists the other audio too, but not the audiobook nor the image that the
    // playlist keeps through its cue sheet. Ticking or unticking the option empties the list.
    void mixedLibrary()
    {
        MusicWindow w;
        w.scan({"A/a.mp3", "A/b.flac", "A/cover.jpg", "B/book.m4b", "B/c.ogg", "C/Album.flac", "keep.mp3"},
               "keep.mp3\nC/Album.cue\n", false);
        w.tree.wfile("music/C/Album.cue", "FILE \"Album.flac\" WAVE\n");
        w.d.scan();
        QCOMPARE(w.d.text(IDC_STATUS), "2 of 2 (100%) MP3s scanned");
        QCOMPARE(w.d.rows(), Rows {w.base() + "A/a.mp3"});
        w.d.click(IDC_ALL_AUDIO);
        QVERIFY(w.d.rows().empty() && !w.d.item(IDC_PLAYLIST_CHECK)->isVisible());
        QCOMPARE(w.d.text(IDC_SELECT_PROMPT), "Select files to Delete:");
        w.d.scan();
        QCOMPARE(w.d.text(IDC_STATUS), "5 of 5 (100%) audio files scanned");
        QCOMPARE(w.d.rows(), (Rows {w.base() + "A/a.mp3", w.base() + "A/b.flac", w.base() + "B/c.ogg"}));
        w.d.takeBoxes();
        w.d.click(IDC_REMOVE_EMPTY);
        w.d.click(IDC_SELECT_ALL);
        w.d.removeFiles();
        QCOMPARE(w.d.takeBoxes(),
                 (QStringList {kConfirm
                                   + "\n\nEvery audio file type is listed, not only mp3: voice notes and samples "
                                     "too.\n\nFolders left with nothing else than thumbnails, .DS_Store files or "
                                     "cover images are removed too.",
                               boxText("Selected files have been removed.\n\n1 folder left empty was removed.",
                                       "Files Deleted", MB_OK)}));
        QCOMPARE(w.tree.files("music/"), (Rows {"B/book.m4b", "C/Album.cue", "C/Album.flac", "keep.mp3"}));
        w.d.click(IDC_ALL_AUDIO);
        QCOMPARE(w.d.text(IDC_SELECT_PROMPT), "Select MP3s to Delete:");
    }

    // A playlist from a Windows machine, lines in Windows-1252: every unnamed mp3 file goes, nothing
    // else, and the emptied list keeps its buttons. Other machines' playlists are tst_scan's table.
    // Below a path longer than PATH_MAX too: the scan and the deletion go through descriptors.
    void endToEnd()
    {
        const std::string dirs = longDirs();
        MusicWindow w;
        w.scan({"Abba/Gold/01 - Dancing Queen.mp3", "Björk/Post/03 - Army of Me.MP3", "Abba/Gold/cover.jpg",
                "Björk/Post/03 - Army of Me.flac", "notes.txt", "Abba/Gold/02 - Knowing Me.mp3",
                "Björk/Debut/Human Behaviour.mp3", "Queen/live.mp3.bak", "Zappa/song.mp3", dirs + "long.mp3",
                dirs + "keep.mp3"},
               "#EXTINF:231,ABBA - Dancing Queen\r\nD:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3\r\n"
               "#EXTINF:1,x\r\nBj\xF6rk/Post/03 - Army of Me.mp3\rkeep.mp3\r");
        w.d.click(IDC_SELECT_ALL);
        w.d.removeFiles();
        QCOMPARE(w.d.takeBoxes(), (QStringList {kConfirm, kDone}));

        QCOMPARE(w.tree.files("music/"),
                 (Rows {"Abba/Gold/01 - Dancing Queen.mp3", "Abba/Gold/cover.jpg", "Björk/Post/03 - Army of Me.MP3",
                        "Björk/Post/03 - Army of Me.flac", dirs + "keep.mp3", "notes.txt"}));
        QVERIFY(w.d.rows().empty());
        QCOMPARE(w.d.off(), "disabled: PROGRESS STATUS; hidden: PROGRESS STATUS");
        // A scan that follows starts from scratch and finds nothing left to delete.
        w.d.scan();
        QCOMPARE(w.d.takeBoxes(),
                 QStringList {boxText("No unwanted mp3 files found in that directory!", "Error", MB_ICONEXCLAMATION)});
        QCOMPARE(w.d.off(), "disabled: PROGRESS STATUS; hidden: PROGRESS STATUS");
    }
};

QTEST_MAIN(TestDeleteWindow)
#include "tst_deletewindow.moc"
