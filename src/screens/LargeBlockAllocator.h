// Allocator for the ASCII grid's cell planes: blocks of a megabyte or more that
// nearly fill whole 2 MiB pages are aligned to them and offered to the kernel for
// huge pages, so a flood of short lines through a wide, tall ring costs no
// page-table walk per row. A block that would leave much of its last huge page
// unused gets small pages: a huge page is resident as a whole.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace kestrelon {

template <typename T>
class CLargeBlockAllocator {
public:
    using value_type = T;

    static constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
    static constexpr std::size_t LARGE = std::size_t{1} << 20;

    CLargeBlockAllocator() = default;
    template <typename U>
    CLargeBlockAllocator(const CLargeBlockAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        const std::size_t bytes = count * sizeof(T);
        if (!UsesHugePages(bytes))
            return static_cast<T*>(::operator new(bytes));
        // aligned_alloc wants a multiple of the alignment.
        void* block = std::aligned_alloc(HUGE_PAGE, RoundedUp(bytes));
        if (block == nullptr)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        ::madvise(block, RoundedUp(bytes), MADV_HUGEPAGE); // only advice: small pages work too
#endif
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t count) noexcept
    {
        if (!UsesHugePages(count * sizeof(T)))
            ::operator delete(block);
        else
            std::free(block);
    }

    static std::size_t RoundedUp(std::size_t bytes) { return (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE; }
    // Large, and what rounding up to whole huge pages adds is at most an eighth.
    static bool UsesHugePages(std::size_t bytes) { return bytes >= LARGE && RoundedUp(bytes) - bytes <= bytes / 8; }

    template <typename U>
    bool operator==(const CLargeBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace kestrelon
