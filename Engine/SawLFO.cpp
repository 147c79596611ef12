#include "Engine/SawLFO.h"

#include "Engine/MathUtil.h"

SawLFO::SawLFO() {
    addTypeName("SawLFO");
}

void SawLFO::update(float deltaMS) {
    level_ += getStep(deltaMS) / 2.0f;
    if (level_ >= 1.0f)
        level_ -= 1.0f;
}

void SawLFO::setPhase(float phase) {
    level_ = MathUtil::getInRange(phase, 0.0f, 1.0f);
}
