// INPUT (the global Input): keys, typing rhythm, joystick and mouse. While a process without
// input focus runs, Input is the unfocused module, on which no key is down.
#include "Engine/InputModule.h"
#include "Engine/KeyCodes.h"
#include "Engine/MathUtil.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/MemberBinding.h"
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
    {"setTypeRate", bindMember<&InputModule::setTypeRate>, "(n) -> nothing"},
    {"setTypeDelay", bindMember<&InputModule::setTypeDelay>, "(n) -> nothing"},
    {"getTypeRate", bindMember<&InputModule::getTypeRate>, "() -> float"},
    {"getTypeDelay", bindMember<&InputModule::getTypeDelay>, "() -> float"},
    {"isShiftPressed", bindMember<&InputModule::isShiftPressed>, "() -> bool"},
    {"isControlPressed", bindMember<&InputModule::isControlPressed>, "() -> bool"},
    {"isAltPressed", bindMember<&InputModule::isAltPressed>, "() -> bool"},
    {"getJoystickAxis", input_getJoystickAxis, "(i joystick, i axis) -> float"},
    {"getMousePosX", bindMember<&InputModule::getMousePosX>, "() -> float"},
    {"getMousePosY", bindMember<&InputModule::getMousePosY>, "() -> float"},
    {"getMousePos", input_getMousePos, "() -> new REALPOINT"},
};
}  // namespace

const ScriptTypeTable kInputType{
    .type = ScriptType::INPUT, .name = "INPUT", .methods = kMethods, .destruct = destructHandle<InputModule>};
