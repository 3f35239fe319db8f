#include "TreeWalk.h"

#include "ComparisonForm.h"
#include "DirLister.h"
#include "ScanProgress.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <numeric>

bool isMp3Name(std::string_view name)
{
    const char* p = name.data();
    const char* const end = p + name.size();
    while (end - p >= 4) {
        // The last three bytes cannot start a match, so the dot is searched only before them.
        const auto* dot = static_cast<const char*>(std::memchr(p, '.', static_cast<std::size_t>(end - p - 3)));
        if (dot == nullptr) {
            return false;
        }
        // Setting bit 0x20 folds exactly 'M' onto 'm' and 'P' onto 'p'.
        if ((dot[1] | 0x20) == 'm' && (dot[2] | 0x20) == 'p' && dot[3] == '3') {
            return true;
        }
        p = dot + 1;
    }
    return false;
}

namespace {

constexpr std::uint32_t kNoDir = std::numeric_limits<std::uint32_t>::max();

// One directory on the current descent. Levels are kept when the walk climbs back, so that
// their buffers serve the next directory at the same depth without reallocating.
struct Level {
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };

    DirListing listing;
    std::string forms; // each entry's comparison form, back to back
    std::vector<Span> formSpans; // by listing index
    std::vector<std::uint32_t> order; // listing indices in walk order
    std::size_t next = 0; // position in `order`
    std::size_t pathLength = 0; // this directory's length in the running path and form
    std::size_t formLength = 0;
    std::uint32_t dir = kNoDir; // its record in the collection, made on its first mp3 entry

    std::string_view form(std::uint32_t i) const
    {
        return std::string_view(forms).substr(formSpans[i].offset, formSpans[i].length);
    }

    void prepare(std::size_t pathLen, std::size_t formLen)
    {
        const std::size_t count = listing.entries.size();
        forms.clear();
        formSpans.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t offset = forms.size();
            appendComparisonForm(forms, listing.name(listing.entries[i]));
            formSpans[i] = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(forms.size() - offset)};
        }
        order.resize(count);
        std::iota(order.begin(), order.end(), 0U);
        std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
            const int byForm = form(a).compare(form(b));
            if (byForm != 0) {
                return byForm < 0;
            }
            return listing.name(listing.entries[a]) < listing.name(listing.entries[b]);
        });
        next = 0;
        pathLength = pathLen;
        formLength = formLen;
        dir = kNoDir;
    }
};

class Walker {
public:
    Walker(IDirLister& lister, ScanProgress* progress, const std::atomic<bool>* stop)
        : m_lister(lister)
        , m_progress(progress)
        , m_stop(stop)
    {
    }

    Mp3Collection run(const std::string& baseDir)
    {
        m_path = baseDir;
        m_form = comparisonForm(baseDir);
        m_result.base = baseDir;
        if (!listAt(0)) {
            return std::move(m_result);
        }
        m_result.baseListed = true;
        m_levels[0].prepare(m_path.size(), m_form.size());

        std::size_t depth = 0;
        for (;;) {
            Level& level = m_levels[depth];
            if (level.next == level.order.size()) {
                if (depth == 0) {
                    break;
                }
                --depth;
                Level& parent = m_levels[depth];
                m_path.resize(parent.pathLength);
                m_form.resize(parent.formLength);
                // The directory just finished is tested only now, after its contents.
                consider(parent, parent.order[parent.next++]);
                continue;
            }
            const std::uint32_t i = level.order[level.next];
            const DirListing::Entry& entry = level.listing.entries[i];
            if (entry.type == EntryType::Directory) {
                m_path += level.listing.name(entry);
                m_path += '/';
                m_form += level.form(i);
                m_form += '/';
                if (listAt(depth + 1) && !onDescent(depth)) {
                    ++depth;
                    m_levels[depth].prepare(m_path.size(), m_form.size());
                    continue;
                }
                m_path.resize(level.pathLength);
                m_form.resize(level.formLength);
            }
            consider(level, i);
            ++level.next;
        }
        m_result.entries.shrink_to_fit();
        m_result.pool.shrink_to_fit();
        return std::move(m_result);
    }

private:
    // Lists the running path into the buffer of level `depth`.
    bool listAt(std::size_t depth)
    {
        if (m_levels.size() <= depth) {
            m_levels.emplace_back(); // a deque: the levels above keep their addresses
        }
        if (m_stop != nullptr && m_stop->load(std::memory_order_relaxed)) {
            m_result.stopped = true;
            return false;
        }
        if (m_progress != nullptr) {
            m_progress->found.store(m_result.entries.size(), std::memory_order_relaxed);
        }
        const int error = m_lister.list(m_path, m_levels[depth].listing);
        if (error != 0) {
            m_result.unreadable.push_back({m_path, error});
        }
        return error == 0;
    }

    // Whether the directory just listed below `depth` is one of its ancestors (a bind mount or
    // similar loop), which would otherwise be walked without end.
    bool onDescent(std::size_t depth) const
    {
        const DirListing& child = m_levels[depth + 1].listing;
        for (std::size_t d = 0; d <= depth; ++d) {
            const DirListing& up = m_levels[d].listing;
            if (up.inode == child.inode && up.device == child.device) {
                return true;
            }
        }
        return false;
    }

    // The mp3 name test on one entry of `level`, whose path is the running path.
    void consider(Level& level, std::uint32_t i)
    {
        const std::string_view name = level.listing.name(level.listing.entries[i]);
        if (!isMp3Name(name)) {
            return;
        }
        if (level.dir == kNoDir) {
            level.dir = static_cast<std::uint32_t>(m_result.dirs.size());
            m_result.dirs.push_back({m_path, m_form, level.listing.device, level.listing.inode});
        }
        const std::string_view form = level.form(i);
        std::string& pool = m_result.pool;
        const auto nameOffset = static_cast<std::uint32_t>(pool.size());
        pool.append(name);
        auto formOffset = nameOffset;
        // Lower-case ASCII names are their own form; the bytes are stored once.
        if (form != name) {
            formOffset = static_cast<std::uint32_t>(pool.size());
            pool.append(form);
        }
        const DirListing::Entry& entry = level.listing.entries[i];
        m_result.entries.push_back({entry.inode, level.dir, nameOffset, formOffset,
                                    static_cast<std::uint16_t>(name.size()), static_cast<std::uint16_t>(form.size()),
                                    entry.type});
    }

    IDirLister& m_lister;
    ScanProgress* m_progress;
    const std::atomic<bool>* m_stop;
    std::deque<Level> m_levels;
    std::string m_path; // the directory being worked on, file-system bytes
    std::string m_form; // its comparison form
    Mp3Collection m_result;
};

} // namespace

Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, ScanProgress* progress,
                          const std::atomic<bool>* stop)
{
    return Walker(lister, progress, stop).run(baseDir);
}
