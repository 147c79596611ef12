#include "tests/doubles/NullInputModule.h"

#include "Engine/Assertion.h"

NullInputModule::NullInputModule(GameSystem* gameSystem) : InputModule(gameSystem) {
    addTypeName("NullInputModule");
}

void NullInputModule::setDeviceKey(int keyCode, bool down) {
    if (!TACT_ASSERT(keyCode >= 0 && keyCode < NUM_KEYCODES, "kc>=0&&kc<NUM_KEYCODES"))
        return;
    deviceKeys_[keyCode] = down;
}

void NullInputModule::update(float deltaMS) {
    ++updateCount_;
    for (int code = 0; code < NUM_KEYCODES; ++code) setKeyState(code, deviceKeys_[code]);
    InputModule::update(deltaMS);
}
