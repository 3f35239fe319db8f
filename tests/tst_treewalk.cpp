#include "ComparisonForm.h"
#include "TreeWalk.h"

#include "Scripted.h"
#include "TempTree.h"

#include <QByteArrayList>
#include <QTest>

namespace {

// A real tree, walked through the scripted lister.
struct Walk : TempTree {
    ScriptedDirLister lister;
    Mp3Collection c;
    int calls = 0;

    // Makes the files, and a directory for each name that ends in "/".
    void make(std::initializer_list<std::string_view> names)
    {
        for (std::string_view name : names) {
            name.ends_with('/') ? mkdirp(name) : wfile(name);
        }
    }

    // The collected paths below the root, in walk order; one with a wrong stored form is marked.
    QByteArrayList paths(const std::string& base = {})
    {
        lister.onList = [this](const std::string&) {
            ++calls;
        };
        c = collectMp3s(lister, base.empty() ? root() : base);
        QByteArrayList list;
        for (const auto& e : c.entries) {
            const bool formsRight = c.nameForm(e) == comparisonForm(c.name(e))
                && c.dirs[e.dir].form == comparisonForm(c.dirs[e.dir].path);
            list << (formsRight ? "" : "bad form: ")
                    + QByteArray::fromStdString(c.path(e)).mid(qsizetype(root().size()));
        }
        return list;
    }
};

} // namespace

class TestTreeWalk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mp3Name_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("mp3");
        for (const char* name :
             {"song.mp3", "SONG.MP3", "Song.Mp3", "song.mP3", "song.mp3.bak", "x.mp3y", ".mp3", "a..mp3"}) {
            QTest::newRow(name) << QByteArray(name) << true;
        }
        for (const char* name : {"songmp3", "song.mp4", "a.np3.mq3", "song.mp"}) {
            QTest::newRow(name) << QByteArray(name) << false;
        }
    }

    void mp3Name()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, mp3);
        QCOMPARE(isMp3Name(name.toStdString()), mp3);
    }

    void walkOrder()
    {
        Walk w;
        const std::string deep = QByteArray("d/").repeated(1000).toStdString() + "deep.mp3";
        const std::string notUtf8 = "dir\xe9/\xff\xfe Caf\xe9.MP3"; // kept byte for byte
        w.make({"b.mp3", "C.mp3", "a.txt", "x.mp3", "X.mp3", "old.mp3/z.txt", "old.mp3/inner.mp3", "Album/02.MP3",
                "Album/01.mp3", "Album/cover.jpg", ".hidden.mp3", ".dir/.x.mp3", deep, notUtf8});
        // By form, ties by bytes ("X" before "x"); a directory's own entry after its contents; hidden ones too.
        QCOMPARE(w.paths(),
                 (QByteArrayList {".dir/.x.mp3", ".hidden.mp3", "Album/01.mp3", "Album/02.MP3", "b.mp3", "C.mp3",
                                  QByteArray::fromStdString(deep), QByteArray::fromStdString(notUtf8),
                                  "old.mp3/inner.mp3", "old.mp3", "X.mp3", "x.mp3"}));
        QVERIFY(w.c.baseListed);
        QCOMPARE(w.calls, 1005); // once a directory
        QCOMPARE(w.paths(w.path("missing/")), QByteArrayList());
        QVERIFY(!w.c.baseListed);
    }

    void notWalked()
    {
        Walk w;
        w.make({"top.mp3", "a/s.mp3", "a/loop.mp3/", "locked.mp3/in.mp3", "x/in.mp3", "y/"});
        w.symlink("x", "dirlink");
        w.symlink("x", "dirlink.mp3");
        w.symlink("nowhere", "gone.mp3");
        // Links are not followed, but one with an mp3 name counts. A loop back to the base is listed
        // once and only its own entry counts; a repeat off the descent (y is x) is walked. A
        // directory that cannot be listed is passed over, its siblings are not.
        w.lister.sameDirectoryAs = {{w.path("a/loop.mp3/"), w.root()}, {w.path("y/"), w.path("x/")}};
        w.lister.failing.insert(w.path("locked.mp3/"));
        QCOMPARE(w.paths(),
                 (QByteArrayList {"a/loop.mp3", "a/s.mp3", "dirlink.mp3", "gone.mp3", "locked.mp3", "top.mp3",
                                  "x/in.mp3", "y/in.mp3"}));
        QCOMPARE(w.c.unreadable.size(), std::size_t(1));
        QCOMPARE(w.c.unreadable[0].path, w.path("locked.mp3/"));
        QCOMPARE(w.c.unreadable[0].error, EACCES);
    }
};

QTEST_GUILESS_MAIN(TestTreeWalk)
#include "tst_treewalk.moc"
