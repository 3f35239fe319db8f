// The main window's shell and inputs: the template made real, the ways of closing, the about
// box, Open m3u and Select Directory.

#include "AboutDlg.h"
#include "DialogDriver.h"
#include "PlayerPlaylists.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include <filesystem>

#include <sys/stat.h>

using Lines = std::vector<std::string>;

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openAndClose_data()
    {
        QTest::addColumn<int>("key"); // 0: the close box
        QTest::addColumn<int>("result");
        QTest::newRow("Enter on the focused Exit") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(QDialog::Rejected);
        QTest::newRow("close box") << 0 << int(QDialog::Rejected);
    }

    void openAndClose()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        DialogDriver d;
        CPruneDlg& dlg = d.dlg();
        dlg.setResult(-1);
        // The default button while no other push button has the focus.
        QVERIFY(qobject_cast<QPushButton*>(d.item(IDC_OPEN_M3U))->isDefault());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Tuneprune"));
        QCOMPARE(dlg.size(), dlg.minimumSize());
        QCOMPARE(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
                 Qt::WindowMaximizeButtonHint);
        QVERIFY((dlg.frameGeometry().center() - dlg.screen()->availableGeometry().center()).manhattanLength() <= 2);
        QCOMPARE(
            d.off(),
            "disabled: M3U_LABEL SELECT_DIR BASEDIR_LABEL BEGIN_SCAN PROGRESS FILE_LIST SELECT_PROMPT "
            "DELETE_FILES MOVE_TO_TRASH ALL_AUDIO SELECT_ALL DESELECT_ALL; hidden: PROGRESS STATUS PLAYLIST_CHECK");
        // Every control inside the window; Tab goes round the tab stops from Exit, in template order.
        for (const ControlTemplate& control : kMainTemplate.controls) {
            QVERIFY2(dlg.rect().contains(d.item(control.id)->geometry()), control.name);
        }
        QStringList walked;
        QWidget* widget = QApplication::focusWidget();
        do {
            if (widget->focusPolicy() & Qt::TabFocus) {
                walked << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget != QApplication::focusWidget());
        QCOMPARE(walked.join(' '),
                 "IDOK IDC_OPEN_M3U IDC_SELECT_DIR IDC_BEGIN_SCAN IDC_FILE_LIST IDC_DELETE_FILES IDC_MOVE_TO_TRASH "
                 "IDC_REMOVE_EMPTY IDC_ALL_AUDIO IDC_SELECT_ALL "
                 "IDC_DESELECT_ALL IDC_PLAYLIST_CHECK");

        if (key != 0) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        } else {
            QVERIFY(dlg.close());
        }
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), result);
        QVERIFY(d.takeBoxes().isEmpty());
    }

    void aboutBox()
    {
        DialogDriver d;
        d.dlg().show();
        // Every command 0x0010 to 0x001F opens the about box, centred on the window; the menu entry sends 0x0010.
        QMenu* menu = d.dlg().systemMenu();
        QVERIFY(menu && menu->actions().size() == 1);
        QCOMPARE(menu->actions().constFirst()->text(), QStringLiteral("&About Tuneprune..."));
        QList<int> offCentre; // of each about box opened
        const auto closeAbout = [&] {
            onNextModal(&d.dlg(), [&](QWidget* about) {
                offCentre << (about->frameGeometry().center() - d.dlg().frameGeometry().center()).manhattanLength();
                QTest::mouseClick(qobject_cast<CAboutDlg*>(about)->GetDlgItem(IDOK), Qt::LeftButton);
                QVERIFY(!about->isVisible()); // OK closed it
            });
        };
        closeAbout();
        menu->actions().constFirst()->trigger();
        closeAbout();
        d.dlg().OnSysCommand(0x001F);
        closeAbout(); // for one that should not open
        d.dlg().OnSysCommand(0x0020);
        QCOMPARE(offCentre.size(), 2);
        QVERIFY(offCentre[0] <= 2 && offCentre[1] <= 2);
    }

    // Open m3u, one playlist or several: what is read replaces the keep-list, the label naming the
    // first with every path in its tooltip; a cancel changes nothing. One refused, alone or among
    // others, keeps only the path, never a half-read keep-list, and the box names it with its reason.
    void openPlaylist_data()
    {
        QTest::addColumn<QStringList>("chosen"); // below the tree, or absolute; none: cancelled
        QTest::addColumn<bool>("loadedBefore"); // old.m3u and a.m3u
        QTest::addColumn<QString>("refusal"); // the box's line
        QTest::addColumn<Lines>("kept"); // the keep-list read; none: nothing read
        const Lines read {"C/three.mp3", "B/two.mp3", "A/one.mp3"};
        for (bool before : {false, true}) {
            const char* when = before ? "after playlists" : "first";
            QTest::addRow("playlist, %s", when) << QStringList {"list.m3u"} << before << "" << read;
            QTest::addRow("cancelled, %s", when) << QStringList {} << before << "" << Lines {};
            QTest::addRow("typed name of a missing file, %s", when)
                << QStringList {"typed.m3u"} << before << "typed.m3u: no such file or directory" << Lines {};
            QTest::addRow("a directory, %s", when)
                << QStringList {"folder.m3u"} << before << "folder.m3u: a folder, not a file" << Lines {};
        }
        // Not playlists: each ends in the box at once, without hanging or filling memory.
        QTest::newRow("named pipe") << QStringList {"pipe.m3u"} << true << "pipe.m3u: not a regular file" << Lines {};
        QTest::newRow("/dev/zero") << QStringList {"/dev/zero"} << true << "zero: not a regular file" << Lines {};
        QTest::newRow("link to /dev/zero")
            << QStringList {"zero.m3u"} << true << "zero.m3u: not a regular file" << Lines {};
        QTest::newRow("sparse 3 GB file") << QStringList {"image.m3u"} << true
                                          << "image.m3u: larger than 1 GiB, too large for a playlist" << Lines {};
        const PlayerPlaylist vlc = playersPlaylists().front();
        QTest::newRow("two read") << QStringList {"list.m3u", QString::fromStdString(playlistFile(vlc.name))} << true
                                  << "" << (Lines {vlc.entries[1], vlc.entries[0], read[0], read[1], read[2]});
        const PlayerPlaylist cut = refusedPlaylists().front();
        QTest::newRow("one of two refused")
            << QStringList {"list.m3u", QString::fromStdString(playlistFile(cut.name))} << true
            << QString::fromStdString(cut.name + (": " + cut.refusal)) << Lines {};
    }

    void openPlaylist()
    {
        QFETCH(QStringList, chosen);
        QFETCH(bool, loadedBefore);
        QFETCH(QString, refusal);
        QFETCH(Lines, kept);
        TempTree tree;
        tree.wfile("old.m3u", "old.mp3\n");
        tree.wfile("a.m3u", "a.mp3\n");
        tree.wfile("list.m3u", "#EXTM3U\r\nA/one.mp3\r\n#EXTINF:1,x\r\nB/two.mp3\r\n\r\nC/three.mp3");
        tree.mkdirp("folder.m3u");
        QCOMPARE(::mkfifo(tree.path("pipe.m3u").c_str(), 0600), 0);
        std::filesystem::create_symlink("/dev/zero", tree.path("zero.m3u"));
        tree.wfile("image.m3u", "#EXTM3U\n");
        std::filesystem::resize_file(tree.path("image.m3u"), 3ULL << 30);
        DialogDriver d;
        if (loadedBefore) {
            d.openPlaylists({tree.path("old.m3u"), tree.path("a.m3u")});
        }
        const auto state = [&] {
            return std::tuple(d.text(IDC_M3U_LABEL), d.item(IDC_M3U_LABEL)->toolTip(), d.off(),
                              d.dlg().keepList().lines());
        };
        const auto before = state();
        const std::string old = d.dlg().playlistPath();
        std::vector<std::string> paths;
        QStringList shown;
        for (const QString& name : chosen) {
            paths.push_back(name.startsWith('/') ? name.toStdString() : tree.path(name.toStdString()));
            shown << QString::fromStdString(paths.back());
        }
        d.openPlaylists(paths);

        QCOMPARE(d.dialogs.asked,
                 QStringList(loadedBefore ? 2 : 1,
                             "Playlist Files (*.m3u *.m3u8 *.xspf *.pls *.wpl *.asx *.b4s *.xml);;M3U (*.m3u);;"
                             "Playlist Files (*.m3u8);;All Files (*)"));
        QCOMPARE(d.takeBoxes(),
                 refusal.isEmpty()
                     ? QStringList()
                     : QStringList {boxText("Unable to open M3U for reading!\n" + refusal, "Error", MB_ICONSTOP)});
        // Only the path of a refused one is taken.
        QCOMPARE(d.dlg().playlistPath(), paths.empty() ? old : paths.front());
        if (kept.empty()) {
            QVERIFY(state() == before);
            return;
        }
        // Read after several: no tooltip of the others left.
        QCOMPARE(state(),
                 std::tuple("M3U File: " + shown.front() + (shown.size() > 1 ? " (+1 more)" : ""),
                            shown.size() > 1 ? shown.join('\n') : QString(),
                            QString("disabled: BASEDIR_LABEL BEGIN_SCAN PROGRESS FILE_LIST SELECT_PROMPT DELETE_FILES "
                                    "MOVE_TO_TRASH ALL_AUDIO SELECT_ALL DESELECT_ALL; hidden: PROGRESS STATUS "
                                    "PLAYLIST_CHECK"),
                            kept));
    }

    // Select Directory, once a playlist is read: the last choice stands, a cancel changes nothing.
    void selectDirectory()
    {
        TempTree tree;
        tree.wfile("list.m3u", "a.mp3\n");
        DialogDriver d;
        d.openPlaylist(tree.path("list.m3u"));
        const std::string dir = tree.path("My Müsic/" + longDirs()); // longer than the original picker's 1023 bytes
        d.selectDirectory(tree.root());
        d.selectDirectory(dir.substr(0, dir.size() - 1)); // a "/" is added
        d.selectDirectory(std::nullopt);
        QCOMPARE(d.dialogs.asked.mid(1), QStringList(3, "Directory View: Please select a directory..."));
        QCOMPARE(d.dialogs.pickerOwner, &d.dlg());
        QCOMPARE(d.text(IDC_BASEDIR_LABEL), "Base Directory: " + QString::fromStdString(dir));
        QCOMPARE(
            d.off(),
            "disabled: PROGRESS FILE_LIST SELECT_PROMPT DELETE_FILES MOVE_TO_TRASH SELECT_ALL DESELECT_ALL; hidden: "
            "PROGRESS STATUS PLAYLIST_CHECK");
        QVERIFY(d.takeBoxes().isEmpty());
    }

    // The real open dialog: several files by Ctrl-click or typed in quotes, and a typed name of a
    // file that does not exist, which the window then reports. It starts in the folder it is given
    // and hands back the one it showed last.
    void openDialog_data()
    {
        QTest::addColumn<QString>("typed"); // empty: a click and a Ctrl-click
        QTest::addColumn<Lines>("chosen");
        QTest::newRow("Ctrl-click") << "" << Lines {"a.m3u", "b.xspf"};
        QTest::newRow("typed in quotes") << "\"b.xspf\" \"a.m3u\"" << Lines {"b.xspf", "a.m3u"};
        QTest::newRow("typed missing name") << "typed.m3u" << Lines {"typed.m3u"};
    }

    void openDialog()
    {
        QFETCH(QString, typed);
        QFETCH(Lines, chosen);
        TempTree tree;
        tree.wfile("a.m3u");
        tree.wfile("b.xspf");
        QWidget owner;
        owner.show();
        QString startedIn;
        onNextModal(&owner, [&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            startedIn = dialog->directory().absolutePath();
            dialog->setDirectory(QString::fromStdString(tree.root()));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!typed.isEmpty()) {
                name->setText(typed);
                QTest::keyClick(name, Qt::Key_Return);
                return;
            }
            auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
            auto* files = qobject_cast<QFileSystemModel*>(view->model());
            QVERIFY(QTest::qWaitFor([&] { return files->rowCount(view->rootIndex()) == 3; })); // and the folder sub
            view->show();
            // By name: the model sorts its rows when it likes.
            for (const std::string& file : chosen) {
                const QModelIndex index = files->index(QString::fromStdString(tree.path(file)));
                QTest::mouseClick(view->viewport(), Qt::LeftButton,
                                  file == chosen.front() ? Qt::NoModifier : Qt::ControlModifier,
                                  view->visualRect(index).center());
            }
            QTest::keyClick(name, Qt::Key_Return);
        });
        QtFileDialog fileDialog;
        tree.wfile("sub/c.m3u");
        QString folder = QString::fromStdString(tree.path("sub"));
        const std::vector<std::string> got
            = fileDialog.getOpenFileNames(&owner, QStringLiteral("Playlist Files (*.m3u *.xspf)"), folder);
        QCOMPARE(startedIn, QDir(QString::fromStdString(tree.path("sub"))).absolutePath());
        QCOMPARE(folder, QDir(QString::fromStdString(tree.root())).absolutePath());
        for (std::string& name : chosen) {
            name = tree.path(name);
        }
        QCOMPARE(got, chosen);
    }

    // The warning before removing files: Cancel is the default, so Return and Esc keep everything.
    void warningBox_data()
    {
        QTest::addColumn<int>("key"); // 0: a click on "Delete Anyway"
        QTest::addColumn<int>("answer");
        QTest::newRow("Return") << int(Qt::Key_Return) << IDCANCEL;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << IDCANCEL;
        QTest::newRow("Delete Anyway") << 0 << IDOK;
    }

    void warningBox()
    {
        QFETCH(int, key);
        QFETCH(int, answer);
        QWidget owner;
        owner.show();
        QString shown; // title, icon, text, buttons, whether Cancel is the default
        onNextModal(&owner, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            // The accept button comes first.
            shown = QStringList {box->windowTitle(),
                                 QString::number(box->icon()),
                                 box->text(),
                                 box->buttons().constFirst()->text(),
                                 QString::number(box->buttons().size()),
                                 QString::number(box->defaultButton() == box->button(QMessageBox::Cancel))}
                        .join(' ');
            key != 0 ? QTest::keyClick(box, Qt::Key(key)) : box->buttons().constFirst()->click();
        });
        QtMessageBox boxes;
        QCOMPARE(boxes.ask(&owner, QStringLiteral("Only 1 of 20"), QStringLiteral("Warning"),
                           QStringLiteral("Delete Anyway")),
                 answer);
        QCOMPARE(shown, QString("Warning %1 Only 1 of 20 Delete Anyway 2 1").arg(QMessageBox::Warning));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
