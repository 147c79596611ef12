#include "Engine/NullVideoModule.h"

NullVideoModule::NullVideoModule(GameSystem* gameSystem) : VideoModule(gameSystem) {
    addTypeName("NullVideoModule");
}

void NullVideoModule::deinit() {
    deinited_ = true;
    if (onDeinit)
        onDeinit();
}

void NullVideoModule::render() {
    ++renderCount_;
    if (onRender)
        onRender();
    renderFrame();
}

void NullVideoModule::update(float) {
    ++updateCount_;
}
