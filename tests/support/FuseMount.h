#pragma once

// A mount of tuneprune_noinofs for the length of a test: a directory seen the way sshfs shows it,
// readdir without inode numbers or types. Where FUSE cannot be mounted, ok() is false and why()
// says why, so that the test can skip:
//
//     FuseMount mount(src, mnt);
//     if (!mount.ok())
//         QSKIP(qPrintable(mount.why()));

#include <QString>

#include <string>

#ifdef TUNEPRUNE_NOINOFS
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>
#endif

#ifndef TUNEPRUNE_NOINOFS
class FuseMount {
public:
    FuseMount(const std::string&, const std::string&) { }
    bool ok() const { return false; }
    QString why() const { return QStringLiteral("built without libfuse3"); }
    const std::string& mountPoint() const { return m_mountPoint; }

private:
    std::string m_mountPoint;
};
#else
class FuseMount {
public:
    FuseMount(const std::string& sourceDir, const std::string& mountPoint)
    {
        m_why = mount(sourceDir, mountPoint);
        if (!m_why.isEmpty())
            cleanUp();
    }
    ~FuseMount() { cleanUp(); }
    FuseMount(const FuseMount&) = delete;
    FuseMount& operator=(const FuseMount&) = delete;

    bool ok() const { return m_why.isEmpty(); }
    QString why() const { return m_why; }
    // The mountpoint as the kernel knows it, without a trailing '/'.
    const std::string& mountPoint() const { return m_mountPoint; }

private:
    static QString errnoText(const std::string& what, int err)
    {
        return QString::fromStdString(what + ": " + std::strerror(err));
    }

    QString mount(const std::string& sourceDir, const std::string& mountPoint)
    {
        const char* binary = TUNEPRUNE_NOINOFS;
        if (access(binary, X_OK) != 0)
            return errnoText(std::string("the FUSE file system ") + binary + " is missing", errno);
        int fuse = open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fuse < 0 && errno == ENOENT)
            return QStringLiteral("no /dev/fuse on this machine");
        if (fuse < 0)
            return errnoText("no permission to open /dev/fuse", errno);
        close(fuse);
        if (geteuid() != 0 && access("/bin/fusermount3", X_OK) != 0 && access("/usr/bin/fusermount3", X_OK) != 0)
            return QStringLiteral("not root and no fusermount3 to mount FUSE with");

        struct stat st;
        if (stat(sourceDir.c_str(), &st) != 0)
            return errnoText("source directory " + sourceDir, errno);
        if (!S_ISDIR(st.st_mode))
            return errnoText("source directory " + sourceDir, ENOTDIR);
        m_mountPoint = mountPoint;
        if (mkdir(mountPoint.c_str(), 0700) == 0)
            m_madeMountPoint = true;
        else if (errno != EEXIST)
            return errnoText("mountpoint " + mountPoint, errno);
        char resolved[PATH_MAX];
        if (!realpath(mountPoint.c_str(), resolved))
            return errnoText("mountpoint " + mountPoint, errno);
        m_mountPoint = resolved;
        if (isMounted())
            return QStringLiteral("%1 is already a FUSE mount").arg(QString::fromStdString(m_mountPoint));

        // The daemon's messages go to memory, read only to explain a failure; a pipe could fill.
        m_log = memfd_create("tuneprune_noinofs", MFD_CLOEXEC);
        // No caching, so that what a test changes in the source shows at once.
        const std::string options = "attr_timeout=0,entry_timeout=0,negative_timeout=0";
        std::vector<std::string> args {binary, sourceDir, m_mountPoint, "-f", "-o", options};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        m_child = fork();
        if (m_child < 0)
            return errnoText("fork", errno);
        m_spawned = true;
        if (m_child == 0) {
            // Only async-signal-safe calls here. A test that dies takes the daemon with it,
            // which then unmounts.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (m_log >= 0) {
                dup2(m_log, STDOUT_FILENO);
                dup2(m_log, STDERR_FILENO);
            }
            // The test's own descriptors must not stay open in the daemon.
            close_range(3, ~0U, 0);
            execv(binary, argv.data());
            _exit(127);
        }

        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!isMounted()) {
            int status = 0;
            if (waitpid(m_child, &status, WNOHANG) == m_child) {
                m_child = -1;
                QString how = WIFEXITED(status) ? QStringLiteral("exited with status %1").arg(WEXITSTATUS(status))
                                                : QStringLiteral("was killed by signal %1").arg(WTERMSIG(status));
                return QStringLiteral("the FUSE file system %1 before mounting %2: %3")
                    .arg(how, QString::fromStdString(m_mountPoint), log());
            }
            if (std::chrono::steady_clock::now() > deadline)
                return QStringLiteral("timed out after 5 s waiting for the FUSE mount at %1: %2")
                    .arg(QString::fromStdString(m_mountPoint), log());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_mounted = true;
        return {};
    }

    // Reading mountinfo never blocks, unlike a stat of a mountpoint whose daemon is stuck.
    bool isMounted() const
    {
        std::ifstream in("/proc/self/mountinfo");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string id, parent, dev, root, point, field;
            fields >> id >> parent >> dev >> root >> point;
            while (fields >> field && field != "-") { }
            std::string type;
            fields >> type;
            if (unescape(point) == m_mountPoint && type.starts_with("fuse"))
                return true;
        }
        return false;
    }

    // mountinfo writes space, tab, newline and backslash as \ooo.
    static std::string unescape(const std::string& s)
    {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 3 < s.size()) {
                out += static_cast<char>(std::strtol(s.substr(i + 1, 3).c_str(), nullptr, 8));
                i += 3;
            } else {
                out += s[i];
            }
        }
        return out;
    }

    QString log() const
    {
        if (m_log < 0)
            return QStringLiteral("(no output)");
        std::string text;
        char buf[4096];
        ssize_t n;
        for (off_t off = 0; (n = pread(m_log, buf, sizeof buf, off)) > 0; off += n)
            text.append(buf, static_cast<size_t>(n));
        QString out = QString::fromLocal8Bit(text).trimmed();
        return out.isEmpty() ? QStringLiteral("(no output)") : out;
    }

    static bool run(std::vector<std::string> args)
    {
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = fork();
        if (pid < 0)
            return false;
        if (pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // False when the mount was busy and only detached: its daemon then still serves it.
    bool unmount()
    {
        if (geteuid() == 0) {
            if (umount2(m_mountPoint.c_str(), 0) == 0 || errno == EINVAL)
                return true;
        } else if (run({"fusermount3", "-u", m_mountPoint})) {
            return true;
        }
        // Busy: take it out of the tree now.
        if (geteuid() == 0)
            umount2(m_mountPoint.c_str(), MNT_DETACH);
        else
            run({"fusermount3", "-uz", m_mountPoint});
        return false;
    }

    void cleanUp()
    {
        // A daemon that died still leaves its mount ("Transport endpoint is not connected").
        const bool wasMounted = m_mounted;
        bool unmounted = true;
        if (m_mounted || (m_spawned && isMounted()))
            unmounted = unmount();
        m_mounted = false;
        if (m_child > 0) {
            // Unmounted, the daemon ends by itself; detached, stuck or never mounted, it is
            // stopped, and files still open on the mount then fail with ENOTCONN.
            if (!unmounted || !wasMounted)
                kill(m_child, SIGTERM);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            int status = 0;
            while (waitpid(m_child, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > deadline) {
                    kill(m_child, SIGKILL);
                    waitpid(m_child, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            m_child = -1;
        }
        if (m_log >= 0) {
            close(m_log);
            m_log = -1;
        }
        if (m_madeMountPoint) {
            rmdir(m_mountPoint.c_str());
            m_madeMountPoint = false;
        }
    }

    QString m_why;
    std::string m_mountPoint;
    pid_t m_child = -1;
    int m_log = -1;
    bool m_spawned = false;
    bool m_mounted = false;
    bool m_madeMountPoint = false;
};
#endif
