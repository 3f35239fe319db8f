// Deletion in the core, on real trees changed between the scan and the deletion: what is gone,
// what failed and why, and the report of it. Which rows stay selected is tst_deletewindow's.

#include "Deletion.h"
#include "EmptyFolders.h"
#include "EntryStamps.h"
#include "Removal.h"
#include "RemovalRecordWriter.h"
#include "RemovalTexts.h"
#include "TreeWalk.h"

#include "RealFiles.h"
#include "ScopedEnv.h"

#include <QByteArrayList>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include <cerrno>

using Files = std::vector<std::string>;

namespace {

// A request for every mp3 entry found, in walk order.
std::vector<RemovalRequest> requestsFor(const Mp3Collection& found, const EntryStamps& stamps = {})
{
    std::vector<RemovalRequest> requests;
    for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
        requests.push_back(removalRequest(found, stamps, EntryIndex {i}, i));
    }
    return requests;
}

} // namespace

class TestDeletion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outcome_data()
    {
        QTest::addColumn<QString>("change"); // made to the tree below m/ between the scan and the deletion
        QTest::addColumn<int>("refused"); // the errno the deleter gives for c.mp3
        QTest::addColumn<bool>("mounted"); // a disk on Album during the scan, unmounted before the deletion
        QTest::addColumn<bool>("recorded"); // the pass after the scan recorded the rows
        QTest::addColumn<QByteArrayList>("failed"); // path: errno, before the directory x.mp3, which always fails
        QTest::addColumn<Files>("left"); // every file left below the tree besides elsewhere/Album/a.mp3
        const QByteArray changed = ": " + QByteArray::number(IFileDeleter::kChanged);
        const QByteArray folderGone = ": " + QByteArray::number(IFileDeleter::kFolderGone);
        const QByteArrayList album {"Album/a.mp3" + folderGone, "Album/b.mp3" + folderGone};
        const QByteArrayList c[]
            = {{"c.mp3" + changed}, {"c.mp3: " + QByteArray::number(EACCES)}, {"c.mp3: " + QByteArray::number(EROFS)}};
        const Files oldAlbum {"m/Album.old/a.mp3", "m/Album.old/b.mp3"};
        QTest::newRow("nothing") << "" << 0 << false << true << QByteArrayList {} << Files {};
        QTest::newRow("folder swapped for a link")
            << "mv m/Album m/Album.old;ln m/Album elsewhere/Album" << 0 << false << true << album << oldAlbum;
        // A tagger renames the album: its files are still there, not "already gone".
        QTest::newRow("folder renamed") << "mv m/Album m/Album2" << 0 << false << true << album
                                        << Files {"m/Album2/a.mp3", "m/Album2/b.mp3"};
        QTest::newRow("folder unmounted")
            << "" << 0 << true << true << album << Files {"m/Album/a.mp3", "m/Album/b.mp3"};
        QTest::newRow("folder replaced by another of that name")
            << "mv m/Album m/Album.old;mkdir m/Album" << 0 << false << true << album << oldAlbum;
        QTest::newRow("file replaced by another of the same name")
            << "write m/c.part new;mv m/c.part m/c.mp3" << 0 << false << true << c[0] << Files {"m/c.mp3"};
        // A tagger writes in place: the same inode, the same size, a new modification time.
        QTest::newRow("file rewritten in place")
            << "poke m/c.mp3 new" << 0 << false << true << c[0] << Files {"m/c.mp3"};
        // ext4 hands a file made right after a deletion the freed inode number.
        QTest::newRow("file deleted and written again")
            << "rm m/c.mp3;write m/c.mp3 new" << 0 << false << true << c[0] << Files {"m/c.mp3"};
        // Rows the pass after the scan had not reached are recorded before anything is removed.
        QTest::newRow("no record yet") << "" << 0 << false << false << QByteArrayList {} << Files {};
        QTest::newRow("file replaced by a folder")
            << "rm m/c.mp3;mkdir m/c.mp3" << 0 << false << true << c[0] << Files {};
        QTest::newRow("already gone counts as deleted")
            << "rm m/c.mp3" << 0 << false << true << QByteArrayList {} << Files {};
        QTest::newRow("permission refused") << "" << EACCES << false << true << c[1] << Files {"m/c.mp3"};
        QTest::newRow("read-only mount") << "" << EROFS << false << true << c[2] << Files {"m/c.mp3"};
    }

    void outcome()
    {
        QFETCH(QString, change);
        QFETCH(int, refused);
        QFETCH(bool, mounted);
        QFETCH(bool, recorded);
        QFETCH(QByteArrayList, failed);
        QFETCH(Files, left);
        failed << "x.mp3: " + QByteArray::number(EISDIR);
        left.insert(left.begin(), "elsewhere/Album/a.mp3");
        TempTree tree;
        tree.change("write m/Album/a.mp3 old;write m/Album/b.mp3 old;write m/c.mp3 old;mkdir m/x.mp3;"
                    "write elsewhere/Album/a.mp3 old");
        std::optional<Mount> disk;
        if (mounted && !disk.emplace(tree.path("m/Album"), Mount::Tmpfs).ok()) {
            QSKIP("no tmpfs can be mounted here");
        }
        if (mounted) {
            tree.change("write m/Album/a.mp3 disk;write m/Album/b.mp3 disk");
        }
        ScriptedDirLister lister;
        const Mp3Collection found = collectMp3s(lister, tree.path("m/"));
        const std::atomic<bool> stop = false;
        std::vector<EntryIndex> all;
        for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
            all.push_back(EntryIndex {i});
        }
        const EntryStamps stamps = recorded ? recordStamps(lister, found, all, stop) : EntryStamps();
        std::vector<RemovalRequest> requests = requestsFor(found, stamps);
        ScriptedFileDeleter deleter;
        if (refused != 0) {
            deleter.failing[tree.path("m/c.mp3")] = refused;
        }
        if (disk) {
            disk->unmount();
        }
        tree.change(change.toStdString());
        completeStamps(lister, found, requests);
        std::atomic<std::size_t> done {0};
        const RemovalOutcome outcome = removeFiles(deleter, found.base, requests, requests.size(), stop, done);

        QCOMPARE(outcome.attempted, std::size_t(4));
        QCOMPARE(done.load(), std::size_t(4));
        QVERIFY(!outcome.stopped());
        QByteArrayList failures;
        for (const RemovalOutcome::Failure& failure : outcome.failures) {
            QCOMPARE(outcome.gone[failure.row], std::uint8_t(0));
            failures << QByteArray::fromStdString(failure.path.substr(found.base.size())) + ": "
                    + QByteArray::number(failure.error);
        }
        QCOMPARE(failures.join(" / "), failed.join(" / "));
        QCOMPARE(std::count(outcome.gone.begin(), outcome.gone.end(), 1), qsizetype(4 - failed.size()));
        QCOMPARE(tree.files(), left);
    }

    void doneText_data()
    {
        QTest::addColumn<bool>("trash");
        QTest::addColumn<QList<int>>("counts"); // files gone, failed, untouched, and why those failed if not EACCES
        QTest::addColumn<QStringList>("trashes"); // "DIR:COUNT"
        QTest::addColumn<QList<int>>("folders"); // removed, stayed
        QTest::addColumn<int>("recordError");
        QTest::addColumn<QString>("text"); // one failure shown
        const QString failure = "could not be %1:\n\n/m/0.mp3\n    Permission denied";
        QTest::newRow("all deleted") << false << QList {3, 0, 0} << QStringList {} << QList {0, 0} << 0
                                     << "Selected files have been removed.";
        QTest::newRow("all moved") << true << QList {3, 0, 0} << QStringList {"/h/Trash:3"} << QList {1, 0} << 0
                                   << "Selected files have been moved to the trash.\n\nThey are in /h/Trash.\n\n"
                                      "1 folder left empty was removed.";
        QTest::newRow("two trashes, one file gone already")
            << true << QList {4, 0, 0} << QStringList {"/h/Trash:2", "/mnt/usb/.Trash-0:1"} << QList {0, 0} << 0
            << "Selected files have been moved to the trash.\n\nThey are in /h/Trash (2 files) and "
               "/mnt/usb/.Trash-0 (1 file).";
        QTest::newRow("none deleted") << false << QList {0, 2, 0} << QStringList {} << QList {0, 0} << 0
                                      << "0 of the 2 selected files were deleted.\n\n2 files " + failure.arg("deleted")
                + "\n\n... and 1 more.";
        QTest::newRow("partly moved, folders stayed")
            << true << QList {2, 1, 0} << QStringList {"/h/Trash:2"} << QList {1, 2} << 0
            << "2 of the 3 selected files were moved to the trash.\n\nThey are in /h/Trash.\n\n1 folder left "
               "empty was removed. 2 emptied folders stayed: something else is in them.\n\n1 file "
                + failure.arg("moved to the trash");
        QTest::newRow("changed") << false << QList {1, 1, 0, IFileDeleter::kChanged} << QStringList {} << QList {0, 0}
                                 << 0
                                 << "1 of the 2 selected files were deleted.\n\n1 file could not be deleted:\n\n"
                                    "/m/0.mp3\n    changed since the scan";
        QTest::newRow("folder gone") << false << QList {1, 1, 0, IFileDeleter::kFolderGone} << QStringList {}
                                     << QList {0, 0} << 0
                                     << "1 of the 2 selected files were deleted.\n\n1 file could not be deleted:\n\n"
                                        "/m/0.mp3\n    its folder is gone or has moved since the scan";
        QTest::newRow("stopped, one failed") << false << QList {2, 1, 3} << QStringList {} << QList {0, 0} << 0
                                             << "2 of the 6 selected files were deleted; the deletion was stopped."
                                                "\n\n1 file "
                + failure.arg("deleted");
        QTest::newRow("a folder stayed") << false << QList {1, 0, 0} << QStringList {} << QList {0, 1} << 0
                                         << "Selected files have been removed.\n\n1 emptied folder stayed: something "
                                            "else is in it.";
        QTest::newRow("record not written")
            << false << QList {1, 0, 0} << QStringList {} << QList {0, 0} << ENOSPC
            << "Selected files have been removed.\n\nThe record of what went could not be written to "
               "/s/tuneprune: No space left on device.";
    }

    // The one end text of the window and the command line: success only when every selected file
    // went, else what went of all selected, what could not and why, where, and the folders.
    void doneText()
    {
        QFETCH(bool, trash);
        QFETCH(QList<int>, counts);
        QFETCH(QStringList, trashes);
        QFETCH(QList<int>, folders);
        QFETCH(int, recordError);
        QFETCH(QString, text);
        const ScopedEnv stateHome("XDG_STATE_HOME", "/s");
        RemovalOutcome outcome;
        outcome.removal = trash ? Removal::Trash : Removal::Delete;
        outcome.gone.assign(std::size_t(counts[0]), 1);
        for (int i = 0; i < counts[1]; ++i) {
            outcome.failures.push_back(
                {outcome.gone.size(), "/m/" + std::to_string(i) + ".mp3", counts.value(3, EACCES)});
            outcome.gone.push_back(0);
        }
        outcome.attempted = outcome.gone.size();
        for (int i = 0; i < counts[2]; ++i) {
            outcome.untouched.push_back(outcome.gone.size());
            outcome.gone.push_back(0);
        }
        for (const QString& used : trashes) {
            outcome.trashes.push_back({used.section(':', 0, 0).toStdString(), used.section(':', 1).toULongLong()});
        }
        outcome.foldersRemoved = std::size_t(folders[0]);
        outcome.foldersStayed = std::size_t(folders[1]);
        outcome.recordError = recordError;
        QCOMPARE(removalDoneText(outcome, 1), text);
    }

    void stopAfterTheFileInHand_data()
    {
        QTest::addColumn<QString>("stopAt"); // the file in hand when the stop comes; a.mp3 cannot be deleted
        QTest::addColumn<Files>("went"); // in order
        QTest::addColumn<std::vector<std::size_t>>("selected"); // the rows still selected once the gone ones left
        QTest::newRow("at the first, which fails") << "a.mp3" << Files {} << std::vector<std::size_t> {0, 1, 2, 3, 4};
        QTest::newRow("at the third") << "c.mp3" << Files {"b.mp3", "c.mp3"} << std::vector<std::size_t> {0, 1, 2};
        QTest::newRow("at the last") << "e.mp3" << Files {"b.mp3", "c.mp3", "d.mp3", "e.mp3"}
                                     << std::vector<std::size_t> {0};
    }

    // Stopped after the file in hand: the rest untouched, and, with the failed, still selected at
    // their places once the gone rows have left the list. The record, written as the files go,
    // holds each file that went and none that stayed.
    void stopAfterTheFileInHand()
    {
        QFETCH(QString, stopAt);
        QFETCH(Files, went);
        QFETCH(std::vector<std::size_t>, selected);
        TempTree tree;
        tree.change("write m/a.mp3 old;write m/b.mp3 old;write m/c.mp3 old;write m/d.mp3 old;write m/e.mp3 old");
        const ScopedEnv stateHome("XDG_STATE_HOME", QByteArray::fromStdString(tree.path("state")));
        ScriptedDirLister lister;
        const Mp3Collection found = collectMp3s(lister, tree.path("m/"));
        std::vector<RemovalRequest> requests = requestsFor(found);
        Files recorded;
        for (const std::string& path : went) {
            recorded.push_back(tree.path("m/" + path));
        }
        const std::string inHand = tree.path("m/" + stopAt.toStdString());
        Files before; // what the record holds when the file in hand comes
        std::atomic<bool> stop = false;
        ScriptedFileDeleter deleter;
        deleter.failing[tree.path("m/a.mp3")] = EACCES;
        deleter.onRemove = [&](const std::string& path) {
            const auto wanted = std::count_if(recorded.begin(), recorded.end(), [&](auto& p) { return p < inHand; });
            for (int tries = 0; path == inHand && tries < 5000 && before.size() != std::size_t(wanted); ++tries) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                before = recordedPaths(tree.path("state/tuneprune"));
            }
            stop = path == inHand;
        };
        std::atomic<std::size_t> done {0};
        const RemovalOutcome outcome
            = runRemoval(lister, deleter, found, requests, requests.size(),
                         {Removal::Delete, false, {"Delete Files", {}, found.base}}, stop, done);
        const auto attempted = static_cast<std::size_t>(stopAt[0].toLatin1() - 'a' + 1);
        QCOMPARE(done.load(), attempted);
        QCOMPARE(outcome.untouched.size(), 5 - attempted);
        QCOMPARE(tree.files("m/").size(), 5 - went.size());
        QCOMPARE(rowsStillSelected(outcome), selected);
        QCOMPARE(recordedPaths(tree.path("state/tuneprune")), recorded);
        recorded.erase(std::remove(recorded.begin(), recorded.end(), inHand), recorded.end());
        QCOMPARE(before, recorded); // written as they went, not at the end
    }

    void foldersLeftEmpty_data()
    {
        QTest::addColumn<Files>("made"); // below music/; every mp3 file goes; "x/" a folder, "x->y" a link
        QTest::addColumn<Files>("left"); // files, and folders ending in "/"
        QTest::addColumn<int>("removed"); // folders
        QTest::addColumn<int>("stayed"); // folders with only clutter names that stayed
        QTest::addColumn<QString>("mounted"); // a folder below music/ bound on itself before the scan
        QTest::addColumn<bool>("trash");
        QTest::addColumn<QString>("since"); // changed when the first folder is looked at
        QTest::newRow("empty") << Files {"A/a.mp3", "b.mp3"} << Files {} << 1 << 0 << "" << false << "";
        QTest::newRow("only clutter") << Files {"A/a.mp3", "A/Thumbs.db", "A/.DS_Store", "A/._a.mp3", "A/desktop.ini"}
                                      << Files {} << 1 << 0 << "" << false << "";
        QTest::newRow("only art") << Files {"A/a.mp3", "A/cover.jpg", "A/Folder.JPG", "A/AlbumArtSmall.png"} << Files {}
                                  << 1 << 0 << "" << false << "";
        QTest::newRow("art beside a .flac") << Files {"A/a.mp3", "A/cover.jpg", "A/a.flac"}
                                            << Files {"A/", "A/a.flac", "A/cover.jpg"} << 0 << 0 << "" << false << "";
        QTest::newRow("a text file") << Files {"A/a.mp3", "A/notes.txt"} << Files {"A/", "A/notes.txt"} << 0 << 0 << ""
                                     << false << "";
        QTest::newRow("nested, then the parent")
            << Files {"A/B/a.mp3", "A/cover.jpg", "A/C/b.mp3"} << Files {} << 3 << 0 << "" << false << "";
        QTest::newRow("a subfolder that stays")
            << Files {"A/a.mp3", "A/B/keep.txt"} << Files {"A/", "A/B/", "A/B/keep.txt"} << 0 << 0 << "" << false << "";
        // Nothing goes from a folder that stays.
        QTest::newRow("a subfolder named like clutter")
            << Files {"A/desktop.ini/", "A/a.mp3", "A/cover.jpg", "A/Thumbs.db", "A/.DS_Store"}
            << Files {"A/", "A/.DS_Store", "A/Thumbs.db", "A/cover.jpg", "A/desktop.ini/"} << 0 << 1 << "" << false
            << "";
        QTest::newRow("a mount point") << Files {"A/a.mp3", "A/cover.jpg"} << Files {"A/", "A/cover.jpg"} << 0 << 1
                                       << "A" << false << "";
        // The link goes, not what it leads to.
        QTest::newRow("clutter that is a link")
            << Files {"A/a.mp3", "A/cover.jpg->../../elsewhere/Thumbs.db"} << Files {} << 1 << 0 << "" << false << "";
        QTest::newRow("clutter to the trash")
            << Files {"A/a.mp3", "A/cover.jpg"} << Files {} << 1 << 0 << "" << true << "";
        QTest::newRow("a file came in since")
            << Files {"A/a.mp3", "A/cover.jpg"} << Files {"A/", "A/cover.jpg", "A/new.mp3"} << 0 << 0 << "" << false
            << "write music/A/new.mp3";
        QTest::newRow("folder swapped for a link") << Files {"A/a.mp3"} << Files {"A", "A.old/"} << 0 << 0 << ""
                                                   << false << "mv music/A music/A.old;ln music/A elsewhere";
    }

    // Folders that held a removed file and now hold nothing but clutter go, then their parents,
    // never the base directory; nothing outside the tree is touched.
    void foldersLeftEmpty()
    {
        QFETCH(Files, made);
        QFETCH(Files, left);
        QFETCH(int, removed);
        QFETCH(int, stayed);
        QFETCH(QString, mounted);
        QFETCH(bool, trash);
        QFETCH(QString, since);
        TempTree tree;
        tree.wfile("elsewhere/Thumbs.db");
        for (const std::string& file : made) {
            if (const std::size_t link = file.find("->"); link != std::string::npos) {
                std::filesystem::create_symlink(file.substr(link + 2), tree.path("music/" + file.substr(0, link)));
            } else {
                file.ends_with('/') ? tree.mkdirp("music/" + file) : tree.wfile("music/" + file, file);
            }
        }
        std::optional<Mount> mount;
        if (!mounted.isEmpty() && !mount.emplace(tree.path("music/" + mounted.toStdString()), Mount::Bind).ok()) {
            QSKIP("no bind mount can be made here");
        }
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("data")));
        ScriptedDirLister lister;
        const Mp3Collection found = collectMp3s(lister, tree.path("music/"));
        std::vector<RemovalRequest> requests = requestsFor(found);
        completeStamps(lister, found, requests);
        ScriptedFileDeleter deleter;
        deleter.onFolder = [&](const std::string&) {
            tree.change(std::exchange(since, {}).toStdString());
        };
        const std::atomic<bool> stop = false;
        std::atomic<std::size_t> done {0};
        const Removal removal = trash ? Removal::Trash : Removal::Delete;
        RemovalRecordWriter record(tree.path("state"), {});
        RemovalOutcome outcome = removeFiles(deleter, found.base, requests, requests.size(), stop, done, removal);
        QVERIFY(outcome.failures.empty());
        std::size_t stayedCount = 0;
        const std::size_t count = removeFoldersLeftEmpty(deleter, found.base, foldersOfGone(requests, outcome), removal,
                                                         record, stayedCount);
        QCOMPARE(count, std::size_t(removed));
        QCOMPARE(stayedCount, std::size_t(stayed));
        QCOMPARE(record.finish(false), 0);
        Files got;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.path("music"))) {
            const std::string relative = entry.path().string().substr(tree.path("music/").size());
            got.push_back(relative + (entry.is_directory() && !entry.is_symlink() ? "/" : ""));
        }
        std::sort(got.begin(), got.end());
        QCOMPARE(got, left);
        QCOMPARE(tree.files("elsewhere/"), Files {"Thumbs.db"});
        QCOMPARE(tree.files("data/Trash/files/").size(), std::size_t(trash ? 2 : 0)); // a.mp3 and cover.jpg
        const Files recorded = recordedPaths(tree.path("state"));
        QCOMPARE(!recorded.empty() && recorded.back().ends_with("/"), removed != 0);
    }

    void record_data()
    {
        QTest::addColumn<QString>("disk"); // what the second run meets
        QTest::addColumn<int>("error"); // that the second run says
        QTest::newRow("room") << "" << 0;
        QTest::newRow("a full disk") << "full" << ENOSPC;
        QTest::newRow("a file where its folder would be") << "file" << ENOTDIR;
    }

    // The day's record: appended to by each run, never rewritten; each path's bytes as they are,
    // a path that a line break would cut as a file URL; a closing line with the count. A run that
    // cannot write says why, and what was there stays whole: no half line.
    void record()
    {
        QFETCH(QString, disk);
        QFETCH(int, error);
        TempTree tree;
        std::optional<Mount> small;
        if (disk == "full" && !small.emplace(tree.path("state"), Mount::Tmpfs).ok()) {
            QSKIP("no tmpfs can be mounted here");
        }
        const std::string dir = tree.path("state/tuneprune");
        RemovalRecord header {"Delete Files", {"/m/a.m3u"}, "/m/"};
        RemovalRecordWriter first(dir, header);
        for (const char* path : {"/m/B\xff.mp3", "/m/two\nlines.mp3", "/m/A/"}) {
            first.add(path);
        }
        QCOMPARE(first.finish(false), 0);
        const Files made = tree.files("state/tuneprune/");
        QCOMPARE(made.size(), std::size_t(1));
        QVERIFY(made[0].ends_with(".m3u8"));
        const auto text = [&] {
            std::ifstream in(dir + "/" + made[0], std::ios::binary);
            return QString::fromLatin1(std::string {std::istreambuf_iterator<char>(in), {}});
        };
        disk == "full" ? small->fill() : disk == "file" ? tree.wfile("state/file") : void();
        header.command = "Move to Trash";
        RemovalRecordWriter second(disk == "file" ? tree.path("state/file/tuneprune") : dir, header);
        second.add("/m/c.mp3");
        for (int i = 0; disk == "full" && i < 300; ++i) {
            second.add("/m/" + std::string(60, 'x') + std::to_string(i) + ".mp3"); // more than the page left
        }
        QCOMPARE(second.finish(true), error);
        const QString ran = "# [-0-9]{10} [:0-9]{8} %1\n# Playlist: /m/a.m3u\n# Base directory: /m/\n";
        const QString secondRun = ran.arg("Move to Trash") + "/m/c.mp3\n# Stopped: 1 file\n";
        const QRegularExpression form("^#EXTM3U\n" + ran.arg("Delete Files")
                                      + QString::fromLatin1("/m/B\xff.mp3\nfile:///m/two%0Alines.mp3\n/m/A/\n")
                                      + "# Done: 2 files and 1 folder\n" + (error != 0 ? QString() : secondRun) + "$");
        QVERIFY2(form.match(text()).hasMatch(), qPrintable(text()));
    }

    // Which change of a file since its record makes it another file, where inode numbers last and
    // where they do not (FUSE). An empty stamp is a file gone, or never recorded.
    void identity_data()
    {
        QTest::addColumn<QList<qint64>>("recorded"); // inode, size, modified, changed
        QTest::addColumn<QList<qint64>>("now");
        QTest::addColumn<bool>("sameStable");
        QTest::addColumn<bool>("sameUnstable");
        const QList<qint64> then {12, 3000, 1'700'000'000'123'456'789, 1'700'000'000'123'456'789}, none;
        QTest::newRow("nothing") << then << then << true << true;
        QTest::newRow("inode") << then << QList<qint64> {13, then[1], then[2], then[3]} << false << true;
        QTest::newRow("change time") << then << QList<qint64> {then[0], then[1], then[2], then[3] + 1} << false << true;
        QTest::newRow("size") << then << QList<qint64> {then[0], then[1] + 1, then[2], then[3]} << false << false;
        QTest::newRow("modified") << then << QList<qint64> {then[0], then[1], then[2] + 1, then[3]} << false << false;
        QTest::newRow("gone") << then << none << false << false;
        QTest::newRow("never recorded") << none << then << false << false;
    }

    void identity()
    {
        QFETCH(QList<qint64>, recorded);
        QFETCH(QList<qint64>, now);
        QFETCH(bool, sameStable);
        QFETCH(bool, sameUnstable);
        const auto stamp = [](const QList<qint64>& v) {
            return v.isEmpty() ? FileStamp() : FileStamp {std::uint64_t(v[0]), std::uint64_t(v[1]), v[2], v[3]};
        };
        QCOMPARE(sameFile(stamp(recorded), stamp(now), true), sameStable);
        QCOMPARE(sameFile(stamp(recorded), stamp(now), false), sameUnstable);
    }
};

QTEST_GUILESS_MAIN(TestDeletion)
#include "tst_deletion.moc"
