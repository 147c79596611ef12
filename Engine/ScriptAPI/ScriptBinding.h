// What every binding shares: the shape of a binding table, finding `this`, argument checks for
// engine objects, and pushing results. The script values that stand for engine objects are the
// host's (ScriptHost/ScriptValues.h).
//
// Naming: a binding is `<type>_<method>` in the file of its type (`entity_getPos`); a type's table
// is `k<Type>Methods` with its entry in the registry (ScriptRegistry.cpp), which registers the
// types in the order of ScriptType.
#pragma once

#include <cstdint>
#include <span>

#include "Engine/ScriptHost/ScriptValues.h"
#include "script/gmArgs.h"
#include "script/gmScriptMachine.h"

struct RealPoint;
class Colour;

// A script-facing function: a method of a type, a constructor or a global function. [forms] is
// what the API reference (docs/api.md, written by tools/tact-api-doc) shows for it: the argument
// forms and the result, such as "(n x, n y) or (REALPOINT) -> nothing", where n is an int or a
// float, i an int, b a bool (an int, non-zero is true) and s a string. [description] says, in a
// line or two for game makers, what it does: units, ranges, and what 0, a missing argument or a
// refused value means (the reference prints it beside the forms). [usage] is the fixed text
// of the error for arguments that fit none of the forms, after the function's quoted name
// (usageError raises it): "expecting parameters (string) or (string,NOTE)". A usage text that
// starts with a quote is the whole message: a few published messages name another function
// (SEQUENCER.restart's names "SEQUENCER", gotoStep16's "gotoStep"), and scripts' logs rely on them.
struct ScriptMethod {
    const char* name;
    gmNativeFunction function;
    const char* forms = nullptr;
    const char* description = nullptr;
    const char* usage = nullptr;
};
// Constructors and global functions have the same shape as methods.
using ScriptFunction = ScriptMethod;

struct ScriptOperator {
    int32_t operatorId;  // kGmOp...
    gmOperatorFunction function;
};

// One script type as scripts see it.
struct ScriptTypeTable {
    ScriptType type;
    const char* name;
    std::span<const ScriptMethod> methods;
    std::span<const ScriptOperator> operators = {};
    std::span<const ScriptFunction> constructors = {};
    gmTraceCallback trace = nullptr;
    gmDestructCallback destruct = nullptr;
    // For the API reference: what the operators do and which members (x, pos...) they read and
    // write; null for a type without operators.
    const char* operatorForms = nullptr;
};

// ---- Finding `this` and engine-object arguments -------------------------------------------

// The engine object behind `this`. When the object is gone, logs "<TYPE> no longer exists" and
// returns null (the binding then returns kRunTimeError).
void* scriptSelf(gmScriptThread* thread);
template <class T>
T* selfAs(gmScriptThread* thread) {
    return static_cast<T*>(scriptSelf(thread));
}

// Argument [index] of [type] whose object is still alive: "expecting param %d as user type %d",
// or "param %d: <TYPE> no longer exists".
void* scriptObjectParam(gmScriptThread* thread, int32_t index, ScriptType type);
template <class T>
bool objectParam(gmScriptThread* thread, int32_t index, ScriptType type, T*& out) {
    out = static_cast<T*>(scriptObjectParam(thread, index, type));
    return out != nullptr;
}
// A REALPOINT argument, copied (for an alias, the point it refers to: "<TYPE> no longer exists"
// when its owner is gone).
bool pointParam(gmScriptThread* thread, int32_t index, RealPoint& out);

// An int (converted) or a float; false for any other value.
bool numberValue(const gmValue& value, float& out);
// The (REALPOINT) or (x, y) forms of a point argument. When neither fits, logs "\"<name>\"
// expecting parameters (REALPOINT) or (<number>,<number>)" with the running function's name and
// [numberForm] as the number's name (float, REAL).
bool pointOrXYParams(gmScriptThread* thread, RealPoint& out, const char* numberForm);

// The trace callback of a value that references no other script object.
bool traceOneUnit(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector,
                  int32_t workLeft, int32_t& workDone);

// Logs a binding's own message (printf style) and returns kRunTimeError for the binding to return.
int scriptError(gmScriptThread* thread, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- Errors that name the running function ----------------------------------------------------
// Registration gives every native its table entry, so a binding's messages find the name (and the
// usage text) of the function the script called, whichever table entry shares the binding.

// The table entry of the native function [thread] is running; null for a native registered
// without one.
const ScriptMethod* runningEntry(gmScriptThread* thread);
// The running function's name as scripts call it ("?" without an entry).
const char* runningName(gmScriptThread* thread);
// "\"<name>\" <usage>": no form of the running function fits the arguments.
int usageError(gmScriptThread* thread);
// "\"<name>\"" followed by the formatted text: "\"setBPM\": 0 is below 1".
int methodError(gmScriptThread* thread, const char* format, ...) __attribute__((format(printf, 2, 3)));
// "\"<name>\" refused the value (not finite or out of range)": the engine kept its old value.
int refusedError(gmScriptThread* thread);

// Pushing results.
inline int pushPoint(gmScriptThread* thread, const RealPoint& point) {
    thread->push(newPointValue(thread->getMachine(), point));
    return kDone;
}
inline int pushBool(gmScriptThread* thread, bool value) {
    thread->pushInt(value ? 1 : 0);
    return kDone;
}
int pushText(gmScriptThread* thread, const char* text);
