#include "platform/ProcessMemory.h"

// Any C library header defines __GLIBC__ when glibc is the library.
#include <algorithm>
#include <array>
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

// Freed blocks kept for the next ones: pictures and pages follow one another
// (on as many threads as pages are written at once), and the pages of a kept
// block are in place. No more are kept than were in use at once, and never
// more than kMostKept; when one more comes, the smallest goes.
constexpr std::size_t kMostKept = 16;
struct KeptBlocks {
    std::mutex mutex;
    std::array<void*, kMostKept> at{};
    // Large blocks handed out and not freed, now and at most so far.
    std::size_t live = 0;
    std::size_t mostLive = 0;
};
KeptBlocks kept;

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
            // The smallest kept block that is long enough.
            const std::lock_guard<std::mutex> lock(kept.mutex);
            kept.mostLive = std::max(kept.mostLive, ++kept.live);
            void** best = nullptr;
            for (void*& block : kept.at) {
                if (block != nullptr && MappedLength(block) >= bytes &&
                    (best == nullptr || MappedLength(block) < MappedLength(*best)))
                    best = &block;
            }
            if (best != nullptr)
                return std::exchange(*best, nullptr);
        }
        try {
            return MapBlock(bytes);
        } catch (const std::bad_alloc&) {
            // Memory is short: what is kept goes back before the block is
            // asked for again.
            std::array<void*, kMostKept> freed{};
            {
                const std::lock_guard<std::mutex> lock(kept.mutex);
                freed.swap(kept.at);
            }
            for (void* block : freed) {
                if (block != nullptr)
                    UnmapBlock(block);
            }
            try {
                return MapBlock(bytes);
            } catch (const std::bad_alloc&) {
                const std::lock_guard<std::mutex> lock(kept.mutex);
                --kept.live;
                throw;
            }
        }
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
            // Into a free place, or in the place of the smallest kept block
            // when that is smaller.
            const std::lock_guard<std::mutex> lock(kept.mutex);
            --kept.live;
            void** place = nullptr;
            const std::size_t places = std::min(kMostKept, std::max<std::size_t>(1, kept.mostLive));
            for (std::size_t k = 0; k < places; ++k) {
                void*& slot = kept.at[k];
                if (slot == nullptr) {
                    place = &slot;
                    break;
                }
                if (place == nullptr || MappedLength(slot) < MappedLength(*place))
                    place = &slot;
            }
            if (*place == nullptr || MappedLength(*place) < MappedLength(block))
                std::swap(block, *place);
        }
        if (block != nullptr)
            UnmapBlock(block);
        return;
    }
#endif
    static_cast<void>(bytes);
    std::free(block);
}
