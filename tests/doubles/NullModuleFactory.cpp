#include "tests/doubles/NullModuleFactory.h"

#include "Engine/NullAudioModule.h"
#include "tests/doubles/NullInputModule.h"
#include "tests/doubles/NullScriptModule.h"
#include "tests/doubles/NullVideoModule.h"

std::unique_ptr<VideoModule> NullModuleFactory::createVideoModule(GameSystem* gameSystem) {
    return std::make_unique<NullVideoModule>(gameSystem);
}

std::unique_ptr<InputModule> NullModuleFactory::createInputModule(GameSystem* gameSystem) {
    return std::make_unique<NullInputModule>(gameSystem);
}

std::unique_ptr<AudioModule> NullModuleFactory::createAudioModule(GameSystem* gameSystem) {
    return std::make_unique<NullAudioModule>(gameSystem);
}

std::unique_ptr<ScriptModule> NullModuleFactory::createScriptModule(GameSystem* gameSystem) {
    return std::make_unique<NullScriptModule>(gameSystem);
}

void NullModuleFactory::sleepMS(int ms) {
    sleeps_.push_back(ms);
    clock_.advance(ms);
}
