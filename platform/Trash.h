#pragma once

#include "FdCloser.h"
#include "FileSystems.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

// The freedesktop.org trash cans a deletion moves files into: the home trash for files on the
// home trash's mount, else one at the top of the file's own mount ($topdir/.Trash/$uid, a real
// folder with the sticky bit, or $topdir/.Trash-$uid), a bind mount's own top included, where a
// rename can reach. Each is opened once and kept open until forget().
class TrashCans {
public:
    // `homeTrash`: $XDG_DATA_HOME/Trash, as the file system's bytes; empty where there is no home,
    // and then every file is refused (kNoHomeFolder).
    explicit TrashCans(std::string homeTrash);
    TrashCans(const TrashCans&) = delete;
    TrashCans& operator=(const TrashCans&) = delete;

    // Moves the entry `name` of the folder open as `dirFd`, which is `where`, into the trash of
    // that mount, with its .trashinfo; `path` is its whole real path. Never copies: a file the
    // trash cannot take by a rename stays. Returns 0, IFileDeleter::kNoTrash,
    // kNoHomeFolder or an errno, and
    // sets `trashDir` to the trash folder.
    int move(int dirFd, const std::string& name, const std::string& path, const MountStat& where,
             std::string& trashDir);
    // Lets the trash folders go: a trash removed since is made again next time.
    void forget();

private:
    struct Can {
        FdCloser files;
        FdCloser info;
        std::string dir; // the trash folder
        std::string top; // the mount it serves, for relative paths; empty for the home trash
        int error = 0; // why there is none
    };

    Can& canFor(const MountStat& where);
    Can openAtTop(const MountStat& where);
    static Can openCan(int parentFd, const std::string& name, std::string dir, std::string top, bool follow);

    std::string m_strHome;
    std::map<std::pair<std::uint64_t, std::uint64_t>, Can> m_cans; // by device and mount
};

// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash; empty where there is no home.
std::string homeTrashDir();
