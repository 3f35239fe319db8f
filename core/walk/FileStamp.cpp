#include "FileStamp.h"

bool sameFile(const FileStamp& then, const FileStamp& now, bool stableInodes)
{
    if (!then.recorded() || !now.recorded() || then.size != now.size || then.modified != now.modified) {
        return false;
    }
    return !stableInodes || (then.inode == now.inode && then.changed == now.changed);
}
