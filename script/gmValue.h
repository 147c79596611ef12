// The tagged script value (a type id and a payload), the built-in type ids and the operator ids.
// Heap objects: gmHeapObject.h; collector invariants: gmGarbageCollector.h.
#pragma once

#include <bit>
#include <cstdint>

#include "script/gmHeapObject.h"

class gmString;
class gmTable;
class gmFunction;
class gmHostObject;

// Built-in type ids (fixed by the language; host types get kGmFirstUserType, 7, ... in creation order).
// A value is a reference exactly when its type id is greater than kGmFloat.
enum gmTypeId : int32_t {
    kGmNull = 0,
    kGmInt = 1,
    kGmFloat = 2,
    kGmString = 3,
    kGmTable = 4,
    kGmFunction = 5,
    kGmFirstUserType = 6,
};

// Operator ids. They are also the first 24 opcodes of the VM (getdot = opcode 0 ... not = opcode 23),
// so this order is fixed. kGmOpCount is both the number of operators and the "undefined" id.
enum gmOperatorId : int32_t {
    kGmOpGetDot = 0,
    kGmOpSetDot,
    kGmOpGetInd,
    kGmOpSetInd,
    kGmOpAdd,
    kGmOpSub,
    kGmOpMul,
    kGmOpDiv,
    kGmOpMod,
    kGmOpBitOr,
    kGmOpBitXor,
    kGmOpBitAnd,
    kGmOpShiftLeft,
    kGmOpShiftRight,
    kGmOpBitInv,
    kGmOpLt,
    kGmOpGt,
    kGmOpLte,
    kGmOpGte,
    kGmOpEq,
    kGmOpNeq,
    kGmOpNeg,
    kGmOpPos,
    kGmOpNot,
    kGmOpBool,
    kGmOpCount,                  // 25: the number of operator slots in a type record
    kGmOpUndefined = kGmOpCount  // what operatorIdFromName answers for an unknown name
};

// The operator's name as accepted by typeRegisterOperator and printed in operator errors;
// "undefined" for any id outside 0..24.
const char* gmOperatorName(int32_t operatorId);
// Exact, case-sensitive match against the 25 names; kGmOpUndefined (25) when none matches.
int32_t gmOperatorIdFromName(const char* name);

// gmValue: the one value type of stacks, tables, constants and the host interface: a 32-bit type id
// and a 64-bit payload that holds an int32, the bits of a float, or a heap object pointer (16 bytes).
//
// Invariant: an int, float or null payload is zero-extended from 32 bits (the upper 32 bits are 0), so
// two values have equal (type, payload) exactly when the fields are equal, and the truth test is
// "payload != 0". A reference value's payload is a heap object whose getTypeId() is the value's type.
class gmValue {
  public:
    constexpr gmValue() = default;

    static constexpr gmValue makeNull() { return gmValue(); }
    static constexpr gmValue makeInt(int32_t value) { return gmValue(kGmInt, static_cast<uint32_t>(value)); }
    static constexpr gmValue makeFloat(float value) {
        return gmValue(kGmFloat, std::bit_cast<uint32_t>(value));
    }
    // A non-reference type (null, int, float) with an arbitrary 32-bit payload. The int operator
    // handlers produce such values (a null with a non-zero payload), see gmBuiltinOperators.h.
    static constexpr gmValue makeRaw(int32_t typeId, uint32_t payload) { return gmValue(typeId, payload); }
    // A reference to [object] with the type id [typeId]; callers pass object->getTypeId().
    static gmValue makeReference(int32_t typeId, const gmHeapObject* object) {
        return gmValue(typeId, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(object)));
    }
    // Any heap object, typed by its own getTypeId() (a virtual call).
    static gmValue makeObject(const gmHeapObject* object) {
        return object ? makeReference(object->getTypeId(), object) : gmValue();
    }
    // Defined inline in the object's own header (include it to use them).
    static gmValue makeString(const gmString* string);
    static gmValue makeTable(const gmTable* table);
    static gmValue makeFunction(const gmFunction* function);
    static gmValue makeHostObject(const gmHostObject* object);

    // Copies the two fields separately. The VM moves values with this: a fresh value is written as
    // a 4-byte type and an 8-byte payload, and reading it back as one 16-byte block right after
    // would defeat the processor's store-to-load forwarding and stall every such move.
    void assignFields(const gmValue& other) {
        type_ = other.type_;
        payload_ = other.payload_;
    }

    // A copy made field by field, for the same reason (the spare word is not copied).
    gmValue copyFields() const { return gmValue(type_, payload_); }

    int32_t getType() const { return type_; }
    bool isNull() const { return type_ == kGmNull; }
    bool isInt() const { return type_ == kGmInt; }
    bool isFloat() const { return type_ == kGmFloat; }
    bool isString() const { return type_ == kGmString; }
    bool isTable() const { return type_ == kGmTable; }
    bool isFunction() const { return type_ == kGmFunction; }
    bool isReference() const { return type_ > kGmFloat; }

    // The low 32 payload bits read as an int / as float bits, whatever the type (the operator
    // handlers compute on payloads without looking at the type).
    int32_t getInt() const { return static_cast<int32_t>(static_cast<uint32_t>(payload_)); }
    float getFloat() const { return std::bit_cast<float>(static_cast<uint32_t>(payload_)); }
    uint32_t getPayload32() const { return static_cast<uint32_t>(payload_); }

    gmHeapObject* getObject() const {
        return isReference() ? reinterpret_cast<gmHeapObject*>(static_cast<uintptr_t>(payload_)) : nullptr;
    }
    // Unchecked casts of the payload: the caller has tested the type. Defined in the object headers.
    gmString* getString() const;
    gmTable* getTable() const;
    gmFunction* getFunction() const;
    gmHostObject* getHostObject() const;

    // The truth test of the VM's conditional jumps: false exactly when the payload is 0 (null,
    // int 0, float +0.0; -0.0 has a non-zero payload and is true, as is every reference).
    bool isTrue() const { return payload_ != 0; }

    // Replaces the payload by a 32-bit number and keeps the type id (the int handlers' rule).
    // Only for non-reference values.
    void setPayload32(uint32_t payload) { payload_ = payload; }

    // The table hash: an int or float hashes as its 32-bit payload; a reference by its object's
    // hash key (a string's text hash, otherwise a serial number given at creation), so hashing,
    // and with it the order of table iteration, never depends on where objects were allocated.
    uint32_t getHash() const {
        return isReference() ? getObject()->getHashKey() : static_cast<uint32_t>(payload_);
    }

    // Same type id and same payload (identity for references). This is table-key matching and the
    // generic eq of null, tables, functions and host objects; it is not int/float numeric equality.
    friend bool operator==(const gmValue& a, const gmValue& b) {
        return a.type_ == b.type_ && a.payload_ == b.payload_;
    }

    // A 32-bit word in what would otherwise be alignment padding. It is no part of the value: equality,
    // hashing and truth ignore it, and assignFields leaves it alone. A table node keeps its chain link
    // in its key's spare word (gmTable.h), which is what makes a node 32 bytes instead of 40.
    constexpr int32_t getSpareWord() const { return spare_; }
    constexpr void setSpareWord(int32_t word) { spare_ = word; }

  private:
    constexpr gmValue(int32_t type, uint64_t payload) : type_(type), payload_(payload) {}

    int32_t type_ = kGmNull;
    int32_t spare_ = 0;  // see getSpareWord
    uint64_t payload_ = 0;
};

static_assert(sizeof(gmValue) == 16, "a type id and an 8-byte payload");
