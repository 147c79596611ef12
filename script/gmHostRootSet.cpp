#include "script/gmHostRootSet.h"

#include "script/gmBlockHeap.h"
#include "script/gmGarbageCollector.h"

gmHostRootSet::gmHostRootSet(gmBlockHeap& heap) : heap_(heap) {}

gmHostRootSet::~gmHostRootSet() {
    clear();
}

namespace {
// Chains are ordered by address; compare addresses as numbers (pointers to unrelated objects have no
// built-in order).
uintptr_t addressOf(const gmHeapObject* object) {
    return reinterpret_cast<uintptr_t>(object);
}
}  // namespace

uint32_t gmHostRootSet::bucketOf(const gmHeapObject* object) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object) >> 3) & (kBucketCount - 1);
}

bool gmHostRootSet::insert(gmHeapObject* object) {
    if (object == nullptr)
        return false;
    Entry** link = &buckets_[bucketOf(object)];
    while (*link != nullptr && addressOf((*link)->object) < addressOf(object)) link = &(*link)->next;
    if (*link != nullptr && (*link)->object == object)
        return false;
    Entry* entry = static_cast<Entry*>(heap_.allocate(sizeof(Entry), kEntryChargeBytes));
    entry->object = object;
    entry->next = *link;
    *link = entry;
    ++count_;
    return true;
}

bool gmHostRootSet::remove(gmHeapObject* object) {
    Entry** link = &buckets_[bucketOf(object)];
    while (*link != nullptr && addressOf((*link)->object) < addressOf(object)) link = &(*link)->next;
    if (*link == nullptr || (*link)->object != object)
        return false;
    Entry* entry = *link;
    *link = entry->next;
    heap_.free(entry);
    --count_;
    return true;
}

bool gmHostRootSet::contains(const gmHeapObject* object) const {
    for (const Entry* entry = buckets_[bucketOf(object)];
         entry != nullptr && addressOf(entry->object) <= addressOf(object); entry = entry->next) {
        if (entry->object == object)
            return true;
    }
    return false;
}

void gmHostRootSet::markAll(gmGarbageCollector& collector) const {
    for (const Entry* bucket : buckets_) {
        for (const Entry* entry = bucket; entry != nullptr; entry = entry->next)
            collector.markObject(entry->object);
    }
}

void gmHostRootSet::clear() {
    for (Entry*& bucket : buckets_) {
        while (bucket != nullptr) {
            Entry* next = bucket->next;
            heap_.free(bucket);
            bucket = next;
        }
    }
    count_ = 0;
}
