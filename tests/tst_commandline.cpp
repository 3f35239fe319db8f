// `tuneprune --list|--delete|--trash`, run as a process on real trees: what it prints, removes and
// answers with, and how it asks.

#include "FuseMount.h"
#include "RealFiles.h"
#include "ScopedEnv.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <optional>
#include <thread>

#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

using Paths = std::vector<std::string>;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Starts the program in a session of its own: no terminal to ask on, unless `tty` (a pseudo
// terminal's other end) is made the one.
void start(QProcess& process, const QStringList& arguments, int tty = -1)
{
    process.setProgram(QStringLiteral(TUNEPRUNE_BINARY));
    process.setArguments(arguments);
    process.setChildProcessModifier([tty] {
        ::setsid();
        if (tty >= 0) {
            ::ioctl(tty, TIOCSCTTY, 0);
        }
    });
    process.start();
}

// Runs the program in `cwd` (none: this one's), with `input` on a pipe as its standard input.
Run run(const QStringList& arguments, const QString& cwd = {}, const QByteArray& input = {})
{
    QProcess process;
    process.setWorkingDirectory(cwd);
    start(process, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QString arg(const std::string& bytes)
{
    return QString::fromLocal8Bit(bytes);
}

// A library with three unwanted songs, one in a folder of its own, and the playlist that keeps one.
struct Library {
    TempTree tree;
    std::string base = tree.path("music/");
    Library()
    {
        for (const char* file : {"a.mp3", "b.mp3", "keep.mp3", "x/c.mp3", "x/cover.jpg"}) {
            tree.wfile(std::string("music/") + file, "song");
        }
        tree.wfile("list.m3u", "keep.mp3\n");
    }
    QStringList args(const QString& mode, const QStringList& more = {}) const
    {
        return QStringList {mode, "--base", arg(base)} + more + QStringList {arg(tree.path("list.m3u"))};
    }
};

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each mode and each refusal, run in the tree's root on the library with a name holding a line
    // break: what it prints, says and answers with, and what is left. Refusals touch nothing (2).
    // --from-list's paths are taken from the current folder, "." and doubled slashes dropped, a ".."
    // kept as it stands; a list that names nothing the scan lists stops everything.
    void modes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input"); // reviewed.txt, and standard input
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // all of it; "@" the tree's root without its last "/", in all three
        QTest::addColumn<QByteArray>("said"); // on standard error
        QTest::addColumn<Paths>("left"); // below music/
        const auto row = [](const char* name, const QStringList& arguments, int status, const char* said,
                            const Paths& left, const QByteArray& out = {}, const QByteArray& input = {}) {
            QTest::newRow(name) << arguments << input << status << out << QByteArray(said) << left;
        };
        const QStringList on {"--base", "music", "list.m3u"};
        const QStringList remove = QStringList {"--delete", "--yes"} + on;
        const QStringList fromList = remove + QStringList {"--from-list", "reviewed.txt"};
        const Paths all {"a.mp3", "b.mp3", "keep.mp3", "line\nbreak.mp3", "x/c.mp3", "x/cover.jpg"};
        const QByteArray listed = "@/music/a.mp3\n@/music/b.mp3\n@/music/x/c.mp3\n";
        row("list", QStringList {"--list"} + on, 0, "1 name holds a line break and was left out", all, listed);
        row("list -0", QStringList {"--list", "-0"} + on, 0, "", all,
            QByteArray("@/music/a.mp3|@/music/b.mp3|@/music/line\nbreak.mp3|@/music/x/c.mp3|").replace('|', '\0'));
        row("list as M3U8", QStringList {"--list", "--format=m3u8"} + on, 0, "", all, "#EXTM3U\n" + listed);
        row("trash", QStringList {"--trash", "--yes"} + on, 0, "They are in @/data/Trash.",
            {"keep.mp3", "x/cover.jpg"});
        row("no terminal to ask on", QStringList {"--delete"} + on, 2, "no terminal to ask on", all);
        row("no mode", QStringList {"--yes"} + on, 2, "say what to do", all);
        row("unknown format", QStringList {"--list", "--format=csv"} + on, 2, "unknown --format 'csv'", all);
        row("a file as the folder", {"--delete", "--yes", "--base", "list.m3u", "list.m3u"}, 2,
            "cannot read list.m3u: Not a directory", all);
        row("a folder as the playlist", {"--delete", "--yes", "--base", "music", "music"}, 2,
            "tuneprune: cannot read playlist: music: a folder, not a file\n", all);
        row("a playlist that names little", {"--delete", "--yes", "--base", "music", "elsewhere.m3u"}, 2,
            "None of the playlist's 1 entry names a file below", all);
        row("told to go on all the same",
            {"--delete", "--yes", "--even-if-nothing-matches", "--base", "music", "elsewhere.m3u"}, 0, "",
            {"x/cover.jpg"});
        row("a folder as the list", remove + QStringList {"--from-list", "music"}, 2, "music: Is a directory", all);
        row("a device as the list", remove + QStringList {"--from-list", "/dev/null"}, 2,
            "/dev/null: not a file or a pipe", all);
        row("missing list", remove + QStringList {"--from-list", "nope.txt"}, 2, "nope.txt: No such file or directory",
            all);
        row("reviewed -0 list", fromList, 0, "", {"b.mp3", "keep.mp3", "x/c.mp3", "x/cover.jpg"}, {},
            QByteArray("@/music/a.mp3|@/music/line\nbreak.mp3|").replace('|', '\0'));
        row("relative, with . and //", fromList, 0, "", {"b.mp3", "keep.mp3", "line\nbreak.mp3", "x/cover.jpg"}, {},
            "music/./a.mp3\n./music//x/c.mp3\n");
        row("absolute, one not listed", fromList, 0, "1 of the 2 paths in reviewed.txt is not listed by this scan",
            {"a.mp3", "keep.mp3", "line\nbreak.mp3", "x/c.mp3", "x/cover.jpg"}, {},
            "@//music/./b.mp3\n@/music/keep.mp3\n");
        row("from a pipe", remove + QStringList {"--from-list", "/dev/stdin"}, 0, "",
            {"b.mp3", "keep.mp3", "line\nbreak.mp3", "x/c.mp3", "x/cover.jpg"}, {}, "music/a.mp3\n");
        row(".. is not resolved", fromList, 2,
            "None of the 1 path in reviewed.txt is listed by this scan: @/music/x/../a.mp3", all, {},
            "music/x/../a.mp3\n");
        row("another base", fromList, 2,
            "None of the 2 paths in reviewed.txt is listed by this scan: /elsewhere/a.mp3, /elsewhere/b.mp3", all, {},
            "/elsewhere/a.mp3\n/elsewhere/b.mp3\n");
        row("empty", fromList, 2, "reviewed.txt holds no path; nothing was touched", all, {}, "# nothing\n");
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, said);
        QFETCH(Paths, left);
        Library library;
        library.tree.wfile("music/line\nbreak.mp3", "song");
        library.tree.wfile("elsewhere.m3u", "elsewhere.mp3\n");
        const QByteArray root = QByteArray::fromStdString(library.tree.root()).chopped(1);
        library.tree.wfile("reviewed.txt", input.replace('@', root).toStdString());
        const ScopedEnv dataHome("XDG_DATA_HOME", root + "/data");
        const Run done = run(arguments, arg(library.tree.root()), input);
        QCOMPARE(done.status, status);
        QCOMPARE(done.out, out.replace('@', root));
        QVERIFY2(done.err.contains(said.replace('@', root)), done.err.constData());
        QCOMPARE(library.tree.files("music/"), left);
    }

    // A mixed library with --all-audio: every audio file goes but the audiobook, the image its cue
    // sheet keeps and the one beside a sheet that names nothing; --help names the endings.
    void allAudio()
    {
        Library library;
        for (const char* file : {"cd/Album.ape", "odd/Disc.wv", "x/b.flac", "y/book.m4b", "y/c.OGG"}) {
            library.tree.wfile(std::string("music/") + file, "song");
        }
        library.tree.wfile("music/cd/Album.cue", "FILE \"Album.ape\" WAVE\n");
        library.tree.wfile("music/odd/Disc.cue", "TITLE \"Disc\"\n");
        library.tree.wfile("list.m3u", "keep.mp3\ncd/Album.cue\n");
        const Run done = run(library.args("--delete", {"--yes", "--remove-empty-folders", "--all-audio"}));
        QCOMPARE(done.status, 0);
        QVERIFY2(done.err.contains("odd/Disc.cue: names no file; every file beside it is kept\n"),
                 done.err.constData());
        QCOMPARE(library.tree.files("music/"),
                 (Paths {"cd/Album.ape", "cd/Album.cue", "keep.mp3", "odd/Disc.cue", "odd/Disc.wv", "y/book.m4b"}));
        const QByteArray help = run({"--help"}).out;
        QVERIFY2(help.contains("--all-audio") && help.contains(".flac .ogg .oga"), help.constData());
    }

    // The question goes to the terminal, whatever the output is: "yes" goes on, anything else
    // touches nothing.
    void question_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("status");
        QTest::newRow("yes") << QByteArray("yes\n") << 0;
        QTest::newRow("y") << QByteArray("y\n") << 3;
    }

    void question()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        Library library;
        int master = -1, slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            QSKIP("no pseudo terminal here");
        }
        const auto closeBoth = qScopeGuard([&] {
            ::close(master);
            ::close(slave);
        });
        QProcess process;
        start(process, library.args("--delete"), slave);
        QByteArray asked;
        char buffer[512];
        for (int tries = 0; tries < 2000 && !asked.contains("Type yes to go on: "); ++tries) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            asked.append(buffer, n > 0 ? n : 0);
        }
        QVERIFY2(asked.contains("Delete 3 files (12 bytes)? Type yes to go on: "), asked.constData());
        QVERIFY(asked.startsWith("Playlist: 1 line found"));
        QCOMPARE(::write(master, answer.data(), answer.size()), ssize_t(answer.size()));
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(library.tree.files("music/").size(), std::size_t(status == 0 ? 2 : 5));
    }

    void share_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl+C") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    // On a share: a folder that cannot be listed makes the list incomplete (4); Ctrl+C, SIGTERM
    // or SIGHUP during a deletion stops it after the file in hand, with 128 and the signal's
    // number, and the record holds the file that went.
    void share()
    {
        QFETCH(int, signal);
        Library library;
        const ScopedEnv stateHome("XDG_STATE_HOME", QByteArray::fromStdString(library.tree.path("state")));
        library.tree.wfile("music/unreadable/d.mp3", "song");
        const std::string source = library.tree.path("music");
        FuseMount mount(source, library.tree.path("mnt"));
        if (!mount.ok()) {
            QSKIP(qPrintable("no FUSE mount: " + mount.why()));
        }
        const QStringList on {"--base", arg(mount.mountPoint()), arg(library.tree.path("list.m3u"))};
        const Run listed = run(QStringList {"--list"} + on);
        QCOMPARE(listed.status, 4);
        QCOMPARE(listed.out.count('\n'), 3);
        QVERIFY2(listed.err.contains("1 folder could not be read"), listed.err.constData());

        library.tree.wfile("music/.hold");
        QProcess process;
        start(process, QStringList {"--delete", "--yes"} + on);
        for (int tries = 0; tries < 20000 && !std::filesystem::exists(source + "/.held"); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        QVERIFY(std::filesystem::exists(source + "/.held"));
        ::kill(static_cast<pid_t>(process.processId()), signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::filesystem::remove(source + "/.hold");
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signal);
        const QByteArray said = process.readAllStandardError();
        QVERIFY2(said.contains("1 of the 3 selected files were deleted; the deletion was stopped."), said.constData());
        QCOMPARE(library.tree.files("music/").size(), std::size_t(6)); // a.mp3 went, .held came
        QCOMPARE(recordedPaths(library.tree.path("state/tuneprune")), Paths {mount.mountPoint() + "/a.mp3"});
    }

    // What the system refuses stops nothing else, and the status is 1: a file it will not delete
    // (a read-only bind mount of x/) is named with the reason; a record that cannot be written (a
    // file where its folder goes, or a full disk) is named with its own.
    void refused_data()
    {
        QTest::addColumn<QString>("mounted"); // music/x bound read-only, or a full tmpfs at state; none: a file there
        QTest::addColumn<QByteArray>("said"); // "@" the tree's root
        QTest::addColumn<Paths>("left"); // below music/
        QTest::newRow("read-only folder") << "music/x"
                                          << QByteArray("cannot delete @music/x/c.mp3: Read-only file system\n"
                                                        "tuneprune: 2 of the 3 selected files were deleted.\n"
                                                        "tuneprune: 1 file could not be deleted.\n")
                                          << Paths {"keep.mp3", "x/c.mp3", "x/cover.jpg"};
        const QByteArray record = "Selected files have been removed.\ntuneprune: The record of what went could not be "
                                  "written to @state/tuneprune: ";
        QTest::newRow("record: a file") << "" << record + "Not a directory" << Paths {"keep.mp3", "x/cover.jpg"};
        QTest::newRow("record: a full disk")
            << "state" << record + "No space left on device" << Paths {"keep.mp3", "x/cover.jpg"};
    }

    void refused()
    {
        QFETCH(QString, mounted);
        QFETCH(QByteArray, said);
        QFETCH(Paths, left);
        Library library;
        std::optional<Mount> mount;
        const Mount::Kind kind = mounted == "state" ? Mount::Tmpfs : Mount::ReadOnly;
        if (!mounted.isEmpty() && !mount.emplace(library.tree.path(mounted.toStdString()), kind).ok()) {
            QSKIP("no read-only bind mount or tmpfs can be made here");
        }
        kind == Mount::Tmpfs ? mount->fill() : mounted.isEmpty() ? library.tree.wfile("state") : void();
        const ScopedEnv stateHome("XDG_STATE_HOME", QByteArray::fromStdString(library.tree.path("state")));
        const Run done = run(library.args("--delete", {"--yes"}));
        QCOMPARE(done.status, 1);
        QVERIFY2(done.err.contains(said.replace('@', QByteArray::fromStdString(library.tree.root()))),
                 done.err.constData());
        QCOMPARE(library.tree.files("music/"), left);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
