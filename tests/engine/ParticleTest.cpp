#include <gtest/gtest.h>

#include "Engine/Particle.h"
#include "Engine/ParticleIndustry.h"
#include "Engine/ParticleManager.h"
#include "Engine/ShapeType.h"
#include "WorldHarness.h"

namespace {

constexpr float kTick = UPDATE_INTERVAL_MS;

TEST(Particle, MovesByItsNewVelocity) {
    Particle particle(nullptr);
    particle.acc = {0.0f, -0.001f};
    particle.update(kTick);
    particle.update(kTick);
    EXPECT_NEAR(particle.vel.y, -0.0333333f, 1e-6f);
    EXPECT_NEAR(particle.pos.y, -0.8333333f, 1e-5f);
    EXPECT_NEAR(particle.getTimeToLive(), 1000.0f - 2.0f * kTick, 1e-3f);
}

TEST(Particle, LifePercentage) {
    Particle particle(nullptr);
    particle.setMaxTimeToLive(1000.0f);
    particle.setTimeToLive(500.0f);
    EXPECT_EQ(particle.getLifePercentage(), 0.5f);
    particle.setMaxTimeToLive(0.0f);
    EXPECT_EQ(particle.getLifePercentage(), 0.0f);
    particle.update(kTick);
    EXPECT_EQ(particle.getTimeToLive(), 0.0f);
}

TEST(ParticleIndustry, FactoriesThenScriptThenPlain) {
    struct Spark : Particle {
        using Particle::Particle;
    };
    ParticleIndustry industry;
    industry.registerFactory("Spark", std::make_unique<NativeParticleFactory<Spark>>());
    std::unique_ptr<Particle> spark(industry.create("Spark", "gm", nullptr));
    EXPECT_NE(dynamic_cast<Spark*>(spark.get()), nullptr);
    std::unique_ptr<Particle> plain(industry.create("Smoke", "gm", nullptr));
    EXPECT_NE(plain, nullptr);
    int scripted = 0;
    industry.setScriptParticleMaker([&](const std::string&, GameSystem* gs) {
        ++scripted;
        return new Particle(gs);
    });
    std::unique_ptr<Particle> smoke(industry.create("Smoke", "gm", nullptr));
    std::unique_ptr<Particle> native(industry.create("Smoke", "native", nullptr));
    EXPECT_EQ(scripted, 1);
}

class Particles : public testing::Test {
  protected:
    ParticleManager& manager() { return *engine.gameSystem.getParticleManager(); }
    WorldHarness engine;
};

TEST_F(Particles, ANewParticleFirstMovesAtTheNextManagerUpdate) {
    Particle* particle = manager().createParticle();
    particle->vel = {1.0f, 0.0f};
    EXPECT_EQ(manager().getNumParticles(), 0);
    engine.runTicks(1);
    EXPECT_EQ(manager().getNumParticles(), 1);
    EXPECT_NEAR(particle->pos.x, kTick, 1e-4f);
}

TEST_F(Particles, ExpiredParticlesGoAtTheNextUpdate) {
    manager().createParticle()->setMaxTimeToLive(20.0f);
    engine.runTicks(2);
    EXPECT_EQ(manager().getNumParticles(), 1);  // expired during its second update
    engine.runTicks(1);
    EXPECT_EQ(manager().getNumParticles(), 0);
}

// The manager notes expiries while it moves the crowd; times set from outside its walk, and
// particles leaving from the middle of the list, must still be seen by the next flush.
TEST_F(Particles, ExpiryIsSeenWhateverChangedTheTimeOrTheList) {
    std::vector<Particle*> crowd;
    for (int i = 0; i < 40; ++i) {
        crowd.push_back(manager().createParticle());
        crowd.back()->setMaxTimeToLive(i % 2 == 0 ? 20.0f : 10000.0f);
    }
    engine.runTicks(2);  // the 20 short ones expire in this second update
    EXPECT_EQ(manager().getNumParticles(), 40);
    crowd[1]->setTimeToLive(0.0f);  // between walks
    engine.runTicks(1);
    EXPECT_EQ(manager().getNumParticles(), 19);

    engine.runTicks(1);
    delete crowd[3];                    // leaves from the middle: the slots behind it move
    crowd[39]->setMaxTimeToLive(1.0f);  // expires in the next update
    engine.runTicks(1);
    EXPECT_EQ(manager().getNumParticles(), 18);
    engine.runTicks(1);
    EXPECT_EQ(manager().getNumParticles(), 17);
    for (Particle* particle : manager().getAllParticles()) EXPECT_GT(particle->getTimeToLive(), 0.0f);
}

TEST_F(Particles, AFlushFromAParticleUpdateWaitsForTheWalk) {
    struct Flusher : Particle {
        using Particle::Particle;
        void update(float deltaMS) override {
            Particle::update(deltaMS);
            setTimeToLive(0.0f);
            gameSystem_->getParticleManager()->flush();
        }
    };
    auto* first = new Flusher(&engine.gameSystem);
    auto* second = new Flusher(&engine.gameSystem);
    manager().addParticle(first);
    manager().addParticle(second);
    // Without the deferral the first flush would free the particle whose update is running.
    engine.runTicks(1);
    EXPECT_EQ(manager().getNumParticles(), 0);
}

TEST_F(Particles, TheDefaultDrawIsAFadingSquare) {
    Particle* particle = manager().createParticle();
    particle->pos = {5.0f, 6.0f};
    particle->setTimeToLive(250.0f);
    engine.video().clearDrawCalls();
    particle->drawAlpha();
    const auto& calls = engine.video().getDrawCalls();
    ASSERT_EQ(calls.size(), 10u);
    EXPECT_EQ(calls[1].arguments, (std::vector<float>{5.0f, 6.0f, 0.0f}));
    EXPECT_EQ(calls[2].arguments, (std::vector<float>{0.6f, 0.3f, 0.3f, 0.25f}));
    EXPECT_EQ(calls[3].arguments, std::vector<float>{SHAPETYPE_QUADS});
    EXPECT_EQ(calls[4].arguments, (std::vector<float>{-39.0f, -39.0f, 0.0f}));
}

}  // namespace
