#pragma once

// A mount of tuneprune_noinofs for the length of a test: a directory shown as sshfs shows one,
// readdir without inode numbers or types, and no attribute caching. Where FUSE cannot be mounted,
// ok() is false and why() says why, for the test to skip.

#include <QString>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef TUNEPRUNE_NOINOFS
constexpr const char* kNoInoFs = TUNEPRUNE_NOINOFS;
#else
constexpr const char* kNoInoFs = nullptr; // built without libfuse3
#endif

class FuseMount {
public:
    FuseMount(const std::string& sourceDir, const std::string& mountPoint)
    {
        ::mkdir(mountPoint.c_str(), 0700);
        char resolved[PATH_MAX];
        m_strMountPoint = ::realpath(mountPoint.c_str(), resolved) != nullptr ? resolved : mountPoint;
        m_strWhy = mount(sourceDir);
    }
    ~FuseMount()
    {
        // A busy mount goes once its last user lets go.
        if (mounted() && ::umount2(m_strMountPoint.c_str(), MNT_DETACH) != 0) {
            std::system(("fusermount3 -uz '" + m_strMountPoint + "'").c_str());
        }
        if (m_nChild > 0) {
            ::kill(m_nChild, SIGTERM);
            ::waitpid(m_nChild, nullptr, 0);
        }
    }
    FuseMount(const FuseMount&) = delete;
    FuseMount& operator=(const FuseMount&) = delete;

    bool ok() const { return m_strWhy.isEmpty(); }
    QString why() const { return m_strWhy; }
    // As the kernel names it, without a "/" at the end.
    const std::string& mountPoint() const { return m_strMountPoint; }

private:
    QString mount(const std::string& sourceDir)
    {
        if (kNoInoFs == nullptr) {
            return QStringLiteral("built without libfuse3");
        }
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            return QStringLiteral("/dev/fuse cannot be used: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        }
        m_nChild = ::fork();
        if (m_nChild == 0) {
            ::execl(kNoInoFs, kNoInoFs, sourceDir.c_str(), m_strMountPoint.c_str(), "-f", "-o",
                    "attr_timeout=0,entry_timeout=0,negative_timeout=0", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int tries = 0, status = 0; tries < 250 && !mounted(); ++tries) {
            if (m_nChild < 0 || ::waitpid(m_nChild, &status, WNOHANG) == m_nChild) {
                m_nChild = -1;
                return QStringLiteral("the FUSE file system ended before it was mounted (status %1)").arg(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return mounted() ? QString()
                         : QStringLiteral("no FUSE mount at %1 after 5 s").arg(QString::fromStdString(m_strMountPoint));
    }

    // "36 35 0:52 / /tmp/x/mnt rw - fuse.tuneprune_noinofs ...": the mount point is the fifth field.
    bool mounted() const
    {
        std::ifstream mounts("/proc/self/mountinfo");
        for (std::string line; std::getline(mounts, line);) {
            if (line.find(" " + m_strMountPoint + " ") != std::string::npos
                && line.find(" - fuse") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::string m_strMountPoint;
    QString m_strWhy;
    pid_t m_nChild = -1;
};
