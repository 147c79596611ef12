// Variable-size blocks (string characters, table node arrays, function code) in size classes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "script/gmFixedPool.h"

// [bytes] from the general heap, given back with std::free; from 2 MB on aligned to and advised
// onto huge pages where the system offers them. Throws std::bad_alloc when the heap is out.
void* gmAllocateLarge(std::size_t bytes);

// Requests of up to 512 bytes take the smallest of the classes 8, 16, 24, 32, 64, 128, 256, 512 and
// come from that class's gmFixedPool (free list first); larger requests come from the general heap
// and are kept in a list of large blocks. Every block is preceded by one 8-byte tag word (its real
// size class and its charge), so free() needs no size and blocks stay 8-aligned; a large block's
// header also links it into the large-block list.
//
// Accounting. getBytesInUse() is what memory usage and the collector's limits are measured in: each
// live block is charged the class size of its *charge* (the exact charge above 512 bytes). The charge
// is the request size unless the caller gives another: a table's node array is charged 20 bytes per
// node, the size a node has on 32-bit hosts, whatever a node takes here, so the limits and the
// collector's pacing mean the same on every host.
//
// Freed large blocks of kMinCachedSize or more are kept (up to kCacheSlots of them, kCacheBytes in
// all, the oldest given back first) and handed out again for requests of nearly their size: a table
// that grows to a big node array and is dropped would otherwise make the general heap unmap and map
// its pages again every time, and faulting fresh pages in costs more than filling them.
class gmBlockHeap {
  public:
    static constexpr int32_t kClassCount = 8;
    static constexpr std::size_t kLargestClass = 512;
    static constexpr std::size_t kMinCachedSize = 64 * 1024;
    static constexpr std::size_t kCacheBytes = 32 * 1024 * 1024;
    static constexpr int32_t kCacheSlots = 16;

    gmBlockHeap();
    ~gmBlockHeap();
    gmBlockHeap(const gmBlockHeap&) = delete;
    gmBlockHeap& operator=(const gmBlockHeap&) = delete;

    // Never returns null (allocation failure of the general heap throws std::bad_alloc).
    void* allocate(std::size_t size) { return allocate(size, size); }
    // [size] bytes of memory, counted as a request of [chargeSize] bytes.
    void* allocate(std::size_t size, std::size_t chargeSize);
    // [block] must come from allocate() of this heap; null is ignored.
    void free(void* block);
    // Charges [block] (from allocate() of this heap) as a request of [chargeSize] bytes from now on.
    void recharge(void* block, std::size_t chargeSize);
    // Frees every block at once (small blocks with their pools, and the cached large blocks).
    void releaseAll();
    // Bytes held in freed large blocks kept for reuse (not in use, not charged).
    std::size_t getCachedBytes() const { return cachedBytes_; }

    int64_t getBytesInUse() const { return bytesInUse_; }
    // What a request of [size] bytes is charged: its class size, or its own size above 512.
    static std::size_t getChargedSize(std::size_t size);

  private:
    struct LargeHeader {
        LargeHeader* next;
        LargeHeader* prev;
        uint64_t tag;
    };

    static int32_t classIndex(std::size_t size);
    LargeHeader* takeCachedBlock(std::size_t size);
    void cacheOrRelease(LargeHeader* header, std::size_t size);
    void releaseCache();

    gmFixedPool* pools_[kClassCount];
    LargeHeader* largeBlocks_ = nullptr;
    int64_t bytesInUse_ = 0;
    // Cached large blocks, oldest first; their bodies stay poisoned under AddressSanitizer.
    LargeHeader* cache_[kCacheSlots] = {};
    int32_t cacheCount_ = 0;
    std::size_t cachedBytes_ = 0;
};

// A std::allocator for containers whose storage the collector should count (function code,
// constants, line tables): it takes the blocks from a machine's gmBlockHeap.
template <class T>
class gmBlockAllocator {
  public:
    using value_type = T;

    explicit gmBlockAllocator(gmBlockHeap* heap) noexcept : heap_(heap) {}
    template <class U>
    gmBlockAllocator(const gmBlockAllocator<U>& other) noexcept : heap_(other.getHeap()) {}

    T* allocate(std::size_t count) { return static_cast<T*>(heap_->allocate(count * sizeof(T))); }
    void deallocate(T* block, std::size_t) noexcept { heap_->free(block); }
    gmBlockHeap* getHeap() const noexcept { return heap_; }

    template <class U>
    bool operator==(const gmBlockAllocator<U>& other) const noexcept {
        return heap_ == other.getHeap();
    }

  private:
    gmBlockHeap* heap_;
};
