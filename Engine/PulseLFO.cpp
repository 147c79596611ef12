#include "Engine/PulseLFO.h"

#include "Engine/MathUtil.h"

PulseLFO::PulseLFO() {
    addTypeName("PulseLFO");
}

void PulseLFO::update(float deltaMS) {
    position_ += getStep(deltaMS);
    if (position_ >= 1.0f) {
        position_ -= 1.0f;
        level_ = level_ == 0.0f ? 1.0f : 0.0f;
    }
}

void PulseLFO::setPhase(float phase) {
    // Clamped like the other shapes, so the half-cycle position stays within 0..1.
    phase = MathUtil::getInRange(phase, 0.0f, 1.0f);
    if (phase <= 0.5f) {
        level_ = 0.0f;
        position_ = phase / 0.5f;
    } else {
        level_ = 1.0f;
        position_ = (phase - 0.5f) / 0.5f;
    }
}
