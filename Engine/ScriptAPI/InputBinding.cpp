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
    {"isKeyPressed", input_isKeyPressed, "(n key code) -> bool",
     "True while the key (a KEYBOARD_, JOYSTICK0_ or MOUSE_ constant) is down; false for codes outside the "
     "table and in a process without the input focus."},
    {"setTypeRate", bindMember<&InputModule::setTypeRate>, "(n) -> nothing",
     "Sets the milliseconds between repeated onKeyType calls while keys are held, after the type delay "
     "(default 38)."},
    {"setTypeDelay", bindMember<&InputModule::setTypeDelay>, "(n) -> nothing",
     "Sets the milliseconds a key is held before onKeyType starts repeating (default 200)."},
    {"getTypeRate", bindMember<&InputModule::getTypeRate>, "() -> float",
     "The milliseconds between repeated onKeyType calls (default 38)."},
    {"getTypeDelay", bindMember<&InputModule::getTypeDelay>, "() -> float",
     "The milliseconds before onKeyType repeats (default 200)."},
    {"isShiftPressed", bindMember<&InputModule::isShiftPressed>, "() -> bool",
     "True while either shift key is down."},
    {"isControlPressed", bindMember<&InputModule::isControlPressed>, "() -> bool",
     "True while either control key is down."},
    {"isAltPressed", bindMember<&InputModule::isAltPressed>, "() -> bool",
     "True while either alt key is down."},
    {"getJoystickAxis", input_getJoystickAxis, "(i joystick, i axis) -> float",
     "The position of an axis of a joystick, both counted from 0 (joysticks 0..7, axes 0..7): -1 to 1, y up "
     "positive; 0 for a joystick not plugged in or an axis it lacks."},
    {"getMousePosX", bindMember<&InputModule::getMousePosX>, "() -> float",
     "The mouse's x over the drawing area, from 0 at the left edge to 1 at the right (clamped); 0 without a "
     "window."},
    {"getMousePosY", bindMember<&InputModule::getMousePosY>, "() -> float",
     "The mouse's y over the drawing area, from 0 at the top edge to 1 at the bottom (clamped; the other way "
     "up from setupOrthoView); 0 without a window."},
    {"getMousePos", input_getMousePos, "() -> new REALPOINT",
     "The mouse position as a point (getMousePosX(), getMousePosY())."},
};
}  // namespace

const ScriptTypeTable kInputType{
    .type = ScriptType::INPUT, .name = "INPUT", .methods = kMethods, .destruct = destructHandle<InputModule>};
