#include "platform/ProcessMemory.h"

// Any C library header defines __GLIBC__ when glibc is the library.
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
// Under AddressSanitizer large blocks come from the heap, where it checks
// their bounds.
#if defined(__SANITIZE_ADDRESS__)
#define MAROVI_HEAP_BLOCKS_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MAROVI_HEAP_BLOCKS_ONLY 1
#endif
#endif
#if defined(__linux__) && !defined(MAROVI_HEAP_BLOCKS_ONLY)
#define MAROVI_MAPPED_BLOCKS 1
#include <sys/mman.h>
#endif

namespace {

#if defined(MAROVI_MAPPED_BLOCKS)
// The size of a huge page on the machines the program runs on (x86-64 and
// arm64 with 4 KiB base pages); a block smaller than one gains nothing.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// A large block is a mapping of its own, whole huge pages on a huge-page
// boundary. Carved out of the heap instead, its first huge page could hold
// pages the heap has touched already (the headers of free chunks), and the
// system backs such a range with small pages only; whether that happens
// would depend on where the heap happens to start.
bool IsLarge(std::size_t bytes) { return bytes >= kHugePage / 8; }

// The mapping starts one small page before the block, with its length there:
// a kept block handed out again may be longer than asked for, and goes back
// whole.
constexpr std::size_t kHeader = 4096;

std::size_t& MappedLength(void* block)
{
    return *reinterpret_cast<std::size_t*>(static_cast<char*>(block) - kHeader);
}

// The last freed block (the larger one when two are freed), kept for the next:
// pictures and pages follow one another, and the pages of a kept block are in
// place.
struct KeptBlock {
    std::mutex mutex;
    void* at = nullptr;
};
KeptBlock kept;

void* MapBlock(std::size_t bytes)
{
    const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    const std::size_t mappedBytes = length + kHugePage + kHeader;
    if (length < bytes || mappedBytes < length)
        throw std::bad_alloc();
    void* mapped = mmap(nullptr, mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    // Cut to the boundary, keeping the header page before it.
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHeader + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned - kHeader > start)
        static_cast<void>(munmap(mapped, aligned - kHeader - start));
    static_cast<void>(munmap(reinterpret_cast<void*>(aligned + length), start + mappedBytes - aligned - length));
    void* block = reinterpret_cast<void*>(aligned);
    MappedLength(block) = length;
    // Only advice: without huge pages the block is ordinary memory.
    static_cast<void>(madvise(block, length, MADV_HUGEPAGE));
    return block;
}

void UnmapBlock(void* block)
{
    static_cast<void>(munmap(static_cast<char*>(block) - kHeader, MappedLength(block) + kHeader));
}
#endif

}  // namespace

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // glibc maps blocks of this size on their own and trims the heap as soon
    // as they are freed, so each page would fault its memory in anew. Kept
    // blocks are reused by the next page; the peak stays what the largest
    // page needs.
    static_cast<void>(mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024));
    static_cast<void>(mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024));
#endif
}

void* AllocateLargeBlock(std::size_t bytes)
{
#if defined(MAROVI_MAPPED_BLOCKS)
    if (IsLarge(bytes)) {
        {
            const std::lock_guard<std::mutex> lock(kept.mutex);
            if (kept.at != nullptr && MappedLength(kept.at) >= bytes)
                return std::exchange(kept.at, nullptr);
        }
        return MapBlock(bytes);
    }
#endif
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept
{
#if defined(MAROVI_MAPPED_BLOCKS)
    if (block != nullptr && IsLarge(bytes)) {
        {
            const std::lock_guard<std::mutex> lock(kept.mutex);
            if (kept.at == nullptr || MappedLength(kept.at) < MappedLength(block))
                std::swap(block, kept.at);
        }
        if (block != nullptr)
            UnmapBlock(block);
        return;
    }
#endif
    static_cast<void>(bytes);
    std::free(block);
}
