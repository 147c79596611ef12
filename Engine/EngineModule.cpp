#include "Engine/EngineModule.h"

EngineModule::EngineModule(GameSystem* gameSystem) : gameSystem_(gameSystem) {
    addTypeName("EngineModule");
}

EngineModule::~EngineModule() = default;

bool EngineModule::init() {
    isInited_ = true;
    return true;
}
