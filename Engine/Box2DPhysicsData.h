// A body in the Box2D world with one circle or box shape. It keeps the steering requests of the
// current tick and turns them into velocity and direction in update; every change of shape,
// mass or filter rebuilds the world body, keeping its position, rotation and velocities.
#pragma once

#include "Engine/PhysicsData.h"

class b2Body;
class Box2DPhysicsModule;
class Entity;

class Box2DPhysicsData final : public PhysicsData {
  public:
    // [entity] becomes the world body's user data; the body starts at the origin.
    Box2DPhysicsData(Entity* entity, Box2DPhysicsModule* module);
    ~Box2DPhysicsData() override;

    // The module is going away first: drop the body without touching the world.
    void forgetModule();

    void removeFromWorld() override;
    using PhysicsData::setPos;
    bool setPos(float x, float y) override;
    RealPoint getPos() const override;
    using PhysicsData::setDir;
    bool setDir(float x, float y) override;
    RealPoint getDir() const override;
    void setDoesRotationResponse(bool enabled) override;
    bool doesRotationResponse() const override { return rotationResponse_; }

    void rotateLeft() override;
    void rotateRight() override;
    bool rotate(float amount) override;
    float getMaxRotateSpeed() const override { return maxRotateSpeed_; }
    bool setMaxRotateSpeed(float speed) override;
    float getRotateAcc() const override { return rotateAcc_; }
    bool setRotateAcc(float acc) override;
    float getRotateSpeed() const override;
    void thrust() override;
    void reverseThrust() override;
    void brake() override;

    RealPoint getVel() const override;
    using PhysicsData::setVel;
    bool setVel(float x, float y) override;
    float getMass() const override { return mass_; }
    bool setMass(float mass) override;
    float getMaxSpeed() const override { return maxSpeed_; }
    bool setMaxSpeed(float speed) override;
    bool setSpeed(float speed) override;
    float getSpeed() const override { return getVel().length(); }
    bool setBrakeAcc(float acc) override;
    float getBrakeAcc() const override { return brakeAcc_; }
    float getThrustAcc() const override { return thrustAcc_; }
    bool setThrustAcc(float acc) override;

    float getWidth() const override { return width_; }
    float getHeight() const override { return height_; }
    float getRadius() const override { return radius_; }
    bool setAsRect(float width, float height) override;
    bool setAsCircle(float radius) override;
    bool isCircle() const override { return circle_; }

    bool setVelocityDecayRate(float rate) override;
    bool setRotationDecayRate(float rate) override;
    bool setMaxVelocityDecayRate(float rate) override;
    bool setMaxRotationDecayRate(float rate) override;
    float getPredictedRotation(float amount) const override;

    bool isSensor() const override { return sensor_; }
    void setIsSensor(bool sensor) override;
    void setCollisionCategory(int category) override;
    int getCollisionCategory() const override { return category_; }
    void setCategoriesToCollideWith(int mask) override;
    int getCategoriesToCollideWith() const override { return mask_; }
    bool isCollidable() const override { return collidable_; }
    void setIsCollidable(bool collidable) override;

    float getRestitution() const override { return restitution_; }
    bool setRestitution(float restitution) override;
    float getFriction() const override { return friction_; }
    bool setFriction(float friction) override;
    int getBodyKind() const override;
    bool setBodyKind(int kind) override;
    float getGravityScale() const override { return gravityScale_; }
    bool setGravityScale(float scale) override;

    void update(float deltaMS) override;

    b2Body* getBody() const { return body_; }

  private:
    void rebuild();
    void destroyBody();
    // The rotate-speed rule: decay, over-speed cut, the requested [amount] over [deltaMS], clamp.
    float nextRotateSpeed(float speed, float amount, float deltaMS) const;
    void clearRequests();
    // The fixture's material changed: contacts made before mix it again.
    void refreshMaterial();

    Entity* entity_;
    Box2DPhysicsModule* module_;
    b2Body* body_ = nullptr;
    bool inWorld_ = true;

    bool rotationResponse_ = false;
    float mass_ = 0.001f;
    bool thrustRequested_ = false;
    bool reverseRequested_ = false;
    bool brakeRequested_ = false;
    bool leftRequested_ = false;
    bool rightRequested_ = false;
    float thrustAmount_ = 0.0f;  // units/ms²
    float brakeAmount_ = 0.0f;   // units/ms²
    float rotateAmount_ = 0.0f;  // rad/ms²
    float maxSpeed_ = 0.7f;      // units/ms
    // The accelerations are large on purpose: a single request reaches the speed limits within
    // one tick, so scripts steer by requests rather than by tuning forces.
    float thrustAcc_ = 999.0f;  // units/ms²
    float brakeAcc_ = 999.0f;   // units/ms²
    float maxRotateSpeed_;      // rad/ms
    float rotateAcc_ = 999.0f;  // rad/ms²
    float velocityDecay_;       // per-tick factors, see the decay setters
    float rotationDecay_;
    float maxVelocityDecay_ = 0.0f;
    float maxRotationDecay_ = 0.0f;
    int category_ = 1;
    int mask_ = ALL_COLLISION_CATEGORIES;
    bool sensor_ = false;
    bool collidable_ = true;
    float friction_;
    float restitution_;
    int kind_ = BODY_DYNAMIC;
    float gravityScale_ = 1.0f;
    bool circle_ = true;
    float width_ = 60.0f;
    float height_ = 60.0f;
    float radius_ = 30.0f;
    // Half extents of the box shape as built (swapped when made with rotation response on).
    float boxHalfX_ = 30.0f;
    float boxHalfY_ = 30.0f;
    RealPoint direction_{0.0f, 1.0f};  // unit vector, used while rotation response is off
    float rotateSpeed_ = 0.0f;         // rad/ms, used while rotation response is off
};
