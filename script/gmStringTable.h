// The machine's string intern table: chained buckets, at least as many as the strings.
#pragma once

#include <cstdint>
#include <memory>

class gmString;

// A power-of-two number of buckets, at least 8192, doubled when the strings outnumber the buckets
// and halved when they fall below an eighth of them, so chains stay about one string long however
// many strings live. A bucket is picked from the hash's bits mixed by a multiply (the hash of
// similar texts such as numbered names differs mostly in its low bits). A new string goes to the
// front of its chain: keeping chains in text order would read the characters of every string
// passed over, each a likely cache miss. A search compares hashes and lengths first and reads the
// characters of likely matches only. Owns no
// strings: the machine makes and frees them and keeps this table in step. Nothing observable
// depends on the bucket layout.
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
    // Links a string whose text is not yet present into its bucket, in order.
    void insert(gmString* string);
    void remove(gmString* string);
    int32_t getCount() const { return count_; }
    uint32_t getBucketCount() const { return 1u << bits_; }

  private:
    uint32_t bucketOf(uint32_t hash) const { return (hash * 0x9e3779b1u) >> (32 - bits_); }
    void link(gmString* string);
    void rebuild(uint32_t bits);

    std::unique_ptr<gmString*[]> buckets_;
    uint32_t bits_ = kMinBucketBits;
    int32_t count_ = 0;
};
