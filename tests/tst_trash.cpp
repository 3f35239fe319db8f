// Move to Trash on real trees: the home trash, a second file system (/dev/shm), a bind mount, a
// trash that cannot be used, and a mount that refuses; nothing is ever unlinked. Mounts are made
// in a mount namespace of this process's own.

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

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

using Files = std::vector<std::string>;

namespace {

std::uint64_t inodeOf(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

// A temporary tree that is a tmpfs of its own, mounted where no other process sees it: what a
// trash makes at the top of the tree's mount stays in the tree, and the mount ends with the test.
class MountedTree {
public:
    MountedTree()
    {
        static const bool privateMounts
            = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        m_bMounted = privateMounts && ::mount("tmpfs", m_tree.root().c_str(), "tmpfs", 0, "size=16m,mode=0700") == 0;
    }
    ~MountedTree()
    {
        if (m_bMounted) {
            ::umount2(m_tree.root().c_str(), MNT_DETACH);
        }
    }

    bool mounted() const { return m_bMounted; }
    const TempTree& tree() const { return m_tree; }

private:
    TempTree m_tree;
    bool m_bMounted = false;
};

// Moves every mp3 entry below `base` to the trash, as Move to Trash does after a scan.
RemovalOutcome trashAll(const std::string& base, ScriptedFileDeleter& deleter)
{
    ScriptedDirLister lister;
    const Mp3Collection found = collectMp3s(lister, base);
    std::vector<RemovalRequest> requests;
    for (std::uint32_t i = 0; i < found.entries.size(); ++i) {
        requests.push_back(removalRequest(found, EntryStamps(), EntryIndex {i}, i));
    }
    completeStamps(lister, found, requests);
    const std::atomic<bool> stop = false;
    std::atomic<std::size_t> done {0};
    return removeFiles(deleter, found.base, requests, requests.size(), stop, done, Removal::Trash);
}

// Each trash the files went to, and how many: "DIR: COUNT".
Files trashesUsed(const RemovalOutcome& outcome)
{
    Files used;
    for (const RemovalOutcome::TrashUse& trash : outcome.trashes) {
        used.push_back(trash.dir + ": " + std::to_string(trash.files));
    }
    return used;
}

// The .trashinfo's Path, percent-decoded, and whether its date has the form the trash wants.
std::pair<std::string, bool> readInfo(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const QString text = QString::fromStdString({std::istreambuf_iterator<char>(in), {}});
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
        QTest::addColumn<QByteArray>("first"); // the first name tried in a trash
        QTest::addColumn<QByteArray>("third"); // the third
        const auto row = [](const char* tag, const QByteArray& name, const QByteArray& encoded, const QByteArray& first,
                            const QByteArray& third) {
            QTest::newRow(tag) << name << encoded << first << third;
        };
        row("plain", "/m/a.mp3", "/m/a.mp3", "/m/a.mp3", "/m/a (3).mp3");
        row("space, percent, hash", "/m/A b%#.mp3", "/m/A%20b%25%23.mp3", "/m/A b%#.mp3", "/m/A b%# (3).mp3");
        row("UTF-8", "/Björk/é.mp3", "/Bj%C3%B6rk/%C3%A9.mp3", "/Björk/é.mp3", "/Björk/é (3).mp3");
        row("not UTF-8", "/m/\xff\x01.mp3", "/m/%FF%01.mp3", "/m/\xff\x01.mp3", "/m/\xff\x01 (3).mp3");
        row("no extension", "/m/song", "/m/song", "/m/song", "/m/song (3)");
        row("dot file", ".mp3", ".mp3", ".mp3", ".mp3 (3)");
        // "NAME.trashinfo" must fit in 255 bytes; a character is not cut.
        const QByteArray x(246, 'x'), e = QByteArray("é").repeated(123);
        row("250 bytes", "/m/" + x + ".mp3", "/m/" + x + ".mp3", "/m/" + x.left(241) + ".mp3",
            "/m/" + x.left(237) + " (3).mp3");
        row("250 bytes of two-byte letters", "/m/" + e + ".mp3", "/m/" + QByteArray("%C3%A9").repeated(123) + ".mp3",
            "/m/" + e.left(240) + ".mp3", "/m/" + e.left(236) + " (3).mp3");
    }

    void names()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, third);
        QCOMPARE(QByteArray::fromStdString(percentEncodedPath(name.toStdString())), encoded);
        const std::string last = name.mid(name.lastIndexOf('/') + 1).toStdString();
        const QByteArray head = name.left(name.lastIndexOf('/') + 1);
        QCOMPARE(head + QByteArray::fromStdString(trashedName(last, 1)), first);
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

    void homeTrash_data()
    {
        QTest::addColumn<QString>("dataHome"); // $XDG_DATA_HOME below the tree
        QTest::addColumn<Files>("links"); // "link->target" made first
        QTest::addColumn<QString>("trash"); // where the home trash really is
        QTest::newRow("plain") << "data" << Files {} << "data/Trash";
        // Fedora Silverblue's /home -> /var/home.
        QTest::newRow("home reached through a link")
            << "home/data" << Files {"home->var/home"} << "var/home/data/Trash";
        QTest::newRow("Trash a link") << "data" << Files {"data/Trash->../elsewhere/Trash"} << "elsewhere/Trash";
    }

    // On the home trash's mount: into $XDG_DATA_HOME/Trash, each file by a rename (the same inode)
    // with its .trashinfo, a clash of names made unique, a name too long for its .trashinfo
    // shortened; a folder row refused and left alone.
    void homeTrash()
    {
        QFETCH(QString, dataHome);
        QFETCH(Files, links);
        QFETCH(QString, trash);
        // Where the links are not followed, the trash at the top of the tree's mount is used.
        const MountedTree mounted;
        if (!links.empty() && !mounted.mounted()) {
            QSKIP("the tree cannot be a mount of its own here");
        }
        const TempTree& tree = mounted.tree();
        for (const std::string& link : links) {
            const std::size_t arrow = link.find("->");
            const std::string folder = link.substr(0, link.rfind('/', arrow) + 1);
            tree.mkdirp(folder + link.substr(arrow + 2));
            std::filesystem::create_symlink(link.substr(arrow + 2), tree.path(link.substr(0, arrow)));
        }
        const std::string longName = std::string(246, 'L') + ".mp3";
        const Files names {"a.mp3", "sub/a.mp3", "B\xff.mp3", longName};
        std::map<std::string, std::uint64_t> inodes;
        for (const std::string& name : names) {
            tree.wfile("music/" + name, name);
            inodes[name] = inodeOf(tree.path("music/" + name));
        }
        tree.wfile("music/x.mp3/inside.txt");
        const ScopedEnv data("XDG_DATA_HOME", QByteArray::fromStdString(tree.path(dataHome.toStdString())));
        ScriptedFileDeleter deleter;
        const RemovalOutcome outcome = trashAll(tree.path("music/"), deleter);

        QCOMPARE(outcome.failures.size(), std::size_t(1));
        QCOMPARE(outcome.failures[0].error, EISDIR);
        QCOMPARE(trashesUsed(outcome), Files {tree.path(dataHome.toStdString() + "/Trash") + ": 4"});
        QCOMPARE(tree.files("music/"), Files {"x.mp3/inside.txt"});
        const std::string shortName = std::string(241, 'L') + ".mp3";
        const std::string in = trash.toStdString() + "/";
        QCOMPARE(tree.files(in + "files/"), (Files {"B\xff.mp3", shortName, "a (2).mp3", "a.mp3"}));
        // In walk order: the base's own a.mp3 sorts before the folder "sub".
        const std::map<std::string, std::string> trashed {
            {"a.mp3", "a.mp3"}, {"a (2).mp3", "sub/a.mp3"}, {"B\xff.mp3", "B\xff.mp3"}, {shortName, longName}};
        for (const auto& [inTrash, original] : trashed) {
            QCOMPARE(inodeOf(tree.path(in + "files/" + inTrash)), inodes[original]);
            const auto [path, wellFormed] = readInfo(tree.path(in + "info/" + inTrash + ".trashinfo"));
            QVERIFY(wellFormed);
            QCOMPARE(path, tree.path("music/" + original));
        }
        // Emptied by removing its folders while the window kept them: the next move makes them again.
        std::filesystem::remove_all(tree.path(in + "files"));
        std::filesystem::remove_all(tree.path(in + "info"));
        tree.wfile("music/again.mp3");
        QVERIFY(trashAll(tree.path("music/"), deleter).failures.size() == 1); // x.mp3
        QCOMPARE(tree.files(in + "files/"), Files {"again.mp3"});
    }

    void otherFileSystem_data()
    {
        QTest::addColumn<bool>("bind"); // the music on a bind mount of the home's file system, else on /dev/shm
        QTest::addColumn<QString>("top"); // what stands at the top of that mount before the move
        QTest::newRow("nothing") << false << "";
        QTest::newRow(".Trash a link to a sticky folder") << false << "link";
        QTest::newRow(".Trash-$uid a file") << false << "file";
        // A rename cannot leave a bind mount, even for the home trash on the same file system.
        QTest::newRow("base through a bind mount") << true << "";
        QTest::newRow("bind mount, .Trash a link") << true << "link";
    }

    // On another mount (/dev/shm, a tmpfs, or a bind mount): into $topdir/.Trash-$uid, the path
    // relative to the top; a .Trash that is a link is not used; where no trash can be made, the
    // file stays.
    void otherFileSystem()
    {
        QFETCH(bool, bind);
        QFETCH(QString, top);
        const MountedTree mounted;
        const TempTree& home = mounted.tree();
        const TempTree shm = [] {
            const ScopedEnv tmp("TMPDIR", "/dev/shm");
            return TempTree();
        }();
        const std::string topDir = bind ? home.path("mnt") : "/dev/shm";
        const std::string music = bind ? home.path("mnt/music/") : shm.path("music/");
        const std::string sticky = bind ? home.path("mnt/sticky") : shm.path("sticky");
        home.change("mkdir srv/music;mkdir mnt");
        if (bind
            && (!mounted.mounted()
                || ::mount(home.path("srv").c_str(), topDir.c_str(), nullptr, MS_BIND, nullptr) != 0)) {
            QSKIP("no bind mount can be made here");
        }
        struct stat other { };
        struct stat st { };
        if (!bind
            && (::stat(shm.root().c_str(), &other) != 0 || ::stat(home.root().c_str(), &st) != 0
                || other.st_dev == st.st_dev || !shm.root().starts_with("/dev/shm/"))) {
            QSKIP("/dev/shm is not a second file system here");
        }
        const std::string can = topDir + "/.Trash-" + std::to_string(::getuid());
        if (::lstat((topDir + "/.Trash").c_str(), &st) == 0 || ::lstat(can.c_str(), &st) == 0) {
            QSKIP("/dev/shm already has a trash, which this test must not touch");
        }
        const auto tidy = qScopeGuard([&] {
            std::filesystem::remove_all(can);
            std::filesystem::remove(topDir + "/.Trash");
            if (bind) {
                ::umount2(topDir.c_str(), MNT_DETACH);
            }
        });
        std::filesystem::create_directories(sticky);
        ::chmod(sticky.c_str(), 01777);
        if (top == "link") {
            std::filesystem::create_symlink(sticky, topDir + "/.Trash");
        } else if (top == "file") {
            std::ofstream(can) << "not a folder";
        }
        std::filesystem::create_directories(music);
        std::ofstream(music + "a.mp3") << "a";
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(home.path("data")));
        ScriptedFileDeleter deleter;
        const RemovalOutcome outcome = trashAll(music, deleter);

        QVERIFY(!std::filesystem::exists(home.path("data/Trash/files/a.mp3")));
        QVERIFY(std::filesystem::is_empty(sticky));
        if (top == "file") {
            QCOMPARE(outcome.failures.size(), std::size_t(1));
            QCOMPARE(outcome.failures[0].error, IFileDeleter::kNoTrash);
            QVERIFY(std::filesystem::exists(music + "a.mp3"));
            return;
        }
        QVERIFY(outcome.failures.empty());
        QCOMPARE(trashesUsed(outcome), Files {can + ": 1"});
        QVERIFY(std::filesystem::is_empty(music));
        QVERIFY(std::filesystem::exists(can + "/files/a.mp3"));
        const auto [path, wellFormed] = readInfo(can + "/info/a.mp3.trashinfo");
        QVERIFY(wellFormed);
        QCOMPARE(path, music.substr(topDir.size() + 1) + "a.mp3");
    }

    // A mount the system will not write to: the file stays where it was, with the reason, and no
    // .trashinfo is left behind.
    void refused()
    {
        TempTree tree;
        tree.wfile("music/a.mp3", "a");
        const Mount readOnly(tree.path("music"), Mount::ReadOnly);
        if (!readOnly.ok()) {
            QSKIP("no read-only bind mount can be made here");
        }
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(tree.path("data")));
        ScriptedFileDeleter deleter;
        const RemovalOutcome outcome = trashAll(tree.path("music/"), deleter);
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
