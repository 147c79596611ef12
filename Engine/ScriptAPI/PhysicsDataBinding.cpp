// PHYSICSDATA: an entity's body (ENTITY.getPhysicsData).
#include <algorithm>

#include "Engine/PhysicsData.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
// A method name as a template argument, for the messages of the shared templates.
template <std::size_t N>
struct Name {
    constexpr Name(const char (&text)[N]) { std::copy_n(text, N, this->text); }
    char text[N];
};

PhysicsData* body(gmScriptThread* thread) {
    return selfAs<PhysicsData>(thread);
}

// The body keeps its old value when it refuses one.
int refused(gmScriptThread* thread, const char* method) {
    return scriptError(thread, "\"%s\" refused the value (not finite or out of range)", method);
}

template <RealPoint (PhysicsData::*Getter)() const>
int getPoint(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    return self != nullptr ? pushPoint(thread, (self->*Getter)()) : kRunTimeError;
}

// (REALPOINT) or (x, y).
template <bool (PhysicsData::*Setter)(float, float), Name Method>
int setPoint(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    if (self == nullptr)
        return kRunTimeError;
    RealPoint point;
    if (!pointOrXYParams(thread, point, Method.text, "float"))
        return kRunTimeError;
    return (self->*Setter)(point.x, point.y) ? kDone : refused(thread, Method.text);
}

template <bool (PhysicsData::*Getter)() const>
int getBool(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    return self != nullptr ? pushBool(thread, (self->*Getter)()) : kRunTimeError;
}

template <void (PhysicsData::*Setter)(bool)>
int setBool(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    bool value = false;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmBoolParam(thread, 0, value))
        return kRunTimeError;
    (self->*Setter)(value);
    return kDone;
}

template <void (PhysicsData::*Operation)()>
int noArguments(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    if (self == nullptr)
        return kRunTimeError;
    (self->*Operation)();
    return kDone;
}

template <float (PhysicsData::*Getter)() const>
int getFloat(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushFloat((self->*Getter)());
    return kDone;
}

template <bool (PhysicsData::*Setter)(float), Name Method>
int setFloat(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    return (self->*Setter)(value) ? kDone : refused(thread, Method.text);
}

int physicsdata_setAsRect(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    float width = 0.0f;
    float height = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 2) || !gmFloatOrIntParam(thread, 0, width) ||
        !gmFloatOrIntParam(thread, 1, height))
        return kRunTimeError;
    return self->setAsRect(width, height) ? kDone : refused(thread, "setAsRect");
}

int physicsdata_setAsCircle(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    float radius = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, radius))
        return kRunTimeError;
    return self->setAsCircle(radius) ? kDone : refused(thread, "setAsCircle");
}

// (n), truncated to int.
template <void (PhysicsData::*Setter)(int)>
int setCategories(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    float value = 0.0f;
    if (self == nullptr || !gmCheckParamCount(thread, 1) || !gmFloatOrIntParam(thread, 0, value))
        return kRunTimeError;
    (self->*Setter)(static_cast<int>(value));
    return kDone;
}

template <int (PhysicsData::*Getter)() const>
int getInt(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    if (self == nullptr)
        return kRunTimeError;
    thread->pushInt((self->*Getter)());
    return kDone;
}

using P = PhysicsData;
constexpr ScriptMethod kMethods[] = {
    {"getPos", getPoint<&P::getPos>, "() -> new REALPOINT"},
    {"getVel", getPoint<&P::getVel>, "() -> new REALPOINT"},
    {"getDir", getPoint<&P::getDir>, "() -> new REALPOINT"},
    {"setPos", setPoint<static_cast<bool (P::*)(float, float)>(&P::setPos), "setPos">,
     "(REALPOINT) or (n x, n y) -> nothing"},
    {"setVel", setPoint<static_cast<bool (P::*)(float, float)>(&P::setVel), "setVel">,
     "(REALPOINT) or (n x, n y) -> nothing"},
    {"setDir", setPoint<static_cast<bool (P::*)(float, float)>(&P::setDir), "setDir">,
     "(REALPOINT) or (n x, n y) -> nothing"},
    {"doesRotationResponse", getBool<&P::doesRotationResponse>, "() -> bool"},
    {"isSensor", getBool<&P::isSensor>, "() -> bool"},
    {"isCollidable", getBool<&P::isCollidable>, "() -> bool"},
    {"isCircle", getBool<&P::isCircle>, "() -> bool"},
    {"isRect", getBool<&P::isRect>, "() -> bool"},
    {"setDoesRotationResponse", setBool<&P::setDoesRotationResponse>, "(b) -> nothing"},
    {"setIsSensor", setBool<&P::setIsSensor>, "(b) -> nothing"},
    {"setIsCollidable", setBool<&P::setIsCollidable>, "(b) -> nothing"},
    {"rotateLeft", noArguments<&P::rotateLeft>, "() -> nothing"},
    {"rotateRight", noArguments<&P::rotateRight>, "() -> nothing"},
    {"thrust", noArguments<&P::thrust>, "() -> nothing"},
    {"reverseThrust", noArguments<&P::reverseThrust>, "() -> nothing"},
    {"brake", noArguments<&P::brake>, "() -> nothing"},
    {"getMaxRotateSpeed", getFloat<&P::getMaxRotateSpeed>, "() -> float"},
    {"getRotateAcc", getFloat<&P::getRotateAcc>, "() -> float"},
    {"getMass", getFloat<&P::getMass>, "() -> float"},
    {"getMaxSpeed", getFloat<&P::getMaxSpeed>, "() -> float"},
    {"getSpeed", getFloat<&P::getSpeed>, "() -> float"},
    {"getBrakeAcc", getFloat<&P::getBrakeAcc>, "() -> float"},
    {"getThrustAcc", getFloat<&P::getThrustAcc>, "() -> float"},
    {"getWidth", getFloat<&P::getWidth>, "() -> float"},
    {"getHeight", getFloat<&P::getHeight>, "() -> float"},
    {"getRadius", getFloat<&P::getRadius>, "() -> float"},
    {"setMaxRotateSpeed", setFloat<&P::setMaxRotateSpeed, "setMaxRotateSpeed">, "(n) -> nothing"},
    {"setRotateAcc", setFloat<&P::setRotateAcc, "setRotateAcc">, "(n) -> nothing"},
    {"setMass", setFloat<&P::setMass, "setMass">, "(n) -> nothing"},
    {"setMaxSpeed", setFloat<&P::setMaxSpeed, "setMaxSpeed">, "(n) -> nothing"},
    {"setSpeed", setFloat<&P::setSpeed, "setSpeed">, "(n) -> nothing"},
    {"setBrakeAcc", setFloat<&P::setBrakeAcc, "setBrakeAcc">, "(n) -> nothing"},
    {"setThrustAcc", setFloat<&P::setThrustAcc, "setThrustAcc">, "(n) -> nothing"},
    {"setVelocityDecayRate", setFloat<&P::setVelocityDecayRate, "setVelocityDecayRate">, "(n) -> nothing"},
    {"setRotationDecayRate", setFloat<&P::setRotationDecayRate, "setRotationDecayRate">, "(n) -> nothing"},
    {"setMaxVelocityDecayRate", setFloat<&P::setMaxVelocityDecayRate, "setMaxVelocityDecayRate">,
     "(n) -> nothing"},
    {"setMaxRotationDecayRate", setFloat<&P::setMaxRotationDecayRate, "setMaxRotationDecayRate">,
     "(n) -> nothing"},
    {"setAsRect", physicsdata_setAsRect, "(n width, n height) -> nothing"},
    {"setAsCircle", physicsdata_setAsCircle, "(n radius) -> nothing"},
    {"setCollisionCategory", setCategories<&P::setCollisionCategory>, "(n category bits) -> nothing"},
    {"setCategoriesToCollideWith", setCategories<&P::setCategoriesToCollideWith>,
     "(n category bits) -> nothing"},
    {"getCollisionCategory", getInt<&P::getCollisionCategory>, "() -> int"},
    {"getCategoriesToCollideWith", getInt<&P::getCategoriesToCollideWith>, "() -> int"},
};
}  // namespace

const ScriptTypeTable kPhysicsDataType{ScriptType::PHYSICSDATA,    "PHYSICSDATA", kMethods, {}, {}, nullptr,
                                       destructHandle<PhysicsData>};
