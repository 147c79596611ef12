// The script values that stand for engine objects: references to objects the engine keeps, values
// the script owns, and the REALPOINT and COLOUR values made by the thousand. The script host and
// the bindings both make them.
#pragma once

#include <cstdint>

#include "Engine/MethodArgument.h"
#include "Engine/ScriptHandleSlot.h"
#include "Engine/ScriptHost/ScriptTypeList.h"
#include "script/gmHostObject.h"
#include "script/gmScriptMachine.h"

struct RealPoint;
class Colour;

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

// ---- REALPOINT values ------------------------------------------------------------------------
// A REALPOINT value holds a point of its own (from the pool below), or is an alias: it refers to
// a point of an engine object (a particle's pos, a vertex's texPos), so that `p.vel.x = 0` changes
// the particle. An alias holds its owner's script value (traced, so the value outlives it) and
// resolves the point through it on every read and write: once the owner is gone, a use of the
// alias is the error "<TYPE> no longer exists", and never reaches freed memory.

inline constexpr uint8_t kPointAliasFlag = 2;

struct PointAlias {
    gmHostObject* owner;  // the owner's value: PARTICLE, SHAPEVERTEX...
    // Reads the owner's point into [out], then, given [in], writes [in] to it. False when the
    // owner is gone.
    bool (*access)(gmHostObject* owner, const RealPoint* in, RealPoint& out);
};

// A REALPOINT value that aliases the point [access] reaches through [owner].
gmValue newPointAlias(gmScriptMachine& machine, gmHostObject* owner,
                      bool (*access)(gmHostObject* owner, const RealPoint* in, RealPoint& out));
// The point of a REALPOINT value. False for an alias whose owner is gone, after logging
// "<TYPE> no longer exists" with the owner's type.
bool loadPoint(gmScriptMachine& machine, const gmHostObject* object, RealPoint& out);
// Writes [value] to a REALPOINT value's point; false as loadPoint.
bool storePoint(gmScriptMachine& machine, gmHostObject* object, const RealPoint& value);

// The trace and destruct callbacks of REALPOINT values: an alias marks its owner; an own point
// goes back to its pool.
bool tracePoint(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector,
                int32_t workLeft, int32_t& workDone);
void destructPoint(gmScriptMachine& machine, gmHostObject* object);

// ---- Owned value types ----------------------------------------------------------------------

// New REALPOINT and COLOUR values owned by the script.
gmValue newPointValue(gmScriptMachine& machine, const RealPoint& point);
gmValue newColourValue(gmScriptMachine& machine, const Colour& colour);

// ---- Aliases of engine objects ----------------------------------------------------------------
// A value of a type whose objects the engine reads in place (COLOUR) can also be an alias: it
// stands for an object inside another engine object (a vertex's colour) and reaches it through the
// owner's value on every use, which it keeps alive (traced). scriptSelf and the object-argument
// checks resolve it; once the owner is gone it behaves as a value whose object is gone.

inline constexpr uint8_t kValueAliasFlag = 4;

struct ValueAlias {
    gmHostObject* owner;
    // The object inside [owner]; null when the owner is gone.
    void* (*resolve)(gmHostObject* owner);
};

gmValue newValueAlias(gmScriptMachine& machine, ScriptType type, gmHostObject* owner,
                      void* (*resolve)(gmHostObject* owner));
// The engine object a value of an engine type stands for: its host pointer, or what an alias
// resolves to; null when the object (or the alias's owner) is gone.
void* hostTarget(const gmHostObject* object);
bool isValueAlias(const gmHostObject* object);
// The trace callback of a type with aliases: an alias marks its owner.
bool traceValueAlias(gmScriptMachine& machine, gmHostObject* object, gmGarbageCollector& collector,
                     int32_t workLeft, int32_t& workDone);

// ---- MethodArgument values ------------------------------------------------------------------
// callMethod's arguments and results cross between engine and scripts through these two.

// The script value for [argument]: engine objects as references (the script never deletes a
// process or sequencer handed to it this way), a point as a new REALPOINT, null for none.
gmValue scriptValueOf(gmScriptMachine& machine, const MethodArgument& argument);
// The MethodArgument for [value]: an int, float, string, ENTITY, REALPOINT, PROCESS or SEQUENCER;
// none for any other value and for an engine object that is gone.
MethodArgument methodArgumentOf(gmScriptMachine& machine, const gmValue& value);
