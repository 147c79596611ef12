// Angles, ranges, percentage shaping, digits, exponential curves and point-to-line distances, all
// in single precision. Each function is the engine side of one MATHUTIL_ or MATH_ script global;
// the binding is a table entry that converts the arguments and calls it.
#pragma once

#include <cstdint>

#include "Engine/RealPoint.h"

namespace MathUtil {

// Script constants PI, TWOPI and PIBYTWO: the float value of pi and its multiples, so degree
// conversions and angle domains agree with what scripts compute.
inline constexpr float PI = 3.14159265358979323846f;
inline constexpr float TWOPI = 2.0f * PI;
inline constexpr float PIBYTWO = PI / 2.0f;

// Truncation toward zero that saturates at the int range; NaN gives 0. Every float-to-int
// conversion a script can reach goes through this.
int32_t truncateToInt(float value);
// The same for unsigned results: negative values and NaN give 0.
uint32_t truncateToUnsigned(float value);

// ---- MATHUTIL_ ------------------------------------------------------------------------------

// MATHUTIL_GETINRANGE: [value] raised to [low], then lowered to [high] (NaN gives [high]).
float getInRange(float value, float low, float high);
float radToDeg(float radians);
float degToRad(float degrees);
// (value - low) / (high - low); 0 when the range is empty.
float getPercentageInRange(float value, float low, float high);
float getValueInRange(float t, float low, float high);
float getAngleRad(const RealPoint& p);
float getAngleDeg(const RealPoint& p);
RealPoint rotate(const RealPoint& p, float angleRadians);
// The unsigned angle between the directions of [p] and [q], in [0, PI].
float getRadiansBetween(const RealPoint& p, const RealPoint& q);
float getDegreesBetween(const RealPoint& p, const RealPoint& q);
// Fractional minutes of [ms].
float getMinutes(float ms);
// The seconds part of [ms] within its minute, fractional.
float getSeconds(float ms);
// Distance from [p] to the infinite line through [a] with direction [dir].
float getClosestDistanceFromLineToPoint(const RealPoint& a, const RealPoint& dir, const RealPoint& p);
// Distance from [p] to the segment from [a] to [a] + [dir].
float getClosestDistanceFromLineSegmentToPoint(const RealPoint& a, const RealPoint& dir, const RealPoint& p);
// The foot of [p] on the line through [a] and [b] ([a] itself when they coincide).
RealPoint findClosestPointOnLine(const RealPoint& p, const RealPoint& a, const RealPoint& b);
// Piecewise-linear curve through (0,0), ([cx],[cy]), (1,1). Never divides by zero: [cx] >= 1
// uses only the rising segment from the origin, [cx] <= 0 only the segment to (1,1).
float getContouredPercentage(float t, float cx, float cy);
// Rises from 0 to 1 up to [peak], falls back to 0 at 1.
float getTrianglePercentage(float t, float peak);
// Number of decimal digits of |n|; 0 for 0.
int getNumDigits(int32_t n);
// The [index]-th decimal digit of [n] counted from the units; 0 when [index] is negative or
// past the last digit. Negative [n] gives negative digits (C remainder).
int getDigitValue(int32_t n, int32_t index);
// e^(-k t) clamped to [0, 1].
float calculateExponentialDecay(float k, float t);
float calculateExponentialGrowth(float k, float t);
// [angle] mapped into [0, TWOPI).
float convertAngleToTwoPiDomain(float angle);
bool isAngleBetween(float angle, float low, float high);

// ---- MATH_ ----------------------------------------------------------------------------------

// MATH_MIN: [b] when a >= b, else [a].
float min(float a, float b);
float max(float a, float b);
float mod(float a, float b);
float pow(float base, float exponent);
float abs(float value);
float cos(float radians);
float sin(float radians);
float acos(float value);
float sqrt(float value);
float floor(float value);
inline float toReal(float value) {
    return value;
}
inline int32_t toInt(float value) {
    return truncateToInt(value);
}

}  // namespace MathUtil
