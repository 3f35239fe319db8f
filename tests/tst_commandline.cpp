// `tuneprune --list|--delete|--trash`, run as a process on real trees: what it prints, removes and
// answers with, how it asks, and that its list is the window's.

#include "DialogDriver.h"
#include "FuseMount.h"
#include "PlayerPlaylists.h"
#include "ScopedEnv.h"

#include <QProcess>
#include <QScopeGuard>

#include <csignal>
#include <fstream>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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
    QByteArray unwanted(char end = '\n') const
    {
        QByteArray list;
        for (const char* file : {"a.mp3", "b.mp3", "x/c.mp3"}) {
            list += QByteArray::fromStdString(base + file) + end;
        }
        return list;
    }
};

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each mode on the same library: what it prints, its status, and what is left.
    void modes_data()
    {
        QTest::addColumn<QStringList>("arguments"); // before the playlist; --base comes after the first
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // "LIST", "LIST0", "M3U8": the unwanted paths so
        QTest::addColumn<Paths>("left"); // below music/
        const Paths all {"a.mp3", "b.mp3", "keep.mp3", "x/c.mp3", "x/cover.jpg"};
        QTest::newRow("list") << QStringList {"--list"} << 0 << QByteArray("LIST") << all;
        QTest::newRow("list -0") << QStringList {"--list", "-0"} << 0 << QByteArray("LIST0") << all;
        QTest::newRow("list as M3U8") << QStringList {"--list", "--format=m3u8"} << 0 << QByteArray("M3U8") << all;
        QTest::newRow("delete") << QStringList {"--delete", "--yes"} << 0 << QByteArray()
                                << Paths {"keep.mp3", "x/cover.jpg"};
        QTest::newRow("delete, folders left empty")
            << QStringList {"--delete", "--yes", "--remove-empty-folders"} << 0 << QByteArray() << Paths {"keep.mp3"};
        QTest::newRow("trash") << QStringList {"--trash", "--yes"} << 0 << QByteArray()
                               << Paths {"keep.mp3", "x/cover.jpg"};
        QTest::newRow("no terminal to ask on") << QStringList {"--delete"} << 2 << QByteArray() << all;
        QTest::newRow("no mode") << QStringList {"--yes"} << 2 << QByteArray() << all;
        QTest::newRow("two modes") << QStringList {"--list", "--delete"} << 2 << QByteArray() << all;
        QTest::newRow("unknown format") << QStringList {"--list", "--format=csv"} << 2 << QByteArray() << all;
    }

    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(Paths, left);
        Library library;
        const ScopedEnv dataHome("XDG_DATA_HOME", QByteArray::fromStdString(library.tree.path("data")));
        const QString mode = arguments.takeFirst();
        const Run done = run(library.args(mode, arguments));
        QCOMPARE(done.status, status);
        const QByteArray expected = out == "LIST" ? library.unwanted()
            : out == "LIST0"                      ? library.unwanted('\0')
            : out == "M3U8"                       ? "#EXTM3U\n" + library.unwanted()
                                                  : out;
        QCOMPARE(done.out, expected);
        QCOMPARE(library.tree.files("music/"), left);
        if (mode == "--trash") {
            QCOMPARE(library.tree.files("data/Trash/files/"), (Paths {"a.mp3", "b.mp3", "c.mp3"}));
        }
    }

    // A mixed library through a deletion: mp3 files only, or with --all-audio every audio file but
    // the audiobook, the image its cue sheet keeps and the one beside a sheet that names nothing.
    void allAudio_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Paths>("left"); // below music/
        QTest::addColumn<QByteArray>("said"); // on standard error, or with --help on standard output
        const QStringList removal {"--delete", "--yes", "--remove-empty-folders"};
        const Paths kept {"cd/Album.ape", "cd/Album.cue", "keep.mp3", "odd/Disc.cue", "odd/Disc.wv"};
        Paths mp3Only = kept;
        mp3Only.insert(mp3Only.end(), {"x/b.flac", "x/cover.jpg", "y/book.m4b", "y/c.OGG"});
        Paths everyType = kept;
        everyType.push_back("y/book.m4b");
        QTest::newRow("mp3 only") << removal << mp3Only
                                  << QByteArray("Playlist: 1 line found, 0 found elsewhere, 1 not found\n");
        QTest::newRow("every audio type") << removal + QStringList {"--all-audio"} << everyType
                                          << QByteArray("odd/Disc.cue: names no file; every file beside it is kept\n");
        QTest::newRow("help") << QStringList {"--help"}
                              << Paths {"a.mp3",    "b.mp3",        "cd/Album.ape", "cd/Album.cue",
                                        "keep.mp3", "odd/Disc.cue", "odd/Disc.wv",  "x/b.flac",
                                        "x/c.mp3",  "x/cover.jpg",  "y/book.m4b",   "y/c.OGG"}
                              << QByteArray("--all-audio");
    }

    void allAudio()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Paths, left);
        QFETCH(QByteArray, said);
        Library library;
        for (const char* file : {"cd/Album.ape", "odd/Disc.wv", "x/b.flac", "y/book.m4b", "y/c.OGG"}) {
            library.tree.wfile(std::string("music/") + file, "song");
        }
        library.tree.wfile("music/cd/Album.cue", "FILE \"Album.ape\" WAVE\n");
        library.tree.wfile("music/odd/Disc.cue", "TITLE \"Disc\"\n");
        library.tree.wfile("list.m3u", "keep.mp3\ncd/Album.cue\n");
        const Run done = run(library.args(arguments.takeFirst(), arguments));
        QCOMPARE(done.status, 0);
        QCOMPARE(library.tree.files("music/"), left);
        QVERIFY2((done.err + done.out).contains(said), done.err.constData());
        QCOMPARE(done.out.contains(".flac .ogg .oga"), said == "--all-audio");
    }

    // What cannot be read stops everything before anything is touched.
    void badInput_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("playlist");
        QTest::addColumn<QString>("list"); // for --from-list; "null": a device node the test makes
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("missing folder") << "nope/"
                                        << "list.m3u"
                                        << "" << QByteArray("No such file or directory");
        QTest::newRow("a file as the folder") << "list.m3u"
                                              << "list.m3u"
                                              << "" << QByteArray("Not a directory");
        QTest::newRow("missing playlist")
            << "music/"
            << "nope.m3u"
            << "" << QByteArray("tuneprune: cannot read playlist: nope.m3u: no such file or directory\n");
        QTest::newRow("a folder as the playlist")
            << "music/"
            << "music"
            << "" << QByteArray("tuneprune: cannot read playlist: music: a folder, not a file\n");
        QTest::newRow("a folder as the list") << "music/"
                                              << "list.m3u"
                                              << "music" << QByteArray("music: Is a directory");
        QTest::newRow("a device as the list") << "music/"
                                              << "list.m3u"
                                              << "null" << QByteArray("null: not a file or a pipe");
        QTest::newRow("missing list") << "music/"
                                      << "list.m3u"
                                      << "nope.txt" << QByteArray("nope.txt: No such file or directory");
    }

    void badInput()
    {
        QFETCH(QString, base);
        QFETCH(QString, playlist);
        QFETCH(QString, list);
        QFETCH(QByteArray, said);
        Library library;
        const QString root = arg(library.tree.root());
        QStringList arguments {"--delete", "--yes", "--base", root + base, root + playlist};
        if (list == "null" && ::mknod(library.tree.path("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
            QSKIP("no device node can be made here");
        }
        if (!list.isEmpty()) {
            arguments << "--from-list" << root + list;
        }
        const Run done = run(arguments);
        QCOMPARE(done.status, 2);
        QVERIFY2(done.err.contains(said), done.err.constData());
        QCOMPARE(library.tree.files("music/").size(), std::size_t(5));
    }

    // A playlist that names nothing here stops a removal unless told to go on.
    void littleNamed()
    {
        Library library;
        library.tree.wfile("list.m3u", "elsewhere.mp3\n");
        Run done = run(library.args("--delete", {"--yes"}));
        QCOMPARE(done.status, 2);
        QVERIFY(done.err.contains("None of the playlist's 1 entry names a file below"));
        QCOMPARE(library.tree.files("music/").size(), std::size_t(5));
        done = run(library.args("--delete", {"--yes", "--even-if-nothing-matches"}));
        QCOMPARE(done.status, 0);
        QCOMPARE(library.tree.files("music/"), Paths {"x/cover.jpg"});
    }

    // --from-list: only what was reviewed and is still unwanted; a song added since stays. A name
    // with a line break is left out of the lines and counted, and is there with -0.
    void fromList()
    {
        Library library;
        library.tree.wfile("music/line\nbreak.mp3", "song");
        const Run lines = run(library.args("--list"));
        QVERIFY(!lines.out.contains("break"));
        QVERIFY2(lines.err.contains("1 name holds a line break and was left out"), lines.err.constData());
        const Run listed = run(library.args("--list", {"-0"}));
        QVERIFY(listed.out.contains("line\nbreak.mp3"));
        QByteArray reviewed = listed.out;
        reviewed.replace(QByteArray::fromStdString(library.base + "b.mp3") + '\0', "");
        library.tree.wfile("reviewed.txt", reviewed.toStdString());
        library.tree.wfile("music/new.mp3", "song");
        const Run done
            = run(library.args("--delete", {"--yes", "--from-list", arg(library.tree.path("reviewed.txt"))}));
        QCOMPARE(done.status, 0);
        QCOMPARE(library.tree.files("music/"), (Paths {"b.mp3", "keep.mp3", "new.mp3", "x/cover.jpg"}));
    }

    // --from-list's paths are taken from the current folder, "." and doubled slashes dropped, a ".."
    // kept as it stands; a list that names nothing the scan lists stops everything (2). "@" is the
    // tree's root, without its last "/".
    void fromListPaths_data()
    {
        QTest::addColumn<QByteArray>("list"); // on standard input when it starts with "|"
        QTest::addColumn<int>("status");
        QTest::addColumn<Paths>("left"); // below music/
        QTest::addColumn<QByteArray>("said");
        const Paths all {"a.mp3", "b.mp3", "keep.mp3", "x/c.mp3", "x/cover.jpg"};
        QTest::newRow("relative, with . and //") << QByteArray("music/./a.mp3\n./music//x/c.mp3\n") << 0
                                                 << Paths {"b.mp3", "keep.mp3", "x/cover.jpg"} << QByteArray();
        QTest::newRow("absolute, one not listed")
            << QByteArray("@//music/./b.mp3\n@/music/keep.mp3\n") << 0
            << Paths {"a.mp3", "keep.mp3", "x/c.mp3", "x/cover.jpg"}
            << QByteArray("1 of the 2 paths in reviewed.txt is not listed by this scan");
        QTest::newRow("from a pipe") << QByteArray("|music/a.mp3\n") << 0
                                     << Paths {"b.mp3", "keep.mp3", "x/c.mp3", "x/cover.jpg"} << QByteArray();
        QTest::newRow(".. is not resolved") << QByteArray("music/x/../a.mp3\n") << 2 << all
                                            << QByteArray("None of the 1 path in reviewed.txt is listed by this "
                                                          "scan: @/music/x/../a.mp3");
        QTest::newRow("another base") << QByteArray("/elsewhere/a.mp3\n/elsewhere/b.mp3\n") << 2 << all
                                      << QByteArray("None of the 2 paths in reviewed.txt is listed by this scan: "
                                                    "/elsewhere/a.mp3, /elsewhere/b.mp3");
        QTest::newRow("empty") << QByteArray("# nothing\n") << 2 << all
                               << QByteArray("reviewed.txt holds no path; nothing was touched");
    }

    void fromListPaths()
    {
        QFETCH(QByteArray, list);
        QFETCH(int, status);
        QFETCH(Paths, left);
        QFETCH(QByteArray, said);
        Library library;
        const QByteArray root = QByteArray::fromStdString(library.tree.root()).chopped(1);
        list.replace('@', root);
        said.replace('@', root);
        const bool piped = list.startsWith('|');
        library.tree.wfile("reviewed.txt", list.toStdString());
        const Run done = run(library.args("--delete", {"--yes", "--from-list", piped ? "/dev/stdin" : "reviewed.txt"}),
                             arg(library.tree.root()), piped ? list.mid(1) : QByteArray());
        QCOMPARE(done.status, status);
        QVERIFY2(done.err.contains(said), done.err.constData());
        QCOMPARE(library.tree.files("music/"), left);
    }

    // The question goes to the terminal, whatever the output is: "yes" goes on, anything else
    // touches nothing.
    void question_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("status");
        QTest::newRow("yes") << QByteArray("yes\n") << 0;
        QTest::newRow("y") << QByteArray("y\n") << 3;
        QTest::newRow("YES") << QByteArray("YES\n") << 3;
    }

    void question()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        Library library;
        int master = -1;
        int slave = -1;
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
        QTest::addColumn<bool>("readOnly"); // music/x bound read-only on itself
        QTest::addColumn<QString>("state"); // what stands at $XDG_STATE_HOME: a file, a full disk, nothing
        QTest::addColumn<QByteArray>("said"); // "@" the tree's root
        QTest::addColumn<Paths>("left"); // below music/
        QTest::newRow("read-only folder") << true << ""
                                          << QByteArray("cannot delete @music/x/c.mp3: Read-only file system\n"
                                                        "tuneprune: 2 of the 3 selected files were deleted.\n"
                                                        "tuneprune: 1 file could not be deleted.\n")
                                          << Paths {"keep.mp3", "x/c.mp3", "x/cover.jpg"};
        const QByteArray record = "Selected files have been removed.\ntuneprune: The record of what went could not be "
                                  "written to @state/tuneprune: ";
        QTest::newRow("record: a file") << false << "file" << record + "Not a directory"
                                        << Paths {"keep.mp3", "x/cover.jpg"};
        QTest::newRow("record: a full disk")
            << false << "full" << record + "No space left on device" << Paths {"keep.mp3", "x/cover.jpg"};
    }

    void refused()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, state);
        QFETCH(QByteArray, said);
        QFETCH(Paths, left);
        Library library;
        std::optional<Mount> mount;
        if (readOnly && !mount.emplace(library.tree.path("music/x"), Mount::ReadOnly).ok()) {
            QSKIP("no read-only bind mount can be made here");
        }
        if (state == "full" && !mount.emplace(library.tree.path("state"), Mount::Tmpfs).ok()) {
            QSKIP("no tmpfs can be mounted here");
        }
        state == "full" ? mount->fill() : state == "file" ? library.tree.wfile("state") : void();
        const ScopedEnv stateHome("XDG_STATE_HOME", QByteArray::fromStdString(library.tree.path("state")));
        const Run done = run(library.args("--delete", {"--yes"}));
        QCOMPARE(done.status, 1);
        QVERIFY2(done.err.contains(said.replace('@', QByteArray::fromStdString(library.tree.root()))),
                 done.err.constData());
        QCOMPARE(library.tree.files("music/"), left);
    }

    // The same playlists as players write them and the same tree give the window's list, byte for byte.
    void sameListAsTheWindow()
    {
        TempTree tree;
        for (const char* file : {"Daft Punk/Discovery/01 - One More Time.mp3", "Björk/Post/03 - Army of Me.mp3",
                                 "Queen/Greatest Hits/01 Bohemian Rhapsody.mp3", "Abba/Gold/01 - Dancing Queen.mp3",
                                 "Abba/Gold/03 - SOS.mp3", "Queen/Jazz/12 Fat Bottomed Girls.MP3",
                                 "Queen/Jazz/01 Mustapha.mp3", "Z/\xff\xfe.mp3", "Z/song.mp3.bak"}) {
            tree.wfile(std::string("music/") + file, "song");
        }
        const Paths playlists {playlistFile("vlc.xspf"), playlistFile("rhythmbox.pls"), playlistFile("winamp.pls"),
                               playlistFile("party.asx")};
        DialogDriver d;
        d.dlg().show();
        d.openPlaylists(playlists);
        d.selectDirectory(tree.path("music/"));
        d.scan();
        QByteArray window;
        for (const std::string& row : d.rows()) {
            window += QByteArray::fromStdString(row) + '\n';
        }
        QStringList arguments {"--list", "--base", arg(tree.path("music/"))};
        for (const std::string& playlist : playlists) {
            arguments << arg(playlist);
        }
        const Run listed = run(arguments);
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, window);
        QCOMPARE(listed.out.count('\n'), 4);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
