#include "Engine/NullVideoModule.h"

#include "Engine/GameSystem.h"

NullVideoModule::NullVideoModule(GameSystem* gameSystem) : VideoModule(gameSystem) {
    addTypeName("NullVideoModule");
}

void NullVideoModule::deinit() {
    deinited_ = true;
    if (onDeinit) onDeinit();
}

void NullVideoModule::render() {
    ++renderCount_;
    if (gameSystem_ != nullptr) gameSystem_->callPreDrawHooks();
    if (onRender) onRender();
    if (gameSystem_ != nullptr) gameSystem_->callPostDrawHooks();
}

void NullVideoModule::update(float) { ++updateCount_; }
