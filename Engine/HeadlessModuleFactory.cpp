#include "Engine/HeadlessModuleFactory.h"

#include "Engine/HeadlessVideoModule.h"
#include "Engine/InputModule.h"
#include "Engine/NullAudioModule.h"
#include "Engine/ScriptHost/GmScriptModule.h"

std::unique_ptr<VideoModule> HeadlessModuleFactory::createVideoModule(GameSystem* gameSystem) {
    return std::make_unique<HeadlessVideoModule>(gameSystem);
}

std::unique_ptr<InputModule> HeadlessModuleFactory::createInputModule(GameSystem* gameSystem) {
    return std::make_unique<InputModule>(gameSystem);
}

std::unique_ptr<AudioModule> HeadlessModuleFactory::createAudioModule(GameSystem* gameSystem) {
    return std::make_unique<NullAudioModule>(gameSystem);
}

std::unique_ptr<ScriptModule> HeadlessModuleFactory::createScriptModule(GameSystem* gameSystem) {
    return std::make_unique<GmScriptModule>(gameSystem, compiledScripts_);
}
