// The machine's string intern table: open addressing, at least twice as many slots as strings.
#pragma once

#include <cstdint>
#include <memory>

class gmString;

// Open addressing with linear probing in a power-of-two array of slots (at least 8192), doubled
// before the strings would fill more than half of it and halved when they fall below an eighth, so
// a search probes a slot or two, most often in one cache line. A slot keeps its string's hash next to
// the pointer: a search reads the characters of likely matches only, and a rebuild or a removal
// reads no string at all. The home slot is picked from the hash's bits mixed by a multiply (the hash
// of similar texts such as numbered names differs mostly in its low bits). A removal shifts the
// slots after it back, so no marker of a removed string is left behind. Owns no strings: the
// machine makes and frees them and keeps this table in step. Nothing observable depends on the
// slot layout. Searches land on random slots of a big array: it is put on huge pages where the
// system offers them, so they do not miss the address translation cache as well.
class gmStringTable {
  public:
    static constexpr uint32_t kMinBucketBits = 13;

    gmStringTable();

    // hash = hash * 33 + c over the bytes taken as signed chars, with 32-bit wrapping.
    static uint32_t hashText(const char* text, int32_t length);
    // The hash of a text made of a left part with hash [leftHash] and a right part of
    // [rightLength] bytes with hash [rightHash]: the hash is linear in the bytes, so a
    // concatenation hashes only its new part.
    static uint32_t hashJoined(uint32_t leftHash, uint32_t rightHash, int32_t rightLength);
    // The string with this text, or null.
    gmString* find(const char* text, int32_t length, uint32_t hash) const;
    // Adds a string whose text is not yet present.
    void insert(gmString* string);
    void remove(gmString* string);
    int32_t getCount() const { return count_; }
    uint32_t getBucketCount() const { return 1u << bits_; }

  private:
    struct Slot {
        gmString* string;  // null: empty
        uint32_t hash;
    };
    uint32_t homeOf(uint32_t hash) const { return (hash * 0x9e3779b1u) >> (32 - bits_); }
    uint32_t mask() const { return (1u << bits_) - 1u; }
    // Into the first empty slot from its home.
    void place(gmString* string, uint32_t hash);
    void rebuild(uint32_t bits);

    struct SlotsDeleter {
        void operator()(Slot* slots) const;
    };
    // Zeroed slots; big arrays on huge pages where the system offers them.
    static Slot* allocateSlots(uint32_t bits);

    std::unique_ptr<Slot[], SlotsDeleter> slots_;
    uint32_t bits_ = kMinBucketBits;
    int32_t count_ = 0;
};
