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
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string sourceDir;

std::string real(const char* path)
{
    return sourceDir + path;
}

int fail()
{
    return -errno;
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
    return lstat(real(path).c_str(), st) == 0 ? 0 : fail();
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
    return unlink(real(path).c_str()) == 0 ? 0 : fail();
}

int nifsTruncate(const char* path, off_t size, fuse_file_info* fi)
{
    int r = fi ? ftruncate(static_cast<int>(fi->fh), size) : truncate(real(path).c_str(), size);
    return r == 0 ? 0 : fail();
}

int nifsOpen(const char* path, fuse_file_info* fi)
{
    int fd = open(real(path).c_str(), fi->flags);
    if (fd < 0)
        return fail();
    fi->fh = static_cast<uint64_t>(fd);
    return 0;
}

int nifsRead(const char*, char* buf, size_t size, off_t off, fuse_file_info* fi)
{
    ssize_t n = pread(static_cast<int>(fi->fh), buf, size, off);
    return n < 0 ? fail() : static_cast<int>(n);
}

int nifsWrite(const char*, const char* buf, size_t size, off_t off, fuse_file_info* fi)
{
    ssize_t n = pwrite(static_cast<int>(fi->fh), buf, size, off);
    return n < 0 ? fail() : static_cast<int>(n);
}

int nifsRelease(const char*, fuse_file_info* fi)
{
    close(static_cast<int>(fi->fh));
    return 0;
}

int nifsReaddir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    const std::string name(path);
    if (name.size() >= 11 && name.compare(name.size() - 11, 11, "/unreadable") == 0) {
        return -EIO;
    }
    DIR* dir = opendir(real(path).c_str());
    if (!dir)
        return fail();
    // No stat and no FUSE_FILL_DIR_PLUS: the kernel gets FUSE_UNKNOWN_INO and DT_UNKNOWN.
    while (dirent* e = readdir(dir)) {
        if (fill(buf, e->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0)) != 0)
            break;
    }
    closedir(dir);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOURCE_DIR MOUNTPOINT [fuse options...]\n", argv[0]);
        return 2;
    }
    char resolved[PATH_MAX];
    if (!realpath(argv[1], resolved)) {
        std::perror(argv[1]);
        return 1;
    }
    // FUSE paths start with '/': the root must not end in one.
    sourceDir = resolved;
    if (sourceDir == "/")
        sourceDir.clear();

    // FUSE parses everything but the source directory.
    std::vector<char*> args {argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    args.push_back(nullptr);

    fuse_operations ops {};
    ops.getattr = nifsGetattr;
    ops.unlink = nifsUnlink;
    ops.truncate = nifsTruncate;
    ops.open = nifsOpen;
    ops.read = nifsRead;
    ops.write = nifsWrite;
    ops.release = nifsRelease;
    ops.readdir = nifsReaddir;
    ops.init = nifsInit;
    return fuse_main(static_cast<int>(args.size()) - 1, args.data(), &ops, nullptr);
}
