#pragma once

// Tunes the process's allocator for the program's pattern: every picture
// takes a few MiB for its bitmap and as much again for the image that is
// encoded, and frees both before the next picture. Call once at start-up,
// before the first allocation that matters.
void KeepFreedMemoryForReuse();
