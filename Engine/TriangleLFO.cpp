#include "Engine/TriangleLFO.h"

#include <cmath>

#include "Engine/MathUtil.h"

TriangleLFO::TriangleLFO() {
    addTypeName("TriangleLFO");
}

void TriangleLFO::update(float deltaMS) {
    level_ += getStep(deltaMS) * direction_;
    if (level_ >= 1.0f) {
        level_ = 2.0f - level_;
        direction_ = -direction_;
    } else if (level_ < 0.0f) {
        level_ = std::fabs(level_);
        direction_ = -direction_;
    }
}

void TriangleLFO::setPhase(float phase) {
    level_ = MathUtil::getInRange(phase, 0.0f, 1.0f);
}
