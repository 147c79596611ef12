// AddressSanitizer hooks for the script runtime's own allocators: recycled pool elements and unused
// block tails are poisoned, so a use after free inside a pool is reported like one on the heap.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define TACT_GM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TACT_GM_ASAN 1
#endif
#endif

#if defined(TACT_GM_ASAN)
#include <sanitizer/asan_interface.h>
inline void gmPoisonMemory(const void* address, std::size_t size) {
    ASAN_POISON_MEMORY_REGION(address, size);
}
inline void gmUnpoisonMemory(const void* address, std::size_t size) {
    ASAN_UNPOISON_MEMORY_REGION(address, size);
}
#else
inline void gmPoisonMemory(const void*, std::size_t) {}
inline void gmUnpoisonMemory(const void*, std::size_t) {}
#endif
