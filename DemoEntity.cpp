#include "DemoEntity.h"

#include <cmath>

#include "Engine/GameSystem.h"
#include "Engine/ShapeType.h"
#include "Engine/VideoModule.h"

namespace {
constexpr float kPi = 3.1415927f;
// The default board's corners.
constexpr float kBoardMaxX = 2399.0f;
constexpr float kBoardMaxY = 1339.0f;
// Rim vertices of the default circle shape; the last repeats the first to close the fan.
constexpr int kCircleRimVertices = 21;
}  // namespace

DemoEntity::DemoEntity(GameSystem* gameSystem, const Definition& d)
    : Entity(gameSystem, 0, d.player),
      pos_(d.pos),
      velocity_(d.velocity),
      radius_(d.radius),
      halfWidth_(d.halfWidth),
      halfHeight_(d.halfHeight),
      colour_{d.red, d.green, d.blue} {}

float DemoEntity::getBoundingRadius() const {
    return radius_ > 0.0f ? radius_ : std::sqrt(halfWidth_ * halfWidth_ + halfHeight_ * halfHeight_);
}

void DemoEntity::setSpeed(float unitsPerMS) {
    RealPoint direction = velocity_.getNormalized();
    if (direction.isZeroVector())
        direction = RealPoint(1.0f, 0.0f);
    velocity_ = direction * unitsPerMS;
}

void DemoEntity::steerToward(const RealPoint& direction, float maxRadians) {
    if (direction.isZeroVector() || velocity_.isZeroVector())
        return;
    const float heading = std::atan2(velocity_.y, velocity_.x);
    float turn = std::atan2(direction.y, direction.x) - heading;
    while (turn > kPi) turn -= 2.0f * kPi;
    while (turn < -kPi) turn += 2.0f * kPi;
    turn = std::fmax(-maxRadians, std::fmin(maxRadians, turn));
    const float speed = velocity_.length();
    velocity_ = RealPoint(std::cos(heading + turn), std::sin(heading + turn)) * speed;
}

void DemoEntity::update(float deltaMS) {
    if (!isPlayer()) {
        // A slowly wandering wish direction gives curved paths rather than straight lines.
        wanderRadians_ += gameSystem_->getRandomReal(-0.08f, 0.08f);
        steerToward(RealPoint(std::cos(wanderRadians_), std::sin(wanderRadians_)), 0.01f);
    }
    pos_ = pos_ + velocity_ * deltaMS;
    const float r = getBoundingRadius();
    if (std::fabs(pos_.x) > kBoardMaxX - r) {
        pos_.x = std::copysign(kBoardMaxX - r, pos_.x);
        velocity_.x = -velocity_.x;
    }
    if (std::fabs(pos_.y) > kBoardMaxY - r) {
        pos_.y = std::copysign(kBoardMaxY - r, pos_.y);
        velocity_.y = -velocity_.y;
    }
}

void DemoEntity::collide(DemoEntity& a, DemoEntity& b) {
    const RealPoint between = b.pos_ - a.pos_;
    const float distance = between.length();
    const float reach = a.getBoundingRadius() + b.getBoundingRadius();
    if (distance >= reach || distance == 0.0f)
        return;
    const RealPoint normal = between / distance;
    const float overlap = (reach - distance) / 2.0f;
    a.pos_ = a.pos_ - normal * overlap;
    b.pos_ = b.pos_ + normal * overlap;
    // Equal masses: exchange the velocity components along the normal when closing.
    const float closing = a.velocity_.dot(normal) - b.velocity_.dot(normal);
    if (closing <= 0.0f)
        return;
    a.velocity_ = a.velocity_ - normal * closing;
    b.velocity_ = b.velocity_ + normal * closing;
}

void DemoEntity::draw() {
    VideoModule* video = gameSystem_->getVideoModule();
    video->pushMatrix();
    video->translate(pos_.x, pos_.y, 0.0f);
    video->rotateZ(std::atan2(velocity_.y, velocity_.x) - kPi / 2.0f);
    video->setColour(colour_[0], colour_[1], colour_[2], 1.0f);
    if (radius_ > 0.0f) {
        video->beginShape(SHAPETYPE_TRIANGLEFAN);
        video->plotVertex(0.0f, 0.0f, 0.0f);
        for (int i = 0; i < kCircleRimVertices; ++i) {
            const float t = static_cast<float>(i) * 2.0f * kPi / static_cast<float>(kCircleRimVertices - 1);
            video->plotVertex(radius_ * std::cos(t), radius_ * std::sin(t), 0.0f);
        }
    } else {
        video->beginShape(SHAPETYPE_QUADS);
        video->plotVertex(-halfWidth_, -halfHeight_, 0.0f);
        video->plotVertex(halfWidth_, -halfHeight_, 0.0f);
        video->plotVertex(halfWidth_, halfHeight_, 0.0f);
        video->plotVertex(-halfWidth_, halfHeight_, 0.0f);
    }
    video->endShape();
    video->popMatrix();
}
