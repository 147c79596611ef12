#include "script/gmChainArena.h"

#include <cstdlib>

namespace {
char* alignUp(char* pointer, std::size_t alignment) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(pointer);
    return reinterpret_cast<char*>((value + alignment - 1) & ~(uintptr_t{alignment} - 1));
}
}  // namespace

gmChainArena::gmChainArena(std::size_t chunkSize) : chunkSize_(chunkSize < 64 ? 64 : chunkSize) {}

gmChainArena::~gmChainArena() {
    releaseAll();
}

gmChainArena::Chunk* gmChainArena::newChunk(std::size_t capacity, Chunk* after) {
    char* memory = static_cast<char*>(std::malloc(sizeof(Chunk) + capacity));
    if (memory == nullptr)
        throw std::bad_alloc();
    Chunk* chunk = reinterpret_cast<Chunk*>(memory);
    chunk->first = memory + sizeof(Chunk);
    chunk->bump = chunk->first;
    chunk->end = chunk->first + capacity;
    chunk->prev = after;
    if (after != nullptr) {
        chunk->next = after->next;
        if (after->next != nullptr)
            after->next->prev = chunk;
        after->next = chunk;
    } else {
        chunk->next = firstChunk_;
        if (firstChunk_ != nullptr)
            firstChunk_->prev = chunk;
        firstChunk_ = chunk;
    }
    ++chunkCount_;
    return chunk;
}

void* gmChainArena::allocate(std::size_t size, std::size_t alignment) {
    if (alignment == 0)
        alignment = 1;
    while (currentChunk_ != nullptr) {
        char* start = alignUp(currentChunk_->bump, alignment);
        if (start + size <= currentChunk_->end) {
            bytesUsed_ += static_cast<std::size_t>(start + size - currentChunk_->bump);
            currentChunk_->bump = start + size;
            return start;
        }
        // Chunks after the current one exist only after reset(): reuse them from their start.
        if (currentChunk_->next == nullptr)
            break;
        currentChunk_ = currentChunk_->next;
        currentChunk_->bump = currentChunk_->first;
    }
    const std::size_t capacity = size + alignment > chunkSize_ ? size + alignment : chunkSize_;
    currentChunk_ = newChunk(capacity, currentChunk_);
    char* start = alignUp(currentChunk_->bump, alignment);
    bytesUsed_ += static_cast<std::size_t>(start + size - currentChunk_->bump);
    currentChunk_->bump = start + size;
    return start;
}

void gmChainArena::reset() {
    for (Chunk* chunk = firstChunk_; chunk != nullptr; chunk = chunk->next) chunk->bump = chunk->first;
    currentChunk_ = firstChunk_;
    bytesUsed_ = 0;
}

void gmChainArena::releaseAll() {
    Chunk* chunk = firstChunk_;
    while (chunk != nullptr) {
        Chunk* next = chunk->next;
        std::free(chunk);
        chunk = next;
    }
    firstChunk_ = nullptr;
    currentChunk_ = nullptr;
    bytesUsed_ = 0;
    chunkCount_ = 0;
}
