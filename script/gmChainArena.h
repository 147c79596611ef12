// A chain of chunks with aligned bump allocation, freed as a whole: the compiler's scratch memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

// Memory for short-lived data that dies all together (code trees, compiler tables). allocate() bumps
// through the current chunk and starts a new one when the request does not fit; a request larger
// than a chunk gets a chunk of its own. Nothing is freed individually. reset() keeps the chunks and
// starts again at the first; releaseAll() frees them. No destructors run, so create<T>() accepts
// only trivially destructible types.
class gmChainArena {
  public:
    // 4 KiB chunks: a code tree node is 48 bytes, so one chunk holds ~80 nodes, a typical function.
    static constexpr std::size_t kDefaultChunkSize = 4096;

    explicit gmChainArena(std::size_t chunkSize = kDefaultChunkSize);
    ~gmChainArena();
    gmChainArena(const gmChainArena&) = delete;
    gmChainArena& operator=(const gmChainArena&) = delete;

    // [alignment] must be a power of two.
    void* allocate(std::size_t size, std::size_t alignment = alignof(std::max_align_t));

    template <class T, class... Args>
    T* create(Args&&... args) {
        static_assert(std::is_trivially_destructible_v<T>, "the arena runs no destructors");
        return new (allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    }

    void reset();
    void releaseAll();

    // Bytes handed out since the last reset (alignment padding included).
    std::size_t getBytesUsed() const { return bytesUsed_; }
    int32_t getChunkCount() const { return chunkCount_; }

  private:
    struct Chunk {
        Chunk* next;
        Chunk* prev;
        char* bump;
        char* first;
        char* end;
    };

    Chunk* newChunk(std::size_t capacity, Chunk* after);

    std::size_t chunkSize_;
    Chunk* firstChunk_ = nullptr;
    Chunk* currentChunk_ = nullptr;
    std::size_t bytesUsed_ = 0;
    int32_t chunkCount_ = 0;
};
