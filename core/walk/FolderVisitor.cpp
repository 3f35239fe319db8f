#include "FolderVisitor.h"

#include "Ascii.h"
#include "AudioTypes.h"
#include "ComparisonForm.h"
#include "ScanProgress.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// The first eight bytes of a form, big-endian, zero-padded: ordered as the forms are.
std::uint64_t sortKey(std::string_view form)
{
    std::uint64_t key = 0;
    if (form.size() >= 8) {
        std::memcpy(&key, form.data(), 8);
        if constexpr (std::endian::native == std::endian::little) {
            key = __builtin_bswap64(key);
        }
        return key;
    }
    for (std::size_t at = 0; at < form.size(); ++at) {
        key |= std::uint64_t {static_cast<unsigned char>(form[at])} << (56 - 8 * at);
    }
    return key;
}

// The freedesktop.org trash folders (.Trash, .Trash-1000), macOS disks' (.Trashes) and Windows
// disks' ($RECYCLE.BIN, RECYCLER, in any case: NTFS shows "$Recycle.Bin").
bool isTrashFolderName(std::string_view name)
{
    const auto sameLetters = [name](std::string_view upper) {
        return name.size() == upper.size() && std::equal(name.begin(), name.end(), upper.begin(), [](char a, char b) {
                   return lowerAscii(a) == lowerAscii(b);
               });
    };
    switch (name.empty() ? '\0' : name.front()) {
    case '.':
        if (name == ".Trash" || name == ".Trashes") {
            return true;
        }
        return name.size() > 7 && name.starts_with(".Trash-")
            && std::all_of(name.begin() + 7, name.end(), [](char c) { return c >= '0' && c <= '9'; });
    case '$':
        return sameLetters("$RECYCLE.BIN");
    case 'R':
    case 'r':
        return sameLetters("RECYCLER");
    default:
        return false;
    }
}

} // namespace

FolderVisitor::FolderVisitor(WalkShared& shared)
    : m_shared(shared)
{
}

void FolderVisitor::finish()
{
    const std::lock_guard lock(m_shared.mutex);
    m_shared.arenas.append(std::move(m_arenas));
}

void FolderVisitor::visit(WalkFolder* folder, std::vector<WalkFolder*>& subdirs)
{
    if (!list(*folder)) {
        return;
    }
    const Counts counts = order();
    if (counts.trashes != 0) {
        m_shared.trashSkipped += counts.trashes;
    }
    if (m_shared.keep != nullptr && counts.mp3s != 0) {
        // What a line matches must lie in an mp3 entry's path: a folder's path counts only when
        // it lists one.
        recordPath(*folder);
    }
    make(*folder, counts);
    if (m_shared.progress != nullptr && counts.mp3s != 0) {
        m_shared.progress->add(counts.mp3s);
    }
    folder->unopened.store(counts.subdirs, std::memory_order_relaxed);
    if (counts.subdirs == 0) {
        m_shared.lister.close(m_listing.fd);
        return;
    }
    folder->fd = m_listing.fd;
    for (const std::uint32_t sub : m_vecListingOrder) {
        subdirs.push_back(&folder->subdirs[sub]);
    }
}

// Lists the folder into m_listing; false where there is nothing to walk in it.
bool FolderVisitor::list(WalkFolder& folder)
{
    if (m_shared.stop != nullptr && m_shared.stop->load(std::memory_order_relaxed)) {
        m_shared.stopped = true;
        openedFrom(folder.parent);
        return false;
    }
    m_strName.assign(folder.name);
    if (m_shared.lister.looksAtPaths()) {
        makePath(folder);
    }
    const int parentFd = folder.parent != nullptr ? folder.parent->fd : IDirLister::kNoParent;
    folder.error = m_shared.lister.list(parentFd, m_strName, m_strPath, m_listing);
    openedFrom(folder.parent);
    if (folder.error != 0) {
        return false;
    }
    if (folder.parent != nullptr && m_shared.homeTrash && m_listing.device == m_shared.homeTrash->device
        && m_listing.inode == m_shared.homeTrash->inode) {
        ++m_shared.trashSkipped;
        m_shared.lister.close(m_listing.fd);
        return false;
    }
    folder.listed = true;
    folder.device = m_listing.device;
    folder.inode = m_listing.inode;
    for (const WalkFolder* up = folder.parent; up != nullptr; up = up->parent) {
        if (up->device == folder.device && up->inode == folder.inode) {
            folder.onDescent = true;
            m_shared.lister.close(m_listing.fd);
            return false;
        }
    }
    return true;
}

// Takes the mp3 entries and subfolders of the listing, in the order of their forms (ties: bytes).
FolderVisitor::Counts FolderVisitor::order()
{
    m_strForms.clear();
    m_vecOrder.clear();
    Counts counts;
    for (std::uint32_t i = 0; i < m_listing.entries.size(); ++i) {
        const DirListing::Entry& entry = m_listing.entries[i];
        const bool directory = entry.type == EntryType::Directory;
        bool mp3 = isMp3Name(m_listing.name(entry)); // or, with every audio type, any entry listed
        bool cueSheet = false;
        if (!directory && !mp3 && !(m_shared.allAudio && takesOther(entry, mp3, cueSheet))) {
            continue;
        }
        if (directory && isTrashFolderName(m_listing.name(entry))) {
            ++counts.trashes;
            continue;
        }
        const std::size_t offset = m_strForms.size();
        appendComparisonForm(m_strForms, m_listing.name(entry));
        const std::size_t length = m_strForms.size() - offset;
        const std::uint64_t key = sortKey(std::string_view(m_strForms).substr(offset));
        m_vecOrder.push_back({key, i, static_cast<std::uint32_t>(offset), counts.subdirs,
                              static_cast<std::uint16_t>(length), mp3, cueSheet});
        counts.mp3s += mp3 ? 1 : 0;
        counts.subdirs += directory ? 1 : 0;
        counts.cueSheets += cueSheet ? 1 : 0;
        counts.nameBytes += entry.nameLength;
    }
    std::sort(m_vecOrder.begin(), m_vecOrder.end(), [this](const Taken& a, const Taken& b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        const int byForm = form(a).compare(form(b));
        return byForm != 0 ? byForm < 0
                           : m_listing.name(m_listing.entries[a.index]) < m_listing.name(m_listing.entries[b.index]);
    });
    return counts;
}

bool FolderVisitor::takesOther(const DirListing::Entry& entry, bool& audio, bool& cueSheet) const
{
    if (entry.type != EntryType::File && entry.type != EntryType::Link) {
        return false;
    }
    switch (nameEnding(m_listing.name(entry))) {
    case NameEnding::Audio:
        audio = true;
        return true;
    case NameEnding::CueSheet:
        cueSheet = true;
        return true;
    case NameEnding::None:
        break;
    }
    return false;
}

// Makes the folder's mp3 entries and subfolders, in walk order, where they stay.
void FolderVisitor::make(WalkFolder& folder, const Counts& counts)
{
    Mp3Collection::Entry* const entries = m_arenas.entries.make<Mp3Collection::Entry>(counts.mp3s);
    char* const names = m_arenas.names.allocate(counts.nameBytes, 1);
    folder.names = names;
    folder.entries = entries;
    folder.entryCount = counts.mp3s;
    folder.subdirCount = counts.subdirs;
    folder.subdirs = counts.subdirs != 0 ? m_arenas.folders.make<WalkFolder>(counts.subdirs) : nullptr;
    folder.cueSheetCount = counts.cueSheets;
    folder.cueSheets
        = counts.cueSheets != 0 ? m_arenas.folders.make<Mp3Collection::CueSheet>(counts.cueSheets) : nullptr;
    std::uint32_t cueSheet = 0;
    m_vecListingOrder.resize(counts.subdirs);
    std::uint32_t sub = 0;
    std::uint32_t mp3 = 0;
    std::uint32_t namesEnd = 0;
    for (const Taken& taken : m_vecOrder) {
        const std::string_view name = m_listing.name(m_listing.entries[taken.index]);
        const std::uint32_t nameOffset = namesEnd;
        std::memcpy(names + namesEnd, name.data(), name.size());
        namesEnd += static_cast<std::uint32_t>(name.size());
        if (m_listing.entries[taken.index].type == EntryType::Directory) {
            // A folder whose name makes it an mp3 entry as well has its contents listed before
            // its own entry.
            m_vecListingOrder[taken.subdirsBefore] = sub;
            WalkFolder& subdir = folder.subdirs[sub++];
            subdir.position = mp3;
            makeSubdir(folder, subdir, taken, std::string_view(names + nameOffset, name.size()));
        }
        if (taken.mp3) {
            makeEntry(folder, entries[mp3++], taken, nameOffset, name.size());
        } else if (taken.cueSheet) {
            folder.cueSheets[cueSheet++] = {{}, nameOffset, static_cast<std::uint16_t>(name.size())};
        }
    }
}

void FolderVisitor::makeSubdir(WalkFolder& folder, WalkFolder& subdir, const Taken& taken, std::string_view name)
{
    subdir.parent = &folder;
    subdir.name = name;
    subdir.formHash = formHash(form(taken));
    if (m_shared.keep == nullptr) {
        return;
    }
    // Entered here, sibling after sibling from one cursor, while the automaton's nodes near it are
    // still in the cache; fed again, to record what occurs, only where a form ends in it.
    subdir.keep = m_shared.keep->enterFolder(folder.keep, form(taken));
    if (subdir.keep.formEndsInSegment) {
        char* const segment = m_arenas.folders.allocate(taken.formLength + 1, 1);
        std::memcpy(segment, form(taken).data(), taken.formLength);
        segment[taken.formLength] = '/';
        subdir.segmentForm = std::string_view(segment, taken.formLength + 1);
    }
}

void FolderVisitor::makeEntry(const WalkFolder& folder, Mp3Collection::Entry& made, const Taken& taken,
                              std::uint32_t nameOffset, std::size_t nameLength)
{
    // Made where it stays, field by field: a copy of one built elsewhere stalls on the stores.
    made.dir = {}; // set as the collection takes it
    made.nameOffset = nameOffset;
    made.formHash = formHash(form(taken));
    made.nameLength = static_cast<std::uint16_t>(nameLength); // a name is at most 255 bytes
    made.type = m_listing.entries[taken.index].type;
    made.kept = m_shared.keep != nullptr && m_shared.keep->keeps(folder.keep, form(taken));
}

// Records the lines that occur in the folder's whole path, from its nearest recorded ancestor
// down: each folder's segment again from its parent, where a form ends in it.
void FolderVisitor::recordPath(WalkFolder& folder)
{
    m_vecWay.clear();
    // Most ancestors are recorded: looked at first, their line is not taken from other threads.
    for (WalkFolder* up = &folder;
         up != nullptr && !up->recorded.load(std::memory_order_relaxed) && !up->recorded.exchange(true);
         up = up->parent) {
        m_vecWay.push_back(up);
    }
    for (auto it = m_vecWay.rbegin(); it != m_vecWay.rend(); ++it) {
        const WalkFolder& dir = **it;
        if (dir.keep.formEndsInSegment) {
            const KeepTest::Folder from = dir.parent != nullptr ? dir.parent->keep : m_shared.keep->root();
            m_shared.keep->recordSegment(from, dir.segmentForm);
        }
    }
}

// The parent's descriptor is needed until its last subfolder is open.
void FolderVisitor::openedFrom(WalkFolder* parent)
{
    if (parent != nullptr && parent->unopened.fetch_sub(1) == 1) {
        m_shared.lister.close(parent->fd);
        parent->fd = -1;
    }
}

// The folder's whole path, ending in "/", from the names on its way up.
void FolderVisitor::makePath(WalkFolder& folder)
{
    m_vecWay.clear();
    for (WalkFolder* up = &folder; up != nullptr; up = up->parent) {
        m_vecWay.push_back(up);
    }
    m_strPath.clear();
    for (auto it = m_vecWay.rbegin(); it != m_vecWay.rend(); ++it) {
        m_strPath.append((*it)->name);
        if (it != m_vecWay.rbegin()) {
            m_strPath += '/';
        }
    }
}
