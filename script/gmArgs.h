// Argument checks for native functions. Every message about a native function's arguments comes
// from here, so the library and the engine's bindings word them the same way. Each check that
// fails logs its message to the machine's error log and returns false; the native then returns
// kRunTimeError.
#pragma once

#include <cstdint>

#include "script/gmScriptThread.h"

class gmFunction;
class gmHostObject;
class gmTable;

// At least [count] arguments: "expecting %d param(s)".
bool gmCheckParamCount(gmScriptThread* thread, int32_t count);
// "expecting param %d as int"
bool gmIntParam(gmScriptThread* thread, int32_t index, int32_t& out);
// An int (non-zero is true): "expecting param %d as bool"
bool gmBoolParam(gmScriptThread* thread, int32_t index, bool& out);
// A float only: "expecting param %d as float"
bool gmFloatParam(gmScriptThread* thread, int32_t index, float& out);
// A float, or an int converted: "expecting param %d as float or int"
bool gmFloatOrIntParam(gmScriptThread* thread, int32_t index, float& out);
// "expecting param %d as string"; [out] is the string's text.
bool gmStringParam(gmScriptThread* thread, int32_t index, const char*& out);
// "expecting param %d as table"
bool gmTableParam(gmScriptThread* thread, int32_t index, gmTable*& out);
// "expecting param %d as function"
bool gmFunctionParam(gmScriptThread* thread, int32_t index, gmFunction*& out);
// A host object of [typeId]: "expecting param %d as user type %d"
bool gmUserTypeParam(gmScriptThread* thread, int32_t index, int32_t typeId, gmHostObject*& out);
