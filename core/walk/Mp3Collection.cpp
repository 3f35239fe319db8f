#include "Mp3Collection.h"

#include <cstring>

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

std::uint32_t formHash(std::string_view form)
{
    // Made for every name a walk takes: eight bytes at a step, each mixed in by a multiply, the
    // last eight read again where the length is not a multiple. The final fold brings the high
    // bits, where a multiply mixes, down to the low ones, which index the tables.
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15U;
    const char* const data = form.data();
    const std::size_t size = form.size();
    std::uint64_t hash = (size + 1) * kMultiplier;
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    };
    std::uint64_t word = 0;
    if (size < 8) {
        for (std::size_t i = 0; i < size; ++i) {
            word |= std::uint64_t {static_cast<unsigned char>(data[i])} << (8 * i);
        }
        mix(word);
    } else {
        std::size_t at = 0;
        for (; at + 8 <= size; at += 8) {
            std::memcpy(&word, data + at, 8);
            mix(word);
        }
        if (at != size) {
            std::memcpy(&word, data + size - 8, 8);
            mix(word);
        }
    }
    hash = (hash ^ (hash >> 29)) * 0xBF58476D1CE4E5B9U;
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

void Mp3Collection::EntryList::Iterator::enter(std::size_t run)
{
    m_nRun = run;
    if (run == m_pList->m_vecRuns.size()) {
        m_pAt = m_pRunEnd = nullptr;
        return;
    }
    const Run& at = m_pList->m_vecRuns[run];
    m_pAt = at.first;
    m_pRunEnd = at.first + (at.end - at.start);
}

void Mp3Collection::EntryList::reserve(std::size_t entries, std::size_t runs)
{
    m_vecRuns.reserve(runs);
    m_vecRunOfBlock.reserve((entries >> kBlockShift) + 1);
}

void Mp3Collection::EntryList::append(Entry* first, std::size_t count)
{
    if (count == 0) {
        return;
    }
    if (!m_vecRuns.empty() && m_vecRuns.back().first + (m_vecRuns.back().end - m_vecRuns.back().start) == first) {
        m_vecRuns.back().end += count;
    } else {
        m_vecRuns.push_back({first, m_nSize, m_nSize + count});
    }
    m_nSize += count;
    // Each block whose first entry is among these.
    m_vecRunOfBlock.resize(((m_nSize - 1) >> kBlockShift) + 1, static_cast<std::uint32_t>(m_vecRuns.size() - 1));
}

void Mp3Collection::EntryList::adopt(std::vector<std::unique_ptr<char[]>> blocks)
{
    for (std::unique_ptr<char[]>& block : blocks) {
        m_blocks.push_back(std::move(block));
    }
}
