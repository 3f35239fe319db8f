// Move to Trash on real trees: the home trash, a second file system (/dev/shm), a trash that
// cannot be used, and a mount that refuses; nothing is ever unlinked.

#include "Deletion.h"
#include "EntryStamps.h"
#include "PercentEncoding.h"
#include "RealFiles.h"
#include "ScopedEnv.h"
#include "TrashInfo.h"
#include "TreeWalk.h"
#include "UserDirs.h"

#include <QRegularExpression>
#include <QTest>

#include <fstream>
#include <map>
#include <sstream>

#include <sys/mount.h>
#include <sys/stat.h>

using Files = std::vector<std::string>;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint64_t inodeOf(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

// Moves every mp3 entry below `base` to the trash, as Move to Trash does after a scan.
DeletionOutcome trashAll(const std::string& base, ScriptedFileDeleter& deleter)
{
    ScriptedDirLister lister;
    const Mp3Collection found = collectMp3s(lister, base);
    std::vector<DeletionRequest> requests;
    for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
        requests.push_back(deletionRequest(found, EntryStamps(), EntryIndex {i}, i));
    }
    completeStamps(lister, found, requests);
    const std::atomic<bool> stop = false;
    std::atomic<std::size_t> done {0};
    return deleteFiles(deleter, found.base, requests, requests.size(), stop, done, Removal::Trash);
}

// The .trashinfo's Path, percent-decoded, and whether its date has the form the trash wants.
std::pair<std::string, bool> readInfo(const std::string& path)
{
    const QString text = QString::fromStdString(readFile(path));
    const QRegularExpression form(
        "^\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$");
    const QRegularExpressionMatch match = form.match(text);
    return {QByteArray::fromPercentEncoding(match.captured(1).toLatin1()).toStdString(), match.hasMatch()};
}

} // namespace

class TestTrash : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("encoded"); // as the Path of a .trashinfo
        QTest::addColumn<QByteArray>("third"); // the third name tried in a trash
        QTest::newRow("plain") << QByteArray("/m/a.mp3") << QByteArray("/m/a.mp3") << QByteArray("/m/a (3).mp3");
        QTest::newRow("space, percent, hash")
            << QByteArray("/m/A b%#.mp3") << QByteArray("/m/A%20b%25%23.mp3") << QByteArray("/m/A b%# (3).mp3");
        QTest::newRow("UTF-8") << QByteArray("/Björk/é.mp3") << QByteArray("/Bj%C3%B6rk/%C3%A9.mp3")
                               << QByteArray("/Björk/é (3).mp3");
        QTest::newRow("not UTF-8") << QByteArray("/m/\xff\x01.mp3") << QByteArray("/m/%FF%01.mp3")
                                   << QByteArray("/m/\xff\x01 (3).mp3");
        QTest::newRow("no extension") << QByteArray("/m/song") << QByteArray("/m/song") << QByteArray("/m/song (3)");
        QTest::newRow("dot file") << QByteArray(".mp3") << QByteArray(".mp3") << QByteArray(".mp3 (3)");
    }

    void names()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, third);
        QCOMPARE(QByteArray::fromStdString(percentEncodedPath(name.toStdString())), encoded);
        const std::string last = name.mid(name.lastIndexOf('/') + 1).toStdString();
        const QByteArray head = name.left(name.lastIndexOf('/') + 1);
        QCOMPARE(head + QByteArray::fromStdString(trashedName(last, 1)), name);
        QCOMPARE(head + QByteArray::fromStdString(trashedName(last, 3)), third);
    }

    // The home and the XDG folders, or none: never a folder made from an empty or relative home.
    void userDirs_data()
    {
        QTest::addColumn<QByteArrayList>("given"); // HOME, XDG_DATA_HOME, XDG_STATE_HOME, XDG_CONFIG_HOME, passwd
        QTest::addColumn<QByteArrayList>("dirs"); // home, data, state, config
        const QByteArrayList belowH {"/h", "/h/.local/share", "/h/.local/state", "/h/.config"};
        QTest::newRow("all set") << QByteArrayList {"/h", "/d", "/s", "/c", "/p"}
                                 << QByteArrayList {"/h", "/d", "/s", "/c"};
        QTest::newRow("HOME with a slash") << QByteArrayList {"/h//", "-", "-", "-", "/p"} << belowH;
        QTest::newRow("XDG relative or empty") << QByteArrayList {"/h", "d", "", "./c", "-"} << belowH;
        QTest::newRow("HOME unset: the password entry's") << QByteArrayList {"-", "-", "-", "-", "/h"} << belowH;
        QTest::newRow("HOME relative") << QByteArrayList {"h", "-", "-", "-", "/h"} << belowH;
        QTest::newRow("HOME empty") << QByteArrayList {"", "-", "-", "-", "/h"} << belowH;
        QTest::newRow("HOME the root") << QByteArrayList {"/", "-", "-", "-", "/h"} << belowH;
        QTest::newRow("no home anywhere")
            << QByteArrayList {"-", "-", "s", "-", ""} << QByteArrayList {"-", "-", "-", "-"};
        QTest::newRow("no home, XDG set")
            << QByteArrayList {"-", "/d", "-", "/c", "-"} << QByteArrayList {"-", "/d", "-", "/c"};
    }

    void userDirs()
    {
        QFETCH(QByteArrayList, given);
        QFETCH(QByteArrayList, dirs);
        const auto value = [&given](int i) {
            return given[i] == "-" ? nullptr : given[i].constData();
        };
        const UserDirs found = userDirsFrom({value(0), value(1), value(2), value(3), value(4)});
        const auto shown = [](const std::optional<std::string>& dir) {
            return dir ? QByteArray::fromStdString(*dir) : QByteArray("-");
        };
        QCOMPARE((QByteArrayList {shown(found.home), shown(found.data), shown(found.state), shown(found.config)}),
                 dirs);
    }

    // On the home's file system: into $XDG_DATA_HOME/Trash, each file by a rename (the same inode)
    // with its .trashinfo, a clash of names made unique; a folder row refused and left alone.
    void homeTrash()
    {
        TempTree tree;
        const Files names {"a.mp3", "sub/a.mp3", "B\xff.mp3"};
        std::map<std::string, std::uint64_t> inodes;
        for (const std::string& name : names) {
            tree.wfile("music/" + name, name);
            inodes[name] = inodeOf(tree.path("music/" + name));
        }
        tree.wfile("music/x.mp3/inside.txt");
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("data")));
        ScriptedFileDeleter deleter;
        const DeletionOutcome outcome = trashAll(tree.path("music/"), deleter);

        QCOMPARE(outcome.failures.size(), std::size_t(1));
        QCOMPARE(outcome.failures[0].error, EISDIR);
        QVERIFY(outcome.trashDirs.empty());
        QCOMPARE(tree.files("music/"), Files {"x.mp3/inside.txt"});
        QCOMPARE(tree.files("data/Trash/files/"), (Files {"B\xff.mp3", "a (2).mp3", "a.mp3"}));
        // In walk order: the base's own a.mp3 sorts before the folder "sub".
        const std::map<std::string, std::string> trashed {
            {"a.mp3", "a.mp3"}, {"a (2).mp3", "sub/a.mp3"}, {"B\xff.mp3", "B\xff.mp3"}};
        for (const auto& [inTrash, original] : trashed) {
            QCOMPARE(inodeOf(tree.path("data/Trash/files/" + inTrash)), inodes[original]);
            const auto [path, wellFormed] = readInfo(tree.path("data/Trash/info/" + inTrash + ".trashinfo"));
            QVERIFY(wellFormed);
            QCOMPARE(path, tree.path("music/" + original));
        }
    }

    void otherFileSystem_data()
    {
        QTest::addColumn<QString>("top"); // what stands at the top of /dev/shm before the move
        QTest::newRow("nothing") << "";
        QTest::newRow(".Trash a link to a sticky folder") << "link";
        QTest::newRow(".Trash-$uid a file") << "file";
    }

    // On another file system (/dev/shm, a tmpfs): into $topdir/.Trash-$uid, the path relative to the
    // top; a .Trash that is a link is not used; where no trash can be made, the file stays.
    void otherFileSystem()
    {
        QFETCH(QString, top);
        TempTree home;
        const TempTree tree = [] {
            const ScopedEnv tmp("TMPDIR", "/dev/shm");
            return TempTree();
        }();
        struct stat shm { };
        struct stat tmp { };
        if (::stat(tree.root().c_str(), &shm) != 0 || ::stat(home.root().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev
            || !tree.root().starts_with("/dev/shm/")) {
            QSKIP("/dev/shm is not a second file system here");
        }
        const std::string uid = std::to_string(::getuid());
        const std::string can = "/dev/shm/.Trash-" + uid;
        struct stat st { };
        if (::lstat("/dev/shm/.Trash", &st) == 0 || ::lstat(can.c_str(), &st) == 0) {
            QSKIP("/dev/shm already has a trash, which this test must not touch");
        }
        const auto tidy = qScopeGuard([&] {
            std::filesystem::remove_all(can);
            std::filesystem::remove("/dev/shm/.Trash");
        });
        tree.mkdirp("sticky");
        ::chmod(tree.path("sticky").c_str(), 01777);
        if (top == "link") {
            std::filesystem::create_symlink(tree.path("sticky"), "/dev/shm/.Trash");
        } else if (top == "file") {
            std::ofstream(can) << "not a folder";
        }
        tree.wfile("music/a.mp3", "a");
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(home.path("data")));
        ScriptedFileDeleter deleter;
        const DeletionOutcome outcome = trashAll(tree.path("music/"), deleter);

        QVERIFY(!std::filesystem::exists(home.path("data/Trash/files/a.mp3")));
        QCOMPARE(tree.files("sticky/"), Files {});
        if (top == "file") {
            QCOMPARE(outcome.failures.size(), std::size_t(1));
            QCOMPARE(outcome.failures[0].error, IFileDeleter::kNoTrash);
            QCOMPARE(tree.files("music/"), Files {"a.mp3"});
            return;
        }
        QVERIFY(outcome.failures.empty());
        QCOMPARE(outcome.trashDirs, std::vector<std::string> {can});
        QCOMPARE(tree.files("music/"), Files {});
        QVERIFY(std::filesystem::exists(can + "/files/a.mp3"));
        const auto [path, wellFormed] = readInfo(can + "/info/a.mp3.trashinfo");
        QVERIFY(wellFormed);
        QCOMPARE(path, tree.path("music/a.mp3").substr(std::string("/dev/shm/").size()));
    }

    // A mount the system will not write to: the file stays where it was, with the reason, and no
    // .trashinfo is left behind.
    void refused()
    {
        TempTree tree;
        tree.wfile("music/a.mp3", "a");
        const std::string music = tree.path("music");
        if (::mount(music.c_str(), music.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            QSKIP("no bind mount can be made here");
        }
        const auto unmount = qScopeGuard([&] { ::umount2(music.c_str(), MNT_DETACH); });
        if (::mount(nullptr, music.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            QSKIP("the bind mount cannot be made read-only here");
        }
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("data")));
        ScriptedFileDeleter deleter;
        const DeletionOutcome outcome = trashAll(tree.path("music/"), deleter);
        QCOMPARE(outcome.failures.size(), std::size_t(1));
        QVERIFY2(outcome.failures[0].error == EROFS || outcome.failures[0].error == EXDEV
                     || outcome.failures[0].error == IFileDeleter::kNoTrash,
                 qPrintable(QString::number(outcome.failures[0].error)));
        QCOMPARE(tree.files("music/"), Files {"a.mp3"});
        QCOMPARE(tree.files("data/Trash/info/"), Files {});
    }
};

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_trash.moc"
