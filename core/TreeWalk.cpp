#include "TreeWalk.h"

#include "Arena.h"

#include "ComparisonForm.h"
#include "ScanProgress.h"
#include "Threads.h"
#include "VectorState.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>
#include <system_error>
#include <thread>

#include <sys/resource.h>

namespace {

// One directory of the walk. Its listing thread fills it; the assembly reads it.
struct Node {
    Node* parent = nullptr;
    std::string_view name; // as its parent lists it, in the parent's names; for the base, its path
    std::string_view form; // of its name and the separator after it, only where a keep form ends in it
    KeepList::Cursor cursor; // after its path, made by its parent's listing (the base's before the walk)
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    int fd = -1; // open while subdirectories remain to be opened from it
    std::uint32_t formHash = 0; // of its own name's form
    int error = 0; // why it could not be listed
    bool listed = false;
    bool onDescent = false; // the same directory as one it lies in: not walked again
    bool formEnds = false; // a form of the keep list ends in its segment of the path

    std::atomic<bool> recorded {false}; // the lines that occur in its path are in `seen`
    std::atomic<std::uint32_t> unopened {0};
    const char* names = nullptr; // its entries', in the names arena
    // Its mp3 entries in walk order, made as the collection keeps them but for their `dir`.
    Mp3Collection::Entry* entries = nullptr;
    std::uint32_t entryCount = 0;
    std::uint32_t subdirCount = 0;
    Node* subdirs = nullptr; // in walk order
    std::uint32_t position = 0; // how many of its parent's entries come before it (its own, if any, next)
    std::uint32_t top = 0; // 1 + the index of the base's subdirectory it lies in; 0 for the base
};

// What the walk made below one of the base's subdirectories, or in the base itself: the collection
// is made in parts that each know where theirs go.
struct Found {
    std::uint32_t dirs = 0; // with mp3 entries
    std::uint32_t entries = 0;
    std::uint32_t unkept = 0;

    Found& operator+=(const Found& other)
    {
        dirs += other.dirs;
        entries += other.entries;
        unkept += other.unkept;
        return *this;
    }
};

// What one listing thread allocates: the walk's records, and the names and mp3 entries, which the
// collection keeps.
struct Arenas {
    Arena<MappedBlock, mapBlock> nodes;
    Arena<std::unique_ptr<char[]>, heapBlock> names;
    Arena<std::unique_ptr<char[]>, heapBlock> entries;
};

// What one listing thread keeps between directories.
struct Scratch {
    DirListing listing;
    // An entry that takes part, with its form in `forms`; the key, the form's first eight bytes,
    // orders most pairs without a look at the forms.
    struct Taken {
        std::uint64_t key;
        std::uint32_t index; // in the listing
        std::uint32_t formOffset;
        std::uint32_t subdirsBefore; // in the listing
        std::uint16_t formLength; // a few times a name's 255 bytes at most
        bool mp3;
    };
    std::string forms;
    std::vector<Taken> order;
    std::vector<std::uint32_t> listingOrder; // the subdirectories in the order listed
    std::string name;
    std::string path;
    std::vector<Node*> way; // up from a node
    Arenas arenas;
    std::vector<Found> found; // by this thread, by Node::top
    unsigned thread = 0; // its number, from 0
};

// The whole path of a node, ending in "/", from the names on its way up; only for listers that
// look at it, so it is made while the node is listed, not kept.
void pathOf(Node& node, Scratch& scratch)
{
    scratch.way.clear();
    for (Node* up = &node; up != nullptr; up = up->parent) {
        scratch.way.push_back(up);
    }
    scratch.path.clear();
    for (auto it = scratch.way.rbegin(); it != scratch.way.rend(); ++it) {
        scratch.path.append((*it)->name);
        if (it != scratch.way.rbegin()) {
            scratch.path += '/';
        }
    }
}

class ParallelWalker {
public:
    ParallelWalker(IDirLister& lister, const WalkOptions& options)
        : m_lister(lister)
        , m_options(options)
    {
    }

    Mp3Collection run(const std::string& baseDir)
    {
        auto base = std::make_unique<Node>();
        base->name = baseDir;
        m_baseForm = comparisonForm(baseDir);
        const std::string_view baseForm = std::string_view(m_baseForm).substr(0, m_baseForm.size() - 1);
        base->formHash = formHash(baseForm.substr(baseForm.rfind('/') + 1));
        if (m_options.keep != nullptr) {
            base->cursor = m_options.keep->advance(m_options.keep->start(), m_baseForm);
            base->formEnds = base->cursor.kept;
        }
        m_stack.push_back(base.get());
        m_pBase = base.get();
        unsigned threads = m_options.threads;
        std::thread watcher;
        if (threads == 0) {
            // Listing from the cache goes best with a thread a core, listing that waits on the
            // disk with many more: the walk starts with one a core, and starts more while the
            // cores stand idle.
            const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
            const unsigned most = std::clamp(16 * cores, 16U, 64U);
            threads = std::min(most, cores);
            try {
                watcher = std::thread([this, cores, threads, most] { addWhileIdle(cores, threads, most); });
            } catch (const std::system_error&) {
                threads = most;
            }
        }
        runOnThreads(threads, [this](unsigned thread) { work(thread); });
        if (watcher.joinable()) {
            watcher.join();
        }
        Mp3Collection result = assemble(*base, baseDir);
        result.textBlocks = m_arenas.names.takeBlocks();
        result.entries.adopt(m_arenas.entries.takeBlocks());
        return result;
    }

private:
    // Each thread walks depth first from a stack of its own, which keeps few directories open,
    // and hands the shallowest half of the directories on it, the largest parts of the tree, on
    // when threads wait for work. Those lie at its bottom: a base of many thousand folders leaves
    // that many there, which are taken from without moving the rest.
    void work(unsigned thread)
    {
        clearUpperVectorState();
        Scratch scratch;
        scratch.thread = thread;
        std::deque<Node*> own;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_nWaiting.fetch_add(1, std::memory_order_relaxed);
            m_ready.wait(lock, [this] { return !m_stack.empty() || m_nBusy == 0; });
            m_nWaiting.fetch_sub(1, std::memory_order_relaxed);
            if (m_stack.empty()) {
                m_arenas.nodes.append(std::move(scratch.arenas.nodes));
                m_arenas.names.append(std::move(scratch.arenas.names));
                m_arenas.entries.append(std::move(scratch.arenas.entries));
                m_vecFound.resize(std::max(m_vecFound.size(), scratch.found.size()));
                for (std::size_t top = 0; top < scratch.found.size(); ++top) {
                    m_vecFound[top] += scratch.found[top];
                }
                return;
            }
            own.push_back(m_stack.back());
            m_stack.pop_back();
            ++m_nBusy;
            lock.unlock();
            while (!own.empty()) {
                Node* node = own.back();
                own.pop_back();
                // In the order listed: a walk that read them first (find, a file manager, an
                // earlier scan) made the kernel's records of them in that order, so each lookup
                // lands next to the one before.
                for (std::size_t i = visit(*node, scratch); i-- > 0;) {
                    own.push_back(&node->subdirs[scratch.listingOrder[i]]);
                }
                if (own.size() > 1 && m_nWaiting.load(std::memory_order_relaxed) > 0) {
                    handOn(own);
                }
            }
            lock.lock();
            --m_nBusy;
            if (walked()) {
                m_ready.notify_all();
                m_walkOver.notify_all();
            }
        }
    }

    bool walked() const { return m_stack.empty() && m_nBusy == 0; }

    // Twice in a row that the process used less than three quarters of the cores for 10 ms, its
    // `listing` threads wait on the disk: as many again are started, up to `most`. They end with
    // the walk.
    void addWhileIdle(unsigned cores, unsigned listing, unsigned most)
    {
        using Clock = std::chrono::steady_clock;
        const auto cpuTime = [] {
            rusage usage {};
            ::getrusage(RUSAGE_SELF, &usage);
            return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                + std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
        };
        Clock::time_point lastLook = Clock::now();
        std::chrono::microseconds lastCpu = cpuTime();
        bool idleBefore = false;
        std::vector<std::thread> added;
        std::unique_lock lock(m_mutex);
        while (listing < most
               && !m_walkOver.wait_for(lock, std::chrono::milliseconds(10), [this] { return walked(); })) {
            const Clock::time_point now = Clock::now();
            const std::chrono::microseconds cpu = cpuTime();
            const bool idle = 4 * (cpu - lastCpu) < 3 * cores * (now - lastLook);
            if (idle && idleBefore) {
                // Started without the lock, which the new threads take first.
                lock.unlock();
                const unsigned to = std::min(most, 2 * listing);
                for (; listing < to; ++listing) {
                    try {
                        added.emplace_back([this, thread = listing] { work(thread); });
                    } catch (const std::system_error&) {
                        most = listing; // the system starts no more
                        break;
                    }
                }
                lock.lock();
            }
            idleBefore = idle;
            lastLook = now;
            lastCpu = cpu;
        }
        lock.unlock();
        for (std::thread& thread : added) {
            thread.join();
        }
    }

    void handOn(std::deque<Node*>& own)
    {
        const std::lock_guard lock(m_mutex);
        // At least one for each thread that waits, and half of its own: a thread given only one
        // directory soon waits again, and each wait costs a sleep and a wake-up.
        const std::size_t waiting = m_nWaiting.load(std::memory_order_relaxed);
        const std::size_t count = std::max(std::min(own.size() - 1, waiting), own.size() / 2);
        m_stack.insert(m_stack.end(), own.begin(), own.begin() + static_cast<std::ptrdiff_t>(count));
        own.erase(own.begin(), own.begin() + static_cast<std::ptrdiff_t>(count));
        for (std::size_t n = 0; n < std::min(count, waiting); ++n) {
            m_ready.notify_one();
        }
    }

    // Records the lines that occur in the node's whole path, from its nearest recorded ancestor
    // down: each directory's segment again from its parent's cursor, where a form ends in it.
    void recordPath(Node& node, Scratch& scratch)
    {
        scratch.way.clear();
        // Most ancestors are recorded: looked at first, their line is not taken from other threads.
        for (Node* up = &node;
             up != nullptr && !up->recorded.load(std::memory_order_relaxed) && !up->recorded.exchange(true);
             up = up->parent) {
            scratch.way.push_back(up);
        }
        const KeepList& keep = *m_options.keep;
        for (auto it = scratch.way.rbegin(); it != scratch.way.rend(); ++it) {
            const Node& dir = **it;
            if (!dir.formEnds) {
                continue;
            }
            if (dir.parent == nullptr) {
                keep.advance(keep.start(), m_baseForm, *m_options.seen);
            } else {
                keep.advance(dir.parent->cursor, dir.form, *m_options.seen);
            }
        }
    }

    // The parent's descriptor is needed until its last subdirectory is open.
    void openedFrom(Node* parent)
    {
        if (parent != nullptr && parent->unopened.fetch_sub(1) == 1) {
            m_lister.close(parent->fd);
            parent->fd = -1;
        }
    }

    // Lists the node and makes its children; returns how many subdirectories it has to walk.
    std::size_t visit(Node& node, Scratch& scratch)
    {
        if (m_options.stop != nullptr && m_options.stop->load(std::memory_order_relaxed)) {
            m_bStopped = true;
            openedFrom(node.parent);
            return 0;
        }
        DirListing& listing = scratch.listing;
        scratch.name.assign(node.name);
        if (m_lister.looksAtPaths()) {
            pathOf(node, scratch);
        }
        node.error = m_lister.list(node.parent != nullptr ? node.parent->fd : IDirLister::kNoParent, scratch.name,
                                   scratch.path, listing);
        openedFrom(node.parent);
        if (node.error != 0) {
            return 0;
        }
        node.listed = true;
        node.device = listing.device;
        node.inode = listing.inode;
        for (const Node* up = node.parent; up != nullptr; up = up->parent) {
            if (up->device == node.device && up->inode == node.inode) {
                node.onDescent = true;
                m_lister.close(listing.fd);
                return 0;
            }
        }

        // Only mp3 entries and directories take part; the forms order them.
        scratch.forms.clear();
        scratch.order.clear();
        std::size_t namesSize = 0;
        std::uint32_t subdirs = 0;
        std::uint32_t mp3s = 0;
        for (std::uint32_t i = 0; i < listing.entries.size(); ++i) {
            const DirListing::Entry& entry = listing.entries[i];
            const bool directory = entry.type == EntryType::Directory;
            const bool mp3 = isMp3Name(listing.name(entry));
            if (!directory && !mp3) {
                continue;
            }
            mp3s += mp3 ? 1 : 0;
            const std::size_t offset = scratch.forms.size();
            appendComparisonForm(scratch.forms, listing.name(entry));
            const std::size_t length = scratch.forms.size() - offset;
            const char* const text = scratch.forms.data() + offset;
            std::uint64_t key = 0;
            if (length >= 8) {
                std::memcpy(&key, text, 8);
                if constexpr (std::endian::native == std::endian::little) {
                    key = __builtin_bswap64(key);
                }
            } else {
                for (std::size_t at = 0; at < length; ++at) {
                    key |= std::uint64_t {static_cast<unsigned char>(text[at])} << (56 - 8 * at);
                }
            }
            scratch.order.push_back(
                {key, i, static_cast<std::uint32_t>(offset), subdirs, static_cast<std::uint16_t>(length), mp3});
            namesSize += entry.nameLength;
            subdirs += directory ? 1 : 0;
        }
        const auto form = [&scratch](const Scratch::Taken& t) {
            return std::string_view(scratch.forms.data() + t.formOffset, t.formLength);
        };
        std::sort(scratch.order.begin(), scratch.order.end(), [&](const Scratch::Taken& a, const Scratch::Taken& b) {
            if (a.key != b.key) {
                return a.key < b.key;
            }
            const int byForm = form(a).compare(form(b));
            return byForm != 0 ? byForm < 0
                               : listing.name(listing.entries[a.index]) < listing.name(listing.entries[b.index]);
        });

        const KeepList* keep = m_options.keep;
        if (keep != nullptr) {
            // What a line matches must lie in an mp3 entry's path: a directory's path counts only
            // when it lists one.
            if (mp3s != 0) {
                recordPath(node, scratch);
            }
        }
        Mp3Collection::Entry* const entries = scratch.arenas.entries.make<Mp3Collection::Entry>(mp3s);
        char* const names = scratch.arenas.names.allocate(namesSize, 1);
        node.names = names;
        if (subdirs != 0) {
            node.subdirs = scratch.arenas.nodes.make<Node>(subdirs);
        }
        scratch.listingOrder.resize(subdirs);
        std::uint32_t sub = 0;
        std::uint32_t mp3 = 0;
        std::uint32_t unkept = 0;
        std::uint32_t namesEnd = 0;
        for (const Scratch::Taken& taken : scratch.order) {
            const DirListing::Entry& entry = listing.entries[taken.index];
            const std::string_view name = listing.name(entry);
            const auto nameOffset = namesEnd;
            const std::uint32_t hash = formHash(form(taken));
            std::memcpy(names + namesEnd, name.data(), name.size());
            namesEnd += static_cast<std::uint32_t>(name.size());
            if (entry.type == EntryType::Directory) {
                // A folder whose name makes it an mp3 entry as well has its contents listed before
                // its own entry.
                scratch.listingOrder[taken.subdirsBefore] = sub;
                Node& subdir = node.subdirs[sub++];
                subdir.parent = &node;
                subdir.name = std::string_view(names + nameOffset, name.size());
                subdir.formHash = hash;
                subdir.position = mp3;
                subdir.top = node.parent == nullptr ? sub : node.top;
                if (keep != nullptr) {
                    // Fed here, sibling after sibling from one cursor, while the automaton's nodes
                    // near it are still in the cache; fed again, to record what occurs, only where
                    // a form ends in it.
                    const KeepList::Cursor segment
                        = keep->advance(keep->advance({node.cursor.node, false}, form(taken)), "/");
                    subdir.cursor = {segment.node, node.cursor.kept || segment.kept};
                    subdir.formEnds = segment.kept;
                    if (segment.kept) {
                        char* const subForm = scratch.arenas.nodes.allocate(taken.formLength + 1, 1);
                        std::memcpy(subForm, form(taken).data(), taken.formLength);
                        subForm[taken.formLength] = '/';
                        subdir.form = std::string_view(subForm, taken.formLength + 1);
                    }
                }
            }
            if (taken.mp3) {
                // Made where it stays: a copy of one built field by field stalls on the fields' stores.
                Mp3Collection::Entry& made = entries[mp3++];
                made.dir = 0; // set as the collection takes it
                made.nameOffset = nameOffset;
                made.formHash = hash;
                made.nameLength = static_cast<std::uint16_t>(name.size());
                made.type = entry.type;
                made.kept = keep != nullptr && keep->nameKept(node.cursor, form(taken), *m_options.seen);
                unkept += made.kept ? 0 : 1;
            }
        }
        node.entries = entries;
        node.entryCount = mp3s;
        node.subdirCount = subdirs;
        if (mp3s != 0) {
            if (scratch.found.empty()) {
                // The base was listed before anything in it.
                scratch.found.resize(m_pBase->subdirCount + 1);
            }
            Found& found = scratch.found[node.top];
            ++found.dirs;
            found.entries += mp3s;
            found.unkept += unkept;
        }
        if (m_options.progress != nullptr && mp3s != 0) {
            m_options.progress->add(scratch.thread, mp3s);
        }
        node.unopened.store(subdirs, std::memory_order_relaxed);
        if (subdirs == 0) {
            m_lister.close(listing.fd);
        } else {
            node.fd = listing.fd;
        }
        return subdirs;
    }

    struct Frame {
        Node* node;
        std::size_t pathLength; // of the node's path, ending in "/", at the start of the path being built
        std::uint32_t nextEntry = 0;
        std::uint32_t nextSubdir = 0;
        std::uint32_t dir = UINT32_MAX; // its record in the collection, made on its first entry
    };

    // What one thread makes of the collection: all below the base's subdirectories
    // [firstSubdir, endSubdir), and the base's own entries from `firstEntry` to those before
    // endSubdir. Its folders and entries go where the walk's counts of those before them end; only
    // the runs of entries are added in order afterwards.
    struct Part {
        std::uint32_t firstSubdir = 0;
        std::uint32_t endSubdir = 0;
        std::uint32_t firstEntry = 0;
        std::uint32_t baseDir = UINT32_MAX; // the base's record, where a part before made it
        Found offset; // where its first folder, entry and unkept entry go
        Found made;
        std::vector<std::pair<Mp3Collection::Entry*, std::uint32_t>> runs;
        std::vector<Mp3Collection::Unreadable> unreadable;
        Arena<std::unique_ptr<char[]>, heapBlock> paths;
    };

    // The frame's entries up to `end` go to the collection.
    void emit(Mp3Collection& result, Part& part, Frame& frame, std::uint32_t end) const
    {
        if (frame.nextEntry == end) {
            return;
        }
        Node& node = *frame.node;
        if (frame.dir == UINT32_MAX) {
            // The names the walk read become the collection's: no copy of them is made. The path
            // comes when the frame ends.
            frame.dir = part.offset.dirs + part.made.dirs++;
            result.dirs[frame.dir] = {{}, node.device, node.inode, node.formHash, node.names};
        }
        std::uint32_t index = part.offset.entries + part.made.entries;
        for (std::uint32_t i = frame.nextEntry; i < end; ++i, ++index) {
            node.entries[i].dir = frame.dir;
            if (m_options.unkept != nullptr && !node.entries[i].kept) {
                (*m_options.unkept)[part.offset.unkept + part.made.unkept++] = index;
            }
        }
        part.runs.emplace_back(node.entries + frame.nextEntry, end - frame.nextEntry);
        part.made.entries += end - frame.nextEntry;
        frame.nextEntry = end;
    }

    void assemblePart(Node& base, const std::string& baseDir, Mp3Collection& result, Part& part) const
    {
        // One path grows and shrinks with the descent; only directories with entries keep a copy,
        // side by side with the others in large blocks.
        std::string path = baseDir;
        std::vector<Frame> stack {{&base, path.size(), part.firstEntry, part.firstSubdir, part.baseDir}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            Node& node = *frame.node;
            const bool atBase = stack.size() == 1;
            if (frame.nextSubdir == (atBase ? part.endSubdir : node.subdirCount)) {
                emit(result, part, frame, atBase ? entriesBefore(base, part.endSubdir) : node.entryCount);
                if (frame.dir != UINT32_MAX && (!atBase || part.baseDir == UINT32_MAX)) {
                    char* const copy = part.paths.allocate(frame.pathLength, 1);
                    std::memcpy(copy, path.data(), frame.pathLength);
                    result.dirs[frame.dir].path = std::string_view(copy, frame.pathLength);
                }
                stack.pop_back();
                if (!stack.empty()) {
                    path.resize(stack.back().pathLength);
                }
                continue;
            }
            Node& sub = node.subdirs[frame.nextSubdir++];
            emit(result, part, frame, sub.position);
            if (sub.listed && !sub.onDescent) {
                path.append(sub.name);
                path += '/';
                stack.push_back({&sub, path.size()}); // `frame` may move: used no more
            } else if (!sub.listed && sub.error != 0) {
                part.unreadable.push_back({path + std::string(sub.name) + '/', sub.error});
            }
        }
    }

    // How many of the base's own entries come before its subdirectory `sub` (all at the end).
    static std::uint32_t entriesBefore(const Node& base, std::uint32_t sub)
    {
        return sub == base.subdirCount ? base.entryCount : base.subdirs[sub].position;
    }

    // The nodes in walk order make the collection: in parts, one for each core, each a run of the
    // base's subdirectories with about as many entries below them.
    Mp3Collection assemble(Node& base, const std::string& baseDir)
    {
        Mp3Collection result;
        result.base = baseDir;
        result.stopped = m_bStopped;
        if (!base.listed) {
            result.unreadable.push_back({baseDir, base.error});
            return result;
        }
        result.baseListed = true;
        m_vecFound.resize(base.subdirCount + 1); // none if nothing was found
        Found total;
        for (const Found& found : m_vecFound) {
            total += found;
        }
        result.dirs.resize(total.dirs);
        if (m_options.unkept != nullptr) {
            m_options.unkept->assign(total.unkept, 0);
        }

        // The base's own record, where it has entries, follows the folders below the subdirectories
        // before its first entry.
        std::uint32_t baseRecord = 0;
        for (std::uint32_t sub = 0; sub < base.subdirCount && base.subdirs[sub].position == 0; ++sub) {
            baseRecord += m_vecFound[sub + 1].dirs;
        }
        const unsigned threads = m_options.threads != 0 ? m_options.threads : std::thread::hardware_concurrency();
        const unsigned count = std::clamp(std::min(threads, base.subdirCount), 1U, 8U);
        std::vector<Part> parts(count);
        Found below; // below the subdirectories before `sub`
        std::uint32_t baseUnkept = 0; // of the base's own entries before `counted`
        for (std::uint32_t p = 0, sub = 0, counted = 0; p < count; ++p) {
            Part& part = parts[p];
            part.firstSubdir = sub;
            // The base's entries before a subdirectory go with the part before it.
            part.firstEntry = sub == 0 ? 0 : entriesBefore(base, sub);
            for (; counted < part.firstEntry; ++counted) {
                baseUnkept += base.entries[counted].kept ? 0 : 1;
            }
            const bool baseDirBefore = part.firstEntry != 0;
            part.baseDir = baseDirBefore ? baseRecord : UINT32_MAX;
            part.offset
                = {below.dirs + (baseDirBefore ? 1 : 0), below.entries + part.firstEntry, below.unkept + baseUnkept};
            const std::uint64_t upTo = std::uint64_t {total.entries} * (p + 1) / count;
            for (; sub < base.subdirCount && (p + 1 == count || below.entries < upTo); ++sub) {
                below += m_vecFound[sub + 1];
            }
            part.endSubdir = sub;
        }
        // A part for each thread that starts, and the parts of those that do not for the others.
        std::atomic<unsigned> next {0};
        runOnThreads(count, [&](unsigned) {
            for (unsigned p; (p = next.fetch_add(1)) < count;) {
                assemblePart(base, baseDir, result, parts[p]);
            }
        });

        std::size_t runs = 0;
        for (std::size_t p = 0; p < parts.size(); ++p) {
            // Each part made what the walk counted below its subdirectories, no more.
            [[maybe_unused]] const Found& end = p + 1 < parts.size() ? parts[p + 1].offset : total;
            assert(parts[p].offset.dirs + parts[p].made.dirs == end.dirs);
            assert(parts[p].offset.entries + parts[p].made.entries == end.entries);
            assert(m_options.unkept == nullptr || parts[p].offset.unkept + parts[p].made.unkept == end.unkept);
            runs += parts[p].runs.size();
        }
        result.entries.reserve(total.entries, runs);
        for (Part& part : parts) {
            for (const auto& [first, size] : part.runs) {
                result.entries.append(first, size);
            }
            part.runs = {};
            std::move(part.unreadable.begin(), part.unreadable.end(), std::back_inserter(result.unreadable));
            m_arenas.names.append(std::move(part.paths));
        }
        return result;
    }

    IDirLister& m_lister;
    WalkOptions m_options;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_walkOver; // for the thread that starts more
    std::vector<Node*> m_stack; // directories handed on, for any thread to list
    unsigned m_nBusy = 0; // threads with directories to list
    std::atomic<unsigned> m_nWaiting {0}; // threads waiting for a directory
    Node* m_pBase = nullptr;
    std::vector<Found> m_vecFound; // by Node::top, of all threads
    std::atomic<bool> m_bStopped {false};
    std::string m_baseForm; // comparisonForm(baseDir)
    Arenas m_arenas; // the threads' own, once they are done
};

} // namespace

Mp3Collection collectMp3s(IDirLister& lister, const std::string& baseDir, const WalkOptions& options)
{
    return ParallelWalker(lister, options).run(baseDir);
}
