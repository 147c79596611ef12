// Interned, immutable script strings: one object per distinct text in a machine.
#pragma once

#include <cstdint>

#include "script/gmHeapObject.h"
#include "script/gmValue.h"

// A gmString is made only by gmScriptMachine::internString / internPermanentString, which
// guarantee that a machine never holds two strings with the same text, so string equality is object
// identity. The characters are a NUL-terminated copy taken from the machine's gmBlockHeap
// (length + 1 bytes). Charged kChargeBytes to the machine's object bytes.
class gmString final : public gmHeapObject {
  public:
    static constexpr int32_t kChargeBytes = 28;

    const char* getText() const { return text_; }
    // Bytes before the terminating NUL.
    int32_t getLength() const { return length_; }
    // The intern hash of the text (gmStringTable::hashText).
    uint32_t getHash() const { return hash_; }

    void destroyObject(gmScriptMachine& machine) override;
    bool traceReferences(gmScriptMachine& machine, gmGarbageCollector& collector, int32_t workLeft,
                         int32_t& workDone) override;
    int32_t getTypeId() const override { return kGmString; }

  private:
    friend class gmScriptMachine;
    friend class gmStringTable;

    gmString(char* text, int32_t length, uint32_t hash) : text_(text), length_(length), hash_(hash) {}
    ~gmString() = default;

    char* text_;
    int32_t length_;
    uint32_t hash_;
};

inline gmValue gmValue::makeString(const gmString* string) {
    return makeReference(kGmString, string);
}
inline gmString* gmValue::getString() const {
    return static_cast<gmString*>(getObject());
}
