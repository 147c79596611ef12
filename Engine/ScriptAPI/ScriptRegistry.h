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
    // What the constant stands for, for the reference.
    const char* description = nullptr;
};

// The engine object behind a global object, and the slot that keeps its script value (null for
// objects that are not engine classes and outlive the machine: Logger, AIHelper, GameBoard).
struct ScriptGlobalTarget {
    void* object;
    ScriptHandleSlot* slot;
};

struct ScriptGlobalObject {
    const char* name;
    ScriptType type;
    // Finds the object on [module]'s game system.
    ScriptGlobalTarget (*find)(GmScriptModule& module) = nullptr;
    // What the object is, for the reference.
    const char* description = nullptr;
};

std::span<const ScriptTypeTable* const> scriptTypeTables();
std::span<const ScriptFunction> scriptGlobalFunctions();
// The global objects in registration order. The last, Input, is set again by the script module
// whenever the input module that scripts see changes (GmScriptModule::setInputGlobal).
std::span<const ScriptGlobalObject> scriptGlobalObjects();
const std::vector<ScriptConstant>& scriptConstants();

// Registers the global functions and the types with their constructors on [machine], giving the
// types their ids; registerScriptAPI starts with it. Tools that only describe the API (the
// reference writer) use it on a machine of their own.
void registerScriptFunctionsAndTypes(gmScriptMachine& machine);
// Registers the functions, types, global objects and constants on [module]'s machine.
void registerScriptAPI(GmScriptModule& module);
