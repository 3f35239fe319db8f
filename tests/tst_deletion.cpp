// Select All, Deselect All and Delete Files through the real dialog, on real files.

#include "DialogDriver.h"
#include "TempTree.h"

#include <QApplication>

#include <cerrno>
#include <filesystem>

using Rows = std::vector<std::string>;

namespace {

const QString kConfirm
    = QStringLiteral("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).");

} // namespace

class TestDeletion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void deletesExactlyTheSelectedRows();
    void deleteEveryRow();
    void nothingSelected_data();
    void nothingSelected();
    void cancelChangesNothing();
    void failures_data();
    void failures();
    void reportNamesTheFirstTen();
    void nonUtf8NameDeletesTheRightFile();
    void endToEnd_data();
    void endToEnd();

private:
    // Scans <tree>/music/ holding `files`, with a playlist that keeps `keep`.
    void scan(const Rows& files, const std::string& keep = "no-such-song.mp3");
    std::string base() const { return m_tree->path("music/"); }
    Rows filesLeft() const;

    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<DialogDriver> m_d;
};

void TestDeletion::init()
{
    m_tree = std::make_unique<TempTree>();
    m_d = std::make_unique<DialogDriver>();
    m_d->dlg().show();
}

void TestDeletion::scan(const Rows& files, const std::string& keep)
{
    m_tree->mkdirp("music");
    for (const std::string& file : files) {
        m_tree->wfile("music/" + file);
    }
    m_tree->wfile("list.m3u", keep);
    m_d->openPlaylist(m_tree->path("list.m3u"));
    m_d->selectDirectory(base());
    m_d->scan();
}

Rows TestDeletion::filesLeft() const
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

void TestDeletion::deletesExactlyTheSelectedRows()
{
    scan({"A.mp3", "B.mp3", "C.mp3", "D.mp3", "E.mp3"});
    m_d->toggleRow(1);
    m_d->toggleRow(3);
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {1, 3}));
    m_d->click(IDC_DELETE_FILES);

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE_BOX(boxes[0], kConfirm, "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION);
    QCOMPARE_BOX(boxes[1], "Selected files have been removed.", "Files Deleted", MB_OK);
    QCOMPARE(m_d->scripted.fileDeleter.removed, (Rows {base() + "B.mp3", base() + "D.mp3"}));
    QCOMPARE(filesLeft(), (Rows {"A.mp3", "C.mp3", "E.mp3"}));
    QCOMPARE(m_d->rows(), (Rows {base() + "A.mp3", base() + "C.mp3", base() + "E.mp3"}));
    QVERIFY(m_d->selectedRows().empty());
}

void TestDeletion::deleteEveryRow()
{
    scan({"a.mp3", "b/c.mp3", "d.mp3"});
    bool busyCursor = false;
    m_d->scripted.fileDeleter.onRemove = [&](const std::string&) {
        busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    m_d->click(IDC_SELECT_ALL);
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {0, 1, 2}));
    m_d->click(IDC_DELETE_FILES);

    QVERIFY(busyCursor && QApplication::overrideCursor() == nullptr);
    QCOMPARE(m_d->takeBoxes().size(), std::size_t(2));
    QVERIFY(m_d->rows().empty());
    QVERIFY(filesLeft().empty());
    for (int id : {IDC_FILE_LIST, IDC_DELETE_FILES, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT}) {
        QVERIFY2(m_d->enabled(id), qPrintable(m_d->item(id)->objectName()));
    }
    m_d->click(IDC_DELETE_FILES);
    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE_BOX(boxes[0], "No selections to delete!", "Error", MB_ICONEXCLAMATION);
}

void TestDeletion::nothingSelected_data()
{
    QTest::addColumn<bool>("emptyList");
    QTest::newRow("after Deselect All") << false;
    QTest::newRow("empty list, Select All") << true;
}

void TestDeletion::nothingSelected()
{
    QFETCH(bool, emptyList);
    // A line that every path contains keeps every file, so the list stays empty.
    scan({"a.mp3", "b.mp3"}, emptyList ? "music/" : "no-such-song.mp3");
    m_d->takeBoxes();
    m_d->click(IDC_SELECT_ALL);
    if (!emptyList) {
        m_d->toggleRow(0);
        QCOMPARE(m_d->selectedRows(), std::vector<int> {1});
        m_d->click(IDC_DESELECT_ALL);
    }
    QVERIFY(m_d->selectedRows().empty());
    QVERIFY(m_d->takeBoxes().empty());
    m_d->click(IDC_DELETE_FILES);

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(emptyList ? 0 : 1)); // Delete Files is not even enabled on an empty first list
    if (!emptyList) {
        QCOMPARE_BOX(boxes[0], "No selections to delete!", "Error", MB_ICONEXCLAMATION);
    }
    QVERIFY(m_d->scripted.fileDeleter.removed.empty());
    QCOMPARE(filesLeft().size(), std::size_t(2));
}

void TestDeletion::cancelChangesNothing()
{
    scan({"a.mp3", "b.mp3", "c.mp3"});
    m_d->toggleRow(0);
    m_d->toggleRow(2);
    m_d->scripted.messageBox.answers.push_back(IDCANCEL);
    m_d->click(IDC_DELETE_FILES);

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, kConfirm);
    QVERIFY(m_d->scripted.fileDeleter.removed.empty());
    QCOMPARE(filesLeft().size(), std::size_t(3));
    QCOMPARE(m_d->rows().size(), std::size_t(3));
    QCOMPARE(m_d->selectedRows(), (std::vector<int> {0, 2}));
}

void TestDeletion::failures_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("error");
    QTest::newRow("permission refused") << "seam" << EACCES;
    QTest::newRow("read-only mount") << "seam" << EROFS;
    QTest::newRow("a directory named x.mp3") << "directory" << EISDIR;
    QTest::newRow("removed behind our back counts as removed") << "gone" << 0;
}

void TestDeletion::failures()
{
    QFETCH(QString, how);
    QFETCH(int, error);
    // Rows a, b, c, x.mp3: one of b and x.mp3 goes wrong, the other is left unselected.
    scan({"a.mp3", "b.mp3", "c.mp3", "x.mp3/inside.txt"});
    QCOMPARE(m_d->rows().back(), base() + "x.mp3");
    const std::string troubled = base() + (how == "directory" ? "x.mp3" : "b.mp3");
    if (how == "seam") {
        m_d->scripted.fileDeleter.failing[troubled] = error;
    } else if (how == "gone") {
        std::filesystem::remove(troubled);
    }
    m_d->click(IDC_SELECT_ALL);
    m_d->toggleRow(how == "directory" ? 1 : 3);
    m_d->click(IDC_DELETE_FILES);

    const auto boxes = m_d->takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    if (error == 0) {
        QCOMPARE(boxes[1].text, QStringLiteral("Selected files have been removed."));
        QCOMPARE(m_d->rows(), Rows {base() + "x.mp3"});
        return;
    }
    QCOMPARE(boxes[1].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[1].type, unsigned(MB_ICONEXCLAMATION));
    QVERIFY2(boxes[1].text.startsWith("1 of the 3 selected files could not be deleted"), qPrintable(boxes[1].text));
    QVERIFY(boxes[1].text.contains(QString::fromStdString(troubled)));
    QVERIFY(boxes[1].text.contains(qt_error_string(error)));
    QCOMPARE(m_d->rows(), (Rows {base() + "b.mp3", base() + "x.mp3"}));
    // The failed row stays selected; the row left out stays unselected.
    QCOMPARE(m_d->selectedRows(), std::vector<int> {how == "directory" ? 1 : 0});
    QVERIFY(std::filesystem::exists(troubled));
}

void TestDeletion::reportNamesTheFirstTen()
{
    Rows files;
    for (int i = 10; i < 24; ++i) {
        files.push_back("f" + std::to_string(i) + ".mp3");
        if (i < 22) {
            m_d->scripted.fileDeleter.failing[base() + files.back()] = EPERM;
        }
    }
    scan(files);
    m_d->click(IDC_SELECT_ALL);
    m_d->click(IDC_DELETE_FILES);

    const QString report = m_d->takeBoxes().at(1).text;
    QVERIFY2(report.startsWith("12 of the 14 selected files could not be deleted"), qPrintable(report));
    QVERIFY(report.contains(QString::fromStdString(base() + "f19.mp3")));
    QVERIFY(!report.contains(QString::fromStdString(base() + "f20.mp3")));
    QVERIFY(report.contains("and 2 more"));
    QCOMPARE(m_d->selectedRows().size(), std::size_t(12));
}

void TestDeletion::nonUtf8NameDeletesTheRightFile()
{
    scan({"caf\xE9.mp3", "café.mp3"});
    m_d->toggleRow(m_d->rows()[0] == base() + "caf\xE9.mp3" ? 0 : 1);
    m_d->click(IDC_DELETE_FILES);
    QCOMPARE(filesLeft(), Rows {"café.mp3"});
    QCOMPARE(m_d->rows(), Rows {base() + "café.mp3"});
}

void TestDeletion::endToEnd_data()
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

void TestDeletion::endToEnd()
{
    QFETCH(QByteArray, playlist);
    const Rows kept = {"Abba/Gold/01 - Dancing Queen.mp3", "Björk/Post/03 - Army of Me.MP3"};
    const Rows others = {"Abba/Gold/cover.jpg", "Björk/Post/03 - Army of Me.flac", "notes.txt"};
    scan({kept[0], kept[1], others[0], others[1], others[2], "Abba/Gold/02 - Knowing Me.mp3",
          "Björk/Debut/Human Behaviour.mp3", "Queen/live.mp3.bak", "Zappa/song.mp3"},
         playlist.toStdString());
    QCOMPARE(m_d->rows().size(), std::size_t(4));
    m_d->click(IDC_SELECT_ALL);
    m_d->click(IDC_DELETE_FILES);
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

QTEST_MAIN(TestDeletion)
#include "tst_deletion.moc"
