#include "Engine/Alarm.h"

#include <cmath>

#include "Engine/MathUtil.h"
#include "Engine/RandomGenerator.h"

Alarm::Alarm(float intervalMS, bool startAlarming)
    : intervalMS_(intervalMS), elapsedMS_(startAlarming ? intervalMS : 0.0f) {}

bool Alarm::update(float deltaMS) {
    if (!enabled_)
        return false;
    elapsedMS_ += deltaMS;
    return isAlarming();
}

void Alarm::reset() {
    if (!(intervalMS_ > 0.0f)) {
        elapsedMS_ = 0.0f;
        return;
    }
    const float overshoot = std::fmod(elapsedMS_, intervalMS_);
    elapsedMS_ = (std::isfinite(overshoot) && overshoot > 0.0f) ? overshoot : 0.0f;
}

void Alarm::phaseReset(float phase) {
    elapsedMS_ = MathUtil::getInRange(phase, 0.0f, 1.0f) * intervalMS_;
}

void Alarm::randomReset() {
    phaseReset(RandomGenerator::getProcessGenerator().getRandomReal());
}

void Alarm::setIntervalAndHardReset(float intervalMS) {
    intervalMS_ = intervalMS;
    elapsedMS_ = 0.0f;
}

float Alarm::getAlarmPercentage() const {
    if (intervalMS_ == 0.0f)
        return 1.0f;
    return MathUtil::getInRange(elapsedMS_ / intervalMS_, 0.0f, 1.0f);
}
