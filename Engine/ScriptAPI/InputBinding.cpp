// INPUT (the global Input): keys, typing rhythm, joystick and mouse. While a process without
// input focus runs, Input is the unfocused module, on which no key is down.
#include "Engine/InputModule.h"
#include "Engine/KeyCodes.h"
#include "Engine/MathUtil.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
int input_isKeyPressed(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    float code = 0.0f;
    if (input == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, code))
        return kRunTimeError;
    const int key = MathUtil::truncateToInt(code);
    // Codes outside the key table are simply not pressed.
    return pushBool(thread, key >= 0 && key < NUM_KEYCODES && input->isKeyPressed(key));
}

template <void (InputModule::*Setter)(float)>
int setFloat(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    float value = 0.0f;
    if (input == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    (input->*Setter)(value);
    return kDone;
}

template <float (InputModule::*Getter)() const>
int getFloat(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    if (input == nullptr)
        return kRunTimeError;
    thread->pushFloat((input->*Getter)());
    return kDone;
}

template <float (InputModule::*Getter)()>
int getDeviceFloat(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    if (input == nullptr)
        return kRunTimeError;
    thread->pushFloat((input->*Getter)());
    return kDone;
}

template <bool (InputModule::*Query)() const>
int getBool(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    if (input == nullptr)
        return kRunTimeError;
    return pushBool(thread, (input->*Query)());
}

int input_getJoystickAxis(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    int32_t joystick = 0;
    int32_t axis = 0;
    if (input == nullptr || !gmCheckParamCount(thread, 2) || !gmIntParam(thread, 0, joystick) ||
        !gmIntParam(thread, 1, axis))
        return kRunTimeError;
    thread->pushFloat(input->getJoystickAxis(joystick, axis));
    return kDone;
}

int input_getMousePos(gmScriptThread* thread) {
    InputModule* input = selfAs<InputModule>(thread);
    if (input == nullptr)
        return kRunTimeError;
    return pushPoint(thread, RealPoint(input->getMousePosX(), input->getMousePosY()));
}

constexpr ScriptMethod kMethods[] = {
    {"isKeyPressed", input_isKeyPressed, "(n key code) -> bool"},
    {"setTypeRate", setFloat<&InputModule::setTypeRate>, "(n) -> nothing"},
    {"setTypeDelay", setFloat<&InputModule::setTypeDelay>, "(n) -> nothing"},
    {"getTypeRate", getFloat<&InputModule::getTypeRate>, "() -> float"},
    {"getTypeDelay", getFloat<&InputModule::getTypeDelay>, "() -> float"},
    {"isShiftPressed", getBool<&InputModule::isShiftPressed>, "() -> bool"},
    {"isControlPressed", getBool<&InputModule::isControlPressed>, "() -> bool"},
    {"isAltPressed", getBool<&InputModule::isAltPressed>, "() -> bool"},
    {"getJoystickAxis", input_getJoystickAxis, "(i joystick, i axis) -> float"},
    {"getMousePosX", getDeviceFloat<&InputModule::getMousePosX>, "() -> float"},
    {"getMousePosY", getDeviceFloat<&InputModule::getMousePosY>, "() -> float"},
    {"getMousePos", input_getMousePos, "() -> new REALPOINT"},
};
}  // namespace

const ScriptTypeTable kInputType{ScriptType::INPUT,          "INPUT", kMethods, {}, {}, nullptr,
                                 destructHandle<InputModule>};
