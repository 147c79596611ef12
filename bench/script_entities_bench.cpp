// The script cost of an entity update: the engine calling a script entity's `update` method, which
// reads its state and steers through three binding calls, for 1,000 and 3,000 entities. Reported
// per entity update (the "time" column divided by the entity count; also the "per_entity" counter).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "Engine/EntityManager.h"
#include "Engine/GameSystem.h"
#include "Engine/ScriptHost/GmScriptEntity.h"
#include "Engine/ScriptHost/GmScriptModule.h"
#include "tests/doubles/NullModuleFactory.h"

namespace {
constexpr const char* kSteer = R"(
global Steer = function(entity) {
    return table(
        entity = entity,
        body = entity.getPhysicsData(),
        update = function(dt) {
            hp = .entity.getHP();
            if (hp < 0.5) { .entity.setHP(1.0); }
            body = .entity.getPhysicsData();
        });
};
)";

class ScriptFactory : public NullModuleFactory {
  public:
    std::unique_ptr<ScriptModule> createScriptModule(GameSystem* gameSystem) override {
        return std::make_unique<GmScriptModule>(gameSystem, false);
    }
};

void BM_ScriptEntityUpdate(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / ("tact-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::ofstream("Steer.gm") << kSteer;

    ScriptFactory factory;
    auto game = std::make_unique<GameSystem>(factory);
    const int count = static_cast<int>(state.range(0));
    std::vector<GmScriptEntity*> entities;
    for (int i = 0; i < count; ++i) {
        entities.push_back(static_cast<GmScriptEntity*>(game->getEntityManager()->createEntity("Steer")));
    }
    game->getEntityManager()->flush();
    for (auto _ : state) {
        for (GmScriptEntity* entity : entities)
            entity->callScriptMethod("update", {GmScriptBaseObject::Argument::of(16.0f)});
        // The collector's pacing runs once a tick, as in the engine.
        static_cast<GmScriptModule*>(game->getScriptModule())->getMachine().collectGarbage(false);
    }
    state.counters["per_entity"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * count,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    game.reset();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ScriptEntityUpdate)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);
}  // namespace
