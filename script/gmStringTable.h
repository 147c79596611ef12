// The machine's string intern table: 8192 buckets of strings sorted by text.
#pragma once

#include <cstdint>
#include <memory>

class gmString;

// Fixed 8192 buckets (a power of two; bucket = hash & 8191); each chain is sorted in ascending
// bytewise order of the texts (unsigned bytes, a shorter text before its extensions). A search
// compares hashes and lengths first and reads the characters of likely matches only. Owns no
// strings: the machine makes and frees them and keeps this table in step.
class gmStringTable {
  public:
    static constexpr uint32_t kBucketCount = 8192;

    gmStringTable();

    // hash = hash * 33 + c over the bytes taken as signed chars, with 32-bit wrapping.
    static uint32_t hashText(const char* text, int32_t length);
    // The string with this text, or null.
    gmString* find(const char* text, int32_t length, uint32_t hash) const;
    // Links a string whose text is not yet present into its bucket, in order.
    void insert(gmString* string);
    void remove(gmString* string);
    int32_t getCount() const { return count_; }

  private:
    // <0, 0, >0 as [text] orders before, equal to, after [string]'s text.
    static int compare(const char* text, int32_t length, const gmString* string);

    std::unique_ptr<gmString*[]> buckets_;
    int32_t count_ = 0;
};
