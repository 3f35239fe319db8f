// Deletion in the core, on real trees changed between the scan and the deletion: what is gone,
// what failed and why, and the report of it. Which rows stay selected is tst_deletewindow's.

#include "Deletion.h"
#include "EmptyFolders.h"
#include "EntryStamps.h"
#include "RemovalRecord.h"
#include "TreeWalk.h"

#include "RealFiles.h"
#include "ScopedEnv.h"

#include <QByteArrayList>
#include <QRegularExpression>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>

using Files = std::vector<std::string>;

class TestDeletion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outcome_data()
    {
        QTest::addColumn<QString>("change"); // made to the tree between the scan and the deletion
        QTest::addColumn<QByteArrayList>("failed"); // path: errno, before the directory x.mp3, which always fails
        QTest::addColumn<Files>("left"); // every file left below the tree besides elsewhere/Album/a.mp3
        const QByteArray changed = ": " + QByteArray::number(IFileDeleter::kChanged);
        const QByteArray folderGone = ": " + QByteArray::number(IFileDeleter::kFolderGone);
        const QByteArrayList album {"Album/a.mp3" + folderGone, "Album/b.mp3" + folderGone};
        const QByteArrayList c[]
            = {{"c.mp3" + changed}, {"c.mp3: " + QByteArray::number(EACCES)}, {"c.mp3: " + QByteArray::number(EROFS)}};
        QTest::newRow("nothing") << "" << QByteArrayList {} << Files {};
        QTest::newRow("folder swapped for a link")
            << "link" << album << Files {"m/Album.old/a.mp3", "m/Album.old/b.mp3"};
        // A tagger renames the album: its files are still there, not "already gone".
        QTest::newRow("folder renamed") << "renamed" << album << Files {"m/Album 2/a.mp3", "m/Album 2/b.mp3"};
        QTest::newRow("folder unmounted") << "unmounted" << album << Files {"m/Album/a.mp3", "m/Album/b.mp3"};
        QTest::newRow("folder replaced by another of that name")
            << "new folder" << album << Files {"m/Album.old/a.mp3", "m/Album.old/b.mp3"};
        QTest::newRow("file replaced by another of the same name") << "replace" << c[0] << Files {"m/c.mp3"};
        // A tagger writes in place: the same inode, the same size, a new modification time.
        QTest::newRow("file rewritten in place") << "rewrite" << c[0] << Files {"m/c.mp3"};
        // ext4 hands a file made right after a deletion the freed inode number.
        QTest::newRow("file deleted and written again") << "again" << c[0] << Files {"m/c.mp3"};
        // Rows the pass after the scan had not reached are recorded before anything is removed.
        QTest::newRow("no record yet") << "unrecorded" << QByteArrayList {} << Files {};
        QTest::newRow("file replaced by a folder") << "folder" << c[0] << Files {};
        QTest::newRow("already gone counts as deleted") << "gone" << QByteArrayList {} << Files {};
        QTest::newRow("permission refused") << "EACCES" << c[1] << Files {"m/c.mp3"};
        QTest::newRow("read-only mount") << "EROFS" << c[2] << Files {"m/c.mp3"};
    }

    void outcome()
    {
        QFETCH(QString, change);
        QFETCH(QByteArrayList, failed);
        QFETCH(Files, left);
        failed << "x.mp3: " + QByteArray::number(EISDIR);
        left.insert(left.begin(), "elsewhere/Album/a.mp3");
        TempTree tree;
        for (const char* name : {"m/Album/a.mp3", "m/Album/b.mp3", "m/c.mp3", "elsewhere/Album/a.mp3"}) {
            tree.wfile(name, "old");
        }
        tree.mkdirp("m/x.mp3");
        // A disk mounted on the album's folder while the scan ran, and unmounted before the deletion.
        const std::string disk = tree.path("m/Album");
        bool mounted = false;
        const auto unmount = [&] {
            mounted = mounted && ::umount2(disk.c_str(), MNT_DETACH) != 0;
        };
        const auto unmountAtEnd = qScopeGuard(unmount);
        if (change == "unmounted") {
            mounted = ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") == 0;
            if (!mounted) {
                QSKIP("no tmpfs can be mounted here");
            }
            tree.wfile("m/Album/a.mp3", "disk");
            tree.wfile("m/Album/b.mp3", "disk");
        }
        ScriptedDirLister lister;
        const Mp3Collection found = collectMp3s(lister, tree.path("m/"));
        const std::atomic<bool> stop = false;
        std::vector<EntryIndex> all;
        for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
            all.push_back(EntryIndex {i});
        }
        const EntryStamps stamps = change == "unrecorded" ? EntryStamps() : recordStamps(lister, found, all, stop);
        std::vector<DeletionRequest> requests;
        for (const EntryIndex entry : all) {
            requests.push_back(deletionRequest(found, stamps, entry, position(entry)));
        }
        ScriptedFileDeleter deleter;
        struct stat before { };
        ::stat(tree.path("m/c.mp3").c_str(), &before);
        if (change == "link") {
            std::filesystem::rename(tree.path("m/Album"), tree.path("m/Album.old"));
            std::filesystem::create_symlink(tree.path("elsewhere/Album"), tree.path("m/Album"));
        } else if (change == "unmounted") {
            unmount();
        } else if (change == "renamed") {
            std::filesystem::rename(tree.path("m/Album"), tree.path("m/Album 2"));
        } else if (change == "new folder") {
            std::filesystem::rename(tree.path("m/Album"), tree.path("m/Album.old"));
            tree.mkdirp("m/Album");
        } else if (change == "replace") {
            tree.wfile("m/c.mp3.part", "new");
            std::filesystem::rename(tree.path("m/c.mp3.part"), tree.path("m/c.mp3"));
        } else if (change == "rewrite") {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ofstream(tree.path("m/c.mp3"), std::ios::in | std::ios::out | std::ios::binary) << "new";
        } else if (change == "again") {
            std::filesystem::remove(tree.path("m/c.mp3"));
            tree.wfile("m/c.mp3", "new");
        } else if (change == "folder" || change == "gone") {
            std::filesystem::remove(tree.path("m/c.mp3"));
            change == "folder" ? tree.mkdirp("m/c.mp3") : void();
        } else if (change == "EACCES" || change == "EROFS") {
            deleter.failing[tree.path("m/c.mp3")] = change == "EACCES" ? EACCES : EROFS;
        }
        struct stat after { };
        ::stat(tree.path("m/c.mp3").c_str(), &after);
        if (change == "rewrite" || change == "again") {
            QCOMPARE(after.st_size, before.st_size);
            qInfo("%s: inode %s", qPrintable(change), before.st_ino == after.st_ino ? "kept" : "not kept");
        }
        completeStamps(lister, found, requests);
        std::atomic<std::size_t> done {0};
        const DeletionOutcome outcome = deleteFiles(deleter, found.base, requests, requests.size(), stop, done);

        QCOMPARE(outcome.attempted, std::size_t(4));
        QCOMPARE(done.load(), std::size_t(4));
        QVERIFY(!outcome.stopped());
        QByteArrayList failures;
        for (const DeletionOutcome::Failure& failure : outcome.failures) {
            QCOMPARE(outcome.gone[failure.row], std::uint8_t(0));
            failures << QByteArray::fromStdString(failure.path.substr(found.base.size())) + ": "
                    + QByteArray::number(failure.error);
        }
        QCOMPARE(failures.join(" / "), failed.join(" / "));
        QCOMPARE(std::count(outcome.gone.begin(), outcome.gone.end(), 1), qsizetype(4 - failed.size()));
        QCOMPARE(tree.files(), left);
        // The report names as many failures as asked for, with their reasons, and counts the rest.
        const QString report = outcome.failureReport(1);
        QVERIFY2(report.startsWith(QString("%1 of the 4 selected files").arg(failed.size()))
                     && report.contains(QString::fromStdString(found.base) + failed[0].split(':')[0]),
                 qPrintable(report));
        QCOMPARE(report.contains(QString("... and %1 more.").arg(failed.size() - 1)), failed.size() > 1);
        QCOMPARE(report.contains("\n    changed since the scan"),
                 failed[0].endsWith(": " + QByteArray::number(IFileDeleter::kChanged)));
        QCOMPARE(report.contains("\n    its folder is gone or has moved since the scan"),
                 failed[0].endsWith(": " + QByteArray::number(IFileDeleter::kFolderGone)));
    }

    // Stopped after the file in hand: the rest untouched, and, with the failed, still selected at
    // their places once the gone rows have left the list.
    void stopAfterTheFileInHand()
    {
        TempTree tree;
        for (const char* name : {"m/a.mp3", "m/b.mp3", "m/c.mp3", "m/d.mp3", "m/e.mp3"}) {
            tree.wfile(name, "old");
        }
        ScriptedDirLister lister;
        const Mp3Collection found = collectMp3s(lister, tree.path("m/"));
        std::vector<DeletionRequest> requests;
        for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
            requests.push_back(deletionRequest(found, EntryStamps(), EntryIndex {i}, i));
        }
        completeStamps(lister, found, requests);
        std::atomic<bool> stop = false;
        ScriptedFileDeleter deleter;
        deleter.failing[tree.path("m/a.mp3")] = EACCES;
        deleter.onRemove = [&](const std::string& path) {
            stop = path.ends_with("/c.mp3");
        };
        std::atomic<std::size_t> done {0};
        const DeletionOutcome outcome = deleteFiles(deleter, found.base, requests, requests.size(), stop, done);
        QCOMPARE(outcome.attempted, std::size_t(3));
        QCOMPARE(done.load(), std::size_t(3));
        QVERIFY(outcome.stopped());
        QCOMPARE(outcome.untouched, (std::vector<std::size_t> {3, 4}));
        QCOMPARE(tree.files(), (Files {"m/a.mp3", "m/d.mp3", "m/e.mp3"}));
        QCOMPARE(rowsStillSelected(outcome), (std::vector<std::size_t> {0, 1, 2}));
    }

    void foldersLeftEmpty_data()
    {
        QTest::addColumn<Files>("made"); // below music/; every mp3 file goes; "x/" a folder, "x->y" a link
        QTest::addColumn<Files>("left"); // files, and folders ending in "/"
        QTest::addColumn<int>("removed"); // folders
        QTest::addColumn<int>("stayed"); // folders with only clutter names that stayed
        QTest::addColumn<bool>("trash");
        QTest::addColumn<QString>("mounted"); // a folder below music/ bound on itself before the scan
        QTest::newRow("empty") << Files {"A/a.mp3", "b.mp3"} << Files {} << 1 << 0 << false << "";
        QTest::newRow("only clutter") << Files {"A/a.mp3", "A/Thumbs.db", "A/.DS_Store", "A/._a.mp3", "A/desktop.ini"}
                                      << Files {} << 1 << 0 << false << "";
        QTest::newRow("only art") << Files {"A/a.mp3", "A/cover.jpg", "A/Folder.JPG", "A/AlbumArtSmall.png"} << Files {}
                                  << 1 << 0 << false << "";
        QTest::newRow("art beside a .flac") << Files {"A/a.mp3", "A/cover.jpg", "A/a.flac"}
                                            << Files {"A/", "A/a.flac", "A/cover.jpg"} << 0 << 0 << false << "";
        QTest::newRow("a text file") << Files {"A/a.mp3", "A/notes.txt"} << Files {"A/", "A/notes.txt"} << 0 << 0
                                     << false << "";
        QTest::newRow("nested, then the parent")
            << Files {"A/B/a.mp3", "A/cover.jpg", "A/C/b.mp3"} << Files {} << 3 << 0 << false << "";
        QTest::newRow("a subfolder that stays")
            << Files {"A/a.mp3", "A/B/keep.txt"} << Files {"A/", "A/B/", "A/B/keep.txt"} << 0 << 0 << false << "";
        // Nothing goes from a folder that stays.
        QTest::newRow("a subfolder named like clutter")
            << Files {"A/desktop.ini/", "A/a.mp3", "A/cover.jpg", "A/Thumbs.db", "A/.DS_Store"}
            << Files {"A/", "A/.DS_Store", "A/Thumbs.db", "A/cover.jpg", "A/desktop.ini/"} << 0 << 1 << false << "";
        QTest::newRow("a mount point") << Files {"A/a.mp3", "A/cover.jpg"} << Files {"A/", "A/cover.jpg"} << 0 << 1
                                       << false << "A";
        // The link goes, not what it leads to.
        QTest::newRow("clutter that is a link")
            << Files {"A/a.mp3", "A/cover.jpg->../../elsewhere/Thumbs.db"} << Files {} << 1 << 0 << false << "";
        QTest::newRow("clutter to the trash") << Files {"A/a.mp3", "A/cover.jpg"} << Files {} << 1 << 0 << true << "";
        // Set up by the folder hook below.
        QTest::newRow("a file came in since")
            << Files {"A/a.mp3", "A/cover.jpg"} << Files {"A/", "A/cover.jpg", "A/new.mp3"} << 0 << 0 << false << "";
        QTest::newRow("folder swapped for a link")
            << Files {"A/a.mp3"} << Files {"A", "A.old/"} << 0 << 0 << false << "";
    }

    // Folders that held a removed file and now hold nothing but clutter go, then their parents,
    // never the base directory; nothing outside the tree is touched.
    void foldersLeftEmpty()
    {
        QFETCH(Files, made);
        QFETCH(Files, left);
        QFETCH(int, removed);
        QFETCH(int, stayed);
        QFETCH(bool, trash);
        QFETCH(QString, mounted);
        TempTree tree;
        tree.wfile("elsewhere/Thumbs.db");
        for (const std::string& file : made) {
            if (const std::size_t link = file.find("->"); link != std::string::npos) {
                std::filesystem::create_symlink(file.substr(link + 2), tree.path("music/" + file.substr(0, link)));
            } else {
                file.ends_with('/') ? tree.mkdirp("music/" + file) : tree.wfile("music/" + file, file);
            }
        }
        const std::string mount = tree.path("music/" + mounted.toStdString());
        if (!mounted.isEmpty() && ::mount(mount.c_str(), mount.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            QSKIP("no bind mount can be made here");
        }
        const auto unmount = qScopeGuard([&] {
            if (!mounted.isEmpty()) {
                ::umount2(mount.c_str(), MNT_DETACH);
            }
        });
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("data")));
        ScriptedDirLister lister;
        const Mp3Collection found = collectMp3s(lister, tree.path("music/"));
        std::vector<DeletionRequest> requests;
        for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
            requests.push_back(deletionRequest(found, EntryStamps(), EntryIndex {i}, i));
        }
        completeStamps(lister, found, requests);
        ScriptedFileDeleter deleter;
        deleter.onFolder = [&](const std::string& folder) {
            if (QByteArray(QTest::currentDataTag()) == "a file came in since") {
                tree.wfile("music/A/new.mp3");
            } else if (QByteArray(QTest::currentDataTag()) == "folder swapped for a link" && folder.ends_with("/A/")) {
                std::filesystem::rename(tree.path("music/A"), tree.path("music/A.old"));
                std::filesystem::create_symlink(tree.path("elsewhere"), tree.path("music/A"));
            }
        };
        const std::atomic<bool> stop = false;
        std::atomic<std::size_t> done {0};
        const Removal removal = trash ? Removal::Trash : Removal::Delete;
        DeletionOutcome outcome = deleteFiles(deleter, found.base, requests, requests.size(), stop, done, removal);
        QVERIFY(outcome.failures.empty());
        std::size_t stayedCount = 0;
        const std::size_t count = removeFoldersLeftEmpty(deleter, found.base, foldersOfGone(requests, outcome), removal,
                                                         outcome.removed, stayedCount);
        QCOMPARE(count, std::size_t(removed));
        QCOMPARE(stayedCount, std::size_t(stayed));
        Files got;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.path("music"))) {
            const std::string relative = entry.path().string().substr(tree.path("music/").size());
            got.push_back(relative + (entry.is_directory() && !entry.is_symlink() ? "/" : ""));
        }
        std::sort(got.begin(), got.end());
        QCOMPARE(got, left);
        QCOMPARE(tree.files("elsewhere/"), Files {"Thumbs.db"});
        QCOMPARE(tree.files("data/Trash/files/").size(), std::size_t(trash ? 2 : 0)); // a.mp3 and cover.jpg
        if (removed != 0) {
            QVERIFY(outcome.removed.back().ends_with("/"));
        }
    }

    // The day's record: appended to, never rewritten; each path's bytes as they are, a path that a
    // line break would cut as a file URL.
    void record()
    {
        TempTree tree;
        const std::string dir = tree.path("state/tuneprune");
        RemovalRecord record {"Delete Files", {"/m/a.m3u"}, "/m/", {"/m/B\xff.mp3", "/m/two\nlines.mp3"}};
        QCOMPARE(appendRemovalRecord(dir, record), 0);
        record.command = "Move to Trash";
        record.removed = {"/m/c.mp3"};
        QCOMPARE(appendRemovalRecord(dir, record), 0);
        const Files made = tree.files("state/tuneprune/");
        QCOMPARE(made.size(), std::size_t(1));
        QVERIFY(made[0].ends_with(".m3u8"));
        std::ifstream in(dir + "/" + made[0], std::ios::binary);
        const std::string text {std::istreambuf_iterator<char>(in), {}};
        const QRegularExpression form(
            QString::fromLatin1("^#EXTM3U\n"
                                "# [-0-9]{10} [:0-9]{8} Delete Files, 2 files\n# Playlist: /m/a.m3u\n"
                                "# Base directory: /m/\n/m/B\xff.mp3\nfile:///m/two%0Alines.mp3\n"
                                "# [-0-9]{10} [:0-9]{8} Move to Trash, 1 file\n# Playlist: /m/a.m3u\n"
                                "# Base directory: /m/\n/m/c.mp3\n$"));
        QVERIFY2(form.match(QString::fromLatin1(text)).hasMatch(), text.c_str());
        // A folder that cannot be made says why.
        tree.wfile("state/file");
        QCOMPARE(appendRemovalRecord(tree.path("state/file/tuneprune"), record), ENOTDIR);
    }

    // Which change of a file since its record makes it another file, where inode numbers last and
    // where they do not (FUSE).
    void identity_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("sameStable");
        QTest::addColumn<bool>("sameUnstable");
        QTest::newRow("nothing") << "" << true << true;
        QTest::newRow("inode") << "inode" << false << true;
        QTest::newRow("change time") << "changed" << false << true;
        QTest::newRow("size") << "size" << false << false;
        QTest::newRow("modification time") << "modified" << false << false;
        QTest::newRow("gone") << "gone" << false << false;
        QTest::newRow("never recorded") << "unrecorded" << false << false;
    }

    void identity()
    {
        QFETCH(QString, field);
        QFETCH(bool, sameStable);
        QFETCH(bool, sameUnstable);
        const FileStamp then {12, 3000, 1'700'000'000'123'456'789, 1'700'000'000'123'456'789};
        FileStamp now = then;
        FileStamp recorded = then;
        if (field == "inode") {
            now.inode = 13;
        } else if (field == "changed") {
            now.changed += 1;
        } else if (field == "size") {
            now.size += 1;
        } else if (field == "modified") {
            now.modified += 1;
        } else if (field == "gone") {
            now = FileStamp();
        } else if (field == "unrecorded") {
            recorded = FileStamp();
        }
        QCOMPARE(sameFile(recorded, now, true), sameStable);
        QCOMPARE(sameFile(recorded, now, false), sameUnstable);
    }
};

QTEST_GUILESS_MAIN(TestDeletion)
#include "tst_deletion.moc"
