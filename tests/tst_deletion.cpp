// Select All, Deselect All and Delete Files through the real dialog, on real files.

#include "DialogDriver.h"
#include "TempTree.h"
#include "resources/Resource.h"

#include <QApplication>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <dirent.h>

using Rows = std::vector<std::string>;

namespace {

const QString kConfirm
    = QStringLiteral("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).");

// Every file below `dir`, relative to it, sorted.
void filesBelow(const std::string& dir, const std::string& prefix, Rows& out)
{
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (entry->d_type == DT_DIR) {
            filesBelow(dir + name + "/", prefix + name + "/", out);
        } else {
            out.push_back(prefix + name);
        }
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
}

} // namespace

class TestDeletion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void deletesExactlyTheSelectedRows();
    void selectAllDeleteAllThenNothingSelected();
    void selectionCommandsOnEmptyList();
    void deselectAllThenDelete();
    void cancelChangesNothing();
    void failures_data();
    void failures();
    void reportNamesTheFirstTen();
    void nonUtf8NameDeletesTheRightFile();
    void endToEnd();

private:
    // Scans <tree>/music/ holding `files`, with a playlist that keeps none of them.
    void scanFiles(const Rows& files);
    std::string base() const { return m_tree->path("music/"); }

    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<DialogDriver> m_driver;
};

void TestDeletion::init()
{
    m_tree = std::make_unique<TempTree>();
    m_driver = std::make_unique<DialogDriver>();
    m_driver->dlg().show();
}

void TestDeletion::scanFiles(const Rows& files)
{
    m_tree->mkdirp("music");
    for (const std::string& file : files) {
        m_tree->wfile("music/" + file);
    }
    m_tree->wfile("list.m3u", "#EXTM3U\nkeeps-nothing.mp3\n");
    m_driver->openPlaylist(m_tree->path("list.m3u"));
    m_driver->selectDirectory(base());
    m_driver->scan();
    QCOMPARE(m_driver->rows().size(), files.size());
    QVERIFY(m_driver->takeBoxes().empty());
}

void TestDeletion::deletesExactlyTheSelectedRows()
{
    scanFiles({"A.mp3", "B.mp3", "C.mp3", "D.mp3", "E.mp3"});
    m_driver->toggleRow(1);
    m_driver->toggleRow(3);
    QCOMPARE(m_driver->selectedRows(), (std::vector<int> {1, 3}));
    m_driver->click(IDC_DELETE_FILES);

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[0].text, kConfirm);
    QCOMPARE(boxes[0].caption, QStringLiteral("Warning"));
    QCOMPARE(boxes[0].type, unsigned(MB_OKCANCEL | MB_ICONEXCLAMATION));
    QCOMPARE(boxes[1].text, QStringLiteral("Selected files have been removed."));
    QCOMPARE(boxes[1].caption, QStringLiteral("Files Deleted"));
    QCOMPARE(boxes[1].type, unsigned(MB_OK));

    QCOMPARE(m_driver->scripted.fileDeleter.removed, (Rows {base() + "B.mp3", base() + "D.mp3"}));
    Rows left;
    filesBelow(base(), "", left);
    QCOMPARE(left, (Rows {"A.mp3", "C.mp3", "E.mp3"}));
    QCOMPARE(m_driver->rows(), (Rows {base() + "A.mp3", base() + "C.mp3", base() + "E.mp3"}));
    QVERIFY(m_driver->selectedRows().empty());
}

void TestDeletion::selectAllDeleteAllThenNothingSelected()
{
    scanFiles({"a.mp3", "b/c.mp3", "d.mp3"});
    bool busyCursor = false;
    m_driver->scripted.fileDeleter.onRemove = [&](const std::string&) {
        busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    m_driver->click(IDC_SELECT_ALL);
    QCOMPARE(m_driver->selectedRows(), (std::vector<int> {0, 1, 2}));
    m_driver->click(IDC_DELETE_FILES);

    QVERIFY(busyCursor);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(m_driver->takeBoxes().size(), std::size_t(2));
    QVERIFY(m_driver->rows().empty());
    for (int id : {IDC_FILE_LIST, IDC_DELETE_FILES, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT}) {
        QVERIFY2(m_driver->enabled(id), qPrintable(m_driver->item(id)->objectName()));
    }

    m_driver->click(IDC_DELETE_FILES);
    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, QStringLiteral("No selections to delete!"));
    QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[0].type, unsigned(MB_ICONEXCLAMATION));
}

void TestDeletion::selectionCommandsOnEmptyList()
{
    m_tree->wfile("list.m3u", "\n"); // an empty line keeps everything
    m_tree->wfile("music/a.mp3");
    m_driver->openPlaylist(m_tree->path("list.m3u"));
    m_driver->selectDirectory(base());
    m_driver->scan();
    QCOMPARE(m_driver->takeBoxes().size(), std::size_t(1));
    QVERIFY(m_driver->enabled(IDC_SELECT_ALL));

    m_driver->click(IDC_SELECT_ALL);
    m_driver->click(IDC_DESELECT_ALL);
    QVERIFY(m_driver->takeBoxes().empty());
    QVERIFY(m_driver->selectedRows().empty());
}

void TestDeletion::deselectAllThenDelete()
{
    scanFiles({"a.mp3", "b.mp3"});
    m_driver->click(IDC_SELECT_ALL);
    m_driver->toggleRow(0);
    QCOMPARE(m_driver->selectedRows(), std::vector<int> {1});
    m_driver->click(IDC_DESELECT_ALL);
    QVERIFY(m_driver->selectedRows().empty());
    m_driver->click(IDC_DELETE_FILES);

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, QStringLiteral("No selections to delete!"));
    QVERIFY(m_driver->scripted.fileDeleter.removed.empty());
    QCOMPARE(m_driver->rows().size(), std::size_t(2));
}

void TestDeletion::cancelChangesNothing()
{
    scanFiles({"a.mp3", "b.mp3", "c.mp3"});
    m_driver->toggleRow(0);
    m_driver->toggleRow(2);
    m_driver->scripted.messageBox.answers.push_back(IDCANCEL);
    m_driver->click(IDC_DELETE_FILES);

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, kConfirm);
    QVERIFY(m_driver->scripted.fileDeleter.removed.empty());
    QVERIFY(m_tree->exists("music/a.mp3") && m_tree->exists("music/c.mp3"));
    QCOMPARE(m_driver->rows().size(), std::size_t(3));
    QCOMPARE(m_driver->selectedRows(), (std::vector<int> {0, 2}));
}

void TestDeletion::failures_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("error");
    QTest::newRow("permission refused") << "seam" << EACCES;
    QTest::newRow("read-only mount") << "seam" << EROFS;
    QTest::newRow("a directory named x.mp3") << "directory" << EISDIR;
    QTest::newRow("already gone counts as removed") << "gone" << 0;
}

void TestDeletion::failures()
{
    QFETCH(QString, how);
    QFETCH(int, error);

    scanFiles({"a.mp3", "b.mp3", "c.mp3", "x.mp3/inside.txt"});
    QCOMPARE(m_driver->rows().back(), base() + "x.mp3");
    // Rows a, b, c, x.mp3: one of b and x.mp3 goes wrong, the other is left unselected.
    const std::string troubled = how == "directory" ? base() + "x.mp3" : base() + "b.mp3";
    if (how == "seam") {
        m_driver->scripted.fileDeleter.failing[troubled] = error;
    } else if (how == "gone") {
        QVERIFY(std::remove(troubled.c_str()) == 0);
    }
    m_driver->click(IDC_SELECT_ALL);
    m_driver->toggleRow(how == "directory" ? 1 : 3); // leave one other row out
    m_driver->click(IDC_DELETE_FILES);

    const auto boxes = m_driver->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    if (error == 0) {
        QCOMPARE(boxes[1].text, QStringLiteral("Selected files have been removed."));
        QCOMPARE(m_driver->rows(), Rows {base() + "x.mp3"});
        return;
    }
    QCOMPARE(boxes[1].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[1].type, unsigned(MB_ICONEXCLAMATION));
    QVERIFY2(boxes[1].text.startsWith(QStringLiteral("1 of the 3 selected files could not be deleted")),
             qPrintable(boxes[1].text));
    QVERIFY(boxes[1].text.contains(QString::fromStdString(troubled)));
    QVERIFY(boxes[1].text.contains(qt_error_string(error)));

    QCOMPARE(m_driver->rows(), (Rows {base() + "b.mp3", base() + "x.mp3"}));
    // The row that failed stays selected; the row left out stays unselected.
    QCOMPARE(m_driver->selectedRows(), std::vector<int> {how == "directory" ? 1 : 0});
    QVERIFY(m_tree->exists(troubled.substr(m_tree->root().size())));
}

void TestDeletion::reportNamesTheFirstTen()
{
    Rows files;
    for (int i = 0; i < 14; ++i) {
        files.push_back("f" + std::to_string(10 + i) + ".mp3");
    }
    scanFiles(files);
    for (int i = 0; i < 12; ++i) {
        m_driver->scripted.fileDeleter.failing[base() + files[static_cast<std::size_t>(i)]] = EPERM;
    }
    m_driver->click(IDC_SELECT_ALL);
    m_driver->click(IDC_DELETE_FILES);

    const QString report = m_driver->takeBoxes().at(1).text;
    QVERIFY2(report.startsWith(QStringLiteral("12 of the 14 selected files could not be deleted")), qPrintable(report));
    QVERIFY(report.contains(QString::fromStdString(base() + "f19.mp3")));
    QVERIFY(!report.contains(QString::fromStdString(base() + "f20.mp3")));
    QVERIFY(report.contains(QStringLiteral("and 2 more")));
    QCOMPARE(m_driver->rows().size(), std::size_t(12));
    QCOMPARE(m_driver->selectedRows().size(), std::size_t(12));
}

void TestDeletion::nonUtf8NameDeletesTheRightFile()
{
    scanFiles({"caf\xE9.mp3", "café.mp3"});
    const int latin = m_driver->rows()[0] == base() + "caf\xE9.mp3" ? 0 : 1;
    m_driver->toggleRow(latin);
    m_driver->click(IDC_DELETE_FILES);

    QVERIFY(!m_tree->exists("music/caf\xE9.mp3"));
    QVERIFY(m_tree->exists("music/café.mp3"));
    QCOMPARE(m_driver->rows(), Rows {base() + "café.mp3"});
}

void TestDeletion::endToEnd()
{
    const Rows kept = {"Abba/Gold/01 - Dancing Queen.mp3", "Björk/Post/03 - Army of Me.MP3", "Queen/live.mp3"};
    const Rows others = {"Abba/Gold/cover.jpg", "Björk/Post/03 - Army of Me.flac", "notes.txt"};
    const Rows unwanted
        = {"Abba/Gold/02 - Knowing Me.mp3", "Björk/Debut/Human Behaviour.mp3", "Queen/live.mp3.bak", "Zappa/song.mp3"};
    for (const Rows* files : {&kept, &others, &unwanted}) {
        for (const std::string& file : *files) {
            m_tree->wfile("music/" + file);
        }
    }
    m_tree->wfile("list.m3u",
                  "#EXTM3U\r\n#EXTINF:231,ABBA - Dancing Queen\r\nD:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3\r\n"
                  "#EXTINF:1,x\r\nBj\xF6rk/Post/03 - Army of Me.mp3\r\n/home/somebody/Music/Queen/Live.mp3");
    m_driver->openPlaylist(m_tree->path("list.m3u"));
    m_driver->selectDirectory(base());
    m_driver->scan();
    QVERIFY(m_driver->takeBoxes().empty());
    // The playlist's last line has an absolute path elsewhere; only its file part matches nothing.
    Rows listed = m_driver->rows();
    QVERIFY(std::find(listed.begin(), listed.end(), base() + "Queen/live.mp3") != listed.end());

    // Keep the one the user recognises, delete the rest.
    m_driver->click(IDC_SELECT_ALL);
    m_driver->toggleRow(
        static_cast<int>(std::find(listed.begin(), listed.end(), base() + "Queen/live.mp3") - listed.begin()));
    m_driver->click(IDC_DELETE_FILES);
    QCOMPARE(m_driver->takeBoxes().size(), std::size_t(2));

    Rows expected = kept;
    expected.insert(expected.end(), others.begin(), others.end());
    std::sort(expected.begin(), expected.end());
    Rows left;
    filesBelow(base(), "", left);
    QCOMPARE(left, expected);

    m_driver->scan();
    QCOMPARE(m_driver->rows(), Rows {base() + "Queen/live.mp3"});
}

QTEST_MAIN(TestDeletion)
#include "tst_deletion.moc"
