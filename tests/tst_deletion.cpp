// Deletion in the core, on real trees changed between the scan and the deletion: what is gone,
// what failed and why, which rows stay selected.

#include "Deletion.h"
#include "TreeWalk.h"

#include "Scripted.h"
#include "TempTree.h"

#include <QByteArrayList>
#include <QTest>

#include <filesystem>

#include <cerrno>

using Rows = std::vector<std::size_t>;

class TestDeletion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outcome_data();
    void outcome();
    void stillSelected_data();
    void stillSelected();
    void reportNamesTheFirstTen();
};

void TestDeletion::outcome_data()
{
    QTest::addColumn<QString>("change"); // made to the tree between the scan and the deletion
    QTest::addColumn<QByteArrayList>("failed"); // path: reason
    QTest::addColumn<QByteArrayList>("left"); // every file left, below the tree
    const QByteArray changed = QByteArray::number(IFileDeleter::kChanged);
    const QByteArray isDir = QByteArray::number(EISDIR);
    QTest::newRow("nothing") << "" << QByteArrayList {"x.mp3: " + isDir} << QByteArrayList {"elsewhere/Album/a.mp3"};
    QTest::newRow("folder swapped for a link")
        << "link" << QByteArrayList {"Album/a.mp3: " + changed, "Album/b.mp3: " + changed, "x.mp3: " + isDir}
        << QByteArrayList {"elsewhere/Album/a.mp3", "m/Album.old/a.mp3", "m/Album.old/b.mp3"};
    QTest::newRow("file replaced by another of the same name")
        << "replace" << QByteArrayList {"c.mp3: " + changed, "x.mp3: " + isDir}
        << QByteArrayList {"elsewhere/Album/a.mp3", "m/c.mp3"};
    QTest::newRow("file replaced by a folder") << "folder" << QByteArrayList {"c.mp3: " + changed, "x.mp3: " + isDir}
                                               << QByteArrayList {"elsewhere/Album/a.mp3"};
    QTest::newRow("already gone counts as deleted")
        << "gone" << QByteArrayList {"x.mp3: " + isDir} << QByteArrayList {"elsewhere/Album/a.mp3"};
    QTest::newRow("permission refused") << "EACCES"
                                        << QByteArrayList {"c.mp3: " + QByteArray::number(EACCES), "x.mp3: " + isDir}
                                        << QByteArrayList {"elsewhere/Album/a.mp3", "m/c.mp3"};
    QTest::newRow("read-only mount") << "EROFS"
                                     << QByteArrayList {"c.mp3: " + QByteArray::number(EROFS), "x.mp3: " + isDir}
                                     << QByteArrayList {"elsewhere/Album/a.mp3", "m/c.mp3"};
}

void TestDeletion::outcome()
{
    QFETCH(QString, change);
    QFETCH(QByteArrayList, failed);
    QFETCH(QByteArrayList, left);
    TempTree tree;
    for (const char* name : {"m/Album/a.mp3", "m/Album/b.mp3", "m/c.mp3", "elsewhere/Album/a.mp3"}) {
        tree.wfile(name);
    }
    tree.mkdirp("m/x.mp3");
    ScriptedDirLister lister;
    const Mp3Collection found = collectMp3s(lister, tree.path("m/"));
    std::vector<DeletionRequest> requests;
    for (std::uint32_t entry = 0; entry < found.entries.size(); ++entry) {
        requests.push_back(deletionRequest(found, entry, entry));
    }
    ScriptedFileDeleter deleter;
    if (change == "link") {
        std::filesystem::rename(tree.path("m/Album"), tree.path("m/Album.old"));
        tree.symlink(tree.path("elsewhere/Album"), "m/Album");
    } else if (change == "replace") {
        tree.wfile("m/c.mp3.part", "new");
        std::filesystem::rename(tree.path("m/c.mp3.part"), tree.path("m/c.mp3"));
    } else if (change == "folder" || change == "gone") {
        std::filesystem::remove(tree.path("m/c.mp3"));
        change == "folder" ? tree.mkdirp("m/c.mp3") : void();
    } else if (!change.isEmpty()) {
        deleter.failing[tree.path("m/c.mp3")] = change == "EACCES" ? EACCES : EROFS;
    }
    const std::atomic<bool> stop = false;
    const DeletionOutcome outcome = deleteFiles(deleter, found.base, requests, requests.size(), stop);

    QCOMPARE(outcome.attempted, std::size_t(4));
    QByteArrayList failures;
    for (const DeletionOutcome::Failure& failure : outcome.failures) {
        QCOMPARE(outcome.gone[failure.row], std::uint8_t(0));
        failures << QByteArray::fromStdString(failure.path.substr(found.base.size())) + ": "
                + QByteArray::number(failure.error);
    }
    QCOMPARE(failures, failed);
    QCOMPARE(std::count(outcome.gone.begin(), outcome.gone.end(), 1), qsizetype(4 - failed.size()));
    QByteArrayList files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
        if (!entry.is_directory() && !entry.is_symlink()) {
            files << QByteArray::fromStdString(entry.path().string().substr(tree.root().size()));
        }
    }
    std::sort(files.begin(), files.end());
    QCOMPARE(files, left);
    if (change == "link" || change == "replace") {
        QVERIFY(outcome.failureReport().contains("changed since the scan"));
    }
}

void TestDeletion::stillSelected_data()
{
    QTest::addColumn<std::vector<std::uint8_t>>("gone");
    QTest::addColumn<Rows>("failed");
    QTest::addColumn<Rows>("selected"); // after the gone rows are taken out
    QTest::newRow("none failed") << std::vector<std::uint8_t> {1, 0, 1} << Rows {} << Rows {};
    QTest::newRow("first failed") << std::vector<std::uint8_t> {0, 1, 1} << Rows {0} << Rows {0};
    QTest::newRow("gone rows before move it up")
        << std::vector<std::uint8_t> {1, 1, 0, 0, 1, 0} << Rows {3, 5} << Rows {1, 2};
    QTest::newRow("unselected rows stay counted") << std::vector<std::uint8_t> {0, 1, 0, 0} << Rows {3} << Rows {2};
}

void TestDeletion::stillSelected()
{
    QFETCH(std::vector<std::uint8_t>, gone);
    QFETCH(Rows, failed);
    QFETCH(Rows, selected);
    DeletionOutcome outcome;
    outcome.gone = gone;
    for (const std::size_t row : failed) {
        outcome.failures.push_back({row, "x", EPERM});
    }
    QCOMPARE(rowsStillSelected(outcome), selected);
}

void TestDeletion::reportNamesTheFirstTen()
{
    ScriptedFileDeleter deleter;
    std::vector<DeletionRequest> requests;
    for (std::size_t i = 10; i < 24; ++i) {
        requests.push_back({i, "", "f" + std::to_string(i) + ".mp3", {}});
        if (i < 22) {
            deleter.failing["/nowhere/" + requests.back().name] = EPERM;
        }
    }
    const std::atomic<bool> stop = false;
    const QString report = deleteFiles(deleter, "/nowhere/", requests, 24, stop).failureReport();
    QVERIFY2(report.startsWith("12 of the 14 selected files could not be deleted"), qPrintable(report));
    QVERIFY(report.contains("/nowhere/f19.mp3") && !report.contains("/nowhere/f20.mp3"));
    QVERIFY(report.contains("and 2 more"));
}

QTEST_GUILESS_MAIN(TestDeletion)
#include "tst_deletion.moc"
