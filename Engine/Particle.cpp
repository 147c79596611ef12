#include "Engine/Particle.h"

#include <algorithm>

#include "Engine/ShapeType.h"
#include "Engine/VideoModule.h"

namespace {

// Half the side of the default square: big enough to see at board scale.
constexpr float kHalfSize = 39.0f;

}  // namespace

Particle::Particle(GameSystem* gameSystem) : GameObject(gameSystem) {
    addTypeName("Particle");
}

Particle::~Particle() = default;

void Particle::update(float deltaMS) {
    vel = vel + acc * deltaMS;
    pos = pos + vel * deltaMS;
    timeToLive_ -= deltaMS;
    if (timeToLive_ <= 0.0f)
        timeToLive_ = 0.0f;
}

float Particle::getLifePercentage() const {
    if (maxTimeToLive_ == 0.0f)
        return 0.0f;
    return std::clamp(timeToLive_ / maxTimeToLive_, 0.0f, 1.0f);
}

void Particle::drawAlpha() {
    if (video_ == nullptr)
        return;
    video_->pushMatrix();
    video_->translate(pos.x, pos.y, 0.0f);
    video_->setColour(0.6f, 0.3f, 0.3f, getLifePercentage());
    video_->beginShape(SHAPETYPE_QUADS);
    video_->plotVertex(-kHalfSize, -kHalfSize, 0.0f);
    video_->plotVertex(kHalfSize, -kHalfSize, 0.0f);
    video_->plotVertex(kHalfSize, kHalfSize, 0.0f);
    video_->plotVertex(-kHalfSize, kHalfSize, 0.0f);
    video_->endShape();
    video_->popMatrix();
}
