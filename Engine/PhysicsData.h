// An entity's body (script type PHYSICSDATA): position, direction, velocity, shape, mass and
// collision filter, plus the steering requests of one tick. This interface's own operations do
// nothing; the physics module's implementation overrides them.
//
// Units are the engine's: world units, milliseconds, radians. Setters that take numbers answer
// false when they refuse the value (not finite, or out of the stated range) and leave the body
// as it was; the script binding turns that into a script error.
#pragma once

#include <cstdint>

#include "Engine/LinkedObject.h"
#include "Engine/RealPoint.h"

// Mask bits that collide with every category (script constant ALL_COLLISION_CATEGORIES).
inline constexpr int ALL_COLLISION_CATEGORIES = 0xFFFF;

// Body kinds (script constants). A dynamic body moves by its velocity and is pushed by contacts;
// a static one never moves; a kinematic one moves by its velocity and contacts never change it.
enum BodyKind : int {
    BODY_DYNAMIC = 0,
    BODY_STATIC = 1,
    BODY_KINEMATIC = 2,
};

class PhysicsData : public LinkedObject {
  public:
    PhysicsData() { addTypeName("PhysicsData"); }

    // Takes the body out of the world; the data stays usable but no longer moves or collides.
    virtual void removeFromWorld() {}
    bool setPos(const RealPoint& pos) { return setPos(pos.x, pos.y); }
    virtual bool setPos(float /*x*/, float /*y*/) { return true; }
    virtual RealPoint getPos() const { return {0.0f, 0.0f}; }
    virtual bool setDir(float /*x*/, float /*y*/) { return true; }
    bool setDir(const RealPoint& dir) { return setDir(dir.x, dir.y); }
    virtual RealPoint getDir() const { return {0.0f, 1.0f}; }
    virtual void setDoesRotationResponse(bool) {}
    virtual bool doesRotationResponse() const { return false; }

    // Steering requests: each kind counts once per tick, consumed by update.
    virtual void rotateLeft() {}
    virtual void rotateRight() {}
    // A rotate request of [amount] rad/ms², clamped to the rotate acceleration; ignored when a
    // left or right request was made this tick.
    virtual bool rotate(float /*amount*/) { return true; }
    virtual float getMaxRotateSpeed() const { return 0.0f; }
    virtual bool setMaxRotateSpeed(float) { return true; }
    virtual float getRotateAcc() const { return 0.0f; }
    virtual bool setRotateAcc(float) { return true; }
    // Current rotate speed, rad/ms.
    virtual float getRotateSpeed() const { return 0.0f; }
    virtual void thrust() {}
    virtual void reverseThrust() {}
    virtual void brake() {}

    virtual RealPoint getVel() const { return {0.0f, 0.0f}; }
    bool setVel(const RealPoint& vel) { return setVel(vel.x, vel.y); }
    virtual bool setVel(float /*x*/, float /*y*/) { return true; }
    virtual float getMass() const { return 0.0f; }
    // 0 makes a static body; negative masses are refused.
    virtual bool setMass(float) { return true; }
    virtual float getMaxSpeed() const { return 0.0f; }
    virtual bool setMaxSpeed(float) { return true; }
    virtual bool setSpeed(float) { return true; }
    virtual float getSpeed() const { return 0.0f; }
    virtual bool setBrakeAcc(float) { return true; }
    virtual float getBrakeAcc() const { return 0.0f; }
    virtual float getThrustAcc() const { return 0.0f; }
    virtual bool setThrustAcc(float) { return true; }

    virtual float getWidth() const { return 0.0f; }
    virtual float getHeight() const { return 0.0f; }
    virtual float getRadius() const { return 0.0f; }
    // Sizes must be positive and finite.
    virtual bool setAsRect(float /*width*/, float /*height*/) { return true; }
    virtual bool setAsCircle(float /*radius*/) { return true; }
    virtual bool isCircle() const { return false; }
    bool isRect() const { return !isCircle(); }

    // Decay rates are per millisecond; each becomes a factor applied once per tick.
    virtual bool setVelocityDecayRate(float) { return true; }
    virtual bool setRotationDecayRate(float) { return true; }
    virtual bool setMaxVelocityDecayRate(float) { return true; }
    virtual bool setMaxRotationDecayRate(float) { return true; }
    // The body's rotation one tick ahead if [amount] were requested now.
    virtual float getPredictedRotation(float /*amount*/) const { return 0.0f; }

    virtual bool isSensor() const { return false; }
    virtual void setIsSensor(bool) {}
    virtual void setCollisionCategory(int) {}
    virtual int getCollisionCategory() const { return 0; }
    virtual void setCategoriesToCollideWith(int) {}
    virtual int getCategoriesToCollideWith() const { return 0; }
    virtual bool isCollidable() const { return false; }
    virtual void setIsCollidable(bool) {}

    // Bounciness: 0 (none, the default) to 1 (a hit keeps all its speed along the normal).
    virtual float getRestitution() const { return 0.0f; }
    virtual bool setRestitution(float) { return true; }
    // Friction along the contact, 0 or more (default 0.2); two bodies rub with the square root
    // of the product of theirs.
    virtual float getFriction() const { return 0.0f; }
    virtual bool setFriction(float) { return true; }
    // BODY_DYNAMIC (default), BODY_STATIC or BODY_KINEMATIC; other values are refused. A dynamic
    // body of mass 0 is static, and reads as BODY_STATIC.
    virtual int getBodyKind() const { return BODY_DYNAMIC; }
    virtual bool setBodyKind(int) { return true; }
    // The share of the world's gravity a dynamic body feels: 1 by default, 0 floats; any finite
    // value (negative ones rise).
    virtual float getGravityScale() const { return 0.0f; }
    virtual bool setGravityScale(float) { return true; }

    // Turns this tick's requests into velocity and direction, then clears them.
    virtual void update(float /*deltaMS*/) {}
};
