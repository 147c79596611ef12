#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Engine/Assertion.h"
#include "Engine/Box2DPhysicsData.h"
#include "Engine/Box2DPhysicsModule.h"
#include "Engine/GameSystem.h"
#include "Engine/MathUtil.h"

namespace {

constexpr float kTick = UPDATE_INTERVAL_MS;

class Body : public testing::Test {
  protected:
    Box2DPhysicsModule module{nullptr};
    Box2DPhysicsData body{nullptr, &module};
};

TEST_F(Body, OneThrustFromRestReachesMaxSpeedAlongTheDirection) {
    body.thrust();
    body.update(kTick);
    EXPECT_NEAR(body.getVel().x, 0.0f, 1e-6f);
    EXPECT_NEAR(body.getVel().y, 0.7f, 1e-5f);
}

TEST_F(Body, TwoThrustsInOneTickCountOnce) {
    body.setThrustAcc(0.001f);
    body.thrust();
    body.thrust();
    body.update(kTick);
    EXPECT_NEAR(body.getSpeed(), 0.001f * kTick, 1e-6f);
}

TEST_F(Body, ThrustAndReverseThrustCancel) {
    body.thrust();
    body.reverseThrust();
    body.update(kTick);
    EXPECT_EQ(body.getSpeed(), 0.0f);
}

TEST_F(Body, DefaultDecaySlowsHalfAUnitPerMsToAbout0473InOneTick) {
    body.setVel(0.0f, 0.5f);
    body.update(kTick);
    EXPECT_NEAR(body.getSpeed(), 0.473f, 0.001f);
    // The requests were consumed: the next tick only decays.
    body.update(kTick);
    EXPECT_NEAR(body.getSpeed(), 0.473f * 0.946f, 0.001f);
}

TEST_F(Body, OverSpeedIsCutInOneTickUnlessMaxVelocityDecayKeepsIt) {
    body.setVelocityDecayRate(0.0f);
    body.setVel(2.0f, 0.0f);
    body.update(kTick);
    EXPECT_NEAR(body.getSpeed(), 0.7f, 1e-5f);

    body.setMaxVelocityDecayRate(0.0f);
    body.setVel(2.0f, 0.0f);
    body.update(kTick);
    EXPECT_NEAR(body.getSpeed(), 2.0f, 1e-5f);
}

TEST_F(Body, BrakeStopsWithoutReversing) {
    body.setVel(0.3f, 0.0f);
    body.brake();
    body.update(kTick);
    EXPECT_EQ(body.getSpeed(), 0.0f);
}

TEST_F(Body, RotateRequestsTurnTheDirectionAtMostTheMaxRotateSpeed) {
    body.rotateLeft();
    body.update(kTick);
    const float turned = std::atan2(body.getDir().y, body.getDir().x) - MathUtil::PIBYTWO;
    EXPECT_NEAR(turned, MathUtil::TWOPI / 3000.0f * kTick, 1e-5f);

    // rotate() is ignored after a left or right request in the same tick.
    body.rotateRight();
    body.rotate(999.0f);
    body.update(kTick);
    EXPECT_NEAR(body.getRotateSpeed(), -MathUtil::TWOPI / 3000.0f, 1e-6f);
}

TEST_F(Body, EveryUpdateRemakesTheDirectionFromItsAngleEvenWithoutTurning) {
    // A direction set to (0, 0) has angle 0: after one update it is the x axis and thrust works.
    body.setDir(0.0f, 0.0f);
    EXPECT_EQ(body.getDir().x, 0.0f);
    body.update(kTick);
    EXPECT_EQ(body.getRotateSpeed(), 0.0f);
    EXPECT_NEAR(body.getDir().x, 1.0f, 1e-6f);
    EXPECT_NEAR(body.getDir().y, 0.0f, 1e-6f);
    body.thrust();
    body.update(kTick);
    EXPECT_NEAR(body.getVel().x, 0.7f, 1e-5f);
}

TEST_F(Body, SetSpeedFromRestGoesAlongTheDirection) {
    body.setDir(1.0f, 0.0f);
    body.setSpeed(0.3f);
    EXPECT_NEAR(body.getVel().x, 0.3f, 1e-6f);
    EXPECT_NEAR(body.getVel().y, 0.0f, 1e-6f);
}

TEST_F(Body, ShapesReportTheirSizes) {
    EXPECT_TRUE(body.isCircle());
    EXPECT_EQ(body.getWidth(), 60.0f);
    body.setAsRect(10.0f, 40.0f);
    EXPECT_TRUE(body.isRect());
    EXPECT_EQ(body.getWidth(), 10.0f);
    EXPECT_EQ(body.getHeight(), 40.0f);
    EXPECT_EQ(body.getRadius(), 20.0f);
    body.setAsCircle(5.0f);
    EXPECT_EQ(body.getHeight(), 10.0f);
}

TEST_F(Body, RebuildsKeepPositionAndVelocity) {
    body.setPos(120.0f, -40.0f);
    body.setVel(0.2f, 0.1f);
    body.setAsRect(30.0f, 10.0f);
    body.setIsSensor(true);
    body.setCollisionCategory(4);
    EXPECT_NEAR(body.getPos().x, 120.0f, 1e-3f);
    EXPECT_NEAR(body.getPos().y, -40.0f, 1e-3f);
    EXPECT_NEAR(body.getVel().x, 0.2f, 1e-6f);
    EXPECT_NEAR(body.getVel().y, 0.1f, 1e-6f);
    EXPECT_EQ(module.getBodyCount(), 1);
}

TEST_F(Body, MassZeroMakesAStaticBody) {
    EXPECT_EQ(body.getBody()->GetType(), b2_dynamicBody);
    body.setMass(0.0f);
    EXPECT_EQ(body.getBody()->GetType(), b2_staticBody);
}

TEST_F(Body, BadArgumentsAreReportedAndNeverReachTheWorld) {
    std::vector<AssertionReport> reports;
    AssertionHandler previous = setAssertionHandler([&](const AssertionReport& r) { reports.push_back(r); });
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(body.setAsCircle(0.0f));
    EXPECT_FALSE(body.setAsRect(-1.0f, 5.0f));
    EXPECT_FALSE(body.setAsRect(5.0f, nan));
    EXPECT_FALSE(body.setPos(nan, 0.0f));
    EXPECT_FALSE(body.setVel(0.0f, inf));
    EXPECT_FALSE(body.setMass(-1.0f));
    EXPECT_FALSE(body.setThrustAcc(inf));
    EXPECT_FALSE(body.rotate(nan));
    setAssertionHandler(previous);
    EXPECT_EQ(reports.size(), 8u);
    EXPECT_TRUE(body.isCircle());
    EXPECT_EQ(body.getRadius(), 30.0f);
    EXPECT_EQ(body.getPos(), RealPoint(0.0f, 0.0f));
}

TEST_F(Body, ExtremeButFiniteTunablesNeverGiveANonFiniteVelocity) {
    body.setThrustAcc(3e38f);
    body.setMaxVelocityDecayRate(0.0f);
    body.thrust();
    body.update(kTick);
    body.update(kTick);
    EXPECT_TRUE(std::isfinite(body.getVel().x) && std::isfinite(body.getVel().y));
}

TEST_F(Body, TinyBoxesStillBuild) {
    EXPECT_TRUE(body.setAsRect(0.0001f, 0.0001f));
    EXPECT_EQ(module.getBodyCount(), 1);
}

TEST(PhysicsModule, OutlivedBodiesAreDetachedWhenTheModuleGoesFirst) {
    auto module = std::make_unique<Box2DPhysicsModule>(nullptr);
    Box2DPhysicsData body(nullptr, module.get());
    module.reset();
    EXPECT_EQ(body.getBody(), nullptr);
    body.thrust();
    body.update(kTick);
    EXPECT_EQ(body.getPos(), RealPoint(0.0f, 0.0f));
}

}  // namespace
