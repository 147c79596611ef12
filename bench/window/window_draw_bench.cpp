// Frame time of the GLFW video module for crowds of default-shape circles (22-vertex fans).
// Run under a display or xvfb-run: scripts/run-benchmarks.sh does.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <time.h>

#include "DemoEntity.h"
#include "Engine/EntityManager.h"
#include "Engine/GLFWVideoModule/GLFWModuleFactory.h"
#include "Engine/GameSystem.h"
#include "Engine/VideoModule.h"

namespace {

double cpuMS(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1.0e6;
}

// One window for the whole program: the crowd only grows between runs, which go in rising order.
GameSystem& sharedGameSystem() {
    static GLFWModuleFactory factory;
    static GameSystem gameSystem(factory);
    static bool started = false;
    if (!started) {
        gameSystem.getVideoModule()->setAspectRatio(16.0f / 9.0f);
        gameSystem.setMainProcessName("");
        gameSystem.startUp();
        started = true;
    }
    return gameSystem;
}

void BM_RenderCircles(benchmark::State& state) {
    GameSystem& gameSystem = sharedGameSystem();
    const auto have = static_cast<int64_t>(gameSystem.getVideoModule()->getDrawList().size());
    for (int64_t i = have; i < state.range(0); ++i) {
        DemoEntity::Definition d;
        d.pos = RealPoint(gameSystem.getRandomReal(-2300.0f, 2300.0f),
                          gameSystem.getRandomReal(-1250.0f, 1250.0f));
        d.velocity = RealPoint(0.1f, 0.0f);
        d.radius = 25.0f;
        gameSystem.getEntityManager()->addEntity(new DemoEntity(&gameSystem, d));
    }
    gameSystem.getEntityManager()->flush();
    gameSystem.getVideoModule()->render();
    // The main thread's CPU time is the engine's and the driver's front end; the rest of the
    // process's CPU time is the driver's rasteriser threads. Wall time alone cannot tell them
    // apart on a loaded machine.
    const double mainStart = cpuMS(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = cpuMS(CLOCK_PROCESS_CPUTIME_ID);
    for (auto _ : state) {
        gameSystem.getVideoModule()->render();
        // Count the drawing itself, not just its queueing.
        glFinish();
    }
    const double frames = static_cast<double>(state.iterations());
    const double mainMS = cpuMS(CLOCK_THREAD_CPUTIME_ID) - mainStart;
    const double processMS = cpuMS(CLOCK_PROCESS_CPUTIME_ID) - processStart;
    state.counters["main_cpu_ms"] = mainMS / frames;
    state.counters["other_cpu_ms"] = (processMS - mainMS) / frames;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RenderCircles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
