#include "Engine/RealPoint.h"

#include <cmath>

float RealPoint::length() const {
    return std::sqrt(x * x + y * y);
}

void RealPoint::normalize() {
    *this = getNormalized();
}

RealPoint RealPoint::getNormalized() const {
    const float len = length();
    if (len == 0.0f)
        return {0.0f, 0.0f};
    return {x / len, y / len};
}

float RealPoint::distance(const RealPoint& other) const {
    return (other - *this).length();
}

float RealPoint::scalarProjectOnto(const RealPoint& onto) const {
    return dot(onto.getNormalized());
}

RealPoint RealPoint::vectorProjectOnto(const RealPoint& onto) const {
    const RealPoint unit = onto.getNormalized();
    return unit * dot(unit);
}

bool RealPoint::divideEquals(const RealPoint& p) {
    if (!canDivideBy(p))
        return false;
    *this = *this / p;
    return true;
}

bool RealPoint::divideEquals(float n) {
    if (!canDivideBy(n))
        return false;
    *this = *this / n;
    return true;
}
