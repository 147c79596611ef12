#include "Engine/MathUtil.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace MathUtil {

namespace {

// 2^31 as a float: the first value past the int range (INT_MAX itself is not a float).
constexpr float kTwoPow31 = 2147483648.0f;
constexpr float kTwoPow32 = 4294967296.0f;

float angleOf(const RealPoint& p) {
    return std::atan2(p.y, p.x);
}

}  // namespace

int32_t truncateToInt(float value) {
    if (std::isnan(value))
        return 0;
    if (value >= kTwoPow31)
        return std::numeric_limits<int32_t>::max();
    if (value <= -kTwoPow31)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

uint32_t truncateToUnsigned(float value) {
    if (std::isnan(value) || value <= 0.0f)
        return 0;
    if (value >= kTwoPow32)
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(value);
}

float getInRange(float value, float low, float high) {
    const float raised = low >= value ? low : value;
    return high >= raised ? raised : high;
}

float radToDeg(float radians) {
    return radians * 180.0f / PI;
}

float degToRad(float degrees) {
    return PI * degrees / 180.0f;
}

float getPercentageInRange(float value, float low, float high) {
    if (high == low)
        return 0.0f;
    return (value - low) / (high - low);
}

float getValueInRange(float t, float low, float high) {
    return (high - low) * t + low;
}

float getAngleRad(const RealPoint& p) {
    return angleOf(p);
}

float getAngleDeg(const RealPoint& p) {
    return angleOf(p) * 180.0f / PI;
}

RealPoint rotate(const RealPoint& p, float angleRadians) {
    const float c = std::cos(angleRadians);
    const float s = std::sin(angleRadians);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

float getRadiansBetween(const RealPoint& p, const RealPoint& q) {
    const float d = std::fabs(angleOf(q) - angleOf(p));
    return d < PI ? d : TWOPI - d;
}

float getDegreesBetween(const RealPoint& p, const RealPoint& q) {
    return getRadiansBetween(p, q) * 180.0f / PI;
}

float getMinutes(float ms) {
    return ms / 1000.0f / 60.0f;
}

float getSeconds(float ms) {
    const float minutes = getMinutes(ms);
    return (minutes - std::trunc(minutes)) * 60.0f;
}

float getClosestDistanceFromLineToPoint(const RealPoint& a, const RealPoint& dir, const RealPoint& p) {
    const RealPoint unit = dir.getNormalized();
    const float t = (p - a).dot(unit);
    return (a + unit * t - p).length();
}

float getClosestDistanceFromLineSegmentToPoint(const RealPoint& a, const RealPoint& dir, const RealPoint& p) {
    if (dir.isZeroVector())
        return (p - a).length();
    const RealPoint unit = dir.getNormalized();
    const RealPoint along = unit * (p - a).dot(unit);
    // How far along the segment the foot lies, 0 at a and 1 at a + dir.
    const float fraction = dir.x != 0.0f ? along.x / dir.x : along.y / dir.y;
    RealPoint closest = a + along;
    if (fraction < 0.0f) {
        closest = a;
    } else if (fraction >= 1.0f) {
        closest = a + dir;
    }
    return (p - closest).length();
}

RealPoint findClosestPointOnLine(const RealPoint& p, const RealPoint& a, const RealPoint& b) {
    const RealPoint unit = (b - a).getNormalized();
    return a + unit * (p - a).dot(unit);
}

float getContouredPercentage(float t, float cx, float cy) {
    const bool upperSegment = cx <= 0.0f || (cx < 1.0f && t >= cx);
    if (upperSegment)
        return (t - cx) / (1.0f - cx) * (1.0f - cy) + cy;
    return t / cx * cy;
}

float getTrianglePercentage(float t, float peak) {
    if (t >= peak)
        return 1.0f - getPercentageInRange(t, peak, 1.0f);
    return getPercentageInRange(t, 0.0f, peak);
}

int getNumDigits(int32_t n) {
    // Counted in 64-bit integers: a float loses digits above 2^24, and |INT_MIN| needs 64 bits.
    int64_t magnitude = std::llabs(static_cast<int64_t>(n));
    int digits = 0;
    while (magnitude > 0) {
        magnitude /= 10;
        ++digits;
    }
    return digits;
}

int getDigitValue(int32_t n, int32_t index) {
    if (index < 0 || index >= getNumDigits(n))
        return 0;
    int64_t power = 1;
    for (int32_t i = 0; i < index; ++i) power *= 10;
    return static_cast<int>((static_cast<int64_t>(n) % (power * 10)) / power);
}

float calculateExponentialDecay(float k, float t) {
    const float decay = std::exp(-k * t);
    if (!(decay > 0.0f))
        return 0.0f;
    return decay > 1.0f ? 1.0f : decay;
}

float calculateExponentialGrowth(float k, float t) {
    return 1.0f - calculateExponentialDecay(k, t);
}

float convertAngleToTwoPiDomain(float angle) {
    float r = std::fmod(angle, TWOPI);
    if (r < 0.0f)
        r += TWOPI;
    // A tiny negative remainder plus TWOPI rounds to TWOPI itself, which is outside the domain.
    if (r >= TWOPI)
        r = 0.0f;
    return r;
}

bool isAngleBetween(float angle, float low, float high) {
    const float a = convertAngleToTwoPiDomain(angle);
    const float d1 = convertAngleToTwoPiDomain(low) - a;
    const float d2 = convertAngleToTwoPiDomain(high) - a;
    if (d1 > -PIBYTWO && d2 < PIBYTWO)
        return true;
    return d2 > -PIBYTWO && d1 < PIBYTWO;
}

float min(float a, float b) {
    return a >= b ? b : a;
}
float max(float a, float b) {
    return a >= b ? a : b;
}
float mod(float a, float b) {
    return std::fmod(a, b);
}
float pow(float base, float exponent) {
    return std::pow(base, exponent);
}
float abs(float value) {
    return std::fabs(value);
}
float cos(float radians) {
    return std::cos(radians);
}
float sin(float radians) {
    return std::sin(radians);
}
float acos(float value) {
    return std::acos(value);
}
float sqrt(float value) {
    return std::sqrt(value);
}
float floor(float value) {
    return std::floor(value);
}

}  // namespace MathUtil
