// Open m3u and Select Directory through the real dialog, with the scripted file dialog,
// picker and message box.

#include "DialogDriver.h"
#include "TempTree.h"
#include "Templates.h"
#include "Resource.h"

using Lines = std::vector<std::string>;

class TestInputs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openPlaylist_data();
    void openPlaylist();
    void secondPlaylistKeepsDirectoryAndRows();
    void selectDirectory_data();
    void selectDirectory();
    void missingLabel_data();
    void missingLabel();

private:
    TempTree m_tree;
};

void TestInputs::openPlaylist_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("loadedBefore");
    for (bool before : {false, true}) {
        const char* when = before ? "after a playlist" : "first";
        QTest::addRow("playlist, %s", when) << "list.m3u" << before;
        QTest::addRow("cancelled, %s", when) << "" << before;
        QTest::addRow("typed name of a missing file, %s", when) << "typed.m3u" << before;
        QTest::addRow("a directory: opens, then reading fails, %s", when) << "folder.m3u" << before;
    }
}

void TestInputs::openPlaylist()
{
    QFETCH(QString, chosen);
    QFETCH(bool, loadedBefore);
    m_tree.wfile("old.m3u", "old.mp3\n");
    m_tree.wfile("list.m3u", "#EXTM3U\r\nA/one.mp3\r\n#EXTINF:1,x\r\nB/two.mp3\r\nC/three.mp3");
    m_tree.mkdirp("folder.m3u");
    DialogDriver d;
    if (loadedBefore) {
        d.openPlaylist(m_tree.path("old.m3u"));
    }
    const QString labelBefore = d.text(IDC_M3U_LABEL);
    const Lines keepBefore = d.dlg().keepList().lines();
    const std::string path = m_tree.path(chosen.toStdString());
    d.scripted.fileDialog.answers.push_back(chosen.isEmpty() ? std::nullopt : std::optional(path));
    d.click(IDC_OPEN_M3U);

    QCOMPARE(d.scripted.fileDialog.filters.back(), QStringLiteral("Playlist Files (*.m3u);;Playlist Files (*.m3u8);;All Files (*)"));
    const auto boxes = d.takeBoxes();
    if (chosen == "list.m3u") {
        QVERIFY(boxes.empty());
        QCOMPARE(d.dlg().keepList().lines(), (Lines {"C/three.mp3", "B/two.mp3", "A/one.mp3"}));
        QCOMPARE(d.text(IDC_M3U_LABEL), QString::fromStdString("M3U File: " + path));
        QVERIFY(d.enabled(IDC_M3U_LABEL) && d.enabled(IDC_SELECT_DIR));
        QVERIFY(!d.enabled(IDC_BEGIN_SCAN));
        return;
    }
    if (chosen.isEmpty()) {
        QVERIFY(boxes.empty());
    } else {
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, QStringLiteral("Unable to open M3U for reading!"));
        QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(boxes[0].type, unsigned(MB_ICONSTOP));
    }
    // Only the path is taken; a half-read playlist never replaces the keep-list.
    QCOMPARE(d.dlg().playlistPath(), chosen.isEmpty() ? (loadedBefore ? m_tree.path("old.m3u") : "") : path);
    QCOMPARE(d.dlg().keepList().lines(), keepBefore);
    QCOMPARE(d.text(IDC_M3U_LABEL), labelBefore);
    QCOMPARE(d.enabled(IDC_M3U_LABEL), loadedBefore);
    QCOMPARE(d.enabled(IDC_SELECT_DIR), loadedBefore);
}

void TestInputs::secondPlaylistKeepsDirectoryAndRows()
{
    m_tree.wfile("one.m3u", "no-such-song.mp3\n");
    m_tree.wfile("two.m3u", "c.mp3\nd.mp3\n");
    m_tree.wfile("music/a.mp3");
    DialogDriver d;
    d.openPlaylist(m_tree.path("one.m3u"));
    d.selectDirectory(m_tree.path("music/"));
    d.scan();
    d.openPlaylist(m_tree.path("two.m3u"));

    QCOMPARE(d.dlg().keepList().lines(), (Lines {"d.mp3", "c.mp3"}));
    QCOMPARE(d.dlg().baseDir(), m_tree.path("music/"));
    QCOMPARE(d.rows(), Lines {m_tree.path("music/a.mp3")});
    QVERIFY(d.enabled(IDC_BEGIN_SCAN));
}

void TestInputs::selectDirectory_data()
{
    QTest::addColumn<QByteArray>("relative");
    QTest::newRow("plain") << QByteArray("music");
    QTest::newRow("spaces and UTF-8") << QByteArray("My Müsic");
    QByteArray deep;
    for (char c = 'a'; c < 'h'; ++c) {
        deep += QByteArray(200, c) + '/';
    }
    QTest::newRow("longer than 1023 bytes") << deep.chopped(1);
}

void TestInputs::selectDirectory()
{
    QFETCH(QByteArray, relative);
    const std::string dir = m_tree.path(relative.toStdString()) + "/";
    m_tree.wfile("list.m3u", "a.mp3\n");
    DialogDriver d;
    d.openPlaylist(m_tree.path("list.m3u"));
    d.selectDirectory(m_tree.root());
    d.selectDirectory(dir);
    d.scripted.pathPicker.answers.push_back(std::nullopt);
    d.click(IDC_SELECT_DIR);

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

void TestInputs::missingLabel_data()
{
    QTest::addColumn<int>("missing");
    QTest::addColumn<QString>("message");
    QTest::newRow("playlist label") << IDC_M3U_LABEL << "Internal program error 0001!";
    QTest::newRow("base directory label") << IDC_BASEDIR_LABEL << "Internal program error 0002!";
}

void TestInputs::missingLabel()
{
    QFETCH(int, missing);
    QFETCH(QString, message);
    m_tree.wfile("list.m3u", "a.mp3\n");
    const TemplateWithout without(missing);
    ScriptedServices scripted;
    CPruneDlg dlg(scripted.services(), nullptr, without.get());
    scripted.fileDialog.answers.push_back(m_tree.path("list.m3u"));
    scripted.pathPicker.answers.push_back(m_tree.root());
    missing == IDC_M3U_LABEL ? dlg.OnOpenM3u() : dlg.OnSelectDirectory();

    QCOMPARE(scripted.messageBox.boxes.size(), std::size_t(1));
    QCOMPARE(scripted.messageBox.boxes[0].text, message);
    QCOMPARE(scripted.messageBox.boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(scripted.messageBox.boxes[0].type, unsigned(MB_ICONSTOP));
    // The file dialog is not even shown without its label; the picker is, before the look-up.
    QCOMPARE(scripted.fileDialog.filters.size(), std::size_t(0));
    QCOMPARE(scripted.pathPicker.calls.size(), std::size_t(missing == IDC_BASEDIR_LABEL ? 1 : 0));
    QVERIFY(dlg.playlistPath().empty() && dlg.baseDir().empty() && dlg.keepList().empty());
    QVERIFY(!dlg.GetDlgItem(IDC_SELECT_DIR)->isEnabled() && !dlg.GetDlgItem(IDC_BEGIN_SCAN)->isEnabled());
}

QTEST_MAIN(TestInputs)
#include "tst_inputs.moc"
