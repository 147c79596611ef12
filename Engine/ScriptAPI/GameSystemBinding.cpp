// GAMESYSTEM (the global GameSystem) and GMSCRIPTMODULE (the global GmScript).
#include "Engine/GameSystem.h"
#include "Engine/Logger.h"
#include "Engine/Process.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptArgs.h"
#include "Engine/ScriptAPI/ScriptText.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/ScriptHost/GmScriptModule.h"

#include <cinttypes>
#include <cstdio>
#include <unordered_set>

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

// ---- Save data ----

// Where a value sits inside the table being saved, as the error messages name it: "scores[3].name".
std::string keyPath(const std::string& parent, const gmValue& key) {
    char text[48];
    if (key.isString()) {
        const std::string name(key.getString()->getText(),
                               static_cast<std::size_t>(key.getString()->getLength()));
        return parent.empty() ? name : parent + "." + name;
    }
    if (key.isInt())
        std::snprintf(text, sizeof text, "[%" PRId32 "]", key.getInt());
    else
        std::snprintf(text, sizeof text, "[%g]", static_cast<double>(key.getFloat()));
    return parent + text;
}

// Converts a script table to save data, or raises the script error that names the key of the first
// value that cannot be stored. [budget] counts down the bytes the file would take, so that a table
// reached along many paths cannot blow up the copy.
class SaveConverter {
  public:
    explicit SaveConverter(gmScriptThread* thread) : thread_(thread) {}

    bool convertTable(const gmTable* table, const std::string& path, int depth, SaveValue& out) {
        if (depth >= kMaxSaveDepth)
            return fail(": tables nested deeper than %d under key \"%s\"", kMaxSaveDepth, path.c_str());
        if (!onPath_.insert(table).second)
            return fail(": the table under key \"%s\" contains itself", path.c_str());
        out = SaveValue::makeTable();
        int32_t iterator = -2;
        while (const gmTableNode* node = table->nextEntry(iterator)) {
            const std::string here = keyPath(path, node->key);
            SaveValue key;
            if (!node->key.isInt() && !node->key.isFloat() && !node->key.isString())
                return fail(
                    ": cannot store a %s as a key in %s",
                    thread_->getMachine().getTypeName(node->key.getType()),
                    path.empty() ? "the table saved" : ("the table under key \"" + path + "\"").c_str());
            if (!convert(node->key, here, depth, key))
                return false;
            SaveValue item;
            if (!convert(node->value, here, depth, item))
                return false;
            out.entries.push_back({std::move(key), std::move(item)});
        }
        onPath_.erase(table);
        return true;
    }

  private:
    bool convert(const gmValue& value, const std::string& path, int depth, SaveValue& out) {
        if (budget_ < 16)
            return fail(": the table takes more than %zu bytes", kMaxSaveFileBytes);
        budget_ -= 5;
        if (value.isInt()) {
            out = SaveValue::makeInt(value.getInt());
        } else if (value.isFloat()) {
            out = SaveValue::makeFloat(value.getFloat());
        } else if (value.isString()) {
            const gmString* text = value.getString();
            const auto length = static_cast<std::size_t>(text->getLength());
            if (length > budget_)
                return fail(": the table takes more than %zu bytes", kMaxSaveFileBytes);
            budget_ -= length;
            out = SaveValue::makeString(std::string(text->getText(), length));
        } else if (value.isTable()) {
            return convertTable(value.getTable(), path, depth + 1, out);
        } else {
            return fail(": cannot store the %s under key \"%s\"",
                        thread_->getMachine().getTypeName(value.getType()), path.c_str());
        }
        return true;
    }
    template <class... Args>
    bool fail(const char* format, Args... args) {
        methodError(thread_, format, args...);
        return false;
    }

    gmScriptThread* thread_;
    std::unordered_set<const gmTable*> onPath_;
    std::size_t budget_ = kMaxSaveFileBytes;
};

// The script table for loaded data; collection is off while it is built (nothing roots it yet).
gmValue toScriptValue(gmScriptMachine& machine, const SaveValue& value) {
    switch (value.kind) {
        case SaveValue::Kind::INT:
            return gmValue::makeInt(value.intValue);
        case SaveValue::Kind::FLOAT:
            return gmValue::makeFloat(value.floatValue);
        case SaveValue::Kind::STRING:
            return gmValue::makeString(
                machine.internString(value.text.data(), static_cast<int32_t>(value.text.size())));
        case SaveValue::Kind::TABLE:
            break;
    }
    gmTable* table = machine.createTable();
    for (const auto& [key, item] : value.entries)
        table->set(machine, toScriptValue(machine, key), toScriptValue(machine, item));
    return gmValue::makeTable(table);
}

// A save name argument: a script error unless it is a valid save (or game) name.
bool saveNameParam(gmScriptThread* thread, int32_t index, std::string& name) {
    const char* text = nullptr;
    if (!gmStringParam(thread, index, text))
        return false;
    const gmString* string = thread->getParam(index).getString();
    name.assign(text, static_cast<std::size_t>(string->getLength()));
    if (!isValidSaveName(name)) {
        methodError(thread,
                    ": refused the name \"%s\" (1 to 64 letters, digits, spaces, '_', '-' or '.'; no path "
                    "separator, no \"..\", no leading '.')",
                    text);
        return false;
    }
    return true;
}

int gamesystem_saveTable(gmScriptThread* thread) {
    ScriptArgs args(thread);
    GameSystem* gameSystem = args.self<GameSystem>();
    args.count(2);
    std::string name;
    if (!args || !saveNameParam(thread, 0, name))
        return kRunTimeError;
    const gmValue table = thread->getParam(1);
    if (!table.isTable())
        return usageError(thread);
    SaveValue data;
    if (!SaveConverter(thread).convertTable(table.getTable(), "", 0, data))
        return kRunTimeError;
    return pushBool(thread, gameSystem->saveData(name, data));
}

int gamesystem_loadTable(gmScriptThread* thread) {
    ScriptArgs args(thread);
    GameSystem* gameSystem = args.self<GameSystem>();
    args.count(1);
    std::string name;
    if (!args || !saveNameParam(thread, 0, name))
        return kRunTimeError;
    const std::optional<SaveValue> data = gameSystem->loadData(name);
    if (!data || data->kind != SaveValue::Kind::TABLE) {
        thread->pushNull();
        return kDone;
    }
    gmScriptMachine& machine = thread->getMachine();
    gmCollectionPause pause(machine);
    thread->push(toScriptValue(machine, *data));
    return kDone;
}

int gamesystem_setGameName(gmScriptThread* thread) {
    ScriptArgs args(thread);
    GameSystem* gameSystem = args.self<GameSystem>();
    args.count(1);
    std::string name;
    if (!args || !saveNameParam(thread, 0, name))
        return kRunTimeError;
    gameSystem->setGameName(name);
    return kDone;
}

int gamesystem_getGameName(gmScriptThread* thread) {
    GameSystem* gameSystem = system(thread);
    return gameSystem != nullptr ? pushText(thread, gameSystem->getGameName().c_str()) : kRunTimeError;
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
    {"saveTable", gamesystem_saveTable, "(s name, TABLE data) -> bool",
     "Saves [data] (ints, floats, strings and tables of them, at most 1 MiB) as [name] in the player's "
     "data folder, replacing the old save whole; false (and a log line) when it cannot be written.",
     "expecting parameters (string,table)"},
    {"loadTable", gamesystem_loadTable, "(s name) -> TABLE or null",
     "The table last saved as [name]; null when there is none, or (with a log line) when the file is "
     "damaged, truncated, too large or from another format version."},
    {"setGameName", gamesystem_setGameName, "(s name) -> nothing",
     "Names the game's folder in the player's data folder (default: the game folder's or archive's "
     "name); set it before the first save."},
    {"getGameName", gamesystem_getGameName, "() -> string",
     "The name of the game's folder in the player's data folder."},
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
