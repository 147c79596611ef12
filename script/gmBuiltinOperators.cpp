#include "script/gmBuiltinOperators.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "script/gmIntText.h"
#include "script/gmScriptMachine.h"

namespace {
using Status = gmOperatorStatus;

// ---------------------------------------------------------------------------------------------
// int
// ---------------------------------------------------------------------------------------------

// The int rule: compute on the payloads, write only operand 0's payload (its type id stays).
template <class Op>
Status intBinary(gmValue* operands, Op op) {
    const uint32_t a = operands[0].getPayload32();
    const uint32_t b = operands[1].getPayload32();
    operands[0].setPayload32(op(a, b));
    return Status::kOk;
}

Status intAdd(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a + b; });
}
Status intSub(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a - b; });
}
Status intMul(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a * b; });
}
Status intDiv(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    const int32_t a = o[0].getInt();
    const int32_t b = o[1].getInt();
    if (b == 0)
        return Status::kIntDivideByZero;
    const int32_t result = (b == -1) ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : a / b;
    o[0].setPayload32(static_cast<uint32_t>(result));
    return Status::kOk;
}
Status intMod(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    const int32_t a = o[0].getInt();
    const int32_t b = o[1].getInt();
    if (b == 0)
        return Status::kIntDivideByZero;
    const int32_t result = (b == -1) ? 0 : a % b;
    o[0].setPayload32(static_cast<uint32_t>(result));
    return Status::kOk;
}
Status intBitOr(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a | b; });
}
Status intBitXor(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a ^ b; });
}
Status intBitAnd(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a & b; });
}
Status intShiftLeft(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return a << (b & 31u); });
}
Status intShiftRight(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) {
        return static_cast<uint32_t>(static_cast<int32_t>(a) >> (b & 31u));
    });
}
Status intLt(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) {
        return uint32_t{static_cast<int32_t>(a) < static_cast<int32_t>(b)};
    });
}
Status intGt(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) {
        return uint32_t{static_cast<int32_t>(a) > static_cast<int32_t>(b)};
    });
}
Status intLte(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) {
        return uint32_t{static_cast<int32_t>(a) <= static_cast<int32_t>(b)};
    });
}
Status intGte(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) {
        return uint32_t{static_cast<int32_t>(a) >= static_cast<int32_t>(b)};
    });
}
Status intEq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return uint32_t{a == b}; });
}
Status intNeq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return intBinary(o, [](uint32_t a, uint32_t b) { return uint32_t{a != b}; });
}
Status intBitInv(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0].setPayload32(~o[0].getPayload32());
    return Status::kOk;
}
Status intNeg(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0].setPayload32(0u - o[0].getPayload32());
    return Status::kOk;
}
Status intPos(gmScriptMachine&, gmScriptThread*, gmValue*) {
    return Status::kOk;
}
Status intNot(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0].setPayload32(o[0].getPayload32() == 0 ? 1u : 0u);
    return Status::kOk;
}

// ---------------------------------------------------------------------------------------------
// float
// ---------------------------------------------------------------------------------------------

float asFloat(const gmValue& value) {
    return value.isInt() ? static_cast<float>(value.getInt()) : value.getFloat();
}

template <class Op>
Status floatArithmetic(gmValue* operands, Op op) {
    operands[0] = gmValue::makeFloat(op(asFloat(operands[0]), asFloat(operands[1])));
    return Status::kOk;
}
template <class Op>
Status floatCompare(gmValue* operands, Op op) {
    operands[0] = gmValue::makeInt(op(asFloat(operands[0]), asFloat(operands[1])) ? 1 : 0);
    return Status::kOk;
}

Status floatAdd(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatArithmetic(o, [](float a, float b) { return a + b; });
}
Status floatSub(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatArithmetic(o, [](float a, float b) { return a - b; });
}
Status floatMul(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatArithmetic(o, [](float a, float b) { return a * b; });
}
Status floatDiv(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    // IEEE division: x / 0.0 is an infinity (or NaN for 0 / 0), not an error.
    return floatArithmetic(o, [](float a, float b) {
        if (b == 0.0f) {
            if (a != a || a == 0.0f)
                return std::numeric_limits<float>::quiet_NaN();
            return (std::signbit(a) != std::signbit(b)) ? -std::numeric_limits<float>::infinity()
                                                        : std::numeric_limits<float>::infinity();
        }
        return a / b;
    });
}
Status floatMod(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatArithmetic(o, [](float a, float b) {
        return static_cast<float>(std::fmod(static_cast<double>(a), static_cast<double>(b)));
    });
}
Status floatLt(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatCompare(o, [](float a, float b) { return a < b; });
}
Status floatGt(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatCompare(o, [](float a, float b) { return a > b; });
}
Status floatLte(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatCompare(o, [](float a, float b) { return a <= b; });
}
Status floatGte(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatCompare(o, [](float a, float b) { return a >= b; });
}
Status floatEq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatCompare(o, [](float a, float b) { return a == b; });
}
Status floatNeq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return floatCompare(o, [](float a, float b) { return a != b; });
}
Status floatNeg(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeFloat(-asFloat(o[0]));
    return Status::kOk;
}
Status floatPos(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeFloat(asFloat(o[0]));
    return Status::kOk;
}
Status floatNot(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeInt(asFloat(o[0]) == 0.0f ? 1 : 0);
    return Status::kOk;
}

// ---------------------------------------------------------------------------------------------
// string
// ---------------------------------------------------------------------------------------------

// An operand converted to text for string add and the string comparisons. Numbers are printed into
// [buffer]: "%f" of the largest float is 46 characters.
class OperandText {
  public:
    explicit OperandText(const gmValue& value) {
        if (value.isString()) {
            string_ = value.getString();
            text_ = string_->getText();
            length_ = string_->getLength();
        } else if (value.isInt()) {
            length_ = gmFormatInt(value.getInt(), buffer_);
        } else if (value.isFloat()) {
            length_ = std::snprintf(buffer_, sizeof(buffer_), "%f", static_cast<double>(value.getFloat()));
        } else {
            text_ = "null";
            length_ = 4;
        }
    }
    const char* getText() const { return text_; }
    int32_t getLength() const { return length_; }
    uint32_t getHash() const {
        return string_ != nullptr ? string_->getHash() : gmStringTable::hashText(text_, length_);
    }

  private:
    char buffer_[64];
    const gmString* string_ = nullptr;
    const char* text_ = buffer_;
    int32_t length_ = 0;
};

Status concatenate(gmScriptMachine& machine, gmValue* o, bool detached) {
    const OperandText left(o[0]);
    const OperandText right(o[1]);
    const int64_t total = static_cast<int64_t>(left.getLength()) + right.getLength();
    if (total > machine.getMaxStringLength()) {
        machine.getErrorLog().addEntry("string too long");
        return Status::kError;
    }
    const int32_t length = static_cast<int32_t>(total);
    // Short results are built on the stack; longer ones in a block of the machine's heap.
    constexpr int32_t kStackBufferSize = 512;
    char stackBuffer[kStackBufferSize];
    gmBlockHeap& heap = machine.getBlockHeap();
    char* buffer = length < kStackBufferSize
                       ? stackBuffer
                       : static_cast<char*>(heap.allocate(static_cast<std::size_t>(length) + 1));
    std::memcpy(buffer, left.getText(), static_cast<std::size_t>(left.getLength()));
    std::memcpy(buffer + left.getLength(), right.getText(), static_cast<std::size_t>(right.getLength()));
    buffer[length] = '\0';
    // Interning may run a collection step: the operands are no longer needed by then.
    const uint32_t hash = gmStringTable::hashJoined(left.getHash(), right.getHash(), right.getLength());
    gmString* result = detached ? machine.makeDetachedString(buffer, length, hash)
                                : machine.internHashedString(buffer, length, hash);
    if (buffer != stackBuffer)
        heap.free(buffer);
    // A detached left operand was the previous add's result in a chain, read by this add alone.
    if (o[0].isString() && o[0].getString()->isDetached())
        machine.releaseDetachedString(o[0].getString());
    o[0] = gmValue::makeString(result);
    return Status::kOk;
}

Status stringAdd(gmScriptMachine& machine, gmScriptThread*, gmValue* o) {
    return concatenate(machine, o, false);
}

template <class Op>
Status stringCompare(gmValue* operands, Op op) {
    const OperandText left(operands[0]);
    const OperandText right(operands[1]);
    // Bytewise as unsigned bytes up to the NUL: strcmp's order.
    operands[0] = gmValue::makeInt(op(std::strcmp(left.getText(), right.getText())) ? 1 : 0);
    return Status::kOk;
}

Status stringLt(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return stringCompare(o, [](int c) { return c < 0; });
}
Status stringGt(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return stringCompare(o, [](int c) { return c > 0; });
}
Status stringLte(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return stringCompare(o, [](int c) { return c <= 0; });
}
Status stringGte(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    return stringCompare(o, [](int c) { return c >= 0; });
}
// Two interned strings have equal texts exactly when they are one object.
bool bothInterned(const gmValue* o) {
    return o[0].isString() && o[1].isString() && !o[0].getString()->isDetached() &&
           !o[1].getString()->isDetached();
}
Status stringEq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    if (bothInterned(o)) {
        o[0] = gmValue::makeInt(o[0].getString() == o[1].getString() ? 1 : 0);
        return Status::kOk;
    }
    return stringCompare(o, [](int c) { return c == 0; });
}
Status stringNeq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    if (bothInterned(o)) {
        o[0] = gmValue::makeInt(o[0].getString() != o[1].getString() ? 1 : 0);
        return Status::kOk;
    }
    return stringCompare(o, [](int c) { return c != 0; });
}
Status stringNot(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeInt(0);
    return Status::kOk;
}

// ---------------------------------------------------------------------------------------------
// table
// ---------------------------------------------------------------------------------------------

Status tableGet(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    if (!o[0].isTable())
        return Status::kUndefined;
    o[0] = o[0].getTable()->get(o[1]);
    return Status::kOk;
}
Status tableSetDot(gmScriptMachine& machine, gmScriptThread*, gmValue* o) {
    if (!o[0].isTable())
        return Status::kUndefined;
    o[0].getTable()->set(machine, o[2], o[1]);
    return Status::kOk;
}
Status tableSetInd(gmScriptMachine& machine, gmScriptThread*, gmValue* o) {
    if (!o[0].isTable())
        return Status::kUndefined;
    o[0].getTable()->set(machine, o[1], o[2]);
    return Status::kOk;
}

// ---------------------------------------------------------------------------------------------
// generic (null, table, function, host types)
// ---------------------------------------------------------------------------------------------

Status genericEq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeInt(o[0] == o[1] ? 1 : 0);
    return Status::kOk;
}
Status genericNeq(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeInt(o[0] == o[1] ? 0 : 1);
    return Status::kOk;
}
Status genericNot(gmScriptMachine&, gmScriptThread*, gmValue* o) {
    o[0] = gmValue::makeInt(o[0].isNull() ? 1 : 0);
    return Status::kOk;
}

void installGeneric(gmTypeRecord& record) {
    record.nativeOperators[kGmOpEq] = genericEq;
    record.nativeOperators[kGmOpNeq] = genericNeq;
    record.nativeOperators[kGmOpNot] = genericNot;
}
}  // namespace

gmOperatorStatus gmStringAddDetached(gmScriptMachine& machine, gmValue* operands) {
    return concatenate(machine, operands, true);
}

bool gmIsBuiltinStringAdd(gmOperatorFunction handler) {
    return handler == stringAdd;
}

void gmInstallBuiltinOperators(gmTypeRecord& record, int32_t typeId) {
    gmOperatorFunction* ops = record.nativeOperators;
    switch (typeId) {
        case kGmInt:
            ops[kGmOpAdd] = intAdd;
            ops[kGmOpSub] = intSub;
            ops[kGmOpMul] = intMul;
            ops[kGmOpDiv] = intDiv;
            ops[kGmOpMod] = intMod;
            ops[kGmOpBitOr] = intBitOr;
            ops[kGmOpBitXor] = intBitXor;
            ops[kGmOpBitAnd] = intBitAnd;
            ops[kGmOpShiftLeft] = intShiftLeft;
            ops[kGmOpShiftRight] = intShiftRight;
            ops[kGmOpBitInv] = intBitInv;
            ops[kGmOpLt] = intLt;
            ops[kGmOpGt] = intGt;
            ops[kGmOpLte] = intLte;
            ops[kGmOpGte] = intGte;
            ops[kGmOpEq] = intEq;
            ops[kGmOpNeq] = intNeq;
            ops[kGmOpNeg] = intNeg;
            ops[kGmOpPos] = intPos;
            ops[kGmOpNot] = intNot;
            break;
        case kGmFloat:
            ops[kGmOpAdd] = floatAdd;
            ops[kGmOpSub] = floatSub;
            ops[kGmOpMul] = floatMul;
            ops[kGmOpDiv] = floatDiv;
            ops[kGmOpMod] = floatMod;
            ops[kGmOpLt] = floatLt;
            ops[kGmOpGt] = floatGt;
            ops[kGmOpLte] = floatLte;
            ops[kGmOpGte] = floatGte;
            ops[kGmOpEq] = floatEq;
            ops[kGmOpNeq] = floatNeq;
            ops[kGmOpNeg] = floatNeg;
            ops[kGmOpPos] = floatPos;
            ops[kGmOpNot] = floatNot;
            break;
        case kGmString:
            ops[kGmOpAdd] = stringAdd;
            ops[kGmOpLt] = stringLt;
            ops[kGmOpGt] = stringGt;
            ops[kGmOpLte] = stringLte;
            ops[kGmOpGte] = stringGte;
            ops[kGmOpEq] = stringEq;
            ops[kGmOpNeq] = stringNeq;
            ops[kGmOpNot] = stringNot;
            break;
        case kGmTable:
            ops[kGmOpGetDot] = tableGet;
            ops[kGmOpSetDot] = tableSetDot;
            ops[kGmOpGetInd] = tableGet;
            ops[kGmOpSetInd] = tableSetInd;
            installGeneric(record);
            break;
        default:  // null, function and every host type
            installGeneric(record);
            break;
    }
}
