#include "Engine/Box2DPhysicsData.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <box2d/box2d.h>

#include "Engine/Assertion.h"
#include "Engine/Box2DPhysicsModule.h"
#include "Engine/Box2DUnits.h"
#include "Engine/GameSystem.h"
#include "Engine/MathUtil.h"

using namespace Box2DUnits;

namespace {

// Decay factors are applied once per tick, so a rate per ms becomes a factor over one tick.
constexpr float kTickMS = UPDATE_INTERVAL_MS;
// The default decay rate per ms: about 5% of the velocity lost per tick.
constexpr float kDefaultDecayRate = 0.0033333334f;
// The default turn rate: one full turn in three seconds.
constexpr float kDefaultMaxRotateSpeed = MathUtil::TWOPI / 3000.0f;
// Shapes handed to Box2D stay within these world sizes whatever the engine asks: below the
// lower bound a box has too little area for Box2D's mass computation (it asserts), and beyond
// the upper bound its tree arithmetic loses all precision.
constexpr float kMinWorldExtent = 0.005f;
constexpr float kMaxWorldExtent = 100000.0f;
// Friction and restitution of a new body: slightly grippy, no bounce.
constexpr float kDefaultFriction = 0.2f;
constexpr float kDefaultRestitution = 0.0f;
// Below this length a velocity is left as it is instead of normalised, as Box2D itself does.
constexpr float kNormalizeEpsilon = 1.1920929e-07f;

bool isFiniteArg(float value) {
    return TACT_ASSERT(std::isfinite(value), "std::isfinite(value)");
}

float decayFactor(float ratePerMS) {
    return std::clamp(std::exp(-ratePerMS * kTickMS), 0.0f, 1.0f);
}

float worldExtent(float engineLength) {
    return std::clamp(engineLength * kLengthToWorld, kMinWorldExtent, kMaxWorldExtent);
}

RealPoint fromWorld(const b2Vec2& v, float scale) {
    return {v.x * scale, v.y * scale};
}

}  // namespace

Box2DPhysicsData::Box2DPhysicsData(Entity* entity, Box2DPhysicsModule* module)
    : entity_(entity),
      module_(module),
      maxRotateSpeed_(kDefaultMaxRotateSpeed),
      velocityDecay_(decayFactor(kDefaultDecayRate)),
      rotationDecay_(decayFactor(kDefaultDecayRate)),
      friction_(kDefaultFriction),
      restitution_(kDefaultRestitution) {
    addTypeName("Box2DPhysicsData");
    if (module_ != nullptr)
        module_->attach(this);
    rebuild();
}

Box2DPhysicsData::~Box2DPhysicsData() {
    destroyBody();
    if (module_ != nullptr)
        module_->detach(this);
}

void Box2DPhysicsData::forgetModule() {
    body_ = nullptr;
    module_ = nullptr;
}

void Box2DPhysicsData::destroyBody() {
    if (body_ == nullptr || module_ == nullptr)
        return;
    // The user data stays: the world reports the body's touching contacts as ended while it goes,
    // and the module reads their entities.
    module_->getWorld().DestroyBody(body_);
    body_ = nullptr;
}

void Box2DPhysicsData::removeFromWorld() {
    destroyBody();
    inWorld_ = false;
}

// Box2D 2.4 brings the broad phase up to date when a fixture is made or a body destroyed, and
// finds new contacts at the start of the next step, so no zero step is needed here.
void Box2DPhysicsData::rebuild() {
    if (module_ == nullptr || !inWorld_)
        return;
    b2World& world = module_->getWorld();

    b2BodyDef bodyDef;
    if (body_ != nullptr) {
        bodyDef.position = body_->GetPosition();
        bodyDef.angle = body_->GetAngle();
        bodyDef.linearVelocity = body_->GetLinearVelocity();
        bodyDef.angularVelocity = body_->GetAngularVelocity();
        destroyBody();
    }
    // A mass of 0 makes a static body, which never moves and may sleep.
    switch (getBodyKind()) {
        case BODY_KINEMATIC:
            bodyDef.type = b2_kinematicBody;
            break;
        case BODY_STATIC:
            bodyDef.type = b2_staticBody;
            bodyDef.linearVelocity.SetZero();
            bodyDef.angularVelocity = 0.0f;
            break;
        default:
            bodyDef.type = b2_dynamicBody;
            break;
    }
    bodyDef.allowSleep = bodyDef.type == b2_staticBody;
    bodyDef.fixedRotation = !rotationResponse_;
    bodyDef.userData.pointer = reinterpret_cast<uintptr_t>(entity_);
    body_ = world.CreateBody(&bodyDef);

    b2FixtureDef fixtureDef;
    fixtureDef.density = mass_;
    fixtureDef.friction = friction_;
    fixtureDef.restitution = restitution_;
    fixtureDef.isSensor = sensor_;
    fixtureDef.filter.categoryBits = collidable_ ? static_cast<uint16_t>(category_) : 0;
    fixtureDef.filter.maskBits = collidable_ ? static_cast<uint16_t>(mask_) : 0;
    fixtureDef.filter.groupIndex = 0;
    b2CircleShape circle;
    b2PolygonShape box;
    if (circle_) {
        circle.m_radius = worldExtent(radius_);
        fixtureDef.shape = &circle;
    } else {
        box.SetAsBox(worldExtent(boxHalfX_), worldExtent(boxHalfY_));
        fixtureDef.shape = &box;
    }
    body_->CreateFixture(&fixtureDef);
}

// ---- Position and direction ---------------------------------------------------------------------

bool Box2DPhysicsData::setPos(float x, float y) {
    if (!isFiniteArg(x) || !isFiniteArg(y))
        return false;
    if (body_ != nullptr)
        body_->SetTransform(b2Vec2(x * kLengthToWorld, y * kLengthToWorld), body_->GetAngle());
    return true;
}

RealPoint Box2DPhysicsData::getPos() const {
    return body_ != nullptr ? fromWorld(body_->GetPosition(), kLengthFromWorld) : RealPoint{};
}

bool Box2DPhysicsData::setDir(float x, float y) {
    if (!isFiniteArg(x) || !isFiniteArg(y))
        return false;
    const RealPoint dir = RealPoint{x, y}.getNormalized();
    if (!rotationResponse_) {
        direction_ = dir;
    } else if (body_ != nullptr) {
        body_->SetTransform(body_->GetPosition(), std::atan2(dir.y, dir.x));
    }
    return true;
}

RealPoint Box2DPhysicsData::getDir() const {
    if (!rotationResponse_ || body_ == nullptr)
        return direction_;
    const float angle = body_->GetAngle();
    return {std::cos(angle), std::sin(angle)};
}

void Box2DPhysicsData::setDoesRotationResponse(bool enabled) {
    rotationResponse_ = enabled;
    rebuild();
}

// ---- Requests -----------------------------------------------------------------------------------

void Box2DPhysicsData::rotateLeft() {
    if (leftRequested_)
        return;
    leftRequested_ = true;
    rotateAmount_ += rotateAcc_;
}

void Box2DPhysicsData::rotateRight() {
    if (rightRequested_)
        return;
    rightRequested_ = true;
    rotateAmount_ -= rotateAcc_;
}

bool Box2DPhysicsData::rotate(float amount) {
    if (!isFiniteArg(amount))
        return false;
    if (leftRequested_ || rightRequested_)
        return true;
    rotateAmount_ = std::clamp(amount, -rotateAcc_, rotateAcc_);
    leftRequested_ = true;
    rightRequested_ = true;
    return true;
}

void Box2DPhysicsData::thrust() {
    if (thrustRequested_)
        return;
    thrustRequested_ = true;
    thrustAmount_ += thrustAcc_;
}

void Box2DPhysicsData::reverseThrust() {
    if (reverseRequested_)
        return;
    reverseRequested_ = true;
    thrustAmount_ -= thrustAcc_;
}

void Box2DPhysicsData::brake() {
    if (brakeRequested_)
        return;
    brakeRequested_ = true;
    brakeAmount_ += brakeAcc_;
}

void Box2DPhysicsData::clearRequests() {
    thrustRequested_ = reverseRequested_ = brakeRequested_ = leftRequested_ = rightRequested_ = false;
    thrustAmount_ = brakeAmount_ = rotateAmount_ = 0.0f;
}

// ---- Tunables -------------------------------------------------------------------------------

bool Box2DPhysicsData::setMaxRotateSpeed(float speed) {
    if (!isFiniteArg(speed))
        return false;
    maxRotateSpeed_ = speed;
    return true;
}

bool Box2DPhysicsData::setRotateAcc(float acc) {
    if (!isFiniteArg(acc))
        return false;
    rotateAcc_ = acc;
    return true;
}

float Box2DPhysicsData::getRotateSpeed() const {
    if (!rotationResponse_)
        return rotateSpeed_;
    return body_ != nullptr ? body_->GetAngularVelocity() * kAngularFromWorld : 0.0f;
}

RealPoint Box2DPhysicsData::getVel() const {
    return body_ != nullptr ? fromWorld(body_->GetLinearVelocity(), kVelocityFromWorld) : RealPoint{};
}

bool Box2DPhysicsData::setVel(float x, float y) {
    if (!isFiniteArg(x) || !isFiniteArg(y))
        return false;
    if (body_ != nullptr)
        body_->SetLinearVelocity(b2Vec2(x * kVelocityToWorld, y * kVelocityToWorld));
    return true;
}

bool Box2DPhysicsData::setMass(float mass) {
    if (!isFiniteArg(mass) || !TACT_ASSERT(mass >= 0.0f, "mass>=0"))
        return false;
    mass_ = mass;
    rebuild();
    return true;
}

bool Box2DPhysicsData::setMaxSpeed(float speed) {
    if (!isFiniteArg(speed))
        return false;
    maxSpeed_ = speed;
    return true;
}

bool Box2DPhysicsData::setSpeed(float speed) {
    if (!isFiniteArg(speed))
        return false;
    RealPoint unit = getVel();
    if (unit.isZeroVector()) {
        unit = getDir();
    } else if (const float length = unit.length(); length >= kNormalizeEpsilon) {
        unit = unit / length;
    }
    return setVel(unit * speed);
}

bool Box2DPhysicsData::setBrakeAcc(float acc) {
    if (!isFiniteArg(acc))
        return false;
    brakeAcc_ = acc;
    return true;
}

bool Box2DPhysicsData::setThrustAcc(float acc) {
    if (!isFiniteArg(acc))
        return false;
    thrustAcc_ = acc;
    return true;
}

bool Box2DPhysicsData::setVelocityDecayRate(float rate) {
    if (!isFiniteArg(rate))
        return false;
    velocityDecay_ = decayFactor(rate);
    return true;
}

bool Box2DPhysicsData::setRotationDecayRate(float rate) {
    if (!isFiniteArg(rate))
        return false;
    rotationDecay_ = decayFactor(rate);
    return true;
}

bool Box2DPhysicsData::setMaxVelocityDecayRate(float rate) {
    if (!isFiniteArg(rate))
        return false;
    maxVelocityDecay_ = decayFactor(rate);
    return true;
}

bool Box2DPhysicsData::setMaxRotationDecayRate(float rate) {
    if (!isFiniteArg(rate))
        return false;
    maxRotationDecay_ = decayFactor(rate);
    return true;
}

// ---- Material, kind and gravity ---------------------------------------------------------------

void Box2DPhysicsData::refreshMaterial() {
    if (body_ == nullptr)
        return;
    for (b2Fixture* fixture = body_->GetFixtureList(); fixture != nullptr; fixture = fixture->GetNext()) {
        fixture->SetFriction(friction_);
        fixture->SetRestitution(restitution_);
    }
    for (b2ContactEdge* edge = body_->GetContactList(); edge != nullptr; edge = edge->next) {
        edge->contact->ResetFriction();
        edge->contact->ResetRestitution();
    }
}

bool Box2DPhysicsData::setRestitution(float restitution) {
    if (!isFiniteArg(restitution) ||
        !TACT_ASSERT(restitution >= 0.0f && restitution <= 1.0f, "0<=restitution<=1"))
        return false;
    restitution_ = restitution;
    refreshMaterial();
    return true;
}

bool Box2DPhysicsData::setFriction(float friction) {
    if (!isFiniteArg(friction) || !TACT_ASSERT(friction >= 0.0f, "friction>=0"))
        return false;
    friction_ = friction;
    refreshMaterial();
    return true;
}

int Box2DPhysicsData::getBodyKind() const {
    return kind_ == BODY_DYNAMIC && mass_ == 0.0f ? BODY_STATIC : kind_;
}

bool Box2DPhysicsData::setBodyKind(int kind) {
    if (!TACT_ASSERT(kind == BODY_DYNAMIC || kind == BODY_STATIC || kind == BODY_KINEMATIC,
                     "known body kind"))
        return false;
    kind_ = kind;
    rebuild();
    return true;
}

bool Box2DPhysicsData::setGravityScale(float scale) {
    if (!isFiniteArg(scale))
        return false;
    gravityScale_ = scale;
    return true;
}

// ---- Shape and filter -----------------------------------------------------------------------

bool Box2DPhysicsData::setAsRect(float width, float height) {
    if (!isFiniteArg(width) || !isFiniteArg(height) ||
        !TACT_ASSERT(width > 0.0f && height > 0.0f, "size>0")) {
        return false;
    }
    circle_ = false;
    boxHalfX_ = (rotationResponse_ ? height : width) / 2.0f;
    boxHalfY_ = (rotationResponse_ ? width : height) / 2.0f;
    rebuild();
    width_ = width;
    height_ = height;
    radius_ = std::max(width, height) / 2.0f;
    return true;
}

bool Box2DPhysicsData::setAsCircle(float radius) {
    if (!isFiniteArg(radius) || !TACT_ASSERT(radius > 0.0f, "size>0"))
        return false;
    circle_ = true;
    radius_ = radius;
    rebuild();
    width_ = height_ = 2.0f * radius;
    return true;
}

void Box2DPhysicsData::setIsSensor(bool sensor) {
    sensor_ = sensor;
    rebuild();
}

void Box2DPhysicsData::setCollisionCategory(int category) {
    category_ = category & ALL_COLLISION_CATEGORIES;
    rebuild();
}

void Box2DPhysicsData::setCategoriesToCollideWith(int mask) {
    mask_ = mask & ALL_COLLISION_CATEGORIES;
    rebuild();
}

void Box2DPhysicsData::setIsCollidable(bool collidable) {
    collidable_ = collidable;
    rebuild();
}

// ---- Movement -----------------------------------------------------------------------------------

float Box2DPhysicsData::nextRotateSpeed(float speed, float amount, float deltaMS) const {
    const float decayed = speed * rotationDecay_;
    // decayed - (1 - k) * over, written as limit + k * over so a large over-speed does not
    // cancel away the precision of the result.
    const float over = decayed - maxRotateSpeed_;
    const float kept = over > 0.0f ? maxRotateSpeed_ + maxRotationDecay_ * over : decayed;
    float next = amount * deltaMS + kept;
    if (std::fabs(next) > maxRotateSpeed_)
        next = std::copysign(maxRotateSpeed_, next);
    return next;
}

float Box2DPhysicsData::getPredictedRotation(float amount) const {
    if (body_ == nullptr)
        return 0.0f;
    const float angularSpeed = body_->GetAngularVelocity() * kAngularFromWorld;
    return body_->GetAngle() + kTickMS * nextRotateSpeed(angularSpeed, amount, kTickMS);
}

void Box2DPhysicsData::update(float deltaMS) {
    if (body_ == nullptr || !std::isfinite(deltaMS)) {
        clearRequests();
        return;
    }
    const RealPoint dir = getDir();
    RealPoint vel = fromWorld(body_->GetLinearVelocity(), kVelocityFromWorld) * velocityDecay_ +
                    dir * (thrustAmount_ * deltaMS);
    // Gravity pulls like a thrust, before the speed limit, so a falling body has a top speed.
    if (module_ != nullptr && body_->GetType() == b2_dynamicBody)
        vel = vel + module_->getGravity() * (gravityScale_ * deltaMS);
    const float length = vel.length();
    // Over the limit, only the max velocity decay's share of the excess is kept; written as
    // limit + share so a single 999-unit thrust still lands exactly on the limit.
    const float over = length - maxSpeed_;
    float speed = over > 0.0f ? maxSpeed_ + maxVelocityDecay_ * over : length;
    speed -= brakeAmount_ * deltaMS;
    speed = std::max(speed, 0.0f);
    vel = length > 0.0f ? vel * (speed / length) : RealPoint{};
    // Extreme tunables can overflow; a body must never hand Box2D a non-finite velocity.
    if (!std::isfinite(vel.x) || !std::isfinite(vel.y))
        vel = RealPoint{};
    body_->SetLinearVelocity(b2Vec2(vel.x * kVelocityToWorld, vel.y * kVelocityToWorld));

    if (rotationResponse_) {
        const float w =
            nextRotateSpeed(body_->GetAngularVelocity() * kAngularFromWorld, rotateAmount_, deltaMS);
        body_->SetAngularVelocity(std::isfinite(w) ? w * kAngularToWorld : 0.0f);
    } else {
        rotateSpeed_ = nextRotateSpeed(rotateSpeed_, rotateAmount_, deltaMS);
        if (!std::isfinite(rotateSpeed_))
            rotateSpeed_ = 0.0f;
        // Remade from its angle on every update, turning or not: a direction set to (0, 0)
        // becomes the x axis (angle 0), so thrust works again.
        const float angle = std::atan2(direction_.y, direction_.x) + rotateSpeed_ * deltaMS;
        direction_ = {std::cos(angle), std::sin(angle)};
    }
    clearRequests();
}
