// The set of heap objects the host holds: every member is a root of the collector.
#pragma once

#include <cstddef>
#include <cstdint>

class gmBlockHeap;
class gmGarbageCollector;
class gmHeapObject;

// 1024 buckets, bucket = (address >> 3) & 1023, each chain in ascending address order. Entries are
// blocks of the machine's gmBlockHeap, charged kEntryChargeBytes (two 32-bit words: the accounting
// unit of memory usage, see gmBlockHeap.h).
class gmHostRootSet {
  public:
    static constexpr uint32_t kBucketCount = 1024;
    static constexpr std::size_t kEntryChargeBytes = 8;

    explicit gmHostRootSet(gmBlockHeap& heap);
    ~gmHostRootSet();
    gmHostRootSet(const gmHostRootSet&) = delete;
    gmHostRootSet& operator=(const gmHostRootSet&) = delete;

    // Inserting a present object does nothing; returns true when it was inserted.
    bool insert(gmHeapObject* object);
    // Returns true when it was present.
    bool remove(gmHeapObject* object);
    bool contains(const gmHeapObject* object) const;
    int32_t getCount() const { return count_; }
    // Greys every member.
    void markAll(gmGarbageCollector& collector) const;
    void clear();

  private:
    struct Entry {
        gmHeapObject* object;
        Entry* next;
    };

    static uint32_t bucketOf(const gmHeapObject* object);

    gmBlockHeap& heap_;
    Entry* buckets_[kBucketCount] = {};
    int32_t count_ = 0;
};
