#include "AudioTypes.h"
#include "ComparisonForm.h"
#include "TreeWalk.h"

#include "RealFiles.h"

#include <QByteArrayList>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <map>
#include <optional>
#include <random>
#include <set>

#include <sys/stat.h>

Q_DECLARE_METATYPE(EntryType)

namespace {

using Identity = std::pair<std::uint64_t, std::uint64_t>; // device, inode

// A real tree, walked through the scripted lister.
struct Walk : TempTree {
    ScriptedDirLister lister;
    Mp3Collection c;
    std::atomic<int> calls = 0;
    std::optional<FolderIdentity> homeTrash;

    QByteArray below(const std::string& path) const { return QByteArray::fromStdString(path.substr(root().size())); }

    // The collected paths below the root in walk order, then the folders that could not be read.
    QByteArrayList paths(const std::string& base = {}, unsigned threads = 0)
    {
        calls = 0;
        lister.onList = [this](const std::string&) {
            ++calls;
        };
        c = collectMp3s(lister, base.empty() ? root() : base, {.homeTrash = homeTrash, .threads = threads});
        QByteArrayList list;
        for (const auto& e : c.entries) {
            list << below(c.path(e));
        }
        for (const auto& folder : c.unreadable) {
            list << "unreadable " + below(folder.path) + ": " + QByteArray::number(folder.error);
        }
        return list;
    }

    // The walk as plainly as it can be written: one thread, recursion, whole paths; `up` holds
    // the folders of the descent.
    void reference(const std::string& dir, std::vector<Identity>& up, QByteArrayList& out, QByteArrayList& unreadable)
    {
        DirListing listing;
        if (const int error = lister.list(IDirLister::kNoParent, dir, dir, listing); error != 0) {
            unreadable << "unreadable " + below(dir) + ": " + QByteArray::number(error);
            return;
        }
        lister.close(listing.fd);
        if (std::find(up.begin(), up.end(), Identity(listing.device, listing.inode)) != up.end()) {
            return;
        }
        up.emplace_back(listing.device, listing.inode);
        std::map<std::pair<std::string, std::string>, bool> entries; // by form, then bytes: whether a directory
        for (const auto& entry : listing.entries) {
            const std::string name(listing.name(entry));
            entries[{comparisonForm(name), name}] = entry.type == EntryType::Directory;
        }
        for (const auto& [key, isDir] : entries) {
            if (isDir) {
                reference(dir + key.second + "/", up, out, unreadable);
            }
            if (isMp3Name(key.second)) {
                out << below(dir + key.second);
            }
        }
        up.pop_back();
    }
};

} // namespace

class TestTreeWalk : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void walkOrder()
    {
        Walk w;
        // The name that is not UTF-8 is kept byte for byte. A trash is not walked: by name, or the
        // home trash by identity, wherever it is; names that only look like a trash's are walked.
        for (const QByteArray& name :
             QByteArray("b.mp3|C.mp3|a.txt|x.mp3|X.mp3|old.mp3/z.txt|old.mp3/inner.mp3|Album/02.MP3|Album/01.mp3|"
                        "Album/cover.jpg|.hidden.mp3|.dir/.x.mp3|dir\xe9/\xff\xfe Caf\xe9.MP3|.mp3|a..mp3|x.Mp3y|"
                        "song.mP3.bak|songmp3|song.mp4|a.np3.mq3|song.mp|.Trash-1000/files/d1.mp3|"
                        ".Trash-1000/info/d1.mp3.trashinfo|.Trash/1000/files/t.mp3|.Trashes/501/t.mp3|"
                        "$RECYCLE.BIN/S-1-5-21/t.mp3|$Recycle.Bin/t.mp3|RECYCLER/t.mp3|Album/.Trash-0/t.mp3|"
                        "home/data/Trash/files/h.mp3|.Trash-/k.mp3|.Trash-1000x/k.mp3|Trash/k.mp3|recycled/k.mp3")
                 .split('|')) {
            w.wfile(name.toStdString());
        }
        struct stat st { };
        QCOMPARE(::stat(w.path("home/data/Trash").c_str(), &st), 0);
        w.homeTrash = FolderIdentity {st.st_dev, st.st_ino};
        // No limit on depth, nor on the length of a path (PATH_MAX is 4,096 bytes).
        const QByteArray deep = QByteArray("d/").repeated(2000) + "deep.mp3";
        const QByteArray wide = QByteArray::fromStdString(longDirs()) + "long.mp3";
        w.wfile(deep.toStdString());
        w.wfile(wide.toStdString());
        // Any name with ".mp3" in it, in any case. By form, ties by bytes ("X" before "x"); a
        // directory's own entry after its contents; hidden ones too.
        QCOMPARE(w.paths(),
                 QByteArray(".dir/.x.mp3|.hidden.mp3|.mp3|.Trash-/k.mp3|.Trash-1000x/k.mp3|a..mp3|" + wide
                            + "|Album/01.mp3|Album/02.MP3|b.mp3|C.mp3|" + deep
                            + "|dir\xe9/\xff\xfe Caf\xe9.MP3|old.mp3/inner.mp3|old.mp3|recycled/k.mp3|song.mP3.bak|"
                              "Trash/k.mp3|X.mp3|x.mp3|x.Mp3y")
                     .split('|'));
        QVERIFY(w.c.baseListed);
        QCOMPARE(w.c.trashSkipped, std::size_t(8));
        // Once a directory: 2,000 deep, 20 long, 11 others, and the home trash, opened to be known.
        QCOMPARE(w.calls.load(), 2032);
        // A trash chosen as the base is walked.
        QCOMPARE(w.paths(w.path(".Trash-1000/")),
                 (QByteArrayList {".Trash-1000/files/d1.mp3", ".Trash-1000/info/d1.mp3.trashinfo"}));
        QCOMPARE(w.paths(w.path("home/data/Trash/")), QByteArrayList {"home/data/Trash/files/h.mp3"});
        QCOMPARE(w.c.trashSkipped, std::size_t(0));
        QCOMPARE(w.paths(w.path("missing/")), QByteArrayList {"unreadable missing/: " + QByteArray::number(ENOENT)});
        QVERIFY(!w.c.baseListed);
    }

    // Which entries a walk takes: ".mp3" anywhere in any entry's name; with every audio type, also
    // files and links whose names end as audio, in any case.
    void names_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<EntryType>("type");
        QTest::addColumn<bool>("mp3"); // taken with mp3 files only
        QTest::addColumn<bool>("all"); // taken with every audio type
        const auto row = [](const QByteArray& name, EntryType type, bool mp3, bool all) {
            QTest::addRow("%s %d", name.constData(), int(type)) << name << type << mp3 << all;
        };
        for (const QByteArray name : {"song.mp3", "SONG.MP3", "x.Mp3y", "song.mp3.flac"}) {
            row(name, EntryType::File, true, true);
        }
        row("old.mp3", EntryType::Directory, true, true);
        for (const std::string_view ending : audioEndings()) {
            const QByteArray dotted = QByteArray(ending.data(), qsizetype(ending.size()));
            row("a" + dotted, EntryType::File, false, true);
            row("B" + dotted.toUpper(), EntryType::File, false, true);
        }
        row("Song.Opus", EntryType::File, false, true);
        row(".flac", EntryType::File, false, true);
        row("link.ogg", EntryType::Link, false, true);
        row("Album.flac", EntryType::Directory, false, false);
        for (const QByteArray& name :
             QByteArray("a.flac.bak|flac|a.wav |book.m4b|book.AAX|tune.mid|list.m3u|Album.cue|x.mp|y.ma").split('|')) {
            row(name, EntryType::File, false, false);
        }
    }

    void names()
    {
        QFETCH(QByteArray, name);
        QFETCH(EntryType, type);
        QFETCH(bool, mp3);
        QFETCH(bool, all);
        QCOMPARE(isListedName(name.toStdString(), type, AudioTypes::Mp3), mp3);
        QCOMPARE(isListedName(name.toStdString(), type, AudioTypes::All), all);
        Walk w;
        type == EntryType::File
            ? w.wfile(name.toStdString())
            : w.change((type == EntryType::Link ? "ln " : "mkdir ") + name.toStdString() + " elsewhere");
        for (const AudioTypes types : {AudioTypes::Mp3, AudioTypes::All}) {
            const Mp3Collection c = collectMp3s(w.lister, w.root(), {.types = types});
            QCOMPARE(c.entries.size(), std::size_t(types == AudioTypes::All ? all : mp3));
            QVERIFY(c.cueSheets.empty()); // none beside a listed file
        }
    }

    // Random trees with links, loops and unreadable folders: the same entries in the same order
    // as the plain reference walk, with one thread or many. Links are not followed, though one
    // with an mp3 name counts; a loop back up the descent is listed once and only its own entry
    // counts, a repeat off the descent is walked; a folder that cannot be listed is passed over.
    void matchesReference()
    {
        std::mt19937 rng(20261207);
        std::size_t entries = 0, unreadables = 0;
        const char* const names[]
            = {"a", "B", "b", "\xc3\xa9", "\xe9", "x.mp3", "X.MP3", "song.Mp3.bak", "c.txt", ".d"};
        const char* const kMake[] = {"mkdir ", "ln ", "write ", "write "}; // a folder, a link to one, a file
        for (int round = 0; round < 40; ++round) {
            Walk w;
            std::vector<std::string> dirs {""};
            std::set<std::string> made;
            for (int i = 0; i < 60; ++i) {
                const std::string path = dirs[rng() % dirs.size()] + names[rng() % std::size(names)];
                const unsigned kind = rng() % 4;
                if (!made.insert(path).second) {
                    continue;
                }
                w.change(kMake[kind] + path + " " + dirs[rng() % dirs.size()]);
                if (kind == 0) {
                    dirs.push_back(path + "/");
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
            QByteArrayList expected, unreadable;
            std::vector<Identity> up;
            w.reference(w.root(), up, expected, unreadable);
            entries += expected.size();
            unreadables += unreadable.size();
            // 0: the pool that starts small and grows.
            for (const unsigned threads : {0U, 1U, 8U}) {
                QCOMPARE(w.paths({}, threads), expected + unreadable);
            }
        }
        QVERIFY(entries > 200 && unreadables > 10); // the trees were not trivial
    }

    // The entries stay in the runs they were made in. Looking one up by its index and going
    // through them in order agree, whatever the runs' lengths against the look-up's 16-entry
    // steps, with runs that follow on in memory joined.
    void entryListRuns_data()
    {
        QTest::addColumn<QList<int>>("runs"); // lengths; a negative one follows on from the run before it
        const QList<int> singles(1030, -1);
        QTest::newRow("short and empty runs") << QList<int> {1, 0, 2, 15, 16, 17, 0, 1, 31, 33, 3};
        QTest::newRow("runs that follow on") << QList<int> {16, -16, -1, 5, -30, 1};
        QTest::newRow("single entries that follow on") << singles;
        QTest::newRow("runs, then single entries") << QList<int> {7, -9, 20} + singles;
    }
    void entryListRuns()
    {
        QFETCH(QList<int>, runs);
        std::vector<Mp3Collection::Entry> made(2 * static_cast<std::size_t>(runs.size()) + 200);
        Mp3Collection::EntryList list;
        std::size_t at = 0;
        std::uint32_t tag = 0; // each entry's own, in its nameOffset
        for (const int run : runs) {
            at += run < 0 ? 0 : 1; // a gap between runs that do not follow on
            for (int i = 0; i < std::abs(run); ++i) {
                made[at + i].nameOffset = tag++;
            }
            list.append(made.data() + at, std::abs(run));
            at += std::abs(run);
        }
        QCOMPARE(list.size(), std::size_t(tag));
        std::uint32_t next = 0;
        for (const Mp3Collection::Entry& e : list) {
            QCOMPARE(e.nameOffset, next);
            QCOMPARE(list[EntryIndex {next}].nameOffset, next);
            ++next;
        }
        QCOMPARE(next, tag);
    }

    // A folder whose records take several reads of the directory is listed whole, and so are
    // folders in it.
    void wideFolder()
    {
        Walk w;
        QByteArrayList expected;
        for (int i = 0; i < 3000; ++i) {
            const QByteArray name = "Some Artist - Some Album - " + QByteArray::number(10000 + i) + " - A Title.mp3";
            w.wfile(name.toStdString());
            w.wfile("sub " + std::to_string(i % 7) + "/" + name.toStdString());
            expected << name;
        }
        for (int sub = 0; sub < 7; ++sub) {
            for (int i = sub; i < 3000; i += 7) {
                expected << "sub " + QByteArray::number(sub) + "/" + expected[i];
            }
        }
        QCOMPARE(w.paths(), expected);
    }

    // A stop set while many threads list ends the walk: at most the listings under way finish.
    void stop()
    {
        Walk w;
        for (int i = 0; i < 300; ++i) {
            w.wfile(std::to_string(i) + "/e/a.mp3");
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
