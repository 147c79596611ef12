#include "Engine/MathUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace MathUtil;

TEST(MathUtil, RangesClampAndMapAndAnEmptyRangeGivesZero) {
    EXPECT_FLOAT_EQ(getInRange(-1, 0, 1), 0.0f);
    EXPECT_FLOAT_EQ(getInRange(2, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(getInRange(0.25f, 0, 1), 0.25f);
    EXPECT_FLOAT_EQ(getPercentageInRange(15, 10, 20), 0.5f);
    EXPECT_FLOAT_EQ(getPercentageInRange(15, 3, 3), 0.0f);
    EXPECT_FLOAT_EQ(getValueInRange(0.25f, 10, 20), 12.5f);
    EXPECT_FLOAT_EQ(radToDeg(PI), 180.0f);
    EXPECT_FLOAT_EQ(degToRad(90), PIBYTWO);
}

TEST(MathUtil, AnglesBetweenDirectionsNeverExceedPi) {
    const float between = getRadiansBetween(RealPoint(1, 0), RealPoint(-1, -0.0001f));
    EXPECT_LE(between, PI);
    EXPECT_GT(between, PI - 0.001f);
    EXPECT_FLOAT_EQ(getDegreesBetween(RealPoint(0, 1), RealPoint(1, 0)), 90.0f);
    EXPECT_FLOAT_EQ(getAngleDeg(RealPoint(0, -2)), -90.0f);
    const RealPoint turned = rotate(RealPoint(1, 0), PIBYTWO);
    EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.y, 1.0f, 1e-6f);
}

TEST(MathUtil, MinutesAndSecondsOfMilliseconds) {
    EXPECT_FLOAT_EQ(getMinutes(90000), 1.5f);
    EXPECT_FLOAT_EQ(getSeconds(90000), 30.0f);
}

TEST(MathUtil, DistancesToLinesAndSegments) {
    EXPECT_FLOAT_EQ(getClosestDistanceFromLineToPoint(RealPoint(0, 0), RealPoint(2, 0), RealPoint(7, 3)),
                    3.0f);
    // Beyond the end the distance is to the end point; before the start, to the start point.
    const RealPoint a(0, 0), dir(4, 0);
    EXPECT_FLOAT_EQ(getClosestDistanceFromLineSegmentToPoint(a, dir, RealPoint(7, 4)), 5.0f);
    EXPECT_FLOAT_EQ(getClosestDistanceFromLineSegmentToPoint(a, dir, RealPoint(-3, 4)), 5.0f);
    EXPECT_FLOAT_EQ(getClosestDistanceFromLineSegmentToPoint(a, dir, RealPoint(2, -1)), 1.0f);
    EXPECT_FLOAT_EQ(getClosestDistanceFromLineSegmentToPoint(a, RealPoint(0, 3), RealPoint(0, 5)), 2.0f);
    EXPECT_FLOAT_EQ(getClosestDistanceFromLineSegmentToPoint(a, RealPoint(), RealPoint(3, 4)), 5.0f);
    EXPECT_EQ(findClosestPointOnLine(RealPoint(2, 5), RealPoint(0, 0), RealPoint(4, 0)), RealPoint(2, 0));
    EXPECT_EQ(findClosestPointOnLine(RealPoint(2, 5), RealPoint(1, 1), RealPoint(1, 1)), RealPoint(1, 1));
}

TEST(MathUtil, ContouredPercentageBendsThroughTheContourPoint) {
    EXPECT_FLOAT_EQ(getContouredPercentage(0.25f, 0.5f, 0.5f), 0.25f);
    EXPECT_FLOAT_EQ(getContouredPercentage(0.25f, 0.5f, 0.8f), 0.4f);
    EXPECT_FLOAT_EQ(getContouredPercentage(0.75f, 0.5f, 0.8f), 0.9f);
}

TEST(MathUtil, ContouredPercentageAtTheEdgesNeverDividesByZero) {
    // cx = 1: only the segment from the origin; cx = 0: only the segment to (1, 1).
    EXPECT_FLOAT_EQ(getContouredPercentage(1.0f, 1.0f, 0.3f), 0.3f);
    EXPECT_FLOAT_EQ(getContouredPercentage(0.5f, 1.0f, 0.3f), 0.15f);
    EXPECT_FLOAT_EQ(getContouredPercentage(0.0f, 0.0f, 0.3f), 0.3f);
    EXPECT_FLOAT_EQ(getContouredPercentage(0.5f, 0.0f, 0.3f), 0.65f);
    EXPECT_TRUE(std::isfinite(getContouredPercentage(0.5f, 1.5f, 0.3f)));
    EXPECT_TRUE(std::isfinite(getContouredPercentage(0.5f, -0.5f, 0.3f)));
}

TEST(MathUtil, TrianglePercentageRisesToThePeakAndFalls) {
    EXPECT_FLOAT_EQ(getTrianglePercentage(0.125f, 0.25f), 0.5f);
    EXPECT_FLOAT_EQ(getTrianglePercentage(0.25f, 0.25f), 1.0f);
    EXPECT_FLOAT_EQ(getTrianglePercentage(1.0f, 0.25f), 0.0f);
}

TEST(MathUtil, DigitsCountAndIndexFromTheUnits) {
    EXPECT_EQ(getNumDigits(0), 0);
    EXPECT_EQ(getNumDigits(4527), 4);
    EXPECT_EQ(getNumDigits(-10), 2);
    EXPECT_EQ(getNumDigits(999999999), 9);
    EXPECT_EQ(getNumDigits(std::numeric_limits<int32_t>::min()), 10);
    EXPECT_EQ(getDigitValue(4527, 0), 7);
    EXPECT_EQ(getDigitValue(4527, 2), 5);
    EXPECT_EQ(getDigitValue(4527, 4), 0);
    EXPECT_EQ(getDigitValue(4527, -1), 0);
    EXPECT_EQ(getDigitValue(2147483647, 9), 2);
    EXPECT_EQ(getDigitValue(2147483647, 2000000000), 0);
}

TEST(MathUtil, ExponentialCurvesStayInTheUnitRange) {
    EXPECT_FLOAT_EQ(calculateExponentialDecay(1, 0), 1.0f);
    EXPECT_FLOAT_EQ(calculateExponentialDecay(2, 0.5f), std::exp(-1.0f));
    EXPECT_FLOAT_EQ(calculateExponentialDecay(-1, 10), 1.0f);
    EXPECT_FLOAT_EQ(calculateExponentialDecay(1, 1000), 0.0f);
    EXPECT_FLOAT_EQ(calculateExponentialGrowth(1, 0), 0.0f);
}

TEST(MathUtil, AnglesMapIntoTheTwoPiDomain) {
    EXPECT_FLOAT_EQ(convertAngleToTwoPiDomain(-0.5f), TWOPI - 0.5f);
    EXPECT_FLOAT_EQ(convertAngleToTwoPiDomain(TWOPI + 1.0f), 1.0f);
    const float tiny = convertAngleToTwoPiDomain(-1e-9f);
    EXPECT_GE(tiny, 0.0f);
    EXPECT_LT(tiny, TWOPI);
}

TEST(MathUtil, AngleBetweenLimitsAcrossZero) {
    EXPECT_TRUE(isAngleBetween(0.5f, 0.25f, 1.0f));
    EXPECT_FALSE(isAngleBetween(3.0f, 0.25f, 1.0f));
    EXPECT_TRUE(isAngleBetween(0.0f, -0.25f, 0.25f));
}

TEST(MathUtil, FloatToIntTruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(toInt(-2.9f), -2);
    EXPECT_EQ(toInt(1e20f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(toInt(-1e20f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(toInt(std::nanf("")), 0);
    EXPECT_EQ(truncateToUnsigned(-3.0f), 0u);
    EXPECT_EQ(truncateToUnsigned(1e20f), std::numeric_limits<uint32_t>::max());
    EXPECT_FLOAT_EQ(MathUtil::min(2, 2), 2.0f);
    EXPECT_FLOAT_EQ(MathUtil::max(-1, 3), 3.0f);
}

}  // namespace
