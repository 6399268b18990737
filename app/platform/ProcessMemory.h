#pragma once

#include <cstddef>
#include <limits>
#include <new>

// Tunes the process's allocator for the program's pattern: every page takes
// blocks of hundreds of KiB to a few MiB (its records, the bitmaps of its
// pictures where large blocks are not mapped on their own) and frees them
// before the next page. Call once at start-up, before the first allocation
// that matters.
void KeepFreedMemoryForReuse();

// Memory for a picture's pixel block or a page's records. A block of a few
// MiB is faulted in page by page as it is first written, which costs a fresh
// process more than drawing the picture: where the system offers huge pages on
// request, a large block is aligned to them and asks for them, so it faults in
// a few times instead of thousands. The last freed large block is kept for the
// next one. Smaller blocks come from the ordinary heap. Throws
// std::bad_alloc when memory is short. FreeLargeBlock takes null, and the size
// the block was asked for.
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

// The allocator of pixel blocks and record arrays, see AllocateLargeBlock.
// Containers using it leave new elements uninitialised: such an array is
// written whole right after it is sized, and zeroing it first would be a pass
// over MiB for nothing.
template <class T>
class LargeBlockAllocator {
public:
    using value_type = T;

    LargeBlockAllocator() noexcept = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeBlock(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept { FreeLargeBlock(block, count * sizeof(T)); }

    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
    }

    friend bool operator==(const LargeBlockAllocator&, const LargeBlockAllocator&) { return true; }
    friend bool operator!=(const LargeBlockAllocator&, const LargeBlockAllocator&) { return false; }
};
