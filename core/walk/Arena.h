#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include <sys/mman.h>

// A block of the system's memory that goes straight back when freed: the walk's records are gone
// once the collection is made, and the program does not stay at its peak while the list is used.
struct Unmap {
    std::size_t size;
    void operator()(char* block) const { ::munmap(block, size); }
};
using MappedBlock = std::unique_ptr<char, Unmap>;

inline MappedBlock mapBlock(std::size_t size)
{
    void* const block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        throw std::bad_alloc();
    }
    return MappedBlock(static_cast<char*>(block), Unmap {size});
}

inline std::unique_ptr<char[]> heapBlock(std::size_t size)
{
    return std::make_unique_for_overwrite<char[]>(size);
}

// Memory for the walk's many small records, taken from large blocks: a directory costs no
// allocation of its own, and everything goes at once when its blocks do.
template<typename Block, Block (*kMakeBlock)(std::size_t)> class Arena {
public:
    template<typename T> T* make(std::size_t count)
    {
        static_assert(std::is_trivially_destructible_v<T>, "an arena runs no destructors");
        T* const first = reinterpret_cast<T*>(allocate(count * sizeof(T), alignof(T)));
        for (std::size_t i = 0; i < count; ++i) {
            new (first + i) T; // a record without initializers is written whole by its maker
        }
        return first;
    }

    char* allocate(std::size_t bytes, std::size_t align)
    {
        m_nUsed = (m_nUsed + align - 1) & ~(align - 1);
        if (m_blocks.empty() || m_nUsed + bytes > m_nCapacity) {
            m_nCapacity = std::max(bytes, kBlockBytes);
            m_blocks.push_back(kMakeBlock(m_nCapacity));
            m_nUsed = 0;
        }
        char* at = m_blocks.back().get() + m_nUsed;
        m_nUsed += bytes;
        return at;
    }

    std::vector<Block> takeBlocks() { return std::move(m_blocks); }
    void append(Arena&& other)
    {
        for (Block& block : other.m_blocks) {
            m_blocks.push_back(std::move(block));
        }
    }

private:
    static constexpr std::size_t kBlockBytes = 256 * 1024;

    std::vector<Block> m_blocks;
    std::size_t m_nUsed = 0;
    std::size_t m_nCapacity = 0;
};
