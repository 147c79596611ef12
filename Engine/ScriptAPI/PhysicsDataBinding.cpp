// PHYSICSDATA: an entity's body (ENTITY.getPhysicsData).
#include "Engine/PhysicsData.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/MemberBinding.h"
#include "Engine/ScriptAPI/ScriptTypes.h"

namespace {
PhysicsData* body(gmScriptThread* thread) {
    return selfAs<PhysicsData>(thread);
}

// (REALPOINT) or (x, y); the body keeps its old value when it refuses one.
template <bool (PhysicsData::*Setter)(float, float)>
int setPoint(gmScriptThread* thread) {
    PhysicsData* self = body(thread);
    if (self == nullptr)
        return kRunTimeError;
    RealPoint point;
    if (!pointOrXYParams(thread, point, "float"))
        return kRunTimeError;
    return (self->*Setter)(point.x, point.y) ? kDone : refusedError(thread);
}

// (n), truncated to int.
template <void (PhysicsData::*Setter)(int)>
int setCategories(gmScriptThread* thread) {
    ScriptArgs args(thread);
    PhysicsData* self = args.self<PhysicsData>();
    args.count(1);
    const float value = args.number(0);
    if (!args)
        return kRunTimeError;
    (self->*Setter)(static_cast<int>(value));
    return kDone;
}

using P = PhysicsData;
constexpr ScriptMethod kMethods[] = {
    {"getPos", bindMember<&P::getPos>, "() -> new REALPOINT"},
    {"getVel", bindMember<&P::getVel>, "() -> new REALPOINT"},
    {"getDir", bindMember<&P::getDir>, "() -> new REALPOINT"},
    {"setPos", setPoint<static_cast<bool (P::*)(float, float)>(&P::setPos)>,
     "(REALPOINT) or (n x, n y) -> nothing"},
    {"setVel", setPoint<static_cast<bool (P::*)(float, float)>(&P::setVel)>,
     "(REALPOINT) or (n x, n y) -> nothing"},
    {"setDir", setPoint<static_cast<bool (P::*)(float, float)>(&P::setDir)>,
     "(REALPOINT) or (n x, n y) -> nothing"},
    {"doesRotationResponse", bindMember<&P::doesRotationResponse>, "() -> bool"},
    {"isSensor", bindMember<&P::isSensor>, "() -> bool"},
    {"isCollidable", bindMember<&P::isCollidable>, "() -> bool"},
    {"isCircle", bindMember<&P::isCircle>, "() -> bool"},
    {"isRect", bindMember<&P::isRect>, "() -> bool"},
    {"setDoesRotationResponse", bindMember<&P::setDoesRotationResponse>, "(b) -> nothing"},
    {"setIsSensor", bindMember<&P::setIsSensor>, "(b) -> nothing"},
    {"setIsCollidable", bindMember<&P::setIsCollidable>, "(b) -> nothing"},
    {"rotateLeft", bindMember<&P::rotateLeft>, "() -> nothing"},
    {"rotateRight", bindMember<&P::rotateRight>, "() -> nothing"},
    {"thrust", bindMember<&P::thrust>, "() -> nothing"},
    {"reverseThrust", bindMember<&P::reverseThrust>, "() -> nothing"},
    {"brake", bindMember<&P::brake>, "() -> nothing"},
    {"getMaxRotateSpeed", bindMember<&P::getMaxRotateSpeed>, "() -> float"},
    {"getRotateAcc", bindMember<&P::getRotateAcc>, "() -> float"},
    {"getMass", bindMember<&P::getMass>, "() -> float"},
    {"getMaxSpeed", bindMember<&P::getMaxSpeed>, "() -> float"},
    {"getSpeed", bindMember<&P::getSpeed>, "() -> float"},
    {"getBrakeAcc", bindMember<&P::getBrakeAcc>, "() -> float"},
    {"getThrustAcc", bindMember<&P::getThrustAcc>, "() -> float"},
    {"getWidth", bindMember<&P::getWidth>, "() -> float"},
    {"getHeight", bindMember<&P::getHeight>, "() -> float"},
    {"getRadius", bindMember<&P::getRadius>, "() -> float"},
    {"setMaxRotateSpeed", bindRefusable<&P::setMaxRotateSpeed>, "(n) -> nothing"},
    {"setRotateAcc", bindRefusable<&P::setRotateAcc>, "(n) -> nothing"},
    {"setMass", bindRefusable<&P::setMass>, "(n) -> nothing"},
    {"setMaxSpeed", bindRefusable<&P::setMaxSpeed>, "(n) -> nothing"},
    {"setSpeed", bindRefusable<&P::setSpeed>, "(n) -> nothing"},
    {"setBrakeAcc", bindRefusable<&P::setBrakeAcc>, "(n) -> nothing"},
    {"setThrustAcc", bindRefusable<&P::setThrustAcc>, "(n) -> nothing"},
    {"setVelocityDecayRate", bindRefusable<&P::setVelocityDecayRate>, "(n) -> nothing"},
    {"setRotationDecayRate", bindRefusable<&P::setRotationDecayRate>, "(n) -> nothing"},
    {"setMaxVelocityDecayRate", bindRefusable<&P::setMaxVelocityDecayRate>, "(n) -> nothing"},
    {"setMaxRotationDecayRate", bindRefusable<&P::setMaxRotationDecayRate>, "(n) -> nothing"},
    {"setAsRect", bindRefusable<&P::setAsRect>, "(n width, n height) -> nothing"},
    {"setAsCircle", bindRefusable<&P::setAsCircle>, "(n radius) -> nothing"},
    {"setCollisionCategory", setCategories<&P::setCollisionCategory>, "(n category bits) -> nothing"},
    {"setCategoriesToCollideWith", setCategories<&P::setCategoriesToCollideWith>,
     "(n category bits) -> nothing"},
    {"getCollisionCategory", bindMember<&P::getCollisionCategory>, "() -> int"},
    {"getCategoriesToCollideWith", bindMember<&P::getCategoriesToCollideWith>, "() -> int"},
    {"getRestitution", bindMember<&P::getRestitution>, "() -> float",
     "The bounciness, 0 (none, the default) to 1 (a hit keeps all its speed along the normal)."},
    {"setRestitution", bindRefusable<&P::setRestitution>, "(n restitution) -> nothing",
     "Sets the bounciness, 0..1; two bodies bounce with the larger of theirs. Impacts slower than "
     "0.02 units/ms along the normal do not bounce. Refuses values outside 0..1."},
    {"getFriction", bindMember<&P::getFriction>, "() -> float",
     "The friction along a contact, 0.2 by default."},
    {"setFriction", bindRefusable<&P::setFriction>, "(n friction) -> nothing",
     "Sets the friction, 0 or more; two bodies rub with the square root of the product of theirs, "
     "so a body of friction 0 slides along anything. Refuses negative values."},
    {"getBodyKind", bindMember<&P::getBodyKind>, "() -> int",
     "BODY_DYNAMIC, BODY_STATIC or BODY_KINEMATIC; a dynamic body of mass 0 reads as BODY_STATIC."},
    {"setBodyKind", bindRefusable<&P::setBodyKind>, "(int kind) -> nothing",
     "BODY_DYNAMIC (the default: moves, contacts push it), BODY_STATIC (never moves) or "
     "BODY_KINEMATIC (moves at its velocity, contacts never change it). Refuses other values."},
    {"getGravityScale", bindMember<&P::getGravityScale>, "() -> float",
     "The share of the world's gravity this body feels, 1 by default."},
    {"setGravityScale", bindRefusable<&P::setGravityScale>, "(n scale) -> nothing",
     "Sets the share of GameBoard's gravity a dynamic body feels: 0 floats, negative values rise."},
};
}  // namespace

const ScriptTypeTable kPhysicsDataType{.type = ScriptType::PHYSICSDATA,
                                       .name = "PHYSICSDATA",
                                       .methods = kMethods,
                                       .destruct = destructHandle<PhysicsData>};
