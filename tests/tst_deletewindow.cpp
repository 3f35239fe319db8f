// Select All, Deselect All and Delete Files through the real window, on real files.

#include "DialogDriver.h"
#include "TempTree.h"

#include <cerrno>
#include <filesystem>

using Rows = std::vector<std::string>;

namespace {

const QString kConfirm
    = QStringLiteral("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).");

} // namespace

class TestDeleteWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void deletesExactlyTheSelectedRows();
    void deleteEveryRow();
    void nothingSelected_data();
    void nothingSelected();
    void cancelChangesNothing();
    void failureStaysSelected();
    void pathLongerThanTheSystemTakes();
    void endToEnd_data();
    void endToEnd();

private:
    // Scans <tree>/music/ holding `files`, with the playlist `playlist`.
    void scan(const Rows& files, const std::string& playlist = "no-such-song.mp3\n");
    std::string base() const { return m_tree->path("music/"); }
    Rows filesLeft() const;

    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<DialogDriver> m_d;
};

void TestDeleteWindow::init()
{
    m_tree = std::make_unique<TempTree>();
    m_d = std::make_unique<DialogDriver>();
    m_d->dlg().show();
}

void TestDeleteWindow::cleanup()
{
    m_d.reset();
    m_tree.reset();
}

void TestDeleteWindow::scan(const Rows& files, const std::string& playlist)
{
    m_tree->mkdirp("music");
    for (const std::string& file : files) {
        m_tree->wfile("music/" + file);
    }
    m_tree->wfile("list.m3u", playlist);
    m_d->openPlaylist(m_tree->path("list.m3u"));
    m_d->selectDirectory(base());
    m_d->scan();
}

Rows TestDeleteWindow::filesLeft() const
{
    Rows left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(base())) {
        if (!entry.is_directory()) {
            left.push_back(entry.path().string().substr(base().size()));
        }
    }
    std::sort(left.begin(), left.end());
    return left;
}

void TestDeleteWindow::deletesExactlyTheSelectedRows()
{
    scan({"A.mp3", "B.mp3", "C.mp3", "D.mp3", "E.mp3"});
    m_d->toggleRow(1);
    m_d->toggleRow(3);
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {1, 3}));
    m_d->deleteFiles();

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE_BOX(boxes[0], kConfirm, "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION);
    QCOMPARE_BOX(boxes[1], "Selected files have been removed.", "Files Deleted", MB_OK);
    QCOMPARE(m_d->scripted.fileDeleter.removed, (Rows {base() + "B.mp3", base() + "D.mp3"}));
    QCOMPARE(filesLeft(), (Rows {"A.mp3", "C.mp3", "E.mp3"}));
    QCOMPARE(m_d->rows(), (Rows {base() + "A.mp3", base() + "C.mp3", base() + "E.mp3"}));
    QVERIFY(m_d->selectedRows().empty());
    QVERIFY(m_d->text(IDC_PLAYLIST_CHECK).endsWith("<br>3 files, 0 bytes; 0 selected, 0 bytes")
            || m_d->text(IDC_PLAYLIST_CHECK).endsWith("<br>3 files; 0 selected"));
}

void TestDeleteWindow::deleteEveryRow()
{
    scan({"a.mp3", "b/c.mp3", "d.mp3"});
    bool busy = false;
    m_d->scripted.fileDeleter.onRemove = [&](const std::string&) {
        busy = busy || m_d->dlg().isWorking();
    };
    m_d->click(IDC_SELECT_ALL);
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {0, 1, 2}));
    m_d->deleteFiles();

    QVERIFY(busy && !m_d->dlg().isWorking());
    QCOMPARE(m_d->takeBoxes().size(), std::size_t(2));
    QVERIFY(m_d->rows().empty());
    QVERIFY(filesLeft().empty());
    for (int id : {IDC_FILE_LIST, IDC_DELETE_FILES, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT}) {
        QVERIFY2(m_d->enabled(id), qPrintable(m_d->item(id)->objectName()));
    }
    m_d->deleteFiles();
    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE_BOX(boxes[0], "No selections to delete!", "Error", MB_ICONEXCLAMATION);
}

void TestDeleteWindow::nothingSelected_data()
{
    QTest::addColumn<bool>("emptyList");
    QTest::newRow("after Deselect All") << false;
    QTest::newRow("empty list, Select All") << true;
}

void TestDeleteWindow::nothingSelected()
{
    QFETCH(bool, emptyList);
    // A line that every path contains keeps every file, so the list stays empty.
    scan({"a.mp3", "b.mp3"}, emptyList ? "music/\n" : "no-such-song.mp3\n");
    m_d->takeBoxes();
    m_d->click(IDC_SELECT_ALL);
    if (!emptyList) {
        m_d->toggleRow(0);
        QCOMPARE(m_d->selectedRows(), std::vector<int> {1});
        m_d->click(IDC_DESELECT_ALL);
    }
    QVERIFY(m_d->selectedRows().empty());
    QVERIFY(m_d->takeBoxes().empty());
    if (!emptyList) {
        m_d->deleteFiles();
        const auto boxes = m_d->takeBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE_BOX(boxes[0], "No selections to delete!", "Error", MB_ICONEXCLAMATION);
    } else {
        QVERIFY(!m_d->enabled(IDC_DELETE_FILES)); // never enabled over an empty first list
    }
    QVERIFY(m_d->scripted.fileDeleter.removed.empty());
    QCOMPARE(filesLeft().size(), std::size_t(2));
}

void TestDeleteWindow::cancelChangesNothing()
{
    scan({"a.mp3", "b.mp3", "c.mp3"});
    m_d->toggleRow(0);
    m_d->toggleRow(2);
    m_d->scripted.messageBox.answers.push_back(IDCANCEL);
    m_d->deleteFiles();

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, kConfirm);
    QVERIFY(m_d->scripted.fileDeleter.removed.empty());
    QCOMPARE(filesLeft().size(), std::size_t(3));
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {0, 2}));
}

// What the core reports shows in the box; the failed row stays, selected, at its new place.
void TestDeleteWindow::failureStaysSelected()
{
    scan({"a.mp3", "b.mp3", "c.mp3", "x.mp3/inside.txt"});
    QCOMPARE(m_d->rows().back(), base() + "x.mp3");
    m_d->scripted.fileDeleter.failing[base() + "c.mp3"] = EACCES;
    m_d->click(IDC_SELECT_ALL);
    m_d->toggleRow(1);
    m_d->deleteFiles();

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[1].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[1].type, unsigned(MB_ICONEXCLAMATION));
    QVERIFY2(boxes[1].text.startsWith("2 of the 3 selected files could not be deleted"), qPrintable(boxes[1].text));
    QCOMPARE(m_d->rows(), (Rows {base() + "b.mp3", base() + "c.mp3", base() + "x.mp3"}));
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {1, 2}));
    QCOMPARE(filesLeft(), (Rows {"b.mp3", "c.mp3", "x.mp3/inside.txt"}));
}

// PATH_MAX is 4,096 bytes; the scan and the deletion go through descriptors, not whole paths.
void TestDeleteWindow::pathLongerThanTheSystemTakes()
{
    std::string wide;
    for (int i = 0; i < 20; ++i) {
        wide += std::string(240, char('a' + i)) + "/";
    }
    m_tree->wfile("music/" + wide + "long.mp3");
    m_tree->wfile("music/" + wide + "keep.mp3");
    scan({}, "keep.mp3\n");
    QCOMPARE(m_d->rows(), Rows {base() + wide + "long.mp3"});
    QVERIFY(m_d->rows()[0].size() > 4096);
    m_d->click(IDC_SELECT_ALL);
    m_d->deleteFiles();
    QCOMPARE(m_d->takeBoxes().at(1).text, QStringLiteral("Selected files have been removed."));
    QVERIFY(!m_tree->exists("music/" + wide + "long.mp3"));
    QVERIFY(m_tree->exists("music/" + wide + "keep.mp3"));
}

void TestDeleteWindow::endToEnd_data()
{
    QTest::addColumn<QByteArray>("playlist");
    QTest::newRow("drive letter, Windows-1252")
        << QByteArray("#EXTINF:231,ABBA - Dancing Queen\r\nD:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3\r\n"
                      "#EXTINF:1,x\r\nBj\xF6rk/Post/03 - Army of Me.mp3\r");
    QTest::newRow("Android and Mac roots")
        << QByteArray("#EXTM3U\n/storage/emulated/0/Music/Abba/Gold/01 - Dancing Queen.mp3\n\n"
                      "/Users/anna/Music/iTunes/iTunes Media/Music/Björk/Post/03 - Army of Me.mp3\n");
    QTest::newRow("UTF-16 from another drive and a NAS") << QByteArray::fromStdString(
        utf16Bytes(u"\uFEFF#EXTM3U\r\n\r\nE:\\Audio\\Abba\\Gold\\01 - Dancing Queen.mp3\r\n"
                   u"\r\n\\\\nas\\music\\Bj\u00F6rk\\Post\\03 - Army of Me.mp3\r\n"));
}

void TestDeleteWindow::endToEnd()
{
    QFETCH(QByteArray, playlist);
    const Rows kept = {"Abba/Gold/01 - Dancing Queen.mp3", "Björk/Post/03 - Army of Me.MP3"};
    const Rows others = {"Abba/Gold/cover.jpg", "Björk/Post/03 - Army of Me.flac", "notes.txt"};
    scan({kept[0], kept[1], others[0], others[1], others[2], "Abba/Gold/02 - Knowing Me.mp3",
          "Björk/Debut/Human Behaviour.mp3", "Queen/live.mp3.bak", "Zappa/song.mp3"},
         playlist.toStdString());
    QCOMPARE(m_d->rows().size(), std::size_t(4));
    m_d->click(IDC_SELECT_ALL);
    m_d->deleteFiles();
    QCOMPARE(m_d->takeBoxes().size(), std::size_t(2));

    Rows expected = kept;
    expected.insert(expected.end(), others.begin(), others.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(filesLeft(), expected);
    // A scan that follows starts from scratch and finds nothing left to delete.
    m_d->scan();
    QVERIFY(m_d->rows().empty());
    QCOMPARE(m_d->takeBoxes().at(0).text, QStringLiteral("No unwanted mp3 files found in that directory!"));
}

QTEST_MAIN(TestDeleteWindow)
#include "tst_deletewindow.moc"
