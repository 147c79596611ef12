#include <gtest/gtest.h>

#include <cmath>

#include "Engine/AIHelper.h"
#include "Engine/MathUtil.h"
#include "WorldHarness.h"

namespace {

constexpr float kTick = UPDATE_INTERVAL_MS;

class AI : public testing::Test {
  protected:
    AIHelper& ai() { return *engine.gameSystem.getAIHelper(); }
    static float heading(Entity* e) {
        const RealPoint dir = e->getPhysicsData()->getDir();
        return std::atan2(dir.y, dir.x);
    }
    WorldHarness engine;
};

TEST_F(AI, FaceSnapsWhenOneTickReachesTheDirection) {
    TracingEntity* who = engine.add("who", {0.0f, 0.0f});
    const float target = MathUtil::PIBYTWO + 0.01f;
    ai().face({std::cos(target), std::sin(target)}, who);
    EXPECT_NEAR(heading(who), target, 1e-6f);
}

TEST_F(AI, FaceRequestsARotationWhenTheTurnIsTooFar) {
    TracingEntity* who = engine.add("who", {0.0f, 0.0f});
    ai().face({0.0f, -1.0f}, who);
    EXPECT_NEAR(heading(who), MathUtil::PIBYTWO, 1e-6f);
    who->getPhysicsData()->update(kTick);
    // Half a turn away: either way round, by the max rotate speed for one tick.
    EXPECT_NEAR(std::fabs(heading(who) - MathUtil::PIBYTWO), MathUtil::TWOPI / 3000.0f * kTick, 1e-5f);
}

TEST_F(AI, FaceTargetAndLeadTargetAimAtAStationaryTarget) {
    TracingEntity* who = engine.add("who", {0.0f, 0.0f});
    TracingEntity* target = engine.add("target", {3.0f, 100.0f});
    ai().faceTarget(target, who);
    EXPECT_NEAR(heading(who), std::atan2(100.0f, 3.0f), 1e-5f);

    const RealPoint dir = ai().leadTarget(who, target, 0.5f);
    EXPECT_NEAR(dir.x, RealPoint(3.0f, 100.0f).getNormalized().x, 1e-5f);
    EXPECT_EQ(ai().leadTarget(who, who, 0.5f), RealPoint(0.0f, 0.0f));
}

TEST_F(AI, LeadTargetAimsAheadOfAMovingTargetAndNeverDividesByZero) {
    TracingEntity* who = engine.add("who", {0.0f, 0.0f});
    TracingEntity* target = engine.add("target", {0.0f, 100.0f});
    target->getPhysicsData()->setVel(0.5f, 0.0f);
    const RealPoint ahead = ai().leadTarget(who, target, 1.0f);  // 100 ms away: aim at (50, 100)
    EXPECT_NEAR(ahead.x, RealPoint(50.0f, 100.0f).getNormalized().x, 1e-5f);
    const RealPoint now = ai().leadTarget(who, target, 0.0f);
    EXPECT_NEAR(now.x, 0.0f, 1e-6f);
    EXPECT_NEAR(now.y, 1.0f, 1e-6f);
}

TEST_F(AI, ClosestEntitySearchesIncludeTheSearcher) {
    TracingEntity* who = engine.add("who", {0.0f, 0.0f});
    TracingEntity* near = engine.add("near", {200.0f, 0.0f}, 7);
    engine.add("far", {900.0f, 0.0f}, 7);
    engine.add("player", {-500.0f, 0.0f}, 0, true);
    engine.entities().flush();
    EXPECT_EQ(ai().findClosestEntity(who), who);
    EXPECT_EQ(ai().findClosestEntity(7, who), near);
    EXPECT_EQ(ai().findClosestPlayer(who)->getPhysicsData()->getPos().x, -500.0f);
    EXPECT_EQ(ai().findClosestEntity(8, who), nullptr);
}

TEST_F(AI, SideAndCorridor) {
    TracingEntity* who = engine.add("who", {0.0f, 0.0f});  // heading up the y axis
    TracingEntity* target = engine.add("target", {-50.0f, 100.0f});
    EXPECT_EQ(ai().getWhichSide(who, target), 1);
    target->getPhysicsData()->setPos(50.0f, 100.0f);
    EXPECT_EQ(ai().getWhichSide(who, target), -1);

    target->getPhysicsData()->setPos(0.0f, 100.0f);
    EXPECT_TRUE(ai().isInFront(who, target, 100.0f, 10.0f));
    target->getPhysicsData()->setPos(0.0f, -100.0f);
    EXPECT_FALSE(ai().isInFront(who, target, 100.0f, 10.0f));
    target->getPhysicsData()->setPos(0.0f, 200.0f);
    EXPECT_FALSE(ai().isInFront(who, target, 100.0f, 10.0f));
}

}  // namespace
