#include "Engine/RealPoint.h"

#include <gtest/gtest.h>

namespace {

TEST(RealPoint, NormalizingKeepsDirectionAndLeavesTheZeroVectorAtZero) {
    EXPECT_EQ(RealPoint(0, 0).getNormalized(), RealPoint(0, 0));
    const RealPoint unit = RealPoint(3, 4).getNormalized();
    EXPECT_FLOAT_EQ(unit.x, 0.6f);
    EXPECT_FLOAT_EQ(unit.y, 0.8f);
    RealPoint p(0, -2);
    p.normalize();
    EXPECT_EQ(p, RealPoint(0, -1));
}

TEST(RealPoint, NormalsDotAndDistance) {
    const RealPoint p(1, 2);
    EXPECT_EQ(p.getRightNormal(), RealPoint(2, -1));
    EXPECT_EQ(p.getLeftNormal(), RealPoint(-2, 1));
    EXPECT_FLOAT_EQ(p.dot(RealPoint(3, -1)), 1.0f);
    EXPECT_FLOAT_EQ(p.distance(RealPoint(4, 6)), 5.0f);
    EXPECT_TRUE(RealPoint().isZeroVector());
    EXPECT_FALSE(RealPoint(-0.0001f, 0).isZeroVector());
}

TEST(RealPoint, ProjectionOntoTheZeroVectorIsZero) {
    const RealPoint p(3, 4);
    EXPECT_FLOAT_EQ(p.scalarProjectOnto(RealPoint(10, 0)), 3.0f);
    EXPECT_EQ(p.vectorProjectOnto(RealPoint(0, -5)), RealPoint(0, 4));
    EXPECT_FLOAT_EQ(p.scalarProjectOnto(RealPoint()), 0.0f);
    EXPECT_EQ(p.vectorProjectOnto(RealPoint()), RealPoint());
}

TEST(RealPoint, OperatorsActPerComponentAndNumbersApplyToBoth) {
    const RealPoint p(1, 2);
    EXPECT_EQ(p + RealPoint(1, 1), RealPoint(2, 3));
    EXPECT_EQ(p + 1.0f, RealPoint(2, 3));
    EXPECT_EQ(p - 1.0f, RealPoint(0, 1));
    EXPECT_EQ(p * RealPoint(3, 4), RealPoint(3, 8));
    EXPECT_EQ(p * 2.0f, RealPoint(2, 4));
    EXPECT_EQ(p / RealPoint(2, 4), RealPoint(0.5f, 0.5f));
    RealPoint q = p;
    q.timesEquals(3.0f);
    q.minusEquals(RealPoint(1, 1));
    EXPECT_EQ(q, RealPoint(2, 5));
}

TEST(RealPoint, DivisionByZeroIsRefusedAndLeavesThePointUnchanged) {
    RealPoint p(1, 2);
    EXPECT_FALSE(RealPoint::canDivideBy(RealPoint(2, 0)));
    EXPECT_FALSE(p.divideEquals(RealPoint(2, 0)));
    EXPECT_FALSE(p.divideEquals(0.0f));
    EXPECT_EQ(p, RealPoint(1, 2));
    EXPECT_TRUE(p.divideEquals(2.0f));
    EXPECT_EQ(p, RealPoint(0.5f, 1));
}

}  // namespace
