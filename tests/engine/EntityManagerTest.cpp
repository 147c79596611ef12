#include <gtest/gtest.h>

#include "Engine/EntityTypeRegistry.h"
#include "WorldHarness.h"

namespace {

class Entities : public testing::Test {
  protected:
    EntityManager& manager() { return engine.entities(); }
    WorldHarness engine;
};

TEST_F(Entities, ACreatedEntityIsInvisibleToQueriesUntilTheNextFlush) {
    Entity* entity = manager().createEntity();
    EXPECT_EQ(manager().getNumEntities(), 0);
    EXPECT_EQ(manager().getEntity(entity->getObjectID()), nullptr);
    EXPECT_EQ(manager().getNumPendingEntities(), 1);
    manager().flush();
    EXPECT_EQ(manager().getNumEntities(), 1);
    EXPECT_EQ(manager().getEntity(entity->getObjectID()), entity);
    manager().flush();
    EXPECT_EQ(engine.count("Main.entityCreate"), 1);
}

TEST_F(Entities, SetHPZeroExplodesThenRemovesAtTheNextFlush) {
    TracingEntity* e = engine.add("e", {0.0f, 0.0f});
    manager().flush();
    engine.trace.clear();
    e->setHP(0.0f);
    EXPECT_EQ(manager().getNumEntities(), 1);
    manager().flush();
    EXPECT_EQ(engine.trace, (EventTrace{"Main.entityExplode", "Main.entityDelete", "e.deleted"}));
    EXPECT_EQ(manager().getNumEntities(), 0);
}

TEST_F(Entities, TaggedEntitiesGoWithoutExploding) {
    TracingEntity* e = engine.add("e", {0.0f, 0.0f});
    engine.add("pending", {300.0f, 0.0f});
    manager().flush();
    engine.add("late", {600.0f, 0.0f});
    manager().deleteAllEntities();
    EXPECT_TRUE(e->isTaggedForDeletion());
    engine.trace.clear();
    manager().flush();
    EXPECT_EQ(engine.count("Main.entityExplode"), 0);
    EXPECT_EQ(engine.count("Main.entityDelete"), 2);
    // The entity queued after deleteAllEntities was admitted by this flush and stays.
    EXPECT_EQ(manager().getNumEntities(), 1);
}

TEST_F(Entities, ListsByTypeAndPlayerKeepAdmissionOrder) {
    const int rock = EntityTypeRegistry::getProcessRegistry().getEntityTypeID("EntityManagerTest_Rock");
    TracingEntity* r1 = engine.add("r1", {0.0f, 0.0f}, rock);
    TracingEntity* p = engine.add("p", {300.0f, 0.0f}, 0, true);
    TracingEntity* r2 = engine.add("r2", {600.0f, 0.0f}, rock);
    manager().flush();
    EXPECT_EQ(manager().getAllEntities(rock), (std::vector<Entity*>{r1, r2}));
    EXPECT_EQ(manager().getNumEntities("EntityManagerTest_Rock"), 2);
    EXPECT_EQ(manager().getAllPlayerEntities(), std::vector<Entity*>{p});
    EXPECT_EQ(manager().getRandomPlayer(), p);
    EXPECT_EQ(manager().getNumEntities(rock + 1000), 0);
    EXPECT_EQ(manager().getRandomEntity(rock + 1000), nullptr);

    const uint32_t r1ID = r1->getObjectID();
    r1->tagForDeletion();
    manager().flush();
    EXPECT_EQ(manager().getAllEntities(rock), std::vector<Entity*>{r2});
    EXPECT_EQ(manager().getEntity(r1ID), nullptr);
}

TEST_F(Entities, CreateByNameUsesTheIndustryAndTheTypeRegistry) {
    Entity* entity = manager().createEntityAsPlayer("EntityManagerTest_Ship");
    EXPECT_TRUE(entity->isPlayer());
    EXPECT_TRUE(entity->isType("EntityManagerTest_Ship"));
    manager().flush();
    EXPECT_EQ(manager().getNumPlayers(), 1);
}

// ---- Re-entrant flush -----------------------------------------------------------------------

TEST_F(Entities, AFlushFromAnEntityUpdateWaitsForTheEntityPassToEnd) {
    TracingEntity* a = engine.add("a", {-500.0f, 0.0f});
    TracingEntity* b = engine.add("b", {500.0f, 0.0f});
    engine.runTicks(1);
    a->onUpdate = [b](TracingEntity& self) {
        b->tagForDeletion();
        self.getGameSystem()->getEntityManager()->flush();
        self.record("flushed");
    };
    b->onUpdate = [](TracingEntity& self) { self.record("update"); };
    engine.trace.clear();
    engine.runTicks(1);
    EXPECT_EQ(engine.traceOf("b."), (EventTrace{"b.update", "b.deleted"}));
    EXPECT_EQ(manager().getNumEntities(), 1);
}

TEST_F(Entities, AFlushFromAnEntityDeleteHandlerRunsAfterTheOuterFlush) {
    struct Spawning : TracingEntity {
        using TracingEntity::TracingEntity;
        void onEntityDelete(Entity*) override {
            // Every entity hears of every deletion; the first one to hear spawns once.
            if (spawned)
                return;
            spawned = true;
            entityManager_->addEntity(new TracingEntity(gameSystem_, nullptr, "child"));
            entityManager_->flush();
        }
        bool spawned = false;
    };
    auto* listener = new Spawning(&engine.gameSystem, &engine.trace, "listener");
    listener->getPhysicsData()->setPos(800.0f, 0.0f);
    manager().addEntity(listener);
    TracingEntity* victim = engine.add("victim", {-800.0f, 0.0f});
    manager().flush();
    victim->tagForDeletion();
    manager().flush();
    EXPECT_EQ(manager().getNumEntities(), 2);  // listener and the child admitted by the deferred flush
    EXPECT_EQ(manager().getNumPendingEntities(), 0);
}

TEST_F(Entities, AFlushFromACollisionHandlerLetsThePairFinish) {
    TracingEntity* a = engine.add("a", {0.0f, 0.0f});
    engine.add("b", {5.0f, 0.0f});
    a->onCollide = [](TracingEntity&, Entity* other) {
        other->tagForDeletion();
        other->getGameSystem()->getEntityManager()->flush();
    };
    engine.runTicks(1);
    EXPECT_EQ(engine.traceOf("b."), (EventTrace{"b.collide", "b.deleted"}));
    EXPECT_EQ(manager().getNumEntities(), 1);
}

TEST_F(Entities, AnEntityDestroyedDuringTheEntityPassIsSkipped) {
    TracingEntity* a = engine.add("a", {-500.0f, 0.0f});
    TracingEntity* b = engine.add("b", {500.0f, 0.0f});
    engine.runTicks(1);
    b->onUpdate = [](TracingEntity& self) { self.record("update"); };
    bool done = false;
    a->onUpdate = [b, &done](TracingEntity&) {
        if (done)
            return;
        done = true;
        delete b;
    };
    engine.trace.clear();
    engine.runTicks(1);
    EXPECT_EQ(engine.traceOf("b."), EventTrace{"b.deleted"});
    EXPECT_EQ(manager().getNumEntities(), 1);
    EXPECT_EQ(manager().getAllEntities(), std::vector<Entity*>{a});
}

}  // namespace
