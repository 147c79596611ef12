#include "script/gmStringTable.h"

#include <cstdlib>
#include <cstring>

#include "script/gmBlockHeap.h"
#include "script/gmString.h"

gmStringTable::Slot* gmStringTable::allocateSlots(uint32_t bits) {
    const std::size_t bytes = sizeof(Slot) << bits;
    void* block = gmAllocateLarge(bytes);
    std::memset(block, 0, bytes);
    return static_cast<Slot*>(block);
}

void gmStringTable::SlotsDeleter::operator()(Slot* slots) const {
    std::free(slots);
}

gmStringTable::gmStringTable() : slots_(allocateSlots(kMinBucketBits)) {}

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

gmString* gmStringTable::find(const char* text, int32_t length, uint32_t hash) const {
    const uint32_t m = mask();
    for (uint32_t i = homeOf(hash);; i = (i + 1) & m) {
        const Slot& slot = slots_[i];
        if (slot.string == nullptr)
            return nullptr;
        if (slot.hash == hash && slot.string->length_ == length &&
            (length == 0 || std::memcmp(text, slot.string->text_, static_cast<std::size_t>(length)) == 0))
            return slot.string;
    }
}

void gmStringTable::place(gmString* string, uint32_t hash) {
    const uint32_t m = mask();
    uint32_t i = homeOf(hash);
    while (slots_[i].string != nullptr) i = (i + 1) & m;
    slots_[i] = Slot{string, hash};
}

void gmStringTable::rebuild(uint32_t bits) {
    std::unique_ptr<Slot[], SlotsDeleter> old = std::move(slots_);
    const size_t oldCount = size_t{1} << bits_;
    slots_.reset(allocateSlots(bits));
    bits_ = bits;
    for (size_t i = 0; i < oldCount; ++i) {
        if (old[i].string != nullptr)
            place(old[i].string, old[i].hash);
    }
}

void gmStringTable::insert(gmString* string) {
    // At most half full after the insertion.
    if (bits_ < 30 && static_cast<uint32_t>(count_) + 1u > (1u << bits_) / 2)
        rebuild(bits_ + 1);
    place(string, string->hash_);
    ++count_;
}

void gmStringTable::remove(gmString* string) {
    const uint32_t m = mask();
    uint32_t hole = homeOf(string->hash_);
    while (slots_[hole].string != string) {
        if (slots_[hole].string == nullptr)
            return;
        hole = (hole + 1) & m;
    }
    // Every later string of the run whose home is not between the hole and itself moves back
    // into the hole, so each string stays reachable from its home without passing an empty slot.
    for (uint32_t j = (hole + 1) & m; slots_[j].string != nullptr; j = (j + 1) & m) {
        const uint32_t home = homeOf(slots_[j].hash);
        const bool between = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (!between) {
            slots_[hole] = slots_[j];
            hole = j;
        }
    }
    slots_[hole].string = nullptr;
    --count_;
    // Shrinks with a wide margin below the growth point, so a count near it does not rebuild back
    // and forth.
    if (bits_ > kMinBucketBits && static_cast<uint32_t>(count_) < (1u << bits_) / 8)
        rebuild(bits_ - 1);
}
