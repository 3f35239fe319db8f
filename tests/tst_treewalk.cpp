#include "core/ComparisonForm.h"
#include "core/TreeWalk.h"

#include "Scripted.h"
#include "TempTree.h"

#include <QTest>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// QTemporaryDir cannot remove names that are not UTF-8, so such paths are removed here, deepest first.
struct RemovedAtExit {
    std::vector<std::string> paths;
    ~RemovedAtExit()
    {
        for (const auto& path : paths) {
            std::remove(path.c_str());
        }
    }
};

// The collected entries' paths below `root`, in walk order.
QStringList relativePaths(const Mp3Collection& c, const std::string& root)
{
    QStringList paths;
    for (const auto& e : c.entries) {
        const std::string path = c.path(e);
        if (path.compare(0, root.size(), root) != 0) {
            paths << QStringLiteral("outside the tree: ") + QString::fromStdString(path);
            continue;
        }
        paths << QString::fromUtf8(path.data() + root.size(), static_cast<qsizetype>(path.size() - root.size()));
    }
    return paths;
}

// What is wrong with the collection's records, or an empty text.
QString shapeFault(const Mp3Collection& c)
{
    for (const auto& d : c.dirs) {
        if (d.path.empty() || d.path.back() != '/' || d.form != comparisonForm(d.path)) {
            return QStringLiteral("bad dir record ") + QString::fromStdString(d.path);
        }
    }
    for (const auto& e : c.entries) {
        if (e.dir >= c.dirs.size() || std::size_t(e.nameOffset) + e.nameLength > c.pool.size()
            || std::size_t(e.formOffset) + e.formLength > c.pool.size()) {
            return QStringLiteral("entry out of range");
        }
        if (!isMp3Name(c.name(e)) || c.nameForm(e) != comparisonForm(c.name(e))) {
            return QStringLiteral("bad entry ") + QString::fromStdString(c.path(e));
        }
    }
    return {};
}

} // namespace

class TestTreeWalk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mp3Name_data();
    void mp3Name();
    void walkOrder();
    void hiddenEntries();
    void symlinksNotFollowed();
    void cycleIsNotWalkedAgain();
    void repeatOffTheDescentIsWalked();
    void unlistableDirectoryIsPassedOver();
    void deepTree();
    void missingOrEmptyBase();
    void nameBytesKeptExactly();
};

void TestTreeWalk::mp3Name_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("mp3");
    QTest::newRow("lower") << QByteArray("song.mp3") << true;
    QTest::newRow("upper") << QByteArray("SONG.MP3") << true;
    QTest::newRow("Mp3") << QByteArray("Song.Mp3") << true;
    QTest::newRow("mP3") << QByteArray("song.mP3") << true;
    QTest::newRow("inside") << QByteArray("song.mp3.bak") << true;
    QTest::newRow("followed") << QByteArray("x.mp3y") << true;
    QTest::newRow("only the suffix") << QByteArray(".mp3") << true;
    QTest::newRow("after a dot") << QByteArray("a..mp3") << true;
    QTest::newRow("no dot") << QByteArray("songmp3") << false;
    QTest::newRow("mp4") << QByteArray("song.mp4") << false;
    QTest::newRow("cut short") << QByteArray("song.mp") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("other letters") << QByteArray("a.np3.mq3.mp2") << false;
}

void TestTreeWalk::mp3Name()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, mp3);
    QCOMPARE(isMp3Name(std::string_view(name.constData(), std::size_t(name.size()))), mp3);
}

void TestTreeWalk::walkOrder()
{
    TempTree t;
    for (const char* f : {"b.mp3", "C.mp3", "a.txt", "x.mp3", "X.mp3", "old.mp3/z.txt", "old.mp3/inner.mp3",
                          "Album/02.MP3", "Album/01.mp3", "Album/cover.jpg"}) {
        t.wfile(f);
    }
    t.mkdirp("empty");
    ScriptedDirLister lister;
    int calls = 0;
    const Mp3Collection c = collectMp3s(lister, t.root(), [&calls] { ++calls; });

    QVERIFY(c.baseListed);
    QCOMPARE(shapeFault(c), QString());
    // By form, ties by bytes ("X" before "x"); a directory's own entry after its contents.
    QCOMPARE(relativePaths(c, t.root()),
             QStringList(
                 {"Album/01.mp3", "Album/02.MP3", "b.mp3", "C.mp3", "old.mp3/inner.mp3", "old.mp3", "X.mp3", "x.mp3"}));
    QCOMPARE(lister.listed.size(), std::size_t(4));
    QCOMPARE(calls, 4);
}

void TestTreeWalk::hiddenEntries()
{
    TempTree t;
    t.wfile(".hidden.mp3");
    t.wfile(".dir/.x.mp3");
    t.wfile(".dir/y.mp3");
    ScriptedDirLister lister;
    const Mp3Collection c = collectMp3s(lister, t.root());
    QCOMPARE(relativePaths(c, t.root()), QStringList({".dir/.x.mp3", ".dir/y.mp3", ".hidden.mp3"}));
}

void TestTreeWalk::symlinksNotFollowed()
{
    TempTree t;
    t.wfile("real/in.mp3");
    t.symlink("real", "dirlink");
    t.symlink("real", "dirlink.mp3");
    t.symlink("nowhere", "gone.mp3");
    ScriptedDirLister lister;
    const Mp3Collection c = collectMp3s(lister, t.root());
    QCOMPARE(shapeFault(c), QString());
    QCOMPARE(relativePaths(c, t.root()), QStringList({"dirlink.mp3", "gone.mp3", "real/in.mp3"}));
    QCOMPARE(lister.listed, std::vector<std::string>({t.root(), t.path("real/")}));
}

void TestTreeWalk::cycleIsNotWalkedAgain()
{
    TempTree t;
    t.wfile("top.mp3");
    t.wfile("a/s.mp3");
    t.mkdirp("a/loop.mp3");
    ScriptedDirLister lister;
    lister.sameDirectoryAs[t.path("a/loop.mp3/")] = t.root();
    const Mp3Collection c = collectMp3s(lister, t.root());
    QCOMPARE(shapeFault(c), QString());
    // The looping directory is listed once, found to be the base, and only its own entry counts.
    QCOMPARE(relativePaths(c, t.root()), QStringList({"a/loop.mp3", "a/s.mp3", "top.mp3"}));
    QCOMPARE(lister.listed.size(), std::size_t(3));
}

void TestTreeWalk::repeatOffTheDescentIsWalked()
{
    TempTree t;
    t.wfile("x/in.mp3");
    t.mkdirp("y");
    ScriptedDirLister lister;
    lister.sameDirectoryAs[t.path("y/")] = t.path("x/");
    const Mp3Collection c = collectMp3s(lister, t.root());
    QCOMPARE(relativePaths(c, t.root()), QStringList({"x/in.mp3", "y/in.mp3"}));
}

void TestTreeWalk::unlistableDirectoryIsPassedOver()
{
    TempTree t;
    t.wfile("a/x.mp3");
    t.wfile("locked.mp3/in.mp3");
    t.wfile("z/y.mp3");
    ScriptedDirLister lister;
    lister.failing.insert(t.path("locked.mp3/"));
    const Mp3Collection c = collectMp3s(lister, t.root());
    QVERIFY(c.baseListed);
    QCOMPARE(shapeFault(c), QString());
    QCOMPARE(relativePaths(c, t.root()), QStringList({"a/x.mp3", "locked.mp3", "z/y.mp3"}));
}

void TestTreeWalk::deepTree()
{
    constexpr int kDepth = 1000;
    TempTree t;
    std::string relative;
    for (int i = 0; i < kDepth; ++i) {
        relative += "d/";
    }
    t.wfile(relative + "deep.mp3");
    t.wfile("d.mp3");
    ScriptedDirLister lister;
    const Mp3Collection c = collectMp3s(lister, t.root());
    QCOMPARE(shapeFault(c), QString());
    QCOMPARE(relativePaths(c, t.root()), QStringList({QString::fromStdString(relative + "deep.mp3"), "d.mp3"}));
    QCOMPARE(lister.listed.size(), std::size_t(kDepth + 1));
}

void TestTreeWalk::missingOrEmptyBase()
{
    TempTree t;
    PosixDirLister lister;
    const Mp3Collection missing = collectMp3s(lister, t.path("missing/"));
    QVERIFY(!missing.baseListed);
    QVERIFY(missing.entries.empty());
    QVERIFY(missing.dirs.empty());

    t.mkdirp("empty");
    const Mp3Collection empty = collectMp3s(lister, t.path("empty/"));
    QVERIFY(empty.baseListed);
    QVERIFY(empty.entries.empty());
}

void TestTreeWalk::nameBytesKeptExactly()
{
    TempTree t;
    const std::string name = "\xff\xfe Caf\xe9.MP3"; // not UTF-8
    const RemovedAtExit cleanup {{t.path("dir\xe9/" + name), t.path("dir\xe9")}};
    t.wfile("dir\xe9/" + name);
    ScriptedDirLister lister;
    const Mp3Collection c = collectMp3s(lister, t.root());
    QCOMPARE(shapeFault(c), QString());
    QCOMPARE(c.entries.size(), std::size_t(1));
    const auto bytes = [](std::string_view s) {
        return QByteArray(s.data(), qsizetype(s.size()));
    };
    QCOMPARE(bytes(c.name(c.entries[0])), bytes(name));
    QCOMPARE(bytes(c.path(c.entries[0])), bytes(t.path("dir\xe9/" + name)));
}

QTEST_GUILESS_MAIN(TestTreeWalk)
#include "tst_treewalk.moc"
