// GAMESYSTEM (the global GameSystem) and GMSCRIPTMODULE (the global GmScript).
#include "Engine/GameSystem.h"
#include "Engine/Logger.h"
#include "Engine/Process.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptText.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ScriptHost/GmScriptModule.h"

namespace {
GameSystem* system(gmScriptThread* thread) {
    return selfAs<GameSystem>(thread);
}

// ---- GMSCRIPTMODULE ----

int gmscript_setAlwaysReloadScript(gmScriptThread* thread) {
    const char* fileName = nullptr;
    float flag = 0.0f;
    GmScriptModule* module = selfAs<GmScriptModule>(thread);
    if (module == nullptr || !gmCheckParamCount(thread, 2) || !gmStringParam(thread, 0, fileName) ||
        !gmFloatOrIntParam(thread, 1, flag))
        return kRunTimeError;
    module->setAlwaysReloadScript(fileName, static_cast<int>(flag) != 0);
    return kDone;
}

int gmscript_loadScript(gmScriptThread* thread) {
    const char* fileName = nullptr;
    GmScriptModule* module = selfAs<GmScriptModule>(thread);
    if (module == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, fileName))
        return kRunTimeError;
    module->loadScript(fileName, false);
    return kDone;
}

constexpr ScriptMethod kGmScriptMethods[] = {
    {"setAlwaysReloadScript", gmscript_setAlwaysReloadScript, "(s file name, n flag) -> nothing"},
    {"loadScript", gmscript_loadScript, "(s file name) -> nothing"},
};

// ---- GAMESYSTEM ----

int gamesystem_trace(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr)
        return kRunTimeError;
    gameSystem->getLogger()->logText(scriptTraceText(thread));
    return kDone;
}

int gamesystem_assert(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    bool condition = false;
    const char* message = nullptr;
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 2) || !gmBoolParam(thread, 0, condition) ||
        !gmStringParam(thread, 1, message))
        return kRunTimeError;
    if (!condition)
        gameSystem->log(std::string("ASSERT FAILED: ") + message);
    return kDone;
}

int gamesystem_getUpdateInterval(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr)
        return kRunTimeError;
    thread->pushFloat(gameSystem->getUpdateInterval());
    return kDone;
}

int gamesystem_getCurrentTick(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr)
        return kRunTimeError;
    thread->pushFloat(static_cast<float>(gameSystem->getCurrentTick()));
    return kDone;
}

int gamesystem_setShouldPauseOnTaskSwitch(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    bool pause = false;
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 1) || !gmBoolParam(thread, 0, pause))
        return kRunTimeError;
    gameSystem->setShouldPauseOnTaskSwitch(pause);
    return kDone;
}

int gamesystem_terminateProcess(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 1))
        return kRunTimeError;
    const gmValue argument = thread->getParam(0);
    if (argument.isString()) {
        gameSystem->terminateProcess(std::string(argument.getString()->getText()));
        return kDone;
    }
    if (argument.getType() == scriptTypeId(ScriptType::PROCESS)) {
        Process* process = nullptr;
        if (!objectParam(thread, 0, ScriptType::PROCESS, process))
            return kRunTimeError;
        gameSystem->terminateProcess(process);
        return kDone;
    }
    return usageError(thread);
}

int gamesystem_isProcessRunning(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    const char* name = nullptr;
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    return pushBool(thread, gameSystem->isProcessRunning(name));
}

int gamesystem_getProcess(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    const char* name = nullptr;
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    thread->push(referenceTo(thread->getMachine(), ScriptType::PROCESS, gameSystem->getProcess(name)));
    return kDone;
}

int gamesystem_setAsPauseProcess(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    bool pause = false;
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 1) || !gmBoolParam(thread, 0, pause))
        return kRunTimeError;
    gameSystem->setAsPauseProcess(pause);
    return kDone;
}

int gamesystem_getRandomReal(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr)
        return kRunTimeError;
    if (thread->getNumParams() == 0) {
        thread->pushFloat(gameSystem->getRandomReal());
        return kDone;
    }
    if (thread->getNumParams() != 2)
        return usageError(thread);
    float low = 0.0f;
    float high = 0.0f;
    if (!gmFloatOrIntParam(thread, 0, low) || !gmFloatOrIntParam(thread, 1, high))
        return kRunTimeError;
    thread->pushFloat(gameSystem->getRandomReal(low, high));
    return kDone;
}

int gamesystem_getRandomInteger(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    float low = 0.0f;
    float high = 0.0f;
    if (gameSystem == nullptr || !gmCheckParamCount(thread, 2) || !gmFloatOrIntParam(thread, 0, low) ||
        !gmFloatOrIntParam(thread, 1, high))
        return kRunTimeError;
    thread->pushInt(gameSystem->getRandomInteger(static_cast<int32_t>(low), static_cast<int32_t>(high)));
    return kDone;
}

int gamesystem_getRandomBoolean(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr)
        return kRunTimeError;
    return pushBool(thread, gameSystem->getRandomBoolean());
}

int gamesystem_getRandomDir(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    if (gameSystem == nullptr)
        return kRunTimeError;
    return pushPoint(thread, gameSystem->getRandomDir());
}

constexpr ScriptMethod kGameSystemMethods[] = {
    {"trace", gamesystem_trace, "(any...) -> nothing; logs the arguments as one line"},
    {"assert", gamesystem_assert, "(b condition, s message) -> nothing"},
    {"openConsole", bindMember<&GameSystem::openConsole>, "() -> nothing"},
    {"closeConsole", bindMember<&GameSystem::closeConsole>, "() -> nothing"},
    {"isConsoleOpen", bindMember<&GameSystem::isConsoleOpen>, "() -> bool"},
    {"getUpdateInterval", gamesystem_getUpdateInterval, "() -> float, ms"},
    {"getCurrentTick", gamesystem_getCurrentTick, "() -> float"},
    {"isShouldPauseOnTaskSwitch", bindMember<&GameSystem::isShouldPauseOnTaskSwitch>, "() -> bool"},
    {"setShouldPauseOnTaskSwitch", gamesystem_setShouldPauseOnTaskSwitch, "(b) -> nothing"},
    {"startNewProcessList", bindMember<&GameSystem::startNewProcessList>, "(s name) -> nothing"},
    {"runProcess", bindMember<&GameSystem::runProcess>, "(s name) -> nothing"},
    {"terminateProcess", gamesystem_terminateProcess, "(PROCESS) or (s name) -> nothing", nullptr,
     "expecting parameters (PROCESS) or (string)"},
    {"isProcessRunning", gamesystem_isProcessRunning, "(s name) -> bool"},
    {"getProcess", gamesystem_getProcess, "(s name) -> PROCESS or null"},
    {"quit", bindMember<&GameSystem::quit>, "() -> nothing"},
    {"setAsPauseProcess", gamesystem_setAsPauseProcess, "(b) -> nothing"},
    {"isPaused", bindMember<&GameSystem::isPaused>, "() -> bool"},
    {"resetSimulationTimer", bindMember<&GameSystem::resetSimulationTimer>, "() -> nothing"},
    {"getRandomReal", gamesystem_getRandomReal, "() or (n low, n high) -> float", nullptr,
     "\"RANDOM_GetRandomReal\" expecting parameters (void) or (float,float)"},
    {"getRandomInteger", gamesystem_getRandomInteger, "(n low, n high) -> int"},
    {"getRandomBoolean", gamesystem_getRandomBoolean, "() -> bool"},
    {"getRandomDir", gamesystem_getRandomDir, "() -> new REALPOINT, a unit vector"},
};
}  // namespace

const ScriptTypeTable kGmScriptModuleType{.type = ScriptType::GMSCRIPTMODULE,
                                          .name = "GMSCRIPTMODULE",
                                          .methods = kGmScriptMethods,
                                          .destruct = destructHandle<GmScriptModule>};
const ScriptTypeTable kGameSystemType{.type = ScriptType::GAMESYSTEM,
                                      .name = "GAMESYSTEM",
                                      .methods = kGameSystemMethods,
                                      .destruct = destructHandle<GameSystem>};
