#include "Engine/InputModule.h"

#include <algorithm>

#include "Engine/Assertion.h"
#include "Engine/GameSystem.h"

InputModule::InputModule(GameSystem* gameSystem) : EngineModule(gameSystem) {
    addTypeName("InputModule");
}

float InputModule::getJoystickAxis(int, int) {
    return 0.0f;
}
float InputModule::getMousePosX() {
    return 0.0f;
}
float InputModule::getMousePosY() {
    return 0.0f;
}
RealPoint InputModule::getMousePos() {
    return {getMousePosX(), getMousePosY()};
}

void InputModule::setKeyState(int keyCode, bool down) {
    if (!TACT_ASSERT(keyCode >= 0 && keyCode < NUM_KEYCODES, "kc>=0&&kc<NUM_KEYCODES"))
        return;
    if (keys_[keyCode] != down && gameSystem_ != nullptr) {
        if (down) {
            gameSystem_->onKeyPress(keyCode);
        } else {
            gameSystem_->onKeyRelease(keyCode);
        }
    }
    const bool changed = keys_[keyCode] != down;
    keys_[keyCode] = down;
    if (changed && keyListener_)
        keyListener_(keyCode, down);
}

bool InputModule::isKeyPressed(int keyCode) const {
    if (!TACT_ASSERT(keyCode >= 0 && keyCode < NUM_KEYCODES, "kc>=0&&kc<NUM_KEYCODES"))
        return false;
    return keys_[keyCode];
}

bool InputModule::isShiftPressed() const {
    return keys_[KEYBOARD_LEFTSHIFT] || keys_[KEYBOARD_RIGHTSHIFT];
}
bool InputModule::isControlPressed() const {
    return keys_[KEYBOARD_LEFTCONTROL] || keys_[KEYBOARD_RIGHTCONTROL];
}
bool InputModule::isAltPressed() const {
    return keys_[KEYBOARD_LEFTALT] || keys_[KEYBOARD_RIGHTALT];
}

void InputModule::update(float deltaMS) {
    typingElapsedMS_ += deltaMS;

    std::vector<int> downNow;
    for (int code = 0; code < NUM_KEYCODES; ++code) {
        if (keys_[code])
            downNow.push_back(code);
    }
    auto wasDown = [this](int code) {
        return std::find(previousKeys_.begin(), previousKeys_.end(), code) != previousKeys_.end();
    };
    const bool newKeyDown = std::any_of(downNow.begin(), downNow.end(), [&](int c) { return !wasDown(c); });
    if (newKeyDown || downNow.size() < typingKeys_.size()) {
        typingState_ = 0;
        typingElapsedMS_ = 0.0f;
    }

    switch (typingState_) {
        case 0:
            typingKeys_.clear();
            for (int code : downNow) {
                if (!wasDown(code))
                    typingKeys_.push_back(code);
            }
            emitTypedKeys(1);
            break;
        case 1:
            if (typingElapsedMS_ > typeDelayMS_)
                emitTypedKeys(2);
            break;
        case 2:
            if (typingElapsedMS_ > typeRateMS_)
                emitTypedKeys(2);
            break;
        default:
            TACT_ASSERT(false, "false");
            break;
    }
    previousKeys_ = std::move(downNow);
}

void InputModule::emitTypedKeys(int nextState) {
    typingState_ = nextState;
    typingElapsedMS_ = 0.0f;
    if (gameSystem_ == nullptr)
        return;
    for (int code : typingKeys_) gameSystem_->onKeyType(code);
}
