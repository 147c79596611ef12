// The per-type record through which operators, members and host callbacks are found.
#pragma once

#include <cstdint>

#include "script/gmValue.h"

class gmFunction;
class gmHostObject;
class gmScriptThread;
class gmString;
class gmTable;

// What an operator handler reports. The VM turns a status other than kOk into the thread's run-time
// error: kIntDivideByZero -> "integer divide by zero"; kUndefined -> the standard "operator %s
// undefined for type %s and %s" (or the unary form), used when a handler is reached with operands
// it cannot take; kError -> the handler has logged its own message.
enum class gmOperatorStatus : int32_t {
    kOk = 0,
    kIntDivideByZero,
    kUndefined,
    kError,
};

// A native operator. [operands] is a run of values on the thread's stack (any array outside the
// VM); the handler writes its result into operands[0]. Layouts: binary operators, getdot and getind
// [left or object, right or key]; unary operators (neg, pos, not, bitinv, bool) [operand]; setind
// [object, key, value]; setdot [object, value, member name] (note the different order). setdot and
// setind write no result. [thread] is null when the handler is called outside the VM. Operands held
// only in a C++ array must be kept reachable by the caller: a handler may allocate (string add), and
// an allocation may run a collection step.
using gmOperatorFunction = gmOperatorStatus (*)(gmScriptMachine& machine, gmScriptThread* thread,
                                                gmValue* operands);

// Greys what [object] references (collector.markObject / markValue), adds its work to [workDone]
// and returns true when done (false: call again next increment). See gmHeapObject::traceReferences.
using gmTraceCallback = bool (*)(gmScriptMachine& machine, gmHostObject* object,
                                 gmGarbageCollector& collector, int32_t workLeft, int32_t& workDone);
// Called once when a host object of the type is freed (while its destruct-pending flag is set). It
// must not rely on other script objects still existing: the collector frees garbage in any order.
using gmDestructCallback = void (*)(gmScriptMachine& machine, gmHostObject* object);
// Writes the printed form of [object] into [buffer] (NUL-terminated, at most [bufferSize] bytes).
using gmAsStringCallback = void (*)(gmScriptMachine& machine, gmHostObject* object, char* buffer,
                                    int32_t bufferSize);

// One per type id, owned by the machine. The VM dispatches an operator through nativeOperators
// first and falls back to scriptOperators.
struct gmTypeRecord {
    gmString* name = nullptr;  // permanent
    gmOperatorFunction nativeOperators[kGmOpCount] = {};
    gmFunction* scriptOperators[kGmOpCount] = {};
    gmTable* members = nullptr;  // a root: traced at every root scan
    gmDestructCallback destruct = nullptr;
    gmTraceCallback trace = nullptr;
    gmAsStringCallback asString = nullptr;
};
