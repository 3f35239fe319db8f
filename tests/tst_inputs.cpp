// Open m3u and Select Directory through the real dialog, with the scripted file dialog,
// picker and message box.

#include "Scripted.h"
#include "TempTree.h"
#include "Templates.h"
#include "dialogs/PruneDlg.h"
#include "resources/Resource.h"

#include <QLabel>
#include <QTest>

namespace {

using Lines = std::vector<std::string>;

QString labelText(const CPruneDlg& dlg, int id)
{
    return qobject_cast<QLabel*>(dlg.GetDlgItem(id))->text();
}

bool enabled(const CPruneDlg& dlg, int id)
{
    return dlg.GetDlgItem(id)->isEnabled();
}

} // namespace

class TestInputs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void openPlaylist();
    void openPlaylistCancelled();
    void openPlaylistFails_data();
    void openPlaylistFails();
    void secondPlaylistReplacesKeepList();
    void missingPlaylistLabel();
    void selectDirectory_data();
    void selectDirectory();
    void selectDirectoryCancelled();
    void secondDirectoryKeepsKeepList();
    void missingBaseDirLabel();

private:
    void openPlaylistFile(CPruneDlg& dlg, const std::string& path);

    std::unique_ptr<ScriptedServices> m_scripted;
    std::unique_ptr<TempTree> m_tree;
};

void TestInputs::init()
{
    m_scripted = std::make_unique<ScriptedServices>();
    m_tree = std::make_unique<TempTree>();
    QVERIFY(m_tree->isValid());
}

void TestInputs::openPlaylistFile(CPruneDlg& dlg, const std::string& path)
{
    m_scripted->fileDialog.answers.push_back(path);
    QTest::mouseClick(dlg.GetDlgItem(IDC_OPEN_M3U), Qt::LeftButton);
}

void TestInputs::openPlaylist()
{
    m_tree->wfile("list.m3u", "#EXTM3U\r\nA/one.mp3\r\n#EXTINF:1,x\r\nB/two.mp3\r\nC/three.mp3");
    CPruneDlg dlg(m_scripted->services());
    openPlaylistFile(dlg, m_tree->path("list.m3u"));

    QCOMPARE(m_scripted->fileDialog.filters, std::vector<QString> {QStringLiteral("Playlist Files (*.m3u)")});
    QVERIFY(m_scripted->messageBox.boxes.empty());
    QCOMPARE(dlg.playlistPath(), m_tree->path("list.m3u"));
    QCOMPARE(dlg.keepList().lines(), (Lines {"C/three.mp3", "B/two.mp3", "A/one.mp3"}));
    QCOMPARE(labelText(dlg, IDC_M3U_LABEL), QString::fromStdString("M3U File: " + m_tree->path("list.m3u")));
    QVERIFY(enabled(dlg, IDC_M3U_LABEL));
    QVERIFY(enabled(dlg, IDC_SELECT_DIR));
    QVERIFY(!enabled(dlg, IDC_BEGIN_SCAN));
}

void TestInputs::openPlaylistCancelled()
{
    m_tree->wfile("list.m3u", "A\n");
    CPruneDlg dlg(m_scripted->services());
    openPlaylistFile(dlg, m_tree->path("list.m3u"));
    m_scripted->fileDialog.answers.push_back(std::nullopt);
    QTest::mouseClick(dlg.GetDlgItem(IDC_OPEN_M3U), Qt::LeftButton);

    QCOMPARE(m_scripted->fileDialog.filters.size(), std::size_t(2));
    QVERIFY(m_scripted->messageBox.boxes.empty());
    QCOMPARE(dlg.keepList().lines(), Lines {"A"});
    QCOMPARE(dlg.playlistPath(), m_tree->path("list.m3u"));
}

void TestInputs::openPlaylistFails_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("loadedBefore");
    for (bool before : {false, true}) {
        const char* when = before ? "after a playlist" : "first";
        QTest::addRow("missing file, %s", when) << "missing" << before;
        QTest::addRow("directory (opens, then read fails), %s", when) << "directory" << before;
    }
}

void TestInputs::openPlaylistFails()
{
    QFETCH(QString, what);
    QFETCH(bool, loadedBefore);
    m_tree->wfile("good.m3u", "kept.mp3\n");
    m_tree->mkdirp("folder.m3u");
    const std::string bad = m_tree->path(what == "missing" ? "typed-name.m3u" : "folder.m3u");

    CPruneDlg dlg(m_scripted->services());
    if (loadedBefore) {
        openPlaylistFile(dlg, m_tree->path("good.m3u"));
    }
    const QString labelBefore = labelText(dlg, IDC_M3U_LABEL);
    openPlaylistFile(dlg, bad);

    QCOMPARE(m_scripted->messageBox.boxes.size(), std::size_t(1));
    const ScriptedMessageBox::Box& box = m_scripted->messageBox.boxes.front();
    QCOMPARE(box.text, QStringLiteral("Unable to open M3U for reading!"));
    QCOMPARE(box.caption, QStringLiteral("Error"));
    QCOMPARE(box.type, unsigned(MB_ICONSTOP));

    QCOMPARE(dlg.playlistPath(), bad);
    QCOMPARE(dlg.keepList().lines(), loadedBefore ? Lines {"kept.mp3"} : Lines {});
    QCOMPARE(labelText(dlg, IDC_M3U_LABEL), labelBefore);
    QCOMPARE(enabled(dlg, IDC_M3U_LABEL), loadedBefore);
    QCOMPARE(enabled(dlg, IDC_SELECT_DIR), loadedBefore);
}

void TestInputs::secondPlaylistReplacesKeepList()
{
    m_tree->wfile("one.m3u", "a.mp3\nb.mp3\n");
    m_tree->wfile("two.m3u", "c.mp3\n");
    m_tree->mkdirp("music");
    CPruneDlg dlg(m_scripted->services());
    openPlaylistFile(dlg, m_tree->path("one.m3u"));
    m_scripted->pathPicker.answers.push_back(m_tree->path("music/"));
    QTest::mouseClick(dlg.GetDlgItem(IDC_SELECT_DIR), Qt::LeftButton);
    openPlaylistFile(dlg, m_tree->path("two.m3u"));

    QCOMPARE(dlg.keepList().lines(), Lines {"c.mp3"});
    QCOMPARE(dlg.baseDir(), m_tree->path("music/"));
    QVERIFY(enabled(dlg, IDC_BEGIN_SCAN));
    QCOMPARE(labelText(dlg, IDC_M3U_LABEL), QString::fromStdString("M3U File: " + m_tree->path("two.m3u")));
}

void TestInputs::missingPlaylistLabel()
{
    TemplateWithout noLabel(IDC_M3U_LABEL);
    CPruneDlg dlg(m_scripted->services(), nullptr, noLabel.get());
    m_scripted->fileDialog.answers.push_back(m_tree->path("never-asked.m3u"));
    dlg.OnOpenM3u();

    QVERIFY(m_scripted->fileDialog.filters.empty());
    QCOMPARE(m_scripted->messageBox.boxes.size(), std::size_t(1));
    QCOMPARE(m_scripted->messageBox.boxes.front().text, QStringLiteral("Internal program error 0001!"));
    QCOMPARE(m_scripted->messageBox.boxes.front().caption, QStringLiteral("Error"));
    QCOMPARE(m_scripted->messageBox.boxes.front().type, unsigned(MB_ICONSTOP));
    QVERIFY(dlg.playlistPath().empty());
    QVERIFY(!enabled(dlg, IDC_SELECT_DIR));
}

void TestInputs::selectDirectory_data()
{
    QTest::addColumn<QByteArray>("relative");
    QTest::newRow("plain") << QByteArray("music");
    QTest::newRow("spaces and UTF-8") << QByteArray("My Müsic");
    QTest::newRow("longer than 1023 bytes") << QByteArray(200, 'd') + "/" + QByteArray(200, 'e') + "/"
            + QByteArray(200, 'f') + "/" + QByteArray(200, 'g') + "/" + QByteArray(200, 'h') + "/"
            + QByteArray(200, 'i');
}

void TestInputs::selectDirectory()
{
    QFETCH(QByteArray, relative);
    const std::string dir = m_tree->path(relative.toStdString()) + "/";
    CPruneDlg dlg(m_scripted->services());
    m_scripted->pathPicker.answers.push_back(dir);
    dlg.OnSelectDirectory();

    QCOMPARE(m_scripted->pathPicker.calls.size(), std::size_t(1));
    QCOMPARE(m_scripted->pathPicker.calls.front().title, QStringLiteral("Directory View"));
    QCOMPARE(m_scripted->pathPicker.calls.front().prompt, QStringLiteral("Please select a directory..."));
    QCOMPARE(m_scripted->pathPicker.calls.front().owner, &dlg);
    QCOMPARE(dlg.baseDir(), dir);
    QCOMPARE(labelText(dlg, IDC_BASEDIR_LABEL), "Base Directory: " + QString::fromStdString(dir));
    QVERIFY(enabled(dlg, IDC_BASEDIR_LABEL));
    QVERIFY(enabled(dlg, IDC_BEGIN_SCAN));
    QVERIFY(m_scripted->messageBox.boxes.empty());
}

void TestInputs::selectDirectoryCancelled()
{
    CPruneDlg dlg(m_scripted->services());
    m_scripted->pathPicker.answers.push_back(m_tree->root());
    m_scripted->pathPicker.answers.push_back(std::nullopt);
    dlg.OnSelectDirectory();
    dlg.OnSelectDirectory();

    QCOMPARE(m_scripted->pathPicker.calls.size(), std::size_t(2));
    QCOMPARE(dlg.baseDir(), m_tree->root());
    QCOMPARE(labelText(dlg, IDC_BASEDIR_LABEL), QString::fromStdString("Base Directory: " + m_tree->root()));
    QVERIFY(enabled(dlg, IDC_BEGIN_SCAN));
}

void TestInputs::secondDirectoryKeepsKeepList()
{
    m_tree->wfile("list.m3u", "a.mp3\n");
    CPruneDlg dlg(m_scripted->services());
    openPlaylistFile(dlg, m_tree->path("list.m3u"));
    m_scripted->pathPicker.answers.push_back(m_tree->path("first/"));
    m_scripted->pathPicker.answers.push_back(m_tree->path("second/"));
    dlg.OnSelectDirectory();
    dlg.OnSelectDirectory();

    QCOMPARE(dlg.baseDir(), m_tree->path("second/"));
    QCOMPARE(labelText(dlg, IDC_BASEDIR_LABEL), QString::fromStdString("Base Directory: " + m_tree->path("second/")));
    QCOMPARE(dlg.keepList().lines(), Lines {"a.mp3"});
    QVERIFY(enabled(dlg, IDC_BEGIN_SCAN));
}

void TestInputs::missingBaseDirLabel()
{
    TemplateWithout noLabel(IDC_BASEDIR_LABEL);
    CPruneDlg dlg(m_scripted->services(), nullptr, noLabel.get());
    m_scripted->pathPicker.answers.push_back(m_tree->root());
    dlg.OnSelectDirectory();

    QCOMPARE(m_scripted->pathPicker.calls.size(), std::size_t(1));
    QCOMPARE(m_scripted->messageBox.boxes.size(), std::size_t(1));
    QCOMPARE(m_scripted->messageBox.boxes.front().text, QStringLiteral("Internal program error 0002!"));
    QCOMPARE(m_scripted->messageBox.boxes.front().type, unsigned(MB_ICONSTOP));
    QVERIFY(dlg.baseDir().empty());
    QVERIFY(!enabled(dlg, IDC_BEGIN_SCAN));
}

QTEST_MAIN(TestInputs)
#include "tst_inputs.moc"
