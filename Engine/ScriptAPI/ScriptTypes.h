// The binding table of every script type, each defined in the binding file of its type (one file
// per type or small group of types: every script-facing name of a type is in one place). The list
// of types is ScriptHost/ScriptTypeList.h.
#pragma once

#include "Engine/ScriptAPI/ScriptBinding.h"

#define TACT_SCRIPT_TYPE_TABLE(type, table) extern const ScriptTypeTable table;
TACT_SCRIPT_TYPES(TACT_SCRIPT_TYPE_TABLE)
#undef TACT_SCRIPT_TYPE_TABLE

// The global functions (GlobalFunctions.cpp), in registration order.
extern const std::span<const ScriptFunction> kGlobalFunctions;
