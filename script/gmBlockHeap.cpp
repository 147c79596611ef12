#include "script/gmBlockHeap.h"

#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#include <new>

#include "script/gmSanitizer.h"

namespace {
// Small classes are the common case (short strings, small tables' node arrays), so their chunks hold
// more elements.
constexpr std::size_t kClassSizes[gmBlockHeap::kClassCount] = {8, 16, 24, 32, 64, 128, 256, 512};
constexpr int32_t kElementsPerChunk[gmBlockHeap::kClassCount] = {64, 64, 64, 64, 32, 32, 16, 16};

// The tag word before every block: its real size (class size, or exact size of a large block) in
// the low half, the bytes it is charged in the high half.
constexpr std::size_t kTagSize = sizeof(uint64_t);
uint64_t makeTag(std::size_t realSize, std::size_t charged) {
    return static_cast<uint64_t>(realSize) | (static_cast<uint64_t>(charged) << 32);
}
std::size_t tagRealSize(uint64_t tag) {
    return static_cast<std::size_t>(tag & 0xFFFFFFFFu);
}
int64_t tagCharge(uint64_t tag) {
    return static_cast<int64_t>(tag >> 32);
}
}  // namespace

gmBlockHeap::gmBlockHeap() {
    for (int32_t i = 0; i < kClassCount; ++i) {
        pools_[i] = new gmFixedPool(kClassSizes[i] + kTagSize, kElementsPerChunk[i]);
    }
}

gmBlockHeap::~gmBlockHeap() {
    releaseAll();
    for (gmFixedPool* pool : pools_) delete pool;
}

namespace {
// The class of every request size up to the largest class, by (size + 7) / 8: allocation and
// freeing are on the path of every table and string, so the class is one table read.
struct ClassBySize {
    int8_t index[512 / 8 + 1];
    constexpr ClassBySize() : index() {
        for (std::size_t eighths = 0; eighths <= 512 / 8; ++eighths) {
            int8_t found = -1;
            for (int32_t i = 0; i < gmBlockHeap::kClassCount; ++i) {
                if (eighths * 8 <= kClassSizes[i]) {
                    found = static_cast<int8_t>(i);
                    break;
                }
            }
            index[eighths] = found;
        }
    }
};
constexpr ClassBySize kClassBySize;
static_assert(sizeof(kClassSizes) / sizeof(kClassSizes[0]) == 8 && kClassSizes[7] == 512);
}  // namespace

int32_t gmBlockHeap::classIndex(std::size_t size) {
    return size <= 512 ? kClassBySize.index[(size + 7) / 8] : -1;
}

std::size_t gmBlockHeap::getChargedSize(std::size_t size) {
    const int32_t index = classIndex(size);
    return index < 0 ? size : kClassSizes[index];
}

namespace {
constexpr std::size_t kHugePageSize = 2 * 1024 * 1024;
}  // namespace

// Big blocks (big tables' node arrays, the intern table's slots) are visited at large strides: on
// huge pages, where the system offers them on request, such a walk does not miss the address
// translation cache at every step.
void* gmAllocateLarge(std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes >= kHugePageSize) {
        void* block = nullptr;
        if (posix_memalign(&block, kHugePageSize, bytes) != 0)
            throw std::bad_alloc();
        madvise(block, bytes / kHugePageSize * kHugePageSize, MADV_HUGEPAGE);
        return block;
    }
#endif
    void* block = std::malloc(bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void* gmBlockHeap::allocate(std::size_t size, std::size_t chargeSize) {
    const std::size_t charged = getChargedSize(chargeSize);
    bytesInUse_ += static_cast<int64_t>(charged);
    const int32_t index = classIndex(size);
    if (index >= 0) {
        auto* element = static_cast<uint64_t*>(pools_[index]->allocate());
        element[0] = makeTag(kClassSizes[index], charged);
        // Bytes past the request stay poisoned, so an overrun inside the class is reported.
        gmPoisonMemory(element + 1, kClassSizes[index]);
        gmUnpoisonMemory(element + 1, size);
        return element + 1;
    }
    LargeHeader* header = takeCachedBlock(size);
    if (header != nullptr) {
        gmUnpoisonMemory(header + 1, size);
        header->tag = makeTag(tagRealSize(header->tag), charged);
    } else {
        header = static_cast<LargeHeader*>(gmAllocateLarge(sizeof(LargeHeader) + size));
        header->tag = makeTag(size, charged);
    }
    header->prev = nullptr;
    header->next = largeBlocks_;
    if (largeBlocks_ != nullptr)
        largeBlocks_->prev = header;
    largeBlocks_ = header;
    return header + 1;
}

void gmBlockHeap::free(void* block) {
    if (block == nullptr)
        return;
    const uint64_t tag = static_cast<uint64_t*>(block)[-1];
    bytesInUse_ -= tagCharge(tag);
    const std::size_t realSize = tagRealSize(tag);
    if (realSize <= kLargestClass) {
        uint64_t* element = static_cast<uint64_t*>(block) - 1;
        gmUnpoisonMemory(element, realSize + kTagSize);
        pools_[classIndex(realSize)]->release(element);
        return;
    }
    LargeHeader* header = static_cast<LargeHeader*>(block) - 1;
    if (header->prev != nullptr) {
        header->prev->next = header->next;
    } else {
        largeBlocks_ = header->next;
    }
    if (header->next != nullptr)
        header->next->prev = header->prev;
    cacheOrRelease(header, realSize);
}

void gmBlockHeap::recharge(void* block, std::size_t chargeSize) {
    uint64_t& tag = static_cast<uint64_t*>(block)[-1];
    const std::size_t charged = getChargedSize(chargeSize);
    bytesInUse_ += static_cast<int64_t>(charged) - tagCharge(tag);
    tag = makeTag(tagRealSize(tag), charged);
}

// The most recently cached block of [size] to [size] + 1/4; null when there is none.
gmBlockHeap::LargeHeader* gmBlockHeap::takeCachedBlock(std::size_t size) {
    if (size < kMinCachedSize)
        return nullptr;
    for (int32_t i = cacheCount_ - 1; i >= 0; --i) {
        LargeHeader* header = cache_[i];
        const std::size_t cachedSize = tagRealSize(header->tag);
        if (cachedSize < size || cachedSize > size + size / 4)
            continue;
        for (int32_t j = i + 1; j < cacheCount_; ++j) cache_[j - 1] = cache_[j];
        --cacheCount_;
        cachedBytes_ -= cachedSize;
        return header;
    }
    return nullptr;
}

void gmBlockHeap::cacheOrRelease(LargeHeader* header, std::size_t size) {
    if (size < kMinCachedSize || size > kCacheBytes) {
        std::free(header);
        return;
    }
    // Make room: the oldest blocks go back to the general heap.
    int32_t evicted = 0;
    while (evicted < cacheCount_ &&
           (cacheCount_ - evicted >= kCacheSlots || cachedBytes_ + size > kCacheBytes)) {
        LargeHeader* oldest = cache_[evicted++];
        cachedBytes_ -= tagRealSize(oldest->tag);
        gmUnpoisonMemory(oldest + 1, tagRealSize(oldest->tag));
        std::free(oldest);
    }
    for (int32_t j = evicted; j < cacheCount_; ++j) cache_[j - evicted] = cache_[j];
    cacheCount_ -= evicted;
    gmPoisonMemory(header + 1, size);
    cache_[cacheCount_++] = header;
    cachedBytes_ += size;
}

void gmBlockHeap::releaseCache() {
    for (int32_t i = 0; i < cacheCount_; ++i) {
        gmUnpoisonMemory(cache_[i] + 1, tagRealSize(cache_[i]->tag));
        std::free(cache_[i]);
    }
    cacheCount_ = 0;
    cachedBytes_ = 0;
}

void gmBlockHeap::releaseAll() {
    for (gmFixedPool* pool : pools_) pool->releaseAll();
    while (largeBlocks_ != nullptr) {
        LargeHeader* next = largeBlocks_->next;
        std::free(largeBlocks_);
        largeBlocks_ = next;
    }
    releaseCache();
    bytesInUse_ = 0;
}
