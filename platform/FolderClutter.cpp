#include "FolderClutter.h"

#include "EmptyFolders.h"
#include "FdCloser.h"
#include "FileDeleter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int listClutter(int fd, std::vector<std::string>& clutter)
{
    FdCloser copy(::dup(fd));
    DIR* const listing = ::fdopendir(copy.get());
    if (listing == nullptr) {
        return errno;
    }
    copy.release(); // the listing's now
    int error = 0;
    errno = 0;
    for (const dirent* entry; error != ENOTEMPTY && (entry = ::readdir(listing)) != nullptr; errno = 0) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (!isFolderClutter(name)) {
            error = ENOTEMPTY;
            continue;
        }
        struct stat st { };
        const bool file = entry->d_type == DT_REG || entry->d_type == DT_LNK
            || (entry->d_type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)));
        error = file ? error : IFileDeleter::kFolderStays;
        clutter.emplace_back(name);
    }
    error = error != 0 ? error : errno;
    ::closedir(listing);
    return error;
}

int notMountRoot(int parentFd, int fd, MountStat& folder)
{
    if (!mountStat(fd, "", 0, folder)) {
        return errno;
    }
    if (folder.mountRootKnown) {
        return folder.mountRoot ? IFileDeleter::kFolderStays : 0;
    }
    MountStat parent;
    if (!mountStat(parentFd, "", 0, parent)) {
        return errno;
    }
    return sameMount(folder, parent) ? 0 : IFileDeleter::kFolderStays;
}
