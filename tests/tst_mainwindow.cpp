// The main window's shell and inputs: the template made real, the ways of closing, the about
// box, Open m3u and Select Directory.

#include "AboutDlg.h"
#include "DialogDriver.h"
#include "TempTree.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

#include <sys/stat.h>

using Lines = std::vector<std::string>;

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void layout();
    void closing_data();
    void closing();
    void aboutBox();
    void openPlaylist_data();
    void openPlaylist();
    void selectDirectory();
};

void TestMainWindow::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    }
}

// Rules that hold for any layout of the template.
void TestMainWindow::layout()
{
    ScriptedServices scripted;
    CPruneDlg dlg(scripted.services());
    // The default button while no other push button has the focus.
    QVERIFY(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_OPEN_M3U))->isDefault());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tuneprune"));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY((dlg.frameGeometry().center() - dlg.screen()->availableGeometry().center()).manhattanLength() <= 2);

    QStringList tabOrder;
    for (const ControlTemplate& control : kMainTemplate.controls) {
        QWidget* widget = dlg.GetDlgItem(control.id);
        QVERIFY2(dlg.rect().contains(widget->geometry()), control.name);
        QCOMPARE(widget->isEnabled(), (control.style & kStyleDisabled) == 0);
        QCOMPARE(widget->isVisible(), (control.style & kStyleHidden) == 0);
        if (control.style & kStyleTabStop) {
            tabOrder << control.name;
        }
    }
    QStringList walked;
    QWidget* widget = dlg.GetDlgItem(IDOK);
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            walked << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != dlg.GetDlgItem(IDOK));
    QCOMPARE(walked, tabOrder);
    QCOMPARE(QApplication::focusWidget(), dlg.GetDlgItem(IDOK));
}

void TestMainWindow::closing_data()
{
    QTest::addColumn<int>("key"); // 0: the close box
    QTest::addColumn<int>("result");
    QTest::newRow("Enter on the focused Exit") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Esc") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("close box") << 0 << int(QDialog::Rejected);
}

void TestMainWindow::closing()
{
    QFETCH(int, key);
    QFETCH(int, result);
    ScriptedServices scripted;
    CPruneDlg dlg(scripted.services());
    dlg.setResult(-1);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    if (key != 0) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    } else {
        QVERIFY(dlg.close());
    }
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), result);
    QVERIFY(scripted.messageBox.boxes.empty());
}

void TestMainWindow::aboutBox()
{
    ScriptedServices scripted;
    CPruneDlg dlg(scripted.services());
    dlg.show();
    QMenu* menu = dlg.systemMenu();
    QVERIFY(menu && menu->actions().size() == 1);
    QCOMPARE(menu->actions().constFirst()->text(), QStringLiteral("&About Tuneprune..."));
    // Every command 0x0010 to 0x001F opens it; the menu entry sends 0x0010.
    int opened = 0;
    const auto closeAbout = [&] {
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            QVERIFY((about->frameGeometry().center() - dlg.frameGeometry().center()).manhattanLength() <= 2);
            QTest::mouseClick(about->GetDlgItem(IDOK), Qt::LeftButton);
            ++opened;
        });
    };
    closeAbout();
    menu->actions().constFirst()->trigger();
    closeAbout();
    dlg.OnSysCommand(0x001F);
    dlg.OnSysCommand(0x0020);
    QTest::qWait(0);
    QCOMPARE(opened, 2);
}

void TestMainWindow::openPlaylist_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("loadedBefore");
    for (bool before : {false, true}) {
        const char* when = before ? "after a playlist" : "first";
        QTest::addRow("playlist, %s", when) << "list.m3u" << before;
        QTest::addRow("cancelled, %s", when) << "" << before;
        QTest::addRow("typed name of a missing file, %s", when) << "typed.m3u" << before;
        QTest::addRow("a directory, %s", when) << "folder.m3u" << before;
    }
    // Not playlists: each ends in the box at once, without hanging or filling memory.
    QTest::newRow("named pipe") << "pipe.m3u" << true;
    QTest::newRow("/dev/zero") << "/dev/zero" << true;
    QTest::newRow("link to /dev/zero") << "zero.m3u" << true;
    QTest::newRow("sparse 3 GB file") << "image.m3u" << true;
}

void TestMainWindow::openPlaylist()
{
    QFETCH(QString, chosen);
    QFETCH(bool, loadedBefore);
    TempTree tree;
    tree.wfile("old.m3u", "old.mp3\n");
    tree.wfile("list.m3u", "#EXTM3U\r\nA/one.mp3\r\n#EXTINF:1,x\r\nB/two.mp3\r\n\r\nC/three.mp3");
    tree.mkdirp("folder.m3u");
    QCOMPARE(::mkfifo(tree.path("pipe.m3u").c_str(), 0600), 0);
    tree.symlink("/dev/zero", "zero.m3u");
    tree.wfile("image.m3u", "#EXTM3U\n");
    std::filesystem::resize_file(tree.path("image.m3u"), 3ULL << 30);
    DialogDriver d;
    if (loadedBefore) {
        d.openPlaylist(tree.path("old.m3u"));
    }
    const QString labelBefore = d.text(IDC_M3U_LABEL);
    const Lines keepBefore = d.dlg().keepList().lines();
    const std::string path = chosen.startsWith('/') ? chosen.toStdString() : tree.path(chosen.toStdString());
    d.openPlaylist(chosen.isEmpty() ? std::nullopt : std::optional(path));

    QCOMPARE(d.scripted.fileDialog.filters.back(),
             QStringLiteral("Playlist Files (*.m3u);;Playlist Files (*.m3u8);;All Files (*)"));
    const auto boxes = d.takeBoxes();
    if (chosen == "list.m3u") {
        QVERIFY(boxes.empty());
        QCOMPARE(d.dlg().keepList().lines(), (Lines {"C/three.mp3", "B/two.mp3", "A/one.mp3"}));
        QCOMPARE(d.text(IDC_M3U_LABEL), QString::fromStdString("M3U File: " + path));
        QVERIFY(d.enabled(IDC_M3U_LABEL) && d.enabled(IDC_SELECT_DIR) && !d.enabled(IDC_BEGIN_SCAN));
        return;
    }
    QCOMPARE(boxes.size(), std::size_t(chosen.isEmpty() ? 0 : 1));
    if (!chosen.isEmpty()) {
        QCOMPARE_BOX(boxes[0], "Unable to open M3U for reading!", "Error", MB_ICONSTOP);
    }
    // Only the path is taken; a half-read playlist never replaces the keep-list.
    QCOMPARE(d.dlg().playlistPath(), chosen.isEmpty() ? (loadedBefore ? tree.path("old.m3u") : "") : path);
    QCOMPARE(d.dlg().keepList().lines(), keepBefore);
    QCOMPARE(d.text(IDC_M3U_LABEL), labelBefore);
    QCOMPARE(d.enabled(IDC_SELECT_DIR), loadedBefore);
}

void TestMainWindow::selectDirectory()
{
    TempTree tree;
    QByteArray deep; // longer than the original picker's 1023 bytes
    for (char c = 'a'; c < 'h'; ++c) {
        deep += QByteArray(200, c) + '/';
    }
    const std::string dir = tree.path("My Müsic/" + deep.toStdString());
    tree.wfile("list.m3u", "a.mp3\n");
    DialogDriver d;
    d.openPlaylist(tree.path("list.m3u"));
    d.selectDirectory(tree.root());
    d.selectDirectory(dir.substr(0, dir.size() - 1)); // a "/" is added
    d.selectDirectory(std::nullopt);

    const auto& calls = d.scripted.pathPicker.calls;
    QCOMPARE(calls.size(), std::size_t(3));
    QCOMPARE(calls[0].title, QStringLiteral("Directory View"));
    QCOMPARE(calls[0].prompt, QStringLiteral("Please select a directory..."));
    QCOMPARE(calls[0].owner, &d.dlg());
    // The second choice replaced the first; the cancelled third changed nothing.
    QCOMPARE(d.dlg().baseDir(), dir);
    QCOMPARE(d.text(IDC_BASEDIR_LABEL), "Base Directory: " + QString::fromStdString(dir));
    QVERIFY(d.enabled(IDC_BASEDIR_LABEL) && d.enabled(IDC_BEGIN_SCAN));
    QCOMPARE(d.dlg().keepList().lines(), Lines {"a.mp3"});
    QVERIFY(d.takeBoxes().empty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
