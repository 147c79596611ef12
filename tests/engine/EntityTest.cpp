#include <gtest/gtest.h>

#include <cmath>

#include "Engine/EntityIndustry.h"
#include "Engine/EntityTypeRegistry.h"
#include "Engine/GameBoard.h"
#include "Engine/MathUtil.h"
#include "Engine/SawLFO.h"
#include "Engine/ShapeType.h"
#include "WorldHarness.h"

namespace {

constexpr float kTick = UPDATE_INTERVAL_MS;

TEST(EntityHP, AddHPIsCappedAtMaxAndSetMaxHPLeavesHPAlone) {
    Entity entity(nullptr);
    entity.addHP(5.0f);
    EXPECT_EQ(entity.getHP(), 1.0f);
    entity.setMaxHP(10.0f);
    EXPECT_EQ(entity.getHP(), 1.0f);
    entity.addHP(5.0f);
    EXPECT_EQ(entity.getHP(), 6.0f);
    entity.setMaxHP(2.0f);
    entity.ensureSaneHPLevels();
    EXPECT_EQ(entity.getHP(), 2.0f);
    EXPECT_EQ(entity.getHPPercentage(), 1.0f);
}

TEST(EntityHP, SetHPToZeroExplodesOnceAndLaterValuesAreOnlyStored) {
    Entity entity(nullptr);
    entity.setHP(0.0f);
    EXPECT_TRUE(entity.isExploding());
    EXPECT_EQ(entity.getHP(), -1.0f);
    EXPECT_FALSE(entity.isAutoRemove());
    EXPECT_TRUE(entity.isDead());
    entity.setHP(-5.0f);
    EXPECT_EQ(entity.getHP(), -5.0f);
}

TEST(EntityHP, InvulnerableEntitiesOnlyGainHP) {
    struct Tough : Entity {
        using Entity::Entity;
        bool isInvulnerable() const override { return true; }
    } entity(nullptr);
    entity.setHP(0.0f);
    EXPECT_EQ(entity.getHP(), 1.0f);
    EXPECT_FALSE(entity.isExploding());
    entity.setAllHP(3.0f);
    EXPECT_EQ(entity.getHP(), 3.0f);
}

TEST(EntityHP, PercentagesNeverDivideByZero) {
    Entity entity(nullptr);
    entity.setMaxHP(0.0f);
    EXPECT_EQ(entity.getHPPercentage(), 0.0f);
    EXPECT_EQ(entity.getPercentageExploded(), 0.0f);
    EXPECT_EQ(entity.getPercentageBorn(), 1.0f);
    entity.explode();
    EXPECT_EQ(entity.getPercentageExploded(), 1.0f);
}

TEST(EntityHP, AnExplosionLastsItsMaxTime) {
    Entity entity(nullptr);
    entity.setMaxExplosionTime(100.0f);
    entity.explode();
    entity.update(50.0f);
    EXPECT_FALSE(entity.isDead());
    EXPECT_NEAR(entity.getPercentageExploded(), 0.5f, 1e-6f);
    entity.update(50.0f);
    EXPECT_TRUE(entity.isDead());
    EXPECT_EQ(entity.getTimeAlive(), 100.0f);
}

TEST(EntityIdentity, ObjectIdsRiseByOne) {
    Entity a(nullptr);
    Entity b(nullptr);
    EXPECT_EQ(b.getObjectID(), a.getObjectID() + 1);
    EXPECT_TRUE(a.isSameType(b));
}

TEST(EntityTypeRegistry, IdsStartAtOneInOrderOfFirstUse) {
    EntityTypeRegistry registry;
    EXPECT_EQ(registry.getEntityTypeID("Ship"), 1);
    EXPECT_EQ(registry.getEntityTypeID("Rock"), 2);
    EXPECT_EQ(registry.getEntityTypeID("Ship"), 1);
    EXPECT_EQ(registry.getEntityTypeName(2), "Rock");
    EXPECT_EQ(registry.getEntityTypeName(0), "UNDEFINED_ENTITY");
    EXPECT_EQ(registry.getEntityTypeName(3), "UNDEFINED_ENTITY");
}

TEST(EntityTypeRegistry, IsTypeWithANewNameRegistersIt) {
    auto& registry = EntityTypeRegistry::getProcessRegistry();
    const int next = registry.getEntityTypeID("EntityTest_Probe") + 1;
    Entity entity(nullptr, next);
    EXPECT_TRUE(entity.isType("EntityTest_NeverSeenBefore"));
    EXPECT_EQ(registry.getEntityTypeID("EntityTest_NeverSeenBefore"), next);
}

TEST(EntityIndustry, FactoriesThenPlainOrScriptEntities) {
    struct Special : Entity {
        using Entity::Entity;
    };
    EntityIndustry industry;
    industry.registerFactory("Special", std::make_unique<NativeEntityFactory<Special>>());
    std::unique_ptr<Entity> special(industry.create("Special", "gm", true, nullptr));
    EXPECT_NE(dynamic_cast<Special*>(special.get()), nullptr);
    EXPECT_TRUE(special->isPlayer());

    std::unique_ptr<Entity> native(industry.create("Bullet", "native", false, nullptr));
    EXPECT_EQ(native->getType(), 0);

    const int bulletType = EntityTypeRegistry::getProcessRegistry().getEntityTypeID("Bullet");
    std::unique_ptr<Entity> fallback(industry.create("Bullet", "gm", false, nullptr));
    EXPECT_EQ(fallback->getType(), bulletType);

    std::string madeFor;
    industry.setScriptEntityMaker([&](const std::string& name, int typeID, bool isPlayer, GameSystem* gs) {
        madeFor = name;
        return new Entity(gs, typeID, isPlayer);
    });
    std::unique_ptr<Entity> scripted(industry.create("Bullet", "gm", false, nullptr));
    EXPECT_EQ(madeFor, "Bullet");
    EXPECT_EQ(scripted->getType(), bulletType);
}

// ---- Game board rules ---------------------------------------------------------------------------

class EntityBoard : public testing::Test {
  protected:
    TracingEntity& make(RealPoint pos) {
        entity = std::make_unique<TracingEntity>(&engine.gameSystem, &engine.trace, "e");
        entity->getPhysicsData()->setPos(pos);
        return *entity;
    }
    RealPoint pos() const { return entity->getPhysicsData()->getPos(); }

    WorldHarness engine;
    std::unique_ptr<TracingEntity> entity;
};

TEST_F(EntityBoard, ABoundedEntityOverlappingTheRightSideIsPushedBackAndTold) {
    make({2390.0f, 0.0f}).update(kTick);
    EXPECT_NEAR(pos().x, 2399.0f - 30.0f, 1e-2f);
    EXPECT_EQ(engine.count("e.board2"), 1);
    EXPECT_TRUE(entity->isInGameBoard());
}

TEST_F(EntityBoard, AnUnboundedEntityStaysAndIsToldOnEveryUpdate) {
    make({2390.0f, 0.0f}).setIsBoundedToGameBoard(false);
    entity->update(kTick);
    entity->update(kTick);
    EXPECT_NEAR(pos().x, 2390.0f, 1e-2f);
    EXPECT_EQ(engine.count("e.board2"), 2);
}

TEST_F(EntityBoard, ACornerGivesTwoSidesAtOnce) {
    make({-2395.0f, -1335.0f}).update(kTick);
    EXPECT_EQ(engine.count("e.board17"), 1);
    make({2395.0f, 1335.0f}).update(kTick);
    EXPECT_EQ(engine.count("e.board10"), 1);
}

TEST_F(EntityBoard, OnlyAnEntityThatWasInsideIsRemovedAfterLeaving) {
    make({3000.0f, 0.0f}).setIsBoundedToGameBoard(false);
    entity->update(kTick);
    EXPECT_FALSE(entity->isInGameBoard());
    EXPECT_FALSE(entity->isTaggedForDeletion());

    make({0.0f, 0.0f}).setIsBoundedToGameBoard(false);
    entity->update(kTick);
    entity->getPhysicsData()->setPos(3000.0f, 0.0f);
    entity->update(kTick);
    EXPECT_TRUE(entity->hasTraversedGameBoard());
    EXPECT_TRUE(entity->isTaggedForDeletion());
}

TEST_F(EntityBoard, UpdateRunsTheEntitysAlarmsThenItsLFOs) {
    // The alarm notes the oscillator's level: an alarm sees the value of the tick before.
    struct Alarmed : TracingEntity {
        using TracingEntity::TracingEntity;
        void onAlarm(int id) override {
            record("alarm" + std::to_string(id) + " at " + std::to_string(getLFO(1)->getLevel()));
        }
    } alarmed(&engine.gameSystem, &engine.trace, "e");
    auto saw = std::make_unique<SawLFO>();
    saw->setRate(100.0f);
    alarmed.addLFO(1, std::move(saw));
    alarmed.addAlarm(3, 20.0f);
    alarmed.update(kTick);
    const float afterFirst = alarmed.getLFO(1)->getLevel();
    ASSERT_GT(afterFirst, 0.0f);
    alarmed.update(kTick);
    EXPECT_EQ(engine.trace, EventTrace{"e.alarm3 at " + std::to_string(afterFirst)});
    EXPECT_GT(alarmed.getLFO(1)->getLevel(), afterFirst);
}

// ---- Drawing ------------------------------------------------------------------------------------

TEST_F(EntityBoard, TheDefaultShapeIsACircleFanInTheTestColour) {
    make({10.0f, 20.0f}).setTestColour(1.0f, 0.5f, 0.25f);
    engine.video().clearDrawCalls();
    entity->draw();
    const auto& calls = engine.video().getDrawCalls();
    ASSERT_EQ(calls.size(), 4u + 1u + 22u + 2u);
    EXPECT_EQ(calls[0].operation, "pushMatrix");
    EXPECT_EQ(calls[1].operation, "translate");
    EXPECT_NEAR(calls[1].arguments[0], 10.0f, 1e-3f);
    EXPECT_NEAR(calls[1].arguments[1], 20.0f, 1e-3f);
    EXPECT_EQ(calls[2].operation, "rotateZ");
    EXPECT_NEAR(calls[2].arguments[0], 0.0f, 1e-6f);  // heading (0, 1) draws unrotated
    EXPECT_EQ(calls[3].arguments, (std::vector<float>{1.0f, 0.5f, 0.25f, 1.0f}));
    EXPECT_EQ(calls[4].arguments, std::vector<float>{SHAPETYPE_TRIANGLEFAN});
    EXPECT_EQ(calls[5].arguments, (std::vector<float>{0.0f, 0.0f, 0.0f}));
    EXPECT_NEAR(calls[6].arguments[0], 30.0f, 1e-5f);
    EXPECT_NEAR(calls[26].arguments[0], 30.0f, 1e-4f);  // the fan closes on its first rim vertex
    EXPECT_NEAR(calls[26].arguments[1], 0.0f, 1e-4f);
    EXPECT_EQ(calls[27].operation, "endShape");
    EXPECT_EQ(calls[28].operation, "popMatrix");
}

TEST_F(EntityBoard, ARectangleDrawsAsAQuadTurnedToItsHeading) {
    make({0.0f, 0.0f}).getPhysicsData()->setAsRect(10.0f, 40.0f);
    entity->getPhysicsData()->setDir(1.0f, 0.0f);
    engine.video().clearDrawCalls();
    entity->draw();
    const auto& calls = engine.video().getDrawCalls();
    ASSERT_EQ(calls.size(), 4u + 1u + 4u + 2u);
    EXPECT_NEAR(calls[2].arguments[0], -MathUtil::PIBYTWO, 1e-6f);
    EXPECT_EQ(calls[4].arguments, std::vector<float>{SHAPETYPE_QUADS});
    EXPECT_EQ(calls[5].arguments, (std::vector<float>{-5.0f, -20.0f, 0.0f}));
    EXPECT_EQ(calls[7].arguments, (std::vector<float>{5.0f, 20.0f, 0.0f}));
}

}  // namespace
