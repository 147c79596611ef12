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
    {"setAlwaysReloadScript", gmscript_setAlwaysReloadScript, "(s file name, n flag) -> nothing",
     "With a non-zero flag, loadScript of that file (\"Weapons.gm\") reads it again every time instead of "
     "once; 0 "
     "goes back to once. Nothing for a file not loaded yet."},
    {"loadScript", gmscript_loadScript, "(s file name) -> nothing",
     "Reads and runs the script file of that name (such as \"Weapons.gm\", in the game folder) unless it was "
     "loaded before: the way to bring in a script of shared functions."},
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
    {"trace", gamesystem_trace, "(any...) -> nothing; logs the arguments as one line",
     "Writes the arguments to the log as one line, with nothing between them: numbers (floats to six "
     "digits), strings, points as (x,y), entities as `<ENTITY id=3 type=1 player=no>`."},
    {"assert", gamesystem_assert, "(b condition, s message) -> nothing",
     "When the condition is false, logs \"ASSERT FAILED: \" and the message; the script goes on either way."},
    {"openConsole", bindMember<&GameSystem::openConsole>, "() -> nothing",
     "Opens the console (runs the \"ConsoleProcess\" process) at the start of the next tick."},
    {"closeConsole", bindMember<&GameSystem::closeConsole>, "() -> nothing",
     "Asks the console to close (its onCloseConsole), or ends it when it has none; nothing when it is "
     "closed."},
    {"isConsoleOpen", bindMember<&GameSystem::isConsoleOpen>, "() -> bool",
     "True while the console process runs."},
    {"getUpdateInterval", gamesystem_getUpdateInterval, "() -> float, ms",
     "The length of a tick in milliseconds: 1000/60, about 16.67."},
    {"getCurrentTick", gamesystem_getCurrentTick, "() -> float",
     "The number of the current tick: 1 in the game's first tick, then one more each tick."},
    {"isShouldPauseOnTaskSwitch", bindMember<&GameSystem::isShouldPauseOnTaskSwitch>, "() -> bool",
     "Whether the game pauses itself when its window loses focus (false by default)."},
    {"setShouldPauseOnTaskSwitch", gamesystem_setShouldPauseOnTaskSwitch, "(b) -> nothing",
     "True runs the \"PauseProcess\" when the window loses focus and the game is not paused already."},
    {"startNewProcessList", bindMember<&GameSystem::startNewProcessList>, "(s name) -> nothing",
     "At the start of the next tick ends every process and starts the named one as the first of a new list "
     "(it updates the entities, as Main does)."},
    {"runProcess", bindMember<&GameSystem::runProcess>, "(s name) -> nothing",
     "Starts the named process (a script function of that name, or an engine process) at the start of the "
     "next tick, after the others; nothing when one of that name runs."},
    {"terminateProcess", gamesystem_terminateProcess, "(PROCESS) or (s name) -> nothing",
     "Ends the process, or the process of that name, at the start of the next tick (its destructor runs); "
     "nothing when it does not run.",
     "expecting parameters (PROCESS) or (string)"},
    {"isProcessRunning", gamesystem_isProcessRunning, "(s name) -> bool",
     "True when a process of that name is in the list now; one asked for this tick joins only at the start "
     "of the next."},
    {"getProcess", gamesystem_getProcess, "(s name) -> PROCESS or null",
     "The running process of that name, or null."},
    {"quit", bindMember<&GameSystem::quit>, "() -> nothing", "Ends the game after the current tick."},
    {"setAsPauseProcess", gamesystem_setAsPauseProcess, "(b) -> nothing",
     "Called by a process: true makes it the pause process from the next tick (the game pauses, see "
     "callbacks.md), false ends the pause."},
    {"isPaused", bindMember<&GameSystem::isPaused>, "() -> bool", "True while a pause process is set."},
    {"resetSimulationTimer", bindMember<&GameSystem::resetSimulationTimer>, "() -> nothing",
     "Drops the time the game is behind, so it does not run catch-up ticks after a long load; logs \"Reset "
     "simulation timer.\"."},
    {"getRandomReal", gamesystem_getRandomReal, "() or (n low, n high) -> float",
     "A random real from the game system's own generator (not the RANDOM_ one): in [0, 1), or in [low, "
     "high).",
     "\"RANDOM_GetRandomReal\" expecting parameters (void) or (float,float)"},
    {"getRandomInteger", gamesystem_getRandomInteger, "(n low, n high) -> int",
     "A random int from low to high, both included, from the game system's generator; floats are truncated."},
    {"getRandomBoolean", gamesystem_getRandomBoolean, "() -> bool",
     "True or false with equal chance, from the game system's generator."},
    {"getRandomDir", gamesystem_getRandomDir, "() -> new REALPOINT, a unit vector",
     "A new point of length 1 at a random angle, from the game system's generator."},
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
