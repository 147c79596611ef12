#include "script/gmStringTable.h"

#include <cstring>

#include "script/gmString.h"

gmStringTable::gmStringTable() : buckets_(new gmString*[size_t{1} << kMinBucketBits]()) {}

namespace {
uint32_t byteValue(char c) {
    return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
}
}  // namespace

uint32_t gmStringTable::hashText(const char* text, int32_t length) {
    // Four bytes a step (the same sum of byte * 33^k): one multiply on the chain per step.
    constexpr uint32_t k33p2 = 33u * 33u;
    constexpr uint32_t k33p3 = k33p2 * 33u;
    constexpr uint32_t k33p4 = k33p3 * 33u;
    uint32_t hash = 0;
    int32_t i = 0;
    for (; i + 4 <= length; i += 4) {
        hash = hash * k33p4 + byteValue(text[i]) * k33p3 + byteValue(text[i + 1]) * k33p2 +
               byteValue(text[i + 2]) * 33u + byteValue(text[i + 3]);
    }
    for (; i < length; ++i) hash = hash * 33u + byteValue(text[i]);
    return hash;
}

uint32_t gmStringTable::hashJoined(uint32_t leftHash, uint32_t rightHash, int32_t rightLength) {
    uint32_t power = 1;
    uint32_t base = 33u;
    for (uint32_t n = static_cast<uint32_t>(rightLength); n != 0; n >>= 1) {
        if (n & 1u)
            power *= base;
        base *= base;
    }
    return leftHash * power + rightHash;
}

// Chains are short, so the whole chain is walked: a string whose hash or length differs is passed
// over without reading its characters, which live in a block of their own.
gmString* gmStringTable::find(const char* text, int32_t length, uint32_t hash) const {
    for (gmString* string = buckets_[bucketOf(hash)]; string != nullptr; string = string->bucketNext_) {
        if (string->hash_ == hash && string->length_ == length &&
            (length == 0 || std::memcmp(text, string->text_, static_cast<std::size_t>(length)) == 0))
            return string;
    }
    return nullptr;
}

void gmStringTable::link(gmString* string) {
    gmString*& head = buckets_[bucketOf(string->hash_)];
    string->bucketNext_ = head;
    head = string;
}

void gmStringTable::rebuild(uint32_t bits) {
    std::unique_ptr<gmString*[]> old = std::move(buckets_);
    const size_t oldCount = size_t{1} << bits_;
    buckets_.reset(new gmString*[size_t{1} << bits]());
    bits_ = bits;
    for (size_t i = 0; i < oldCount; ++i) {
        gmString* string = old[i];
        while (string != nullptr) {
            gmString* next = string->bucketNext_;
            link(string);
            string = next;
        }
    }
}

void gmStringTable::insert(gmString* string) {
    if (bits_ < 30 && static_cast<uint32_t>(count_) >= (1u << bits_))
        rebuild(bits_ + 1);
    link(string);
    ++count_;
}

void gmStringTable::remove(gmString* string) {
    gmString** link = &buckets_[bucketOf(string->hash_)];
    while (*link != nullptr && *link != string) link = &(*link)->bucketNext_;
    if (*link == nullptr)
        return;
    *link = string->bucketNext_;
    string->bucketNext_ = nullptr;
    --count_;
    // Shrinks with a wide margin below the growth point, so a count near it does not rebuild back
    // and forth.
    if (bits_ > kMinBucketBits && static_cast<uint32_t>(count_) < (1u << bits_) / 8)
        rebuild(bits_ - 1);
}
