#include "Engine/LFO.h"

#include "Engine/MathUtil.h"
#include "Engine/RandomGenerator.h"

LFO::LFO() {
    addTypeName("LFO");
}

LFO::~LFO() = default;

void LFO::setRate(float periodMS) {
    speed_ = 2.0f / (periodMS > 0.0f ? periodMS : 1.0f);
}

void LFO::setRange(float minimum, float maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void LFO::setContour(float x, float y) {
    contourX_ = x;
    contourY_ = y;
}

void LFO::setRandomPhase() {
    setPhase(RandomGenerator::getProcessGenerator().getRandomReal());
}

float LFO::getValue() const {
    return MathUtil::getContouredPercentage(level_, contourX_, contourY_) * (maximum_ - minimum_) + minimum_;
}

float LFO::getStep(float deltaMS) const {
    return MathUtil::getInRange(deltaMS * speed_, 0.0f, 1.0f);
}
