#include "Engine/ScriptAPI/ScriptRegistry.h"

#include "Engine/AIHelper.h"
#include "Engine/AudioModule.h"
#include "Engine/ColourManager.h"
#include "Engine/EntityManager.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/GmScriptModule.h"
#include "Engine/Logger.h"
#include "Engine/ParticleManager.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/Sequencer.h"
#include "Engine/VideoModule.h"

namespace {
constexpr const ScriptTypeTable* kTypeTables[] = {
    &kRealPointType,
    &kAlarmType,
    &kLFOType,
    &kSequencerType,
    &kSequencerActionType,
    &kSequencerTriggerType,
    &kEntityListContainerType,
    &kProcessListContainerType,
    &kSequencerTriggerListContainerType,
    &kPrintInfoType,
    &kColourType,
    &kShapeType,
    &kShapeVertexType,
    &kGmScriptModuleType,
    &kGameSystemType,
    &kLoggerType,
    &kInputType,
    &kVideoType,
    &kAudioType,
    &kEntityManagerType,
    &kEntityType,
    &kParticleManagerType,
    &kParticleType,
    &kPhysicsDataType,
    &kProcessType,
    &kAIHelperType,
    &kColourManagerType,
    &kGameBoardType,
};
static_assert(std::size(kTypeTables) == static_cast<std::size_t>(ScriptType::Count));

constexpr const char* kGlobalObjectNames[] = {"GmScript",      "GameSystem",      "Logger",   "Video",
                                              "Audio",         "EntityManager",   "ParticleManager",
                                              "AIHelper",      "ColourManager",   "GameBoard",
                                              "MainSequencer"};

void registerType(gmScriptMachine& machine, const ScriptTypeTable& table) {
    const int32_t id = machine.createUserType(table.name);
    setScriptTypeId(table.type, id);
    for (const ScriptMethod& method : table.methods) {
        machine.setTypeMember(id, method.name,
                              gmValue::makeFunction(machine.createNativeFunction(method.function, nullptr, method.name)));
    }
    for (const ScriptOperator& op : table.operators) machine.setTypeOperator(id, op.operatorId, nullptr, op.function);
    if (!table.constructors.empty()) {
        machine.registerGlobalFunctions(table.constructors.data(), static_cast<int32_t>(table.constructors.size()));
    }
    if (table.trace != nullptr || table.destruct != nullptr) machine.setTypeCallbacks(id, table.trace, table.destruct, nullptr);
}

// Objects that are not engine classes (no script handle of their own) and outlive the machine.
void registerPlainGlobal(gmScriptMachine& machine, const char* name, ScriptType type, void* object) {
    gmHostObject* handle = machine.newHostObject(object, scriptTypeId(type));
    handle->setDestructPending(false);
    machine.getGlobals()->setField(machine, name, gmValue::makeHostObject(handle));
}
}  // namespace

std::span<const ScriptTypeTable* const> scriptTypeTables() { return kTypeTables; }
std::span<const gmLibraryEntry> scriptGlobalFunctions() { return kGlobalFunctions; }
std::span<const char* const> scriptGlobalObjectNames() { return kGlobalObjectNames; }

void registerScriptAPI(GmScriptModule& module) {
    gmScriptMachine& machine = module.getMachine();
    GameSystem* gameSystem = module.getGameSystem();
    machine.registerGlobalFunctions(kGlobalFunctions.data(), static_cast<int32_t>(kGlobalFunctions.size()));
    for (const ScriptTypeTable* table : kTypeTables) registerType(machine, *table);

    module.registerGlobalObject("GmScript", ScriptType::GMSCRIPTMODULE, static_cast<GmScriptModule*>(&module),
                                module.getScriptHandleSlot());
    module.registerGlobalObject("GameSystem", ScriptType::GAMESYSTEM, gameSystem, gameSystem->getScriptHandleSlot());
    registerPlainGlobal(machine, "Logger", ScriptType::LOGGER, gameSystem->getLogger());
    module.registerGlobalObject("Video", ScriptType::VIDEO, gameSystem->getVideoModule(),
                                gameSystem->getVideoModule()->getScriptHandleSlot());
    module.registerGlobalObject("Audio", ScriptType::AUDIO, gameSystem->getAudioModule(),
                                gameSystem->getAudioModule()->getScriptHandleSlot());
    module.registerGlobalObject("EntityManager", ScriptType::ENTITYMANAGER, gameSystem->getEntityManager(),
                                gameSystem->getEntityManager()->getScriptHandleSlot());
    module.registerGlobalObject("ParticleManager", ScriptType::PARTICLEMANAGER, gameSystem->getParticleManager(),
                                gameSystem->getParticleManager()->getScriptHandleSlot());
    registerPlainGlobal(machine, "AIHelper", ScriptType::AIHELPER, gameSystem->getAIHelper());
    module.registerGlobalObject("ColourManager", ScriptType::COLOURMANAGER, gameSystem->getColourManager(),
                                gameSystem->getColourManager()->getScriptHandleSlot());
    registerPlainGlobal(machine, "GameBoard", ScriptType::GAMEBOARD, gameSystem->getGameBoard());
    module.registerGlobalObject("MainSequencer", ScriptType::SEQUENCER, gameSystem->getMainSequencer(),
                                gameSystem->getMainSequencer()->getScriptHandleSlot());

    for (const ScriptConstant& constant : scriptConstants()) {
        machine.getGlobals()->setField(machine, constant.name,
                                       constant.isFloat ? gmValue::makeFloat(constant.floatValue)
                                                        : gmValue::makeInt(constant.intValue));
    }
}
