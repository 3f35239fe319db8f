#include "WalkAssembly.h"

#include <cstring>
#include <vector>

namespace {

constexpr auto kNoRecord = FolderIndex {UINT32_MAX};

// A folder on the way down, and how far the assembly has got in it.
struct Frame {
    WalkFolder* folder;
    std::size_t pathLength; // of its path, ending in "/", at the start of the path being built
    std::uint32_t nextEntry = 0;
    std::uint32_t nextSubdir = 0;
    FolderIndex dir = kNoRecord; // its record in the collection, made with its first entry
};

class Assembly {
public:
    Assembly(Mp3Collection& result, Arena<std::unique_ptr<char[]>, heapBlock>& paths)
        : m_result(result)
        , m_paths(paths)
    {
    }

    void run(WalkFolder& base)
    {
        m_path = m_result.base;
        std::vector<Frame> stack {{&base, m_path.size()}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            WalkFolder& folder = *frame.folder;
            if (frame.nextSubdir == folder.subdirCount) {
                leave(frame);
                stack.pop_back();
                if (!stack.empty()) {
                    m_path.resize(stack.back().pathLength);
                }
                continue;
            }
            WalkFolder& sub = folder.subdirs[frame.nextSubdir++];
            emit(frame, sub.position);
            if (sub.listed && !sub.onDescent) {
                m_path.append(sub.name);
                m_path += '/';
                stack.push_back({&sub, m_path.size()}); // `frame` may move: used no more
            } else if (!sub.listed && sub.error != 0) {
                m_result.unreadable.push_back({m_path + std::string(sub.name) + '/', sub.error});
            }
        }
    }

private:
    // The frame's entries up to `end` go to the collection.
    void emit(Frame& frame, std::uint32_t end)
    {
        if (frame.nextEntry == end) {
            return;
        }
        WalkFolder& folder = *frame.folder;
        if (frame.dir == kNoRecord) {
            // Its path comes when the frame ends.
            frame.dir = FolderIndex {static_cast<std::uint32_t>(m_result.dirs.size())};
            m_result.dirs.push_back({{}, folder.device, folder.inode, folder.formHash, folder.names});
        }
        for (std::uint32_t i = frame.nextEntry; i < end; ++i) {
            folder.entries[i].dir = frame.dir;
        }
        m_result.entries.append(folder.entries + frame.nextEntry, end - frame.nextEntry);
        frame.nextEntry = end;
    }

    // The rest of the folder's entries; only folders with entries keep a copy of their path, side
    // by side with the others in large blocks.
    void leave(Frame& frame)
    {
        emit(frame, frame.folder->entryCount);
        if (frame.dir != kNoRecord) {
            char* const copy = m_paths.allocate(frame.pathLength, 1);
            std::memcpy(copy, m_path.data(), frame.pathLength);
            m_result.dirs[static_cast<std::size_t>(frame.dir)].path = std::string_view(copy, frame.pathLength);
            // A cue sheet matters only beside the files it may name.
            for (std::uint32_t i = 0; i < frame.folder->cueSheetCount; ++i) {
                Mp3Collection::CueSheet cueSheet = frame.folder->cueSheets[i];
                cueSheet.dir = frame.dir;
                m_result.cueSheets.push_back(cueSheet);
            }
        }
    }

    Mp3Collection& m_result;
    Arena<std::unique_ptr<char[]>, heapBlock>& m_paths;
    std::string m_path; // of the folder on top of the stack, grown and shrunk with the descent
};

} // namespace

Mp3Collection assembleCollection(WalkFolder& base, const std::string& baseDir, WalkArenas arenas)
{
    Mp3Collection result;
    result.base = baseDir;
    if (!base.listed) {
        result.unreadable.push_back({baseDir, base.error});
        return result;
    }
    result.baseListed = true;
    Assembly(result, arenas.names).run(base);
    result.textBlocks = arenas.names.takeBlocks();
    result.entries.adopt(arenas.entries.takeBlocks());
    return result;
}
