// The window's desktop habits: resizing, what it remembers, drops, a row's menu and keys, Save List.

#include "DialogDriver.h"
#include "KeepListReader.h"
#include "ScopedEnv.h"
#include "UriList.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListView>
#include <QTemporaryDir>

#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using Paths = std::vector<std::string>;
Q_DECLARE_METATYPE(std::optional<Paths>)

namespace {

Paths sorted(Paths paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Opens the context menu of `row` (-1: below the last row) and triggers the action named `text`.
void rowMenu(DialogDriver& d, int row, const QString& text)
{
    auto* list = qobject_cast<QListView*>(d.list());
    const QPoint at = row < 0 ? QPoint(5, list->viewport()->height() - 2)
                              : list->visualRect(d.list()->model()->index(row, 0)).center();
    bool triggered = false;
    onNextModal(&d.dlg(), [&](QWidget* menu) {
        for (QAction* action : menu->actions()) {
            if (action->text().remove('&') == text && action->isEnabled()) {
                action->trigger();
                triggered = true;
            }
        }
    });
    Q_EMIT list->customContextMenuRequested(at);
    QVERIFY2(triggered, qPrintable(text));
}

} // namespace

class TestWindowHabits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What each control does as the window grows by 200 x 150 pixels: the list takes both, the
    // path lines and the status lines the width, everything else keeps its distance to the nearest
    // edges. At the template's size, which is also the smallest, all are where the template says.
    void resize_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("change"); // dx, dy, dwidth, dheight
        QTest::newRow("Open m3u") << IDC_OPEN_M3U << QRect(0, 0, 0, 0);
        QTest::newRow("M3U label") << IDC_M3U_LABEL << QRect(0, 0, 200, 0);
        QTest::newRow("Select All") << IDC_SELECT_ALL << QRect(200, 0, 0, 0);
        QTest::newRow("list") << IDC_FILE_LIST << QRect(0, 0, 200, 150);
        QTest::newRow("Delete Files") << IDC_DELETE_FILES << QRect(200, 150, 0, 0);
        QTest::newRow("check box") << IDC_REMOVE_EMPTY << QRect(0, 150, 0, 0);
        QTest::newRow("playlist check") << IDC_PLAYLIST_CHECK << QRect(0, 150, 200, 0);
    }

    void resize()
    {
        QFETCH(int, id);
        QFETCH(QRect, change);
        DialogDriver d;
        d.dlg().show();
        const QSize smallest = d.dlg().minimumSize();
        QCOMPARE(d.dlg().size(), smallest);
        const DialogUnits units = DialogUnits::of(d.dlg().font());
        QCOMPARE(smallest, QSize(units.toPixelsX(kMainTemplate.width), units.toPixelsY(kMainTemplate.height)));
        const QRect before = d.item(id)->geometry();
        d.dlg().resize(smallest + QSize(200, 150));
        QTRY_COMPARE(d.dlg().size(), smallest + QSize(200, 150));
        const QRect after = d.item(id)->geometry();
        QCOMPARE(QRect(after.topLeft() - before.topLeft(), after.size() - before.size()), change);
        d.dlg().resize(smallest);
        QTRY_COMPARE(d.item(id)->geometry(), before);
    }

    // The size, the dialogs' folders and the options come back at the next start ("": what a
    // window wrote); anything else gives the defaults, without a box: a size below the template's,
    // a file that is broken or holds what this program did not write. Only a regular file is read,
    // and a save writes over nothing that is not ours: a file it cannot parse, a FIFO (which would
    // block the window), a link to a device (a node of the test's own), a folder.
    void settings_data()
    {
        QTest::addColumn<QString>("kind"); // what stands at the settings' path
        QTest::addColumn<QByteArray>("file"); // a file's bytes
        QTest::addColumn<bool>("kept"); // a save leaves what is there as it was
        QTest::newRow("written") << "" << QByteArray() << false;
        QTest::newRow("smaller than the template") << "file" << QByteArray("[window]\nsize=@Size(10 10)\n") << false;
        QTest::newRow("broken") << "file" << QByteArray("[window\nsize=@Size(900 700\n\xff\x00\x01", 18) << true;
        QTest::newRow("NUL after what we wrote")
            << "file" << QByteArray("[window]\nsize=@Size(900 700)\n\0\n", 30) << true;
        QTest::newRow("not INI") << "file" << QByteArray("[window]\nsize=@Size(900 700)\nnotes on the window\n")
                                 << true;
        QTest::newRow("foreign") << "file"
                                 << QByteArray("[window]\nsize=banana\nmaximized=1\n[folders]\nplaylist=music\n"
                                               "[cleanup]\nremoveEmptyFolders=yes\n[scan]\nallAudio=1\n")
                                 << false;
        QTest::newRow("FIFO") << "fifo" << QByteArray() << true;
        QTest::newRow("link to a device") << "device" << QByteArray() << true;
        QTest::newRow("folder") << "folder" << QByteArray() << true;
    }

    void settings()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, file);
        QFETCH(bool, kept);
        QTemporaryDir config;
        const ScopedEnv configHome("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString path = config.path() + "/tuneprune/tuneprune.conf";
        const QByteArray bytes = QFile::encodeName(path);
        QDir().mkpath(config.path() + "/tuneprune");
        QFile written(path);
        if (kind.isEmpty()) {
            DialogDriver first(false, WindowSettings::load());
            first.dlg().show();
            first.dlg().resize(900, 700);
            first.click(IDC_REMOVE_EMPTY);
            qobject_cast<QAbstractButton*>(first.item(IDC_ALL_AUDIO))->setChecked(true); // enabled with Begin Scan
            first.dialogs.nextFolder = "/music/playlists";
            first.openPlaylist(std::nullopt);
            first.dlg().settings().save();
        } else if (kind == "file") {
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write(file) == file.size());
            written.close();
        } else if (kind == "device"
                   && ::mknod(QFile::encodeName(config.path() + "/null").constData(), S_IFCHR | 0600, makedev(1, 3))
                       != 0) {
            QSKIP("no device node can be made here");
        } else {
            QCOMPARE(kind == "fifo"         ? ::mkfifo(bytes.constData(), 0600)
                         : kind == "device" ? ::symlink("../null", bytes.constData())
                                            : ::mkdir(bytes.constData(), 0700),
                     0);
        }
        struct stat before { };
        QCOMPARE(::stat(bytes.constData(), &before), 0);
        {
            DialogDriver next(false, WindowSettings::load());
            next.dlg().show();
            QCOMPARE(next.dlg().size(), kind.isEmpty() ? QSize(900, 700) : next.dlg().minimumSize());
            for (const int option : {IDC_REMOVE_EMPTY, IDC_ALL_AUDIO}) {
                QCOMPARE(qobject_cast<QAbstractButton*>(next.item(option))->isChecked(), kind.isEmpty());
            }
            next.openPlaylist(std::nullopt);
            QCOMPARE(next.dialogs.startFolders, QStringList {kind.isEmpty() ? "/music/playlists" : ""});
            QVERIFY(next.takeBoxes().isEmpty());
            next.dlg().settings().save();
        }
        struct stat after { };
        QCOMPARE(::stat(bytes.constData(), &after), 0);
        QVERIFY(kept || S_ISREG(after.st_mode));
        if (kept) {
            QCOMPARE(std::pair(after.st_mode, after.st_ino), std::pair(before.st_mode, before.st_ino));
            QVERIFY(kind != "file" || (written.open(QIODevice::ReadOnly) && written.readAll() == file));
        }
    }

    // A drop's text/uri-list, byte for byte: the local paths it names, or none when it names
    // anything else.
    void uriList_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<std::optional<Paths>>("paths");
        QTest::newRow("one, CRLF") << QByteArray("file:///m/a.m3u\r\n") << std::optional(Paths {"/m/a.m3u"});
        QTest::newRow("localhost, file:/, comment")
            << QByteArray("# from a file manager\r\nFILE://LocalHost/m/a.m3u\r\nfile:/m/b.xspf")
            << std::optional(Paths {"/m/a.m3u", "/m/b.xspf"});
        QTest::newRow("escapes, not UTF-8")
            << QByteArray("file:///m/%FFa%20b%2.m3u") << std::optional(Paths {"/m/\377a b%2.m3u"});
        QTest::newRow("another machine") << QByteArray("file://nas/m/a.m3u") << std::optional<Paths>();
        QTest::newRow("a web address among files")
            << QByteArray("file:///m/a.m3u\r\nhttp://radio/a.m3u\r\n") << std::optional<Paths>();
        QTest::newRow("a NUL") << QByteArray("file:///m/a%00.m3u") << std::optional<Paths>();
        QTest::newRow("nothing") << QByteArray("# only a comment\r\n") << std::optional<Paths>();
    }

    void uriList()
    {
        QFETCH(QByteArray, list);
        QFETCH(std::optional<Paths>, paths);
        QCOMPARE(localPathsOfUriList(list.toStdString()), paths);
    }

    // Playlists dropped open as Open m3u opens them; a folder is taken as the base directory once a
    // playlist is loaded; a mix is refused. (Nothing is taken during a scan: tst_scanwindow.)
    void drops()
    {
        MusicWindow w;
        w.tree.wfile("a.m3u", "a.mp3\n");
        w.tree.wfile("b\xff.m3u8", "file:///b.mp3\n");
        w.tree.wfile("music/x.mp3");
        const QByteArray folder = urlOf(w.base());
        QVERIFY(!w.d.drop(folder)); // before a playlist
        QVERIFY(!w.d.drop(urlOf(w.tree.path("a.m3u")) + "\r\n" + folder));
        QSignalSpy opened(&w.d.dlg(), &CPruneDlg::openFinished);
        QVERIFY(w.d.drop(urlOf(w.tree.path("a.m3u")) + "\r\n" + urlOf(w.tree.path("b\xff.m3u8")) + "\r\n"));
        QVERIFY(opened.wait());
        QCOMPARE(w.d.dlg().playlistPaths(), (Paths {w.tree.path("a.m3u"), w.tree.path("b\xff.m3u8")}));
        QCOMPARE(sorted(w.d.dlg().keepList().lines()), (Paths {"a.mp3", "file:///b.mp3"}));
        QVERIFY(w.d.drop(folder));
        QCOMPARE(w.d.dlg().baseDir(), w.base());
        QVERIFY(w.d.takeBoxes().isEmpty());
    }

    // A path wider than the list is cut in its middle, never wider than the list; the tooltip shows
    // it whole. Play, Show in Folder and Copy Path hand the row's path on byte for byte; Delete and
    // Shift+Delete run Move to Trash and Delete Files with their boxes, Ctrl+A selects every row.
    void rowMenuAndKeys()
    {
        MusicWindow w;
        const std::string deep = "A b/" + std::string(120, 'n') + "/13 - Thirteen.mp3";
        w.scan({"A b/\xff.mp3", deep, "c.mp3", "keep.mp3"}, "keep.mp3\n");
        const QModelIndex index = w.d.list()->model()->index(0, 0);
        const QString whole = QString::fromStdString(w.base() + deep);
        QVERIFY(w.d.list()->fontMetrics().horizontalAdvance(whole) > w.d.list()->viewport()->width());
        QVERIFY(w.d.list()->visualRect(index).right() < w.d.list()->viewport()->width());
        QCOMPARE(w.d.list()->textElideMode(), Qt::ElideMiddle);
        QCOMPARE(index.data(Qt::ToolTipRole).toString(), whole);
        rowMenu(w.d, 1, "Play");
        rowMenu(w.d, 1, "Show in Folder");
        rowMenu(w.d, 1, "Copy Path");
        const QByteArray url = urlOf(w.base() + "A b/\xff.mp3");
        QCOMPARE(w.d.desktop.calls,
                 (QByteArrayList {"open " + url, "show " + url + " in " + urlOf(w.base() + "A b/")}));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(w.base()) + "A b/\u00ff.mp3");
        w.d.desktop.answer = false;
        rowMenu(w.d, 2, "Play");
        QCOMPARE(w.d.takeBoxes().size(), 1);

        w.d.dlg().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.d.dlg()));
        w.d.list()->setFocus();
        QTest::keyClick(w.d.list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.d.selectedRows(), (std::vector<int> {0, 1, 2}));
        w.d.dialogs.answer = IDCANCEL;
        QTest::keyClick(w.d.list(), Qt::Key_Delete);
        QTest::keyClick(w.d.list(), Qt::Key_Delete, Qt::ShiftModifier);
        const QStringList boxes = w.d.takeBoxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes[0].contains("to the trash?"), qPrintable(boxes.join("|")));
        QVERIFY(boxes[1].contains("permanently deleted"));
        QCOMPARE(w.tree.files("music/").size(), std::size_t(4));
    }

    // Save List writes the selected rows, or all of them, as M3U8 that the program's own reader
    // reads back to exactly those paths; a name with a line break is left out and counted; a target
    // that cannot be written gets a box with the reason and no file.
    void saveList()
    {
        MusicWindow w;
        w.scan({"a.mp3", "b\xff.mp3", "c\n.mp3", "d.mp3"});
        w.d.dialogs.path = w.tree.path("all.m3u8");
        rowMenu(w.d, -1, "Save List...");
        const QStringList leftOut = w.d.takeBoxes();
        QCOMPARE(leftOut.size(), 1);
        QVERIFY(leftOut[0].contains("1 file was left out"));
        QCOMPARE(sorted(readKeepList({w.tree.path("all.m3u8")}).keep.lines()),
                 (Paths {w.base() + "a.mp3", w.base() + "b\xff.mp3", w.base() + "d.mp3"}));

        w.d.toggleRow(1);
        w.d.dialogs.path = w.tree.path("one.m3u8");
        rowMenu(w.d, 1, "Save List...");
        QCOMPARE(readKeepList({w.tree.path("one.m3u8")}).keep.lines(), Paths {w.base() + "b\xff.mp3"});

        const std::string target = w.tree.path("ro");
        const Mount readOnly(target, Mount::ReadOnly);
        if (!readOnly.ok()) {
            QSKIP("no read-only bind mount can be made here");
        }
        w.d.dialogs.path = target + "/list.m3u8";
        rowMenu(w.d, 1, "Save List...");
        const QStringList failed = w.d.takeBoxes();
        QCOMPARE(failed.size(), 1);
        QVERIFY2(failed[0].startsWith(
                     boxText("Unable to save the list to " + QString::fromStdString(target) + "/list.m3u8:\n", "Error",
                             MB_ICONSTOP)),
                 qPrintable(failed[0]));
        QCOMPARE(w.tree.files("ro/"), Paths {});
    }
};

QTEST_MAIN(TestWindowHabits)
#include "tst_windowhabits.moc"
