#include <gtest/gtest.h>

#include "Engine/GameBoard.h"
#include "WorldHarness.h"

namespace {

class Collisions : public testing::Test {
  protected:
    WorldHarness engine;
};

TEST_F(Collisions, OverlappingCirclesCollideOnceThenTouchOnLaterSteps) {
    engine.add("a", {0.0f, 0.0f});
    engine.add("b", {5.0f, 0.0f});
    engine.runTicks(3);
    for (const char* who : {"Main", "a", "b"}) {
        EXPECT_EQ(engine.count(std::string(who) + ".collide"), 1) << who;
        EXPECT_EQ(engine.count(std::string(who) + ".touch"), 2) << who;
    }
    // The process hears of the contact before the entities do.
    EXPECT_EQ(engine.traceOf("Main.collide").size(), 1u);
    const auto first = std::find(engine.trace.begin(), engine.trace.end(), "Main.collide");
    EXPECT_EQ(*(first + 1), "a.collide");
    EXPECT_EQ(*(first + 2), "b.collide");
}

TEST_F(Collisions, AContactThatEndsAndStartsAgainCollidesAgain) {
    engine.add("a", {0.0f, 0.0f});
    TracingEntity* b = engine.add("b", {5.0f, 0.0f});
    engine.runTicks(1);
    b->getPhysicsData()->setPos(800.0f, 0.0f);
    engine.runTicks(1);
    b->getPhysicsData()->setPos(5.0f, 0.0f);
    engine.runTicks(1);
    EXPECT_EQ(engine.count("a.collide"), 2);
    EXPECT_EQ(engine.count("a.touch"), 0);
}

TEST_F(Collisions, ANonCollidableBodyPassesThroughAndRaisesNothing) {
    TracingEntity* a = engine.add("a", {0.0f, 0.0f});
    engine.add("b", {5.0f, 0.0f});
    a->getPhysicsData()->setIsCollidable(false);
    engine.runTicks(3);
    EXPECT_EQ(engine.count("a.collide") + engine.count("b.collide") + engine.count("Main.touch"), 0);
    EXPECT_NEAR(a->getPhysicsData()->getPos().x, 0.0f, 1e-3f);
}

TEST_F(Collisions, SensorsReportWithoutPushing) {
    TracingEntity* a = engine.add("a", {0.0f, 0.0f});
    engine.add("b", {5.0f, 0.0f});
    a->getPhysicsData()->setIsSensor(true);
    engine.runTicks(2);
    EXPECT_EQ(engine.count("b.collide"), 1);
    EXPECT_EQ(engine.count("b.touch"), 1);
    EXPECT_NEAR(a->getPhysicsData()->getPos().x, 0.0f, 1e-3f);
}

TEST_F(Collisions, FiltersDecideWhoCollides) {
    TracingEntity* a = engine.add("a", {0.0f, 0.0f});
    TracingEntity* b = engine.add("b", {5.0f, 0.0f});
    a->getPhysicsData()->setCollisionCategory(2);
    b->getPhysicsData()->setCategoriesToCollideWith(ALL_COLLISION_CATEGORIES & ~2);
    engine.runTicks(2);
    EXPECT_EQ(engine.count("a.collide"), 0);
}

TEST_F(Collisions, BoxQueriesFindBodiesAndStopAt1024) {
    for (int i = 0; i < 1100; ++i) {
        engine.add("e", {-2000.0f + static_cast<float>(i % 40) * 100.0f,
                         -1000.0f + static_cast<float>(i / 40) * 70.0f});
    }
    std::vector<Entity*> found;
    EXPECT_EQ(engine.entities().getEntitiesRoughlyWithin(-2399.0f, -1339.0f, 2399.0f, 1339.0f, found), 1024);
    EXPECT_EQ(found.size(), 1024u);

    found.clear();
    EXPECT_EQ(engine.entities().getEntitiesNear(-2000.0f, -1000.0f, 10.0f, 10.0f, found), 1);
    EXPECT_EQ(found.size(), 1u);
}

// Native code creates, steers, collides and removes entities through the game system.
TEST_F(Collisions, AnEntitySteeredIntoAnotherDestroysIt) {
    TracingEntity* hunter = engine.add("hunter", {0.0f, -300.0f});
    TracingEntity* prey = engine.add("prey", {0.0f, 300.0f});
    hunter->onUpdate = [](TracingEntity& self) { self.getPhysicsData()->thrust(); };
    hunter->onCollide = [](TracingEntity&, Entity* other) { other->setHP(0.0f); };
    engine.runTicks(120);
    EXPECT_EQ(engine.count("prey.deleted"), 1);
    EXPECT_EQ(engine.count("hunter.deleted"), 0);
    EXPECT_EQ(engine.entities().getNumEntities(), 1);
    EXPECT_EQ(engine.entities().getAllEntities()[0], hunter);
    (void)prey;
}

}  // namespace
