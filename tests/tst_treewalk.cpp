#include "ComparisonForm.h"
#include "TreeWalk.h"

#include "Scripted.h"
#include "TempTree.h"

#include <QByteArrayList>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <random>
#include <set>

namespace {

// A real tree, walked through the scripted lister.
struct Walk : TempTree {
    ScriptedDirLister lister;
    Mp3Collection c;
    std::atomic<int> calls = 0;

    // Makes the files, and a directory for each name that ends in "/".
    void make(std::initializer_list<std::string_view> names)
    {
        for (std::string_view name : names) {
            name.ends_with('/') ? mkdirp(name) : wfile(name);
        }
    }

    // The collected paths below the root, in walk order.
    QByteArrayList paths(const std::string& base = {}, unsigned threads = 0)
    {
        calls = 0;
        lister.onList = [this](const std::string&) {
            ++calls;
        };
        c = collectMp3s(lister, base.empty() ? root() : base, {.threads = threads});
        QByteArrayList list;
        for (const auto& e : c.entries) {
            list << QByteArray::fromStdString(c.path(e)).mid(qsizetype(root().size()));
        }
        return list;
    }
};

// The walk as plainly as it can be written: one thread, recursion, whole paths.
void referenceWalk(IDirLister& lister, const std::string& dir, std::vector<std::pair<std::uint64_t, std::uint64_t>>& up,
                   QByteArrayList& out, QByteArrayList& unreadable)
{
    DirListing listing;
    if (const int error = lister.list(IDirLister::kNoParent, dir, dir, listing); error != 0) {
        unreadable << QByteArray::fromStdString(dir);
        return;
    }
    lister.close(listing.fd);
    if (std::find(up.begin(), up.end(), std::pair(listing.device, listing.inode)) != up.end()) {
        return;
    }
    up.emplace_back(listing.device, listing.inode);
    std::vector<std::pair<std::string, DirListing::Entry>> entries;
    for (const auto& entry : listing.entries) {
        entries.emplace_back(std::string(listing.name(entry)), entry);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return std::pair(comparisonForm(a.first), a.first) < std::pair(comparisonForm(b.first), b.first);
    });
    for (const auto& [name, entry] : entries) {
        if (entry.type == EntryType::Directory) {
            referenceWalk(lister, dir + name + "/", up, out, unreadable);
        }
        if (isMp3Name(name)) {
            out << QByteArray::fromStdString(dir + name);
        }
    }
    up.pop_back();
}

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
        const std::string notUtf8 = "dir\xe9/\xff\xfe Caf\xe9.MP3"; // kept byte for byte
        w.make({"b.mp3", "C.mp3", "a.txt", "x.mp3", "X.mp3", "old.mp3/z.txt", "old.mp3/inner.mp3", "Album/02.MP3",
                "Album/01.mp3", "Album/cover.jpg", ".hidden.mp3", ".dir/.x.mp3", notUtf8});
        // By form, ties by bytes ("X" before "x"); a directory's own entry after its contents; hidden ones too.
        QCOMPARE(
            w.paths(),
            (QByteArrayList {".dir/.x.mp3", ".hidden.mp3", "Album/01.mp3", "Album/02.MP3", "b.mp3", "C.mp3",
                             QByteArray::fromStdString(notUtf8), "old.mp3/inner.mp3", "old.mp3", "X.mp3", "x.mp3"}));
        QVERIFY(w.c.baseListed);
        QCOMPARE(w.calls.load(), 5); // once a directory
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

    // Random trees with links, loops and unreadable folders: the same entries in the same order
    // as the plain reference walk, with one thread or many.
    void matchesReference()
    {
        std::mt19937 rng(20261207);
        std::size_t entries = 0;
        std::size_t unreadables = 0;
        const char* const names[]
            = {"a", "B", "b", "\xc3\xa9", "\xe9", "x.mp3", "X.MP3", "song.Mp3.bak", "c.txt", ".d"};
        for (int round = 0; round < 40; ++round) {
            Walk w;
            std::vector<std::string> dirs {""};
            for (int i = 0; i < 60; ++i) {
                const std::string parent = dirs[rng() % dirs.size()];
                const std::string name = names[rng() % std::size(names)];
                switch (rng() % 4) {
                case 0:
                    if (!w.exists(parent + name)) {
                        w.mkdirp(parent + name);
                        dirs.push_back(parent + name + "/");
                    }
                    break;
                case 1:
                    if (!w.exists(parent + name)) {
                        w.symlink(w.path(dirs[rng() % dirs.size()]), parent + name);
                    }
                    break;
                default:
                    if (!w.exists(parent + name)) {
                        w.wfile(parent + name);
                    }
                }
            }
            for (int i = 0; i < 3 && dirs.size() > 2; ++i) {
                const std::string dir = w.path(dirs[1 + rng() % (dirs.size() - 1)]);
                if (i == 0) {
                    w.lister.failing.insert(dir);
                } else {
                    w.lister.sameDirectoryAs[dir] = w.path(dirs[rng() % dirs.size()]);
                }
            }
            QByteArrayList expected;
            QByteArrayList unreadable;
            std::vector<std::pair<std::uint64_t, std::uint64_t>> up;
            referenceWalk(w.lister, w.root(), up, expected, unreadable);
            for (QByteArray& path : expected) {
                path = path.mid(qsizetype(w.root().size()));
            }
            entries += expected.size();
            unreadables += unreadable.size();
            for (const unsigned threads : {1U, 8U}) {
                QCOMPARE(w.paths({}, threads), expected);
                QByteArrayList gotUnreadable;
                for (const auto& folder : w.c.unreadable) {
                    gotUnreadable << QByteArray::fromStdString(folder.path);
                }
                QCOMPARE(gotUnreadable, unreadable);
            }
        }
        QVERIFY(entries > 200 && unreadables > 10); // the trees were not trivial
    }

    // No limit on depth, nor on the length of a path (PATH_MAX is 4,096 bytes).
    void deepAndLong()
    {
        Walk w;
        const std::string deep = QByteArray("d/").repeated(2000).toStdString();
        std::string wide;
        for (int i = 0; i < 20; ++i) {
            wide += std::string(240, char('a' + i)) + "/";
        }
        w.make({deep + "deep.mp3", wide + "long.mp3"});
        QCOMPARE(w.paths(),
                 (QByteArrayList {QByteArray::fromStdString(wide + "long.mp3"),
                                  QByteArray::fromStdString(deep + "deep.mp3")}));
        QVERIFY(w.root().size() + wide.size() > 4096);
        QCOMPARE(w.calls.load(), 2021); // the base, 2,000 deep and 20 long
    }

    // A stop set while many threads list ends the walk: at most the listings under way finish.
    void stop()
    {
        Walk w;
        for (int i = 0; i < 300; ++i) {
            w.wfile("d" + std::to_string(i) + "/e/a.mp3");
        }
        std::atomic<bool> stop = false;
        std::atomic<int> afterStop = 0;
        w.lister.onList = [&](const std::string&) {
            if (stop) {
                ++afterStop;
            } else if (++w.calls == 50) {
                stop = true;
            }
        };
        const Mp3Collection c = collectMp3s(w.lister, w.root(), {.stop = &stop, .threads = 8});
        QVERIFY(c.stopped);
        QVERIFY(afterStop <= 8);
    }
};

QTEST_GUILESS_MAIN(TestTreeWalk)
#include "tst_treewalk.moc"
