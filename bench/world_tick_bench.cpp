// One engine tick of a world of steering circles (entity updates, body updates, the Box2D step,
// contact events) on null devices with no scripts, at 1,000, 3,000 and 10,000 entities.
#include <benchmark/benchmark.h>

#include <box2d/box2d.h>

#include <cmath>
#include <memory>

#include "Engine/Box2DPhysicsModule.h"
#include "Engine/Entity.h"
#include "Engine/EntityManager.h"
#include "Engine/GameBoard.h"
#include "Engine/GameSystem.h"
#include "Engine/PhysicsData.h"
#include "Engine/RandomGenerator.h"
#include "tests/doubles/NullModuleFactory.h"

namespace {

// Thrusts every tick and turns one way: at full speed it circles with a radius of about 330
// units, so the crowd keeps meeting itself all over the board.
class SteeringEntity final : public Entity {
  public:
    using Entity::Entity;
    void update(float deltaMS) override {
        PhysicsData* body = getPhysicsData();
        body->thrust();
        if (getObjectID() % 2 == 0) {
            body->rotateLeft();
        } else {
            body->rotateRight();
        }
        Entity::update(deltaMS);
    }
};

class Scene {
  public:
    // [boardScale] stretches the board about its middle (1: the default board).
    Scene(int count, float boardScale) : gameSystem_(factory_) {
        gameSystem_.startUp();
        GameBoard& gameBoard = *gameSystem_.getGameBoard();
        gameBoard.setMinPos(gameBoard.getMinPos() * boardScale);
        gameBoard.setMaxPos(gameBoard.getMaxPos() * boardScale);
        RandomGenerator random(12345);
        GameBoard board(&random);
        board.setMinPos(gameBoard.getMinPos());
        board.setMaxPos(gameBoard.getMaxPos());
        EntityManager& manager = *gameSystem_.getEntityManager();
        for (int i = 0; i < count; ++i) {
            auto* entity = new SteeringEntity(&gameSystem_);
            entity->getPhysicsData()->setPos(board.makeRandomPos());
            entity->getPhysicsData()->setDir(random.getRandomDir());
            manager.addEntity(entity);
        }
        // Let the crowd spread and settle into steady traffic before measuring.
        for (int i = 0; i < 120; ++i) tick();
    }

    void tick() {
        factory_.getClock().advance(17.0);
        gameSystem_.runLoopIteration();
    }
    b2World& world() { return static_cast<Box2DPhysicsModule*>(gameSystem_.getPhysicsModule())->getWorld(); }
    int touchingContacts() {
        int n = 0;
        for (b2Contact* c = world().GetContactList(); c != nullptr; c = c->GetNext())
            n += c->IsTouching() ? 1 : 0;
        return n;
    }

  private:
    NullModuleFactory factory_;
    GameSystem gameSystem_;
};

void BM_WorldTick(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), 1.0f);
    for (auto _ : state) scene.tick();
    state.counters["touching"] = scene.touchingContacts();
}

// The same crowd on a board grown with it, so every size has the density of 1,000 entities on
// the default board (about a fifth of the area covered): the cost per entity at steady traffic.
void BM_WorldTickConstantDensity(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Scene scene(count, std::sqrt(static_cast<float>(count) / 1000.0f));
    for (auto _ : state) scene.tick();
    state.counters["touching"] = scene.touchingContacts();
}

}  // namespace

BENCHMARK(BM_WorldTick)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldTickConstantDensity)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
