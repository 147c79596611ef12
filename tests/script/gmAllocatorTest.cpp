#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "script/gmBlockHeap.h"
#include "script/gmChainArena.h"
#include "script/gmFixedPool.h"
#include "script/gmSanitizer.h"

namespace {

TEST(gmFixedPool, RecyclesReleasedElementsFirst) {
    gmFixedPool pool(28, 4);
    void* a = pool.allocate();
    void* b = pool.allocate();
    EXPECT_NE(a, b);
    pool.release(a);
    EXPECT_EQ(pool.allocate(), a);
    EXPECT_EQ(pool.getChunkCount(), 1);
}

TEST(gmFixedPool, AddsAChunkOnlyWhenTheCurrentOneIsFull) {
    gmFixedPool pool(12, 4);
    std::set<void*> seen;
    for (int i = 0; i < 4; ++i) seen.insert(pool.allocate());
    EXPECT_EQ(pool.getChunkCount(), 1);
    seen.insert(pool.allocate());
    EXPECT_EQ(pool.getChunkCount(), 2);
    EXPECT_EQ(seen.size(), 5u);
    for (void* p : seen) EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
}

TEST(gmFixedPool, ResetReusesChunksWithoutAllocating) {
    gmFixedPool pool(16, 2);
    for (int i = 0; i < 6; ++i) pool.allocate();
    EXPECT_EQ(pool.getChunkCount(), 3);
    pool.reset();
    for (int i = 0; i < 6; ++i) pool.allocate();
    EXPECT_EQ(pool.getChunkCount(), 3);
    pool.releaseAll();
    EXPECT_EQ(pool.getChunkCount(), 0);
}

#if defined(TACT_GM_ASAN)
// Under AddressSanitizer the pools poison released elements, so a use after free inside a pool is
// reported like one on the general heap.
TEST(gmFixedPoolDeathTest, UseOfAReleasedElementIsReportedUnderAsan) {
    EXPECT_DEATH(
        {
            gmFixedPool pool(32, 4);
            auto* element = static_cast<volatile char*>(pool.allocate());
            pool.release(const_cast<char*>(element));
            element[16] = 1;
        },
        "use-after-poison");
}

TEST(gmBlockHeapDeathTest, WritingPastTheRequestIsReportedUnderAsan) {
    EXPECT_DEATH(
        {
            gmBlockHeap heap;
            auto* block = static_cast<volatile char*>(heap.allocate(20));
            block[20] = 1;  // inside the 24-byte class, past the request
        },
        "use-after-poison");
}
#endif

TEST(gmBlockHeap, ChargesTheSmallestClassNotBelowTheRequest) {
    EXPECT_EQ(gmBlockHeap::getChargedSize(0), 8u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(1), 8u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(8), 8u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(9), 16u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(17), 24u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(25), 32u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(33), 64u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(80), 128u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(129), 256u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(512), 512u);
    EXPECT_EQ(gmBlockHeap::getChargedSize(513), 513u);
}

TEST(gmBlockHeap, CountsClassSizesAndExactLargeSizes) {
    gmBlockHeap heap;
    void* a = heap.allocate(5);
    void* b = heap.allocate(80);
    void* c = heap.allocate(1000);
    EXPECT_EQ(heap.getBytesInUse(), 8 + 128 + 1000);
    std::memset(a, 1, 5);
    std::memset(b, 2, 80);
    std::memset(c, 3, 1000);
    heap.free(b);
    EXPECT_EQ(heap.getBytesInUse(), 8 + 1000);
    heap.free(c);
    heap.free(a);
    heap.free(nullptr);
    EXPECT_EQ(heap.getBytesInUse(), 0);
}

TEST(gmBlockHeap, FreedBlocksAreReusedWithinTheirClass) {
    gmBlockHeap heap;
    void* a = heap.allocate(20);
    heap.free(a);
    EXPECT_EQ(heap.allocate(17), a);
    EXPECT_NE(heap.allocate(20), a);
}

TEST(gmBlockHeap, FreedBigBlocksAreKeptForRequestsOfNearlyTheirSize) {
    gmBlockHeap heap;
    const std::size_t big = gmBlockHeap::kMinCachedSize * 2;
    void* a = heap.allocate(big, 100);
    heap.free(a);
    EXPECT_EQ(heap.getBytesInUse(), 0);
    EXPECT_EQ(heap.getCachedBytes(), big);
    void* tooBig = heap.allocate(big * 2);  // the cached block is too small for it
    EXPECT_NE(tooBig, a);
    void* b = heap.allocate(big - big / 8, 1000);
    EXPECT_EQ(b, a);
    EXPECT_EQ(heap.getCachedBytes(), 0u);
    EXPECT_EQ(heap.getBytesInUse(), static_cast<int64_t>(big * 2 + 1000));
    heap.free(b);
    heap.releaseAll();
    EXPECT_EQ(heap.getCachedBytes(), 0u);
}

TEST(gmBlockHeap, TheBlockCacheKeepsToItsBudget) {
    gmBlockHeap heap;
    const std::size_t big = gmBlockHeap::kCacheBytes / 4;
    std::vector<void*> blocks;
    for (int32_t i = 0; i < 6; ++i) blocks.push_back(heap.allocate(big));
    for (void* block : blocks) heap.free(block);
    EXPECT_LE(heap.getCachedBytes(), gmBlockHeap::kCacheBytes);
    EXPECT_EQ(heap.getBytesInUse(), 0);
    std::vector<void*> small;
    for (int32_t i = 0; i < gmBlockHeap::kCacheSlots + 4; ++i)
        small.push_back(heap.allocate(gmBlockHeap::kMinCachedSize));
    for (void* block : small) heap.free(block);
    EXPECT_LE(heap.getCachedBytes(), gmBlockHeap::kCacheBytes);
}

TEST(gmBlockHeap, ManyMixedBlocksKeepTheirContents) {
    gmBlockHeap heap;
    std::vector<std::pair<unsigned char*, std::size_t>> blocks;
    for (std::size_t i = 0; i < 400; ++i) {
        const std::size_t size = (i * 37) % 700 + 1;
        auto* block = static_cast<unsigned char*>(heap.allocate(size));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
        std::memset(block, static_cast<int>(i & 0xFF), size);
        blocks.emplace_back(block, size);
        if (i % 3 == 0) {
            heap.free(blocks.front().first);
            blocks.erase(blocks.begin());
        }
    }
    for (std::size_t n = 0; n < blocks.size(); ++n) {
        const auto [block, size] = blocks[n];
        for (std::size_t k = 1; k < size; ++k) ASSERT_EQ(block[k], block[0]);
    }
    int64_t expected = 0;
    for (const auto& [block, size] : blocks)
        expected += static_cast<int64_t>(gmBlockHeap::getChargedSize(size));
    EXPECT_EQ(heap.getBytesInUse(), expected);
    heap.releaseAll();
    EXPECT_EQ(heap.getBytesInUse(), 0);
}

TEST(gmBlockAllocator, CountsContainerStorageInTheHeap) {
    gmBlockHeap heap;
    {
        std::vector<uint32_t, gmBlockAllocator<uint32_t>> words{gmBlockAllocator<uint32_t>(&heap)};
        words.assign(10, 7u);
        EXPECT_EQ(heap.getBytesInUse(), 64);
    }
    EXPECT_EQ(heap.getBytesInUse(), 0);
}

TEST(gmChainArena, BumpsWithAlignmentAndResetsAsAWhole) {
    gmChainArena arena(128);
    char* a = static_cast<char*>(arena.allocate(3, 1));
    auto* b = static_cast<double*>(arena.allocate(sizeof(double), alignof(double)));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % alignof(double), 0u);
    EXPECT_GT(reinterpret_cast<char*>(b), a);
    EXPECT_EQ(arena.getChunkCount(), 1);
    arena.allocate(120, 8);
    EXPECT_EQ(arena.getChunkCount(), 2);
    void* big = arena.allocate(1000, 16);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(big) % 16, 0u);
    std::memset(big, 0, 1000);
    EXPECT_EQ(arena.getChunkCount(), 3);
    arena.reset();
    EXPECT_EQ(arena.getBytesUsed(), 0u);
    EXPECT_EQ(arena.allocate(3, 1), a);
    arena.releaseAll();
    EXPECT_EQ(arena.getChunkCount(), 0);
}

TEST(gmChainArena, CreatesTriviallyDestructibleObjects) {
    struct Node {
        int kind;
        Node* next;
    };
    gmChainArena arena;
    Node* first = arena.create<Node>(Node{1, nullptr});
    Node* second = arena.create<Node>(Node{2, first});
    EXPECT_EQ(second->next->kind, 1);
}
}  // namespace
