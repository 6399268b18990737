#include "platform/ProcessMemory.h"

// Any C library header defines __GLIBC__ when glibc is the library.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // glibc maps blocks of this size on their own and trims the heap as soon
    // as they are freed, so each picture faulted its memory in anew: a third
    // of the time of a page with large sketches. Kept blocks are reused by
    // the next picture; the peak stays what the largest page needs.
    static_cast<void>(mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024));
    static_cast<void>(mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024));
#endif
}
