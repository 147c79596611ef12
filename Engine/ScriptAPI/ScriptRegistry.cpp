#include "Engine/ScriptAPI/ScriptRegistry.h"

#include "Engine/AIHelper.h"
#include "Engine/Assertion.h"
#include "Engine/AudioModule.h"
#include "Engine/ColourManager.h"
#include "Engine/EntityManager.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/InputModule.h"
#include "Engine/Logger.h"
#include "Engine/ParticleManager.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "Engine/Sequencer.h"
#include "Engine/VideoModule.h"

namespace {
constexpr const ScriptTypeTable* kTypeTables[] = {
#define TACT_SCRIPT_TYPE_ADDRESS(type, table) &table,
    TACT_SCRIPT_TYPES(TACT_SCRIPT_TYPE_ADDRESS)
#undef TACT_SCRIPT_TYPE_ADDRESS
};
static_assert(std::size(kTypeTables) == static_cast<std::size_t>(ScriptType::Count));

// The engine object [Get] returns from the game system, with its own script handle slot.
template <auto Get>
ScriptGlobalTarget moduleTarget(GmScriptModule& module) {
    auto* object = (module.getGameSystem()->*Get)();
    return {object, &object->getScriptHandleSlot()};
}
// An object that is not an engine class (no script handle of its own) and outlives the machine.
template <auto Get>
ScriptGlobalTarget plainTarget(GmScriptModule& module) {
    return {(module.getGameSystem()->*Get)(), nullptr};
}
ScriptGlobalTarget scriptModuleTarget(GmScriptModule& module) {
    return {&module, &module.getScriptHandleSlot()};
}
// The real input module until the game system makes another active; null without one.
ScriptGlobalTarget inputTarget(GmScriptModule& module) {
    InputModule* input = module.getGameSystem()->getInputModule();
    if (input == nullptr)
        input = module.getGameSystem()->getRealInputModule();
    return {input, input != nullptr ? &input->getScriptHandleSlot() : nullptr};
}
ScriptGlobalTarget gameSystemTarget(GmScriptModule& module) {
    return {module.getGameSystem(), &module.getGameSystem()->getScriptHandleSlot()};
}

// Input is last: registration sets it to the input module the game system has active, and the
// script module sets it again (setInputGlobal) whenever the input module that scripts see changes.
constexpr ScriptGlobalObject kGlobalObjects[] = {
    {"GmScript", ScriptType::GMSCRIPTMODULE, scriptModuleTarget,
     "The script module: loads further script files (loadScript)."},
    {"GameSystem", ScriptType::GAMESYSTEM, gameSystemTarget,
     "The game itself: processes, pause, ticks, the console, the log (trace) and its own random numbers. "
     "SHAPE and SEQUENCER take it as their last argument."},
    {"Logger", ScriptType::LOGGER, plainTarget<&GameSystem::getLogger>,
     "The engine's log: read it (getOutput), write to it (logText) or save it to a file (outputToFile)."},
    {"Video", ScriptType::VIDEO, moduleTarget<&GameSystem::getVideoModule>,
     "The window and drawing: views, camera, colours, shapes, textures and text; use it in draw, drawAlpha, "
     "preDraw and postDraw."},
    {"Audio", ScriptType::AUDIO, moduleTarget<&GameSystem::getAudioModule>,
     "The sampler: loads sounds and plays them as voices at a note, pan, volume and gate time."},
    {"EntityManager", ScriptType::ENTITYMANAGER, moduleTarget<&GameSystem::getEntityManager>,
     "Makes entities and finds them: by id, by type, players, or near a place."},
    {"ParticleManager", ScriptType::PARTICLEMANAGER, moduleTarget<&GameSystem::getParticleManager>,
     "Makes particles and lists them."},
    {"AIHelper", ScriptType::AIHELPER, plainTarget<&GameSystem::getAIHelper>,
     "Ready-made steering and targeting for entities: face a direction or another entity, lead a target, "
     "find the nearest."},
    {"ColourManager", ScriptType::COLOURMANAGER, moduleTarget<&GameSystem::getColourManager>,
     "The table of named colours, read from colours.dat in the game folder; Video.setColour and clear look "
     "names up in it."},
    {"GameBoard", ScriptType::GAMEBOARD, plainTarget<&GameSystem::getGameBoard>,
     "The play area: a rectangle in board units, by default from (-2399, -1339) to (2399, 1339)."},
    {"MainSequencer", ScriptType::SEQUENCER, moduleTarget<&GameSystem::getMainSequencer>,
     "The game's sequencer, started with the game: 120 BPM, 32 steps a pattern, a loop of 1 pattern."},
    {"Input", ScriptType::INPUT, inputTarget,
     "Keys, joystick and mouse; in a process without the input focus it reads no key as pressed."},
};

// The machine registers global functions from library entries.
void registerFunctions(gmScriptMachine& machine, std::span<const ScriptFunction> functions) {
    std::vector<gmLibraryEntry> entries;
    entries.reserve(functions.size());
    for (const ScriptFunction& function : functions)
        entries.push_back({function.name, function.function, const_cast<ScriptFunction*>(&function)});
    machine.registerGlobalFunctions(entries.data(), static_cast<int32_t>(entries.size()));
}

void registerType(gmScriptMachine& machine, const ScriptTypeTable& table) {
    const int32_t id = machine.createUserType(table.name);
    // Every binding finds a type's id from its place in the list: the machine must agree.
    TACT_ASSERT(id == scriptTypeId(table.type), "id == scriptTypeId(table.type)");
    for (const ScriptMethod& method : table.methods) {
        machine.setTypeMember(id, method.name,
                              gmValue::makeFunction(machine.createNativeFunction(
                                  method.function, const_cast<ScriptMethod*>(&method), method.name)));
    }
    for (const ScriptOperator& op : table.operators)
        machine.setTypeOperator(id, op.operatorId, nullptr, op.function);
    registerFunctions(machine, table.constructors);
    if (table.trace != nullptr || table.destruct != nullptr)
        machine.setTypeCallbacks(id, table.trace, table.destruct, nullptr);
}

// Objects that are not engine classes (no script handle of their own) and outlive the machine.
void registerPlainGlobal(gmScriptMachine& machine, const char* name, ScriptType type, void* object) {
    gmHostObject* handle = machine.newHostObject(object, scriptTypeId(type));
    handle->setDestructPending(false);
    machine.getGlobals()->setField(machine, name, gmValue::makeHostObject(handle));
}
}  // namespace

std::span<const ScriptTypeTable* const> scriptTypeTables() {
    return kTypeTables;
}
std::span<const ScriptFunction> scriptGlobalFunctions() {
    return kGlobalFunctions;
}
std::span<const ScriptGlobalObject> scriptGlobalObjects() {
    return kGlobalObjects;
}

void registerScriptFunctionsAndTypes(gmScriptMachine& machine) {
    registerFunctions(machine, kGlobalFunctions);
    for (const ScriptTypeTable* table : kTypeTables) registerType(machine, *table);
}

void registerScriptAPI(GmScriptModule& module) {
    gmScriptMachine& machine = module.getMachine();
    registerScriptFunctionsAndTypes(machine);

    for (const ScriptGlobalObject& global : kGlobalObjects) {
        if (global.find == nullptr)
            continue;
        const ScriptGlobalTarget target = global.find(module);
        if (target.object == nullptr)
            continue;
        if (target.slot != nullptr)
            module.registerGlobalObject(global.name, global.type, target.object, *target.slot);
        else
            registerPlainGlobal(machine, global.name, global.type, target.object);
    }

    for (const ScriptConstant& constant : scriptConstants()) {
        machine.getGlobals()->setField(
            machine, constant.name,
            constant.isFloat ? gmValue::makeFloat(constant.floatValue) : gmValue::makeInt(constant.intValue));
    }
}
