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
    const int32_t count = thread->getNumParams();
    if (count == 1 && thread->getParam(0).getType() == scriptTypeId(ScriptType::REALPOINT)) {
        if (!pointParam(thread, 0, point))
            return kRunTimeError;
    } else if (count == 2) {
        if (!gmFloatOrIntParam(thread, 0, point.x) || !gmFloatOrIntParam(thread, 1, point.y))
            return kRunTimeError;
    } else {
        return scriptError(thread, "\"%s\" expecting parameters (REALPOINT) or (float,float)", Method.text);
    }
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
    {"getPos", getPoint<&P::getPos>},
    {"getVel", getPoint<&P::getVel>},
    {"getDir", getPoint<&P::getDir>},
    {"setPos", setPoint<static_cast<bool (P::*)(float, float)>(&P::setPos), "setPos">},
    {"setVel", setPoint<static_cast<bool (P::*)(float, float)>(&P::setVel), "setVel">},
    {"setDir", setPoint<static_cast<bool (P::*)(float, float)>(&P::setDir), "setDir">},
    {"doesRotationResponse", getBool<&P::doesRotationResponse>},
    {"isSensor", getBool<&P::isSensor>},
    {"isCollidable", getBool<&P::isCollidable>},
    {"isCircle", getBool<&P::isCircle>},
    {"isRect", getBool<&P::isRect>},
    {"setDoesRotationResponse", setBool<&P::setDoesRotationResponse>},
    {"setIsSensor", setBool<&P::setIsSensor>},
    {"setIsCollidable", setBool<&P::setIsCollidable>},
    {"rotateLeft", noArguments<&P::rotateLeft>},
    {"rotateRight", noArguments<&P::rotateRight>},
    {"thrust", noArguments<&P::thrust>},
    {"reverseThrust", noArguments<&P::reverseThrust>},
    {"brake", noArguments<&P::brake>},
    {"getMaxRotateSpeed", getFloat<&P::getMaxRotateSpeed>},
    {"getRotateAcc", getFloat<&P::getRotateAcc>},
    {"getMass", getFloat<&P::getMass>},
    {"getMaxSpeed", getFloat<&P::getMaxSpeed>},
    {"getSpeed", getFloat<&P::getSpeed>},
    {"getBrakeAcc", getFloat<&P::getBrakeAcc>},
    {"getThrustAcc", getFloat<&P::getThrustAcc>},
    {"getWidth", getFloat<&P::getWidth>},
    {"getHeight", getFloat<&P::getHeight>},
    {"getRadius", getFloat<&P::getRadius>},
    {"setMaxRotateSpeed", setFloat<&P::setMaxRotateSpeed, "setMaxRotateSpeed">},
    {"setRotateAcc", setFloat<&P::setRotateAcc, "setRotateAcc">},
    {"setMass", setFloat<&P::setMass, "setMass">},
    {"setMaxSpeed", setFloat<&P::setMaxSpeed, "setMaxSpeed">},
    {"setSpeed", setFloat<&P::setSpeed, "setSpeed">},
    {"setBrakeAcc", setFloat<&P::setBrakeAcc, "setBrakeAcc">},
    {"setThrustAcc", setFloat<&P::setThrustAcc, "setThrustAcc">},
    {"setVelocityDecayRate", setFloat<&P::setVelocityDecayRate, "setVelocityDecayRate">},
    {"setRotationDecayRate", setFloat<&P::setRotationDecayRate, "setRotationDecayRate">},
    {"setMaxVelocityDecayRate", setFloat<&P::setMaxVelocityDecayRate, "setMaxVelocityDecayRate">},
    {"setMaxRotationDecayRate", setFloat<&P::setMaxRotationDecayRate, "setMaxRotationDecayRate">},
    {"setAsRect", physicsdata_setAsRect},
    {"setAsCircle", physicsdata_setAsCircle},
    {"setCollisionCategory", setCategories<&P::setCollisionCategory>},
    {"setCategoriesToCollideWith", setCategories<&P::setCategoriesToCollideWith>},
    {"getCollisionCategory", getInt<&P::getCollisionCategory>},
    {"getCategoriesToCollideWith", getInt<&P::getCategoriesToCollideWith>},
};
}  // namespace

const ScriptTypeTable kPhysicsDataType{ScriptType::PHYSICSDATA,    "PHYSICSDATA", kMethods, {}, {}, nullptr,
                                       destructHandle<PhysicsData>};
