#include "script/gmFixedPool.h"

#include <cstdlib>
#include <new>

#include "script/gmSanitizer.h"

namespace {
constexpr std::size_t kElementAlignment = 8;

std::size_t roundUp(std::size_t size, std::size_t alignment) {
    return (size + alignment - 1) / alignment * alignment;
}
}  // namespace

gmFixedPool::gmFixedPool(std::size_t elementSize, int32_t elementsPerChunk)
    : elementSize_(roundUp(elementSize < sizeof(void*) ? sizeof(void*) : elementSize, kElementAlignment)),
      elementsPerChunk_(elementsPerChunk > 0 ? elementsPerChunk : 1) {}

gmFixedPool::~gmFixedPool() {
    releaseAll();
}

void* gmFixedPool::allocate() {
    if (freeList_ != nullptr) {
        void* element = freeList_;
        gmUnpoisonMemory(element, elementSize_);
        freeList_ = *static_cast<void**>(element);
        return element;
    }
    while (currentChunk_ != nullptr) {
        if (currentChunk_->bump + elementSize_ <= currentChunk_->end) {
            void* element = currentChunk_->bump;
            currentChunk_->bump += elementSize_;
            gmUnpoisonMemory(element, elementSize_);
            return element;
        }
        // Chunks after the current one exist only after reset(): reuse them from their start.
        if (currentChunk_->next == nullptr)
            break;
        currentChunk_ = currentChunk_->next;
        currentChunk_->bump = currentChunk_->first;
    }
    return allocateFromNewChunk();
}

void* gmFixedPool::allocateFromNewChunk() {
    const std::size_t headerSize = roundUp(sizeof(Chunk), kElementAlignment);
    const std::size_t bytes = headerSize + elementSize_ * static_cast<std::size_t>(elementsPerChunk_);
    char* memory = static_cast<char*>(std::malloc(bytes));
    if (memory == nullptr)
        throw std::bad_alloc();
    Chunk* chunk = reinterpret_cast<Chunk*>(memory);
    chunk->first = memory + headerSize;
    chunk->bump = chunk->first;
    chunk->end = memory + bytes;
    chunk->next = nullptr;
    chunk->prev = currentChunk_;
    if (currentChunk_ != nullptr) {
        currentChunk_->next = chunk;
    } else {
        firstChunk_ = chunk;
    }
    currentChunk_ = chunk;
    ++chunkCount_;
    gmPoisonMemory(chunk->first, static_cast<std::size_t>(chunk->end - chunk->first));
    void* element = chunk->bump;
    chunk->bump += elementSize_;
    gmUnpoisonMemory(element, elementSize_);
    return element;
}

void gmFixedPool::release(void* element) {
    if (element == nullptr)
        return;
    *static_cast<void**>(element) = freeList_;
    freeList_ = element;
    gmPoisonMemory(static_cast<char*>(element) + sizeof(void*), elementSize_ - sizeof(void*));
}

void gmFixedPool::reset() {
    freeList_ = nullptr;
    for (Chunk* chunk = firstChunk_; chunk != nullptr; chunk = chunk->next) {
        chunk->bump = chunk->first;
        gmPoisonMemory(chunk->first, static_cast<std::size_t>(chunk->end - chunk->first));
    }
    currentChunk_ = firstChunk_;
}

void gmFixedPool::releaseAll() {
    Chunk* chunk = firstChunk_;
    while (chunk != nullptr) {
        Chunk* next = chunk->next;
        gmUnpoisonMemory(chunk->first, static_cast<std::size_t>(chunk->end - chunk->first));
        std::free(chunk);
        chunk = next;
    }
    firstChunk_ = nullptr;
    currentChunk_ = nullptr;
    freeList_ = nullptr;
    chunkCount_ = 0;
}
