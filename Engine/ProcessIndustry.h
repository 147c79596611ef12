// Creates processes by name: native factories first, then the script fallback.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Engine/ProcessFactory.h"

class ProcessIndustry {
  public:
    // Makes the script-backed process for a name (installed by the script host).
    using ScriptProcessMaker = std::function<Process*(const std::string& name, GameSystem* gameSystem)>;

    void registerFactory(const std::string& name, std::unique_ptr<ProcessFactory> factory);
    bool hasFactory(const std::string& name) const { return factories_.count(name) != 0; }
    void setScriptProcessMaker(ScriptProcessMaker maker) { scriptProcessMaker_ = std::move(maker); }

    // A registered factory's process; else, for the "gm" language, a script process; else a plain
    // Process that does nothing.
    Process* create(const std::string& name, GameSystem* gameSystem, const std::string& language = "gm");

  private:
    std::map<std::string, std::unique_ptr<ProcessFactory>> factories_;
    ScriptProcessMaker scriptProcessMaker_;
};
