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
    {"getPos", bindMember<&P::getPos>, "() -> new REALPOINT",
     "The body's position (its centre) in board units."},
    {"getVel", bindMember<&P::getVel>, "() -> new REALPOINT", "The body's velocity in board units per ms."},
    {"getDir", bindMember<&P::getDir>, "() -> new REALPOINT",
     "The direction the body faces, a point of length 1 (default (0, 1), up); thrust pushes this way."},
    {"setPos", setPoint<static_cast<bool (P::*)(float, float)>(&P::setPos)>,
     "(REALPOINT) or (n x, n y) -> nothing",
     "Moves the body to the position, in board units, at once. A value that is not finite is refused with an "
     "error and the body stays."},
    {"setVel", setPoint<static_cast<bool (P::*)(float, float)>(&P::setVel)>,
     "(REALPOINT) or (n x, n y) -> nothing",
     "Sets the velocity in board units per ms; above the max speed it is cut down at the next physics step "
     "(see setMaxVelocityDecayRate). A value that is not finite is refused."},
    {"setDir", setPoint<static_cast<bool (P::*)(float, float)>(&P::setDir)>,
     "(REALPOINT) or (n x, n y) -> nothing",
     "Turns the body to face the direction, made length 1 ((0, 0) becomes the x axis at the next step). A "
     "value that is not finite is refused."},
    {"doesRotationResponse", bindMember<&P::doesRotationResponse>, "() -> bool",
     "Whether collisions turn the body (false by default: the body keeps facing its direction)."},
    {"isSensor", bindMember<&P::isSensor>, "() -> bool",
     "Whether the body only reports contacts, pushing nothing (false by default)."},
    {"isCollidable", bindMember<&P::isCollidable>, "() -> bool",
     "Whether the body has contacts at all (true by default)."},
    {"isCircle", bindMember<&P::isCircle>, "() -> bool", "True for a circle body (the default, radius 30)."},
    {"isRect", bindMember<&P::isRect>, "() -> bool", "True for a rectangle body (setAsRect)."},
    {"setDoesRotationResponse", bindMember<&P::setDoesRotationResponse>, "(b) -> nothing",
     "True lets collisions and pushes turn the body, as a physical object; false (default) keeps its "
     "direction its own, changed only by steering and setDir."},
    {"setIsSensor", bindMember<&P::setIsSensor>, "(b) -> nothing",
     "True makes the body a sensor: it reports onEntityCollide and onEntityTouch but pushes nothing and is "
     "not pushed."},
    {"setIsCollidable", bindMember<&P::setIsCollidable>, "(b) -> nothing",
     "False takes the body out of all contacts: nothing hits it and no collision calls come."},
    {"rotateLeft", bindMember<&P::rotateLeft>, "() -> nothing",
     "Asks to turn anticlockwise for this tick, by the rotate acceleration up to the max rotate speed; more "
     "calls in one tick count once."},
    {"rotateRight", bindMember<&P::rotateRight>, "() -> nothing",
     "Asks to turn clockwise for this tick, by the rotate acceleration up to the max rotate speed; more "
     "calls in one tick count once."},
    {"thrust", bindMember<&P::thrust>, "() -> nothing",
     "Asks to push forward along the direction for this tick, by the thrust acceleration up to the max "
     "speed; more calls in one tick count once."},
    {"reverseThrust", bindMember<&P::reverseThrust>, "() -> nothing",
     "Asks to push backward against the direction for this tick; more calls in one tick count once."},
    {"brake", bindMember<&P::brake>, "() -> nothing",
     "Asks to slow down for this tick by the brake acceleration (by default it stops the body at once); more "
     "calls in one tick count once."},
    {"getMaxRotateSpeed", bindMember<&P::getMaxRotateSpeed>, "() -> float",
     "The fastest the body turns by steering, in radians per ms (default TWOPI / 3000, a turn in three "
     "seconds)."},
    {"getRotateAcc", bindMember<&P::getRotateAcc>, "() -> float",
     "How fast steering changes the turning speed, in radians per ms per ms (default 999: full speed at "
     "once)."},
    {"getMass", bindMember<&P::getMass>, "() -> float",
     "The body's mass (default 0.001; 0 is a static body)."},
    {"getMaxSpeed", bindMember<&P::getMaxSpeed>, "() -> float",
     "The speed limit in board units per ms (default 0.7)."},
    {"getSpeed", bindMember<&P::getSpeed>, "() -> float",
     "The current speed, the velocity's length, in board units per ms."},
    {"getBrakeAcc", bindMember<&P::getBrakeAcc>, "() -> float",
     "How much brake takes off the speed, in board units per ms per ms (default 999)."},
    {"getThrustAcc", bindMember<&P::getThrustAcc>, "() -> float",
     "How much thrust adds to the speed, in board units per ms per ms (default 999: the max speed at once)."},
    {"getWidth", bindMember<&P::getWidth>, "() -> float",
     "The body's width in board units (twice the radius for a circle)."},
    {"getHeight", bindMember<&P::getHeight>, "() -> float",
     "The body's height in board units (twice the radius for a circle)."},
    {"getRadius", bindMember<&P::getRadius>, "() -> float",
     "The circle's radius in board units; for a rectangle half its longer side."},
    {"setMaxRotateSpeed", bindRefusable<&P::setMaxRotateSpeed>, "(n) -> nothing",
     "Sets the fastest turning by steering, in radians per ms. A value that is not finite is refused with an "
     "error."},
    {"setRotateAcc", bindRefusable<&P::setRotateAcc>, "(n) -> nothing",
     "Sets how fast steering reaches the turning speed, in radians per ms per ms. A value that is not finite "
     "is refused."},
    {"setMass", bindRefusable<&P::setMass>, "(n) -> nothing",
     "Sets the mass; 0 makes the body static (it never moves and pushes what hits it). A negative or endless "
     "mass is refused with an error."},
    {"setMaxSpeed", bindRefusable<&P::setMaxSpeed>, "(n) -> nothing",
     "Sets the speed limit in board units per ms (raise it for fast bullets). A value that is not finite is "
     "refused."},
    {"setSpeed", bindRefusable<&P::setSpeed>, "(n) -> nothing",
     "Sets the speed in board units per ms, keeping the direction of motion (the facing direction when "
     "still). A value that is not finite is refused."},
    {"setBrakeAcc", bindRefusable<&P::setBrakeAcc>, "(n) -> nothing",
     "Sets how much brake takes off the speed, in board units per ms per ms. A value that is not finite is "
     "refused."},
    {"setThrustAcc", bindRefusable<&P::setThrustAcc>, "(n) -> nothing",
     "Sets how much thrust adds, in board units per ms per ms (small values give a slow start). A value that "
     "is not finite is refused."},
    {"setVelocityDecayRate", bindRefusable<&P::setVelocityDecayRate>, "(n) -> nothing",
     "Sets how fast the body slows down by itself, per ms: each tick the velocity is multiplied by exp(-rate "
     "x 16.67) (default 0.0033, about 5% a tick; 0 never slows). A value that is not finite is refused."},
    {"setRotationDecayRate", bindRefusable<&P::setRotationDecayRate>, "(n) -> nothing",
     "As setVelocityDecayRate for the turning speed (default 0.0033 per ms; 0 keeps turning)."},
    {"setMaxVelocityDecayRate", bindRefusable<&P::setMaxVelocityDecayRate>, "(n) -> nothing",
     "Sets how a body faster than its max speed slows to it: it keeps a share exp(-rate x 16.67) of the "
     "excess each tick. Until set it keeps none (cut to the max at once); 0 keeps it all. A value that is "
     "not finite is refused."},
    {"setMaxRotationDecayRate", bindRefusable<&P::setMaxRotationDecayRate>, "(n) -> nothing",
     "As setMaxVelocityDecayRate for a turning speed above the max rotate speed."},
    {"setAsRect", bindRefusable<&P::setAsRect>, "(n width, n height) -> nothing",
     "Makes the body a rectangle of width by height board units, centred on its position. A size of 0 or "
     "less, or not finite, is refused with an error."},
    {"setAsCircle", bindRefusable<&P::setAsCircle>, "(n radius) -> nothing",
     "Makes the body a circle of that radius in board units (default 30). A radius of 0 or less, or not "
     "finite, is refused with an error."},
    {"setCollisionCategory", setCategories<&P::setCollisionCategory>, "(n category bits) -> nothing",
     "Puts the body in the categories of the bits (1 to 65535, 16 categories; default 1); two bodies touch "
     "only when each one's category is among the other's collide-with bits."},
    {"setCategoriesToCollideWith", setCategories<&P::setCategoriesToCollideWith>,
     "(n category bits) -> nothing",
     "Sets the categories the body meets, as bits (default ALL_COLLISION_CATEGORIES, 65535; 0 meets none)."},
    {"getCollisionCategory", bindMember<&P::getCollisionCategory>, "() -> int",
     "The body's category bits (default 1)."},
    {"getCategoriesToCollideWith", bindMember<&P::getCategoriesToCollideWith>, "() -> int",
     "The bits of the categories the body meets (default 65535)."},
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
