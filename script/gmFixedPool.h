// Equal-size elements carved from chunks, recycled through a free list; never returned one by one.
#pragma once

#include <cstddef>
#include <cstdint>

// A pool of elements of one size. Elements come from the free list first, then by bumping through
// the current chunk; a new chunk is allocated from the general heap only when the bump position
// reaches the end of the last chunk. Released elements go onto the free list, linked through their
// first word; every owner needs the same free list, so it lives here. reset() makes every element free again
// but keeps the chunks for reuse; releaseAll() frees the chunks. Elements are 8-byte aligned.
class gmFixedPool {
  public:
    gmFixedPool(std::size_t elementSize, int32_t elementsPerChunk);
    ~gmFixedPool();
    gmFixedPool(const gmFixedPool&) = delete;
    gmFixedPool& operator=(const gmFixedPool&) = delete;

    void* allocate();
    // [element] must have come from this pool's allocate() and not been released since.
    void release(void* element);
    void reset();
    void releaseAll();

    std::size_t getElementSize() const { return elementSize_; }
    int32_t getChunkCount() const { return chunkCount_; }

  private:
    struct Chunk {
        Chunk* next;
        Chunk* prev;
        char* bump;
        char* first;
        char* end;
    };

    void* allocateFromNewChunk();

    std::size_t elementSize_;
    int32_t elementsPerChunk_;
    int32_t chunkCount_ = 0;
    Chunk* firstChunk_ = nullptr;
    Chunk* currentChunk_ = nullptr;
    void* freeList_ = nullptr;
};
