// What every binding shares: the script types and their ids, the shape of a binding table,
// finding `this`, argument checks for engine objects, and the script values that stand for
// engine objects.
//
// Naming: a binding is `<type>_<method>` in the file of its type (`entity_getPos`); a type's table
// is `k<Type>Methods` with its entry in the registry (ScriptRegistry.cpp), which registers the
// types in the order of ScriptType.
#pragma once

#include <cstdint>
#include <span>

#include "Engine/ScriptHandleSlot.h"
#include "script/gmArgs.h"
#include "script/gmScriptMachine.h"

struct RealPoint;
class Colour;

// The script types, in the order they are registered (their ids follow one another from 7).
enum class ScriptType : int32_t {
    REALPOINT,
    ALARM,
    LFO,
    SEQUENCER,
    SEQUENCERACTION,
    SEQUENCERTRIGGER,
    ENTITYLISTREFCONTAINER,
    PROCESSLISTREFCONTAINER,
    SEQUENCERTRIGGERLISTREFCONTAINER,
    PRINTINFO,
    COLOUR,
    SHAPE,
    SHAPEVERTEX,
    GMSCRIPTMODULE,
    GAMESYSTEM,
    LOGGER,
    INPUT,
    VIDEO,
    AUDIO,
    ENTITYMANAGER,
    ENTITY,
    PARTICLEMANAGER,
    PARTICLE,
    PHYSICSDATA,
    PROCESS,
    AIHELPER,
    COLOURMANAGER,
    GAMEBOARD,
    Count
};

// The id the machine gave [type] (registration stores it).
int32_t scriptTypeId(ScriptType type);
void setScriptTypeId(ScriptType type, int32_t id);

// A script-facing function: a method of a type, a constructor or a global function. [forms] is
// what the API reference (docs/api.md, written by tools/tact-api-doc) shows for it: the argument
// forms and the result, such as "(n x, n y) or (REALPOINT) -> nothing", where n is an int or a
// float, i an int, b a bool (an int, non-zero is true) and s a string.
struct ScriptMethod {
    const char* name;
    gmNativeFunction function;
    const char* forms = nullptr;
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
// A REALPOINT argument, copied.
bool pointParam(gmScriptThread* thread, int32_t index, RealPoint& out);

// An int (converted) or a float; false for any other value.
bool numberValue(const gmValue& value, float& out);
// The (REALPOINT) or (x, y) forms of a point argument of [method]. When neither fits, logs
// "\"<method>\" expecting parameters (REALPOINT) or (<number>,<number>)" with [numberForm] as the
// number's name (float, REAL).
bool pointOrXYParams(gmScriptThread* thread, RealPoint& out, const char* method, const char* numberForm);

// The trace callback of a value that references no other script object.
bool traceOneUnit(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector,
                  int32_t workLeft, int32_t& workDone);

// Logs a binding's own message (printf style) and returns kRunTimeError for the binding to return.
int scriptError(gmScriptThread* thread, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- Values for engine objects -------------------------------------------------------------

// A value the script owns: freeing it frees the engine object (through the type's destruct
// callback). An engine object handed to scripts this way still tells the value when it dies.
inline constexpr uint8_t kScriptOwnedFlag = 1;

// The value standing for an object the engine keeps (an entity, a process, a body, a global
// module...). One value per object at a time, reused while the script holds it; when the object
// dies the value stays but calls on it are errors. Null for a null [object].
gmValue scriptReference(gmScriptMachine& machine, ScriptType type, void* object, ScriptHandleSlot& slot);
template <class T>
gmValue referenceTo(gmScriptMachine& machine, ScriptType type, T* object) {
    return object != nullptr ? scriptReference(machine, type, object, object->getScriptHandleSlot())
                             : gmValue();
}
// A new value that owns [object] (made by a constructor).
gmValue scriptOwned(gmScriptMachine& machine, ScriptType type, void* object, ScriptHandleSlot* slot);
template <class T>
gmValue ownedValue(gmScriptMachine& machine, ScriptType type, T* object) {
    return scriptOwned(machine, type, object, &object->getScriptHandleSlot());
}
// An owned value that becomes the engine's (addLFO): freeing the value no longer frees it.
void releaseOwnership(gmHostObject* object);
bool isScriptOwned(const gmHostObject* object);

// The destruct callback of a type whose values stand for engine objects of class T: cuts the tie
// between value and object, and deletes the object when the value owned it.
template <class T>
void destructHandle(gmScriptMachine&, gmHostObject* object) {
    T* target = static_cast<T*>(object->getHostPointer());
    if (target == nullptr)
        return;
    if (target->getScriptHandleSlot().get() == object)
        target->getScriptHandleSlot().set(nullptr);
    if (isScriptOwned(object))
        delete target;
}

// Installs the hook through which dying engine objects cut their values off.
void installScriptHandleHook();

// ---- Owned value types ----------------------------------------------------------------------

// New REALPOINT and COLOUR values owned by the script.
gmValue newPointValue(gmScriptMachine& machine, const RealPoint& point);
gmValue newColourValue(gmScriptMachine& machine, const Colour& colour);

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
