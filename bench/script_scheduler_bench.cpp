// Benchmarks of the script scheduler at scale: thousands of threads that each take one turn per
// 16 ms tick by yielding, by sleeping about one tick, or by blocking on a value the host signals,
// run through Execute the way the engine runs them. Every iteration is one tick; "per_thread" is
// the tick's time divided by the threads that ran in it (a resume, or a wake and a resume).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "script/gmScriptMachine.h"

namespace {

constexpr uint32_t kTickMs = 16;

enum class Turn { kYield, kSleep, kBlock };

// Each worker counts its turns so that a tick does a little script work besides the switch.
const char* workerSource(Turn turn) {
    switch (turn) {
        case Turn::kYield:
            return "global worker = function(k) { n = 0; while (true) { n += 1; yield(); } };";
        case Turn::kSleep:
            // Sleeps of 10..16 ms: all wake at the next tick, in seven wake times.
            return "global worker = function(k) { n = 0; t = 0.010 + (k % 7) * 0.001;"
                   " while (true) { n += 1; sleep(t); } };";
        case Turn::kBlock:
            return "global worker = function(k) { n = 0; while (true) { n += 1; block(\"tick\"); } };";
    }
    return "";
}

void runScheduler(benchmark::State& state, Turn turn) {
    const int32_t threads = static_cast<int32_t>(state.range(0));
    gmScriptMachine machine;
    machine.setStressCollection(false);
    std::string source = workerSource(turn);
    source += " for (k = 0; k < " + std::to_string(threads) + "; k += 1) { thread(worker, k); }";
    if (machine.runText(source.c_str()) != 0) {
        state.SkipWithError("the worker script did not compile");
        return;
    }
    gmString* tick = machine.internString("tick");
    machine.addHostRoot(tick);
    const gmValue tickValue = gmValue::makeString(tick);
    // Settle: every worker has run once and is waiting for its next turn.
    for (int i = 0; i < 3; ++i) {
        if (turn == Turn::kBlock)
            machine.signalValue(tickValue, 0, 0);
        machine.Execute(kTickMs);
    }
    if (machine.getThreadCount() != threads) {
        state.SkipWithError("the workers did not all start");
        return;
    }
    for (auto _ : state) {
        if (turn == Turn::kBlock)
            machine.signalValue(tickValue, 0, 0);
        benchmark::DoNotOptimize(machine.Execute(kTickMs));
    }
    state.counters["per_thread"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * threads,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SchedulerYield(benchmark::State& state) {
    runScheduler(state, Turn::kYield);
}
void BM_SchedulerSleep(benchmark::State& state) {
    runScheduler(state, Turn::kSleep);
}
void BM_SchedulerBlockSignal(benchmark::State& state) {
    runScheduler(state, Turn::kBlock);
}

BENCHMARK(BM_SchedulerYield)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SchedulerSleep)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SchedulerBlockSignal)->Arg(1000)->Arg(3000)->Unit(benchmark::kMicrosecond);

}  // namespace
