#include "Engine/ProcessIndustry.h"

#include "Engine/Process.h"

void ProcessIndustry::registerFactory(const std::string& name, std::unique_ptr<ProcessFactory> factory) {
    factories_[name] = std::move(factory);
}

Process* ProcessIndustry::create(const std::string& name, GameSystem* gameSystem,
                                 const std::string& language) {
    auto found = factories_.find(name);
    if (found != factories_.end())
        return found->second->create(name, gameSystem);
    if (language == "gm" && scriptProcessMaker_)
        return scriptProcessMaker_(name, gameSystem);
    return new Process(name, gameSystem);
}
