// Deletion in the core, on real files: what is gone, what failed and why, which rows stay selected.

#include "Deletion.h"

#include "Scripted.h"
#include "TempTree.h"

#include <QTest>

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
    QTest::addColumn<QString>("trouble"); // what happens to b.mp3
    QTest::addColumn<int>("error"); // 0: it counts as gone
    QTest::newRow("deleted") << "" << 0;
    QTest::newRow("already gone counts as deleted") << "gone" << 0;
    QTest::newRow("permission refused") << "seam" << EACCES;
    QTest::newRow("read-only mount") << "seam" << EROFS;
    QTest::newRow("a directory named b.mp3") << "directory" << EISDIR;
}

void TestDeletion::outcome()
{
    QFETCH(QString, trouble);
    QFETCH(int, error);
    TempTree tree;
    for (const char* name : {"a.mp3", "c.mp3", "d.mp3"}) {
        tree.wfile(name);
    }
    trouble == "directory" ? tree.mkdirp("b.mp3") : trouble == "gone" ? void() : tree.wfile("b.mp3");
    ScriptedFileDeleter deleter;
    if (trouble == "seam") {
        deleter.failing[tree.path("b.mp3")] = error;
    }
    // Rows a, b, c, d; b and d are selected.
    const std::atomic<bool> stop = false;
    const DeletionOutcome outcome = deleteFiles(deleter, {{1, tree.path("b.mp3")}, {3, tree.path("d.mp3")}}, 4, stop);

    QCOMPARE(outcome.attempted, std::size_t(2));
    QCOMPARE(outcome.gone, (std::vector<std::uint8_t> {0, error == 0, 0, 1}));
    QVERIFY(!tree.exists("d.mp3") && tree.exists("a.mp3") && tree.exists("c.mp3"));
    QCOMPARE(tree.exists("b.mp3"), error != 0);
    QCOMPARE(outcome.failures.size(), std::size_t(error != 0));
    if (error != 0) {
        QCOMPARE(outcome.failures[0].row, std::size_t(1));
        QCOMPARE(outcome.failures[0].error, error);
        const QString report = outcome.failureReport();
        QVERIFY2(report.startsWith("1 of the 2 selected files could not be deleted"), qPrintable(report));
        QVERIFY(report.contains(QString::fromStdString(tree.path("b.mp3"))) && report.contains(qt_error_string(error)));
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
        requests.push_back({i, "/nowhere/f" + std::to_string(i) + ".mp3"});
        if (i < 22) {
            deleter.failing[requests.back().path] = EPERM;
        }
    }
    const std::atomic<bool> stop = false;
    const QString report = deleteFiles(deleter, requests, 24, stop).failureReport();
    QVERIFY2(report.startsWith("12 of the 14 selected files could not be deleted"), qPrintable(report));
    QVERIFY(report.contains("/nowhere/f19.mp3") && !report.contains("/nowhere/f20.mp3"));
    QVERIFY(report.contains("and 2 more"));
}

QTEST_GUILESS_MAIN(TestDeletion)
#include "tst_deletion.moc"
