#pragma once

namespace quorlin {

// Asks the processor to start loading the cache line at p for a read soon. A long history
// does not fit the caches, and a walk that jumps through it waits on each jump's memory
// unless the next jumps are announced ahead. Only a hint: it never faults, whatever p is.
inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, 0, 1);
#else
    (void)p;
#endif
}

}  // namespace quorlin
