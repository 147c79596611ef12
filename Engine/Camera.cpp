#include "Engine/Camera.h"

#include <algorithm>

namespace {
// Inverted bounds do not throw like std::clamp's precondition would: the minimum wins.
float clampTo(float value, float low, float high) {
    return std::max(low, std::min(value, high));
}
}  // namespace

float Camera::getPosX() const {
    return clamping_ ? clampTo(x_, min_[0], max_[0]) : x_;
}
float Camera::getPosY() const {
    return clamping_ ? clampTo(y_, min_[1], max_[1]) : y_;
}
float Camera::getPosZ() const {
    return clamping_ ? clampTo(z_, min_[2], max_[2]) : z_;
}

void Camera::setBounds(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) {
    min_[0] = minX;
    min_[1] = minY;
    min_[2] = minZ;
    max_[0] = maxX;
    max_[1] = maxY;
    max_[2] = maxZ;
}
