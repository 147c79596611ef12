// Script functions: compiled bytecode with its constants, or a native (host) function.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "script/gmBlockHeap.h"
#include "script/gmHeapObject.h"
#include "script/gmValue.h"

class gmScriptThread;
class gmString;

// A native function reads its arguments from the thread's stack and returns a status code (the VM's:
// 0 done, -1 run-time error, -2 yield, -3 block, -4 sleep, -5 kill, -6 re-dispatch).
using gmNativeFunction = int (*)(gmScriptThread* thread);

// One entry of a function's line table: the source line of the code from [codeOffset] (in bytes from
// the start of the code, like jump operands) up to the next entry.
struct gmLineInfo {
    int32_t codeOffset = 0;
    int32_t line = 0;
    friend bool operator==(const gmLineInfo&, const gmLineInfo&) = default;
};

// The contents of a script function with its constants already made into machine values. The
// compiler's and the library loader's records (gmCompiledFunction: constants as texts and function
// ids) become this once their strings are interned and their nested functions exist.
//
// Object operands. A code word is 32 bits and cannot hold an object pointer, so every operand that
// refers to an object -- the name of getdot, setdot, getglobal, setglobal, getthismember,
// setthismember, the string of pushstring, the function of pushfunction -- is an index into
// [constants]. The function keeps every constant alive (the collector traces them). Names used as
// member and global operands are normally permanent strings; string constants ordinary interned
// strings; function constants the gmFunction objects of nested functions (made first, since nested
// functions are finished before the function that contains them).
struct gmFunctionContents {
    std::vector<uint32_t> code;           // instruction words
    std::vector<gmValue> constants;       // referenced strings and functions, by operand index
    int32_t numParams = 0;                // p: parameters are locals 0 .. p-1
    int32_t numLocals = 0;                // l: locals beyond the parameters
    int32_t maxStackSize = 0;             // maximum expression-stack depth of the code
    std::vector<gmLineInfo> lineInfo;     // sorted by code offset, equal consecutive lines merged
    std::string debugName;                // empty: none
    std::vector<std::string> localNames;  // by slot, parameters first; empty names for unknown ones
    std::string sourceName;               // the file compiled; empty: unknown
};

// A gmFunction is made by gmScriptMachine::newFunction (empty), createFunction (from a compiled
// record) or createNativeFunction. Its code, constants and line table live in the machine's
// gmBlockHeap, so they count towards memory usage. Charged kChargeBytes to the object bytes.
class gmFunction final : public gmHeapObject {
  public:
    static constexpr int32_t kChargeBytes = 60;

    // Fills an empty function from [compiled] (the library loader makes all its functions empty
    // first, then fills them, so functions can refer to each other in any order). Collection is
    // switched off meanwhile; during a collection cycle every constant is marked, because this
    // function may already be black. Replaces any earlier contents.
    void initScript(gmScriptMachine& machine, const gmFunctionContents& compiled);

    bool isNative() const { return native_ != nullptr; }
    gmNativeFunction getNativeFunction() const { return native_; }
    void* getNativeUserData() const { return nativeUserData_; }

    const uint32_t* getCode() const { return code_.data(); }
    int32_t getCodeWordCount() const { return static_cast<int32_t>(code_.size()); }
    int32_t getCodeByteCount() const { return static_cast<int32_t>(code_.size() * sizeof(uint32_t)); }
    // The constant behind an object operand; null for an index out of range.
    gmValue getConstant(int32_t index) const {
        return index >= 0 && index < static_cast<int32_t>(constants_.size())
                   ? constants_[static_cast<std::size_t>(index)]
                   : gmValue();
    }
    int32_t getConstantCount() const { return static_cast<int32_t>(constants_.size()); }
    // The constants in index order (getConstantCount() of them); they never change once the
    // function exists, so the VM keeps this pointer while the function runs.
    const gmValue* getConstants() const { return constants_.data(); }
    int32_t getNumParams() const { return numParams_; }
    int32_t getNumLocals() const { return numLocals_; }
    int32_t getNumParamsLocals() const { return numParams_ + numLocals_; }
    int32_t getMaxStackSize() const { return maxStackSize_; }
    int32_t getLineInfoCount() const { return static_cast<int32_t>(lineInfo_.size()); }
    const gmLineInfo* getLineInfo() const { return lineInfo_.data(); }
    // The line of the last entry whose offset is not above [codeOffset]; the first entry's line when
    // there is none; 0 without a line table.
    int32_t getLineFromOffset(int32_t codeOffset) const;
    // Null when the function has no debug name.
    gmString* getDebugName() const { return debugName_; }
    // The name of local [slot] (parameters first); empty when unknown. For error reports only.
    const std::string& getLocalName(int32_t slot) const;
    // The file the function was compiled from; empty when unknown.
    const std::string& getSourceName() const { return sourceName_; }

    // The execution loop's own copy of the code: the same words at the same offsets, except that
    // every opcode word is a fast opcode, and the one of some instruction runs a fused opcode that
    // executes the whole run at once (gmFastCode.h). Null until the loop first enters the function; dropped
    // whenever the code changes. A cache, not part of the function: it is not charged to the
    // machine's memory, so it cannot change when collections run.
    const uint32_t* getFastCode() const { return fastCode_.empty() ? nullptr : fastCode_.data(); }
    void setFastCode(std::vector<uint32_t> fastCode) { fastCode_ = std::move(fastCode); }

    void destroyObject(gmScriptMachine& machine) override;
    // Marks every reference constant and the debug name; work = 1 + the number of them.
    bool traceReferences(gmScriptMachine& machine, gmGarbageCollector& collector, int32_t workLeft,
                         int32_t& workDone) override;
    int32_t getTypeId() const override { return kGmFunction; }

  private:
    friend class gmScriptMachine;

    explicit gmFunction(gmBlockHeap* heap)
        : code_(gmBlockAllocator<uint32_t>(heap)),
          constants_(gmBlockAllocator<gmValue>(heap)),
          lineInfo_(gmBlockAllocator<gmLineInfo>(heap)) {}
    ~gmFunction() = default;

    std::vector<uint32_t, gmBlockAllocator<uint32_t>> code_;
    std::vector<gmValue, gmBlockAllocator<gmValue>> constants_;
    std::vector<gmLineInfo, gmBlockAllocator<gmLineInfo>> lineInfo_;
    std::vector<uint32_t> fastCode_;  // see getFastCode
    int32_t numParams_ = 0;
    int32_t numLocals_ = 0;
    int32_t maxStackSize_ = 0;
    gmString* debugName_ = nullptr;
    // Error-report facts, not charged to the machine's memory so that they cannot change when
    // collections run.
    std::vector<std::string> localNames_;
    std::string sourceName_;
    gmNativeFunction native_ = nullptr;
    void* nativeUserData_ = nullptr;
};

inline gmValue gmValue::makeFunction(const gmFunction* function) {
    return makeReference(kGmFunction, function);
}
inline gmFunction* gmValue::getFunction() const {
    return static_cast<gmFunction*>(getObject());
}
