// Everything scripts can see: the types in registration order, the global functions, the
// global objects and the constants. Registration is a loop over these lists.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Engine/ScriptAPI/ScriptBinding.h"

class GmScriptModule;

struct ScriptConstant {
    const char* name;
    int32_t intValue;
    float floatValue;
    bool isFloat;
};

std::span<const ScriptTypeTable* const> scriptTypeTables();
std::span<const gmLibraryEntry> scriptGlobalFunctions();
// The global objects' names, in registration order (Input comes later, from the game system).
std::span<const char* const> scriptGlobalObjectNames();
const std::vector<ScriptConstant>& scriptConstants();

// Registers the functions, types, global objects and constants on [module]'s machine.
void registerScriptAPI(GmScriptModule& module);
