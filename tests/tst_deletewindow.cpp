// Select All, Deselect All and Delete Files through the real window, on real files.

#include "DialogDriver.h"

#include <cerrno>
#include <filesystem>

using Rows = std::vector<std::string>;

namespace {

const QString kConfirm
    = QStringLiteral("Are you sure!?\n\nThese file will be permanently deleted (not sent to the Recycling Bin).");

Rows filesLeft(const std::string& base)
{
    Rows left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(base)) {
        if (!entry.is_directory()) {
            left.push_back(entry.path().string().substr(base.size()));
        }
    }
    std::sort(left.begin(), left.end());
    return left;
}

} // namespace

class TestDeleteWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deletesExactlyTheSelectedRows();
    void nothingSelectedOrCancelled();
    void failureStaysSelected();
    void pathLongerThanTheSystemTakes();
    void endToEnd_data();
    void endToEnd();
};

void TestDeleteWindow::deletesExactlyTheSelectedRows()
{
    MusicWindow w;
    w.scan({"A.mp3", "B.mp3", "C.mp3", "D.mp3", "E.mp3"});
    bool busy = false;
    w.d.scripted.fileDeleter.onRemove = [&](const std::string&) {
        busy = busy || w.d.dlg().isWorking();
    };
    w.d.toggleRow(1);
    w.d.toggleRow(3);
    w.d.deleteFiles();

    const auto boxes = w.d.takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE_BOX(boxes[0], kConfirm, "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION);
    QCOMPARE_BOX(boxes[1], "Selected files have been removed.", "Files Deleted", MB_OK);
    QVERIFY(busy && !w.d.dlg().isWorking());
    QCOMPARE(w.d.scripted.fileDeleter.removed, (Rows {w.base() + "B.mp3", w.base() + "D.mp3"}));
    QCOMPARE(filesLeft(w.base()), (Rows {"A.mp3", "C.mp3", "E.mp3"}));
    QCOMPARE(w.d.rows(), (Rows {w.base() + "A.mp3", w.base() + "C.mp3", w.base() + "E.mp3"}));
    QVERIFY(w.d.selectedRows().empty());
}

void TestDeleteWindow::nothingSelectedOrCancelled()
{
    MusicWindow w;
    w.scan({"a.mp3", "b.mp3", "c.mp3"});
    w.d.click(IDC_SELECT_ALL);
    w.d.click(IDC_DESELECT_ALL);
    w.d.deleteFiles();
    auto boxes = w.d.takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE_BOX(boxes[0], "No selections to delete!", "Error", MB_ICONEXCLAMATION);

    w.d.toggleRow(0);
    w.d.toggleRow(2);
    w.d.scripted.messageBox.answers.push_back(IDCANCEL);
    w.d.deleteFiles();
    boxes = w.d.takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, kConfirm);
    QVERIFY(w.d.scripted.fileDeleter.removed.empty());
    QCOMPARE(filesLeft(w.base()).size(), std::size_t(3));
    QCOMPARE(w.d.selectedRows(), (std::vector<int> {0, 2}));
}

// What the core reports shows in the box; the failed rows stay, selected, at their new places.
void TestDeleteWindow::failureStaysSelected()
{
    MusicWindow w;
    w.scan({"a.mp3", "b.mp3", "c.mp3", "x.mp3/inside.txt"});
    QCOMPARE(w.d.rows().back(), w.base() + "x.mp3");
    w.d.scripted.fileDeleter.failing[w.base() + "c.mp3"] = EACCES;
    w.d.click(IDC_SELECT_ALL);
    w.d.toggleRow(1);
    w.d.deleteFiles();

    const auto boxes = w.d.takeBoxes();
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[1].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[1].type, unsigned(MB_ICONEXCLAMATION));
    QVERIFY2(boxes[1].text.startsWith("2 of the 3 selected files could not be deleted"), qPrintable(boxes[1].text));
    QCOMPARE(w.d.rows(), (Rows {w.base() + "b.mp3", w.base() + "c.mp3", w.base() + "x.mp3"}));
    QCOMPARE(w.d.selectedRows(), (std::vector<int> {1, 2}));
    QCOMPARE(filesLeft(w.base()), (Rows {"b.mp3", "c.mp3", "x.mp3/inside.txt"}));
}

// PATH_MAX is 4,096 bytes; the scan and the deletion go through descriptors, not whole paths.
void TestDeleteWindow::pathLongerThanTheSystemTakes()
{
    std::string wide;
    for (int i = 0; i < 20; ++i) {
        wide += std::string(240, char('a' + i)) + "/";
    }
    MusicWindow w;
    w.scan({wide + "long.mp3", wide + "keep.mp3"}, "keep.mp3\n");
    QCOMPARE(w.d.rows(), Rows {w.base() + wide + "long.mp3"});
    QVERIFY(w.d.rows()[0].size() > 4096);
    w.d.click(IDC_SELECT_ALL);
    w.d.deleteFiles();
    QCOMPARE(w.d.takeBoxes().at(1).text, QStringLiteral("Selected files have been removed."));
    QVERIFY(!w.tree.exists("music/" + wide + "long.mp3"));
    QVERIFY(w.tree.exists("music/" + wide + "keep.mp3"));
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

// Every unnamed mp3 file goes, nothing else; the emptied list keeps its buttons.
void TestDeleteWindow::endToEnd()
{
    QFETCH(QByteArray, playlist);
    const Rows kept = {"Abba/Gold/01 - Dancing Queen.mp3", "Björk/Post/03 - Army of Me.MP3"};
    const Rows others = {"Abba/Gold/cover.jpg", "Björk/Post/03 - Army of Me.flac", "notes.txt"};
    MusicWindow w;
    w.scan({kept[0], kept[1], others[0], others[1], others[2], "Abba/Gold/02 - Knowing Me.mp3",
            "Björk/Debut/Human Behaviour.mp3", "Queen/live.mp3.bak", "Zappa/song.mp3"},
           playlist.toStdString());
    QCOMPARE(w.d.rows().size(), std::size_t(4));
    w.d.click(IDC_SELECT_ALL);
    w.d.deleteFiles();
    QCOMPARE(w.d.takeBoxes().size(), std::size_t(2));

    Rows expected = kept;
    expected.insert(expected.end(), others.begin(), others.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(filesLeft(w.base()), expected);
    QVERIFY(w.d.rows().empty());
    for (int id : {IDC_FILE_LIST, IDC_DELETE_FILES, IDC_SELECT_ALL, IDC_DESELECT_ALL, IDC_SELECT_PROMPT}) {
        QVERIFY2(w.d.enabled(id), qPrintable(w.d.item(id)->objectName()));
    }
    // A scan that follows starts from scratch and finds nothing left to delete.
    w.d.scan();
    QCOMPARE(w.d.takeBoxes().at(0).text, QStringLiteral("No unwanted mp3 files found in that directory!"));
}

QTEST_MAIN(TestDeleteWindow)
#include "tst_deletewindow.moc"
