// The engine's side of the script host: what the game system asks of it.
#pragma once

#include <string>

#include "Engine/EngineModule.h"

class InputModule;

class ScriptModule : public EngineModule {
  public:
    explicit ScriptModule(GameSystem* gameSystem) : EngineModule(gameSystem) { addTypeName("ScriptModule"); }

    // Developer reload (F7).
    virtual void reloadAllScripts() = 0;
    // Writes every loaded script in compiled form (F10).
    virtual void saveCompiledScripts() = 0;
    // Forgets every loaded script (system reset).
    virtual void forgetAllScripts() = 0;
    virtual bool isCompiledMode() const = 0;
    // Re-points the script global Input while processes are dispatched.
    virtual void setInputGlobal(InputModule* input) = 0;
    // The folder of the engine's own compiled scripts ("ConsoleProcess.gmc"...), read for a script
    // the game folder does not have; empty: none.
    virtual void setDefaultScriptFolder(const std::string& folder) = 0;
    // True when the script of the type [typeName] can be read (a missing one is reported).
    virtual bool hasScript(const std::string& typeName) = 0;
};
