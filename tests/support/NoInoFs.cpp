// A passthrough FUSE file system over one source directory that, like sshfs, gives readdir no
// inode numbers and no entry types, and lets FUSE number the inodes that stat reports. It does what
// a scan and a deletion need, and lets a test rewrite a file in place. Two faults on demand, as a
// share gives them: a folder named "unreadable" cannot be listed (EIO), and while SOURCE_DIR/.hold
// exists, an unlink waits, with SOURCE_DIR/.held made to say so.
//
// Usage: tuneprune_noinofs SOURCE_DIR MOUNTPOINT [fuse options...]
// e.g.   tuneprune_noinofs /tmp/src /tmp/mnt -f -o attr_timeout=0,entry_timeout=0

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string sourceDir;

std::string real(const char* path)
{
    return sourceDir + path;
}

// What a call gave, or its errno as FUSE wants it.
int result(ssize_t r)
{
    return r < 0 ? -errno : static_cast<int>(r);
}

void* nifsInit(fuse_conn_info*, fuse_config* cfg)
{
    // FUSE numbers the inodes itself, and readdir must not learn any: what sshfs does.
    cfg->use_ino = 0;
    cfg->readdir_ino = 0;
    // Unlinking an open file removes it, as on a server, instead of leaving a .fuse_hidden file.
    cfg->hard_remove = 1;
    return nullptr;
}

int nifsGetattr(const char* path, struct stat* st, fuse_file_info*)
{
    return result(lstat(real(path).c_str(), st));
}

int nifsUnlink(const char* path)
{
    const std::string hold = sourceDir + "/.hold";
    if (access(hold.c_str(), F_OK) == 0) {
        close(open((sourceDir + "/.held").c_str(), O_WRONLY | O_CREAT, 0600));
        while (access(hold.c_str(), F_OK) == 0) {
            usleep(1000);
        }
    }
    return result(unlink(real(path).c_str()));
}

int nifsOpen(const char* path, fuse_file_info* fi)
{
    const int fd = open(real(path).c_str(), fi->flags);
    fi->fh = static_cast<uint64_t>(fd);
    return result(fd < 0 ? fd : 0);
}

int nifsRead(const char*, char* buf, size_t size, off_t off, fuse_file_info* fi)
{
    return result(pread(static_cast<int>(fi->fh), buf, size, off));
}

int nifsWrite(const char*, const char* buf, size_t size, off_t off, fuse_file_info* fi)
{
    return result(pwrite(static_cast<int>(fi->fh), buf, size, off));
}

int nifsRelease(const char*, fuse_file_info* fi)
{
    return result(close(static_cast<int>(fi->fh)));
}

int nifsReaddir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    if (std::string_view(path).ends_with("/unreadable")) {
        return -EIO;
    }
    DIR* dir = opendir(real(path).c_str());
    if (dir == nullptr) {
        return -errno;
    }
    // No stat and no FUSE_FILL_DIR_PLUS: the kernel gets FUSE_UNKNOWN_INO and DT_UNKNOWN.
    while (dirent* e = readdir(dir)) {
        if (fill(buf, e->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) {
            break;
        }
    }
    closedir(dir);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    char resolved[PATH_MAX];
    if (argc < 3 || realpath(argv[1], resolved) == nullptr) {
        std::fprintf(stderr, "usage: %s SOURCE_DIR MOUNTPOINT [fuse options...]\n", argv[0]);
        return 2;
    }
    // FUSE paths start with '/': the root must not end in one.
    sourceDir = std::string(resolved) == "/" ? "" : resolved;
    // FUSE parses everything but the source directory.
    std::vector<char*> args {argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    args.push_back(nullptr);
    fuse_operations ops {};
    ops.init = nifsInit;
    ops.getattr = nifsGetattr;
    ops.unlink = nifsUnlink;
    ops.open = nifsOpen;
    ops.read = nifsRead;
    ops.write = nifsWrite;
    ops.release = nifsRelease;
    ops.readdir = nifsReaddir;
    return fuse_main(static_cast<int>(args.size()) - 1, args.data(), &ops, nullptr);
}
