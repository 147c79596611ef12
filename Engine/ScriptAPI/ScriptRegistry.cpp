#include "Engine/ScriptAPI/ScriptRegistry.h"

#include "Engine/AIHelper.h"
#include "Engine/Assertion.h"
#include "Engine/AudioModule.h"
#include "Engine/ColourManager.h"
#include "Engine/EntityManager.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
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

// Input is last: the script module sets it (setInputGlobal) whenever the input module that scripts
// see changes, so registerScriptAPI leaves it out.
constexpr ScriptGlobalObject kGlobalObjects[] = {
    {"GmScript", ScriptType::GMSCRIPTMODULE},
    {"GameSystem", ScriptType::GAMESYSTEM},
    {"Logger", ScriptType::LOGGER},
    {"Video", ScriptType::VIDEO},
    {"Audio", ScriptType::AUDIO},
    {"EntityManager", ScriptType::ENTITYMANAGER},
    {"ParticleManager", ScriptType::PARTICLEMANAGER},
    {"AIHelper", ScriptType::AIHELPER},
    {"ColourManager", ScriptType::COLOURMANAGER},
    {"GameBoard", ScriptType::GAMEBOARD},
    {"MainSequencer", ScriptType::SEQUENCER},
    {"Input", ScriptType::INPUT},
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
    GameSystem* gameSystem = module.getGameSystem();
    registerScriptFunctionsAndTypes(machine);

    module.registerGlobalObject("GmScript", ScriptType::GMSCRIPTMODULE, static_cast<GmScriptModule*>(&module),
                                module.getScriptHandleSlot());
    module.registerGlobalObject("GameSystem", ScriptType::GAMESYSTEM, gameSystem,
                                gameSystem->getScriptHandleSlot());
    registerPlainGlobal(machine, "Logger", ScriptType::LOGGER, gameSystem->getLogger());
    module.registerGlobalObject("Video", ScriptType::VIDEO, gameSystem->getVideoModule(),
                                gameSystem->getVideoModule()->getScriptHandleSlot());
    module.registerGlobalObject("Audio", ScriptType::AUDIO, gameSystem->getAudioModule(),
                                gameSystem->getAudioModule()->getScriptHandleSlot());
    module.registerGlobalObject("EntityManager", ScriptType::ENTITYMANAGER, gameSystem->getEntityManager(),
                                gameSystem->getEntityManager()->getScriptHandleSlot());
    module.registerGlobalObject("ParticleManager", ScriptType::PARTICLEMANAGER,
                                gameSystem->getParticleManager(),
                                gameSystem->getParticleManager()->getScriptHandleSlot());
    registerPlainGlobal(machine, "AIHelper", ScriptType::AIHELPER, gameSystem->getAIHelper());
    module.registerGlobalObject("ColourManager", ScriptType::COLOURMANAGER, gameSystem->getColourManager(),
                                gameSystem->getColourManager()->getScriptHandleSlot());
    registerPlainGlobal(machine, "GameBoard", ScriptType::GAMEBOARD, gameSystem->getGameBoard());
    module.registerGlobalObject("MainSequencer", ScriptType::SEQUENCER, gameSystem->getMainSequencer(),
                                gameSystem->getMainSequencer()->getScriptHandleSlot());

    for (const ScriptConstant& constant : scriptConstants()) {
        machine.getGlobals()->setField(
            machine, constant.name,
            constant.isFloat ? gmValue::makeFloat(constant.floatValue) : gmValue::makeInt(constant.intValue));
    }
}
