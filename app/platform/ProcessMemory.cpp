#include "platform/ProcessMemory.h"

// Any C library header defines __GLIBC__ when glibc is the library.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// The size of a huge page on the machines the program runs on (x86-64 and
// arm64 with 4 KiB base pages); a block smaller than one gains nothing.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // glibc maps blocks of this size on their own and trims the heap as soon
    // as they are freed, so each picture would fault its memory in anew. Kept
    // blocks are reused by the next picture; the peak stays what the largest
    // page needs.
    static_cast<void>(mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024));
    static_cast<void>(mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024));
#endif
}

void* AllocateLargeBlock(std::size_t bytes)
{
    void* block = nullptr;
#if defined(__linux__)
    if (bytes >= kHugePage / 8) {
        // Whole huge pages, so that the block shares none with other memory.
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (rounded < bytes)
            throw std::bad_alloc();
        block = std::aligned_alloc(kHugePage, rounded);
        if (block == nullptr)
            throw std::bad_alloc();
        // Only advice: without huge pages the block is ordinary memory.
        static_cast<void>(madvise(block, rounded, MADV_HUGEPAGE));
        return block;
    }
#endif
    block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void FreeLargeBlock(void* block) noexcept
{
    std::free(block);
}
