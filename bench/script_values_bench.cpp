// Benchmarks of the script runtime's values and memory: operator handlers, interning, table
// insert / lookup / remove, allocation with pacing, and the collector's step pause and
// full-collection cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "script/gmScriptMachine.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread: unlike wall time it leaves out the time the process was preempted,
// which on a shared machine dwarfs a collector step.
double threadCpuMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// A machine whose collection runs only when a benchmark asks (no stress steps).
struct BenchMachine {
    BenchMachine() { machine.setStressCollection(false); }
    gmScriptMachine machine;
};

// ---- Operator handlers ----

void BM_IntAddHandler(benchmark::State& state) {
    BenchMachine m;
    gmOperatorFunction add = m.machine.getNativeOperator(kGmInt, kGmOpAdd);
    gmValue operands[2] = {gmValue::makeInt(1), gmValue::makeInt(2)};
    for (auto _ : state) {
        operands[0] = gmValue::makeInt(1);
        add(m.machine, nullptr, operands);
        benchmark::DoNotOptimize(operands[0]);
    }
}
BENCHMARK(BM_IntAddHandler);

void BM_FloatMulHandler(benchmark::State& state) {
    BenchMachine m;
    gmOperatorFunction mul = m.machine.getNativeOperator(kGmFloat, kGmOpMul);
    gmValue operands[2];
    for (auto _ : state) {
        operands[0] = gmValue::makeFloat(1.5f);
        operands[1] = gmValue::makeInt(3);
        mul(m.machine, nullptr, operands);
        benchmark::DoNotOptimize(operands[0]);
    }
}
BENCHMARK(BM_FloatMulHandler);

// "score: " + int: formats, concatenates and interns (the result exists after the first round).
void BM_StringAddIntHandler(benchmark::State& state) {
    BenchMachine m;
    gmOperatorFunction add = m.machine.getNativeOperator(kGmString, kGmOpAdd);
    gmString* prefix = m.machine.internString("score: ");
    m.machine.addHostRoot(prefix);
    gmValue operands[2];
    for (auto _ : state) {
        operands[0] = gmValue::makeString(prefix);
        operands[1] = gmValue::makeInt(12345);
        add(m.machine, nullptr, operands);
        benchmark::DoNotOptimize(operands[0]);
    }
}
BENCHMARK(BM_StringAddIntHandler);

// ---- Interning ----

void BM_InternExistingText(benchmark::State& state) {
    BenchMachine m;
    m.machine.addHostRoot(m.machine.internString("setPosition"));
    for (auto _ : state) benchmark::DoNotOptimize(m.machine.internString("setPosition", 11));
}
BENCHMARK(BM_InternExistingText);

// New texts; every 100,000 the strings are collected so the intern table stays at a game's size.
void BM_InternNewText(benchmark::State& state) {
    BenchMachine m;
    char text[32];
    uint32_t counter = 0;
    for (auto _ : state) {
        const int length = std::snprintf(text, sizeof(text), "name%u", counter++);
        benchmark::DoNotOptimize(m.machine.internString(text, length));
        if (counter % 100000 == 0) {
            state.PauseTiming();
            m.machine.collectGarbage(true);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_InternNewText);

// ---- Tables: insert, lookup, remove with int and string keys ----

enum class KeyKind { kInt, kString };

// [count] distinct keys; string keys are interned up front and kept alive by [holder].
std::vector<gmValue> makeKeys(gmScriptMachine& machine, KeyKind kind, int32_t count, gmTable* holder) {
    std::vector<gmValue> keys;
    keys.reserve(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        if (kind == KeyKind::kInt) {
            keys.push_back(gmValue::makeInt(k));
        } else {
            char text[32];
            const int length = std::snprintf(text, sizeof(text), "key%d", k);
            keys.push_back(gmValue::makeString(machine.internString(text, length)));
            holder->set(machine, gmValue::makeInt(k), keys.back());
        }
    }
    return keys;
}

// Time per key of filling a fresh table with [range(1)] keys.
void BM_TableInsert(benchmark::State& state, KeyKind kind) {
    BenchMachine m;
    const int32_t count = static_cast<int32_t>(state.range(0));
    gmTable* holder = m.machine.createTable();
    m.machine.addHostRoot(holder);
    const std::vector<gmValue> keys = makeKeys(m.machine, kind, count, holder);
    for (auto _ : state) {
        gmTable* table = m.machine.createTable();
        const auto start = Clock::now();
        for (const gmValue& key : keys) table->set(m.machine, key, gmValue::makeInt(1));
        state.SetIterationTime(secondsSince(start));
        m.machine.collectGarbage(false);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Lookups of present keys, cycling through all of them.
void BM_TableLookup(benchmark::State& state, KeyKind kind) {
    BenchMachine m;
    const int32_t count = static_cast<int32_t>(state.range(0));
    gmTable* holder = m.machine.createTable();
    m.machine.addHostRoot(holder);
    const std::vector<gmValue> keys = makeKeys(m.machine, kind, count, holder);
    gmTable* table = m.machine.createTable();
    m.machine.addHostRoot(table);
    for (const gmValue& key : keys) table->set(m.machine, key, gmValue::makeInt(1));
    size_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table->get(keys[index]));
        if (++index == keys.size())
            index = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

// Time per key of removing every key from a full table (the table is refilled untimed).
void BM_TableRemove(benchmark::State& state, KeyKind kind) {
    BenchMachine m;
    const int32_t count = static_cast<int32_t>(state.range(0));
    gmTable* holder = m.machine.createTable();
    m.machine.addHostRoot(holder);
    const std::vector<gmValue> keys = makeKeys(m.machine, kind, count, holder);
    for (auto _ : state) {
        gmTable* table = m.machine.createTable();
        for (const gmValue& key : keys) table->set(m.machine, key, gmValue::makeInt(1));
        const auto start = Clock::now();
        for (const gmValue& key : keys) table->set(m.machine, key, gmValue());
        state.SetIterationTime(secondsSince(start));
        m.machine.collectGarbage(false);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK_CAPTURE(BM_TableInsert, int, KeyKind::kInt)->Arg(10)->Arg(100000)->UseManualTime();
BENCHMARK_CAPTURE(BM_TableInsert, string, KeyKind::kString)->Arg(10)->Arg(100000)->UseManualTime();
BENCHMARK_CAPTURE(BM_TableLookup, int, KeyKind::kInt)->Arg(10)->Arg(100000);
BENCHMARK_CAPTURE(BM_TableLookup, string, KeyKind::kString)->Arg(10)->Arg(100000);
BENCHMARK_CAPTURE(BM_TableRemove, int, KeyKind::kInt)->Arg(10)->Arg(100000)->UseManualTime();
BENCHMARK_CAPTURE(BM_TableRemove, string, KeyKind::kString)->Arg(10)->Arg(100000)->UseManualTime();

// ---- Allocation and collection ----

// Allocation churn as a game makes it: small short-lived tables, the pacing called every 100
// allocations (a tick). Reports the collections it took with the default limits.
void BM_AllocateGarbageTablesWithPacing(benchmark::State& state) {
    BenchMachine m;
    uint32_t counter = 0;
    for (auto _ : state) {
        gmTable* table = m.machine.createTable();
        table->set(m.machine, gmValue::makeInt(0), gmValue::makeInt(1));
        if (++counter % 100 == 0)
            m.machine.collectGarbage(false);
    }
    state.counters["full_collects"] = m.machine.getFullCollectCount();
    state.counters["inc_collects"] = m.machine.getIncrementalCollectCount();
    state.counters["warnings"] = m.machine.getWarningCount();
}
BENCHMARK(BM_AllocateGarbageTablesWithPacing);

// A live heap of about [objectCount] objects: half tables, half strings. One root table in the
// globals holds every table; each table has an int, its own string and a link to the previous
// table. With [garbage], as many unreachable tables again.
void buildHeap(gmScriptMachine& machine, int32_t objectCount, bool garbage) {
    gmCollectionPause pause(machine);
    gmTable* root = machine.createTable();
    machine.getGlobals()->setField(machine, "root", gmValue::makeTable(root));
    const gmValue xKey = gmValue::makeString(machine.internPermanentString("x"));
    const gmValue nameKey = gmValue::makeString(machine.internPermanentString("name"));
    const gmValue nextKey = gmValue::makeString(machine.internPermanentString("next"));
    gmValue previous = gmValue::makeTable(root);
    char text[32];
    for (int32_t k = 0; k < objectCount / 2; ++k) {
        gmTable* table = machine.createTable();
        const int length = std::snprintf(text, sizeof(text), "n%d", k);
        table->set(machine, xKey, gmValue::makeInt(k));
        table->set(machine, nameKey, gmValue::makeString(machine.internString(text, length)));
        table->set(machine, nextKey, previous);
        root->set(machine, gmValue::makeInt(k), gmValue::makeTable(table));
        previous = gmValue::makeTable(table);
        if (garbage)
            machine.createTable()->set(machine, xKey, gmValue::makeInt(k));
    }
}

// One whole collection cycle done in incremental steps (budget 200) over a heap of [range(0)] live
// objects (and as much garbage when range(1) is 1). Reports the longest step in thread CPU time
// (max_step_cpu_us) and in wall time, the wall-time 99.9th and 99th percentiles and mean, and the
// steps per cycle; the time per iteration is the cycle's wall time. On a shared machine the longest
// wall-time step includes any preemption of the process, hence the CPU-time figure.
void BM_IncrementalStepPause(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    const bool garbage = state.range(1) != 0;
    std::vector<double> stepMicros;
    double longestCpuMicros = 0;
    for (auto _ : state) {
        BenchMachine m;
        buildHeap(m.machine, count, garbage);
        gmGarbageCollector& gc = m.machine.getCollector();
        gc.startCycle();
        double cycleSeconds = 0;
        bool finished = false;
        while (!finished) {
            const double cpuStart = threadCpuMicros();
            const auto start = Clock::now();
            finished = gc.step(false);
            const double seconds = secondsSince(start);
            longestCpuMicros = std::max(longestCpuMicros, threadCpuMicros() - cpuStart);
            stepMicros.push_back(seconds * 1e6);
            cycleSeconds += seconds;
        }
        state.SetIterationTime(cycleSeconds);
        state.counters["live_objects"] = m.machine.getObjectCount();
    }
    std::sort(stepMicros.begin(), stepMicros.end());
    auto percentile = [&](double p) {
        return stepMicros[std::min(stepMicros.size() - 1,
                                   static_cast<size_t>(p * static_cast<double>(stepMicros.size())))];
    };
    double total = 0;
    for (double micros : stepMicros) total += micros;
    state.counters["max_step_cpu_us"] = longestCpuMicros;
    state.counters["max_step_us"] = stepMicros.back();
    state.counters["p999_step_us"] = percentile(0.999);
    state.counters["p99_step_us"] = percentile(0.99);
    state.counters["mean_step_us"] = total / static_cast<double>(stepMicros.size());
    state.counters["steps_per_cycle"] =
        static_cast<double>(stepMicros.size()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IncrementalStepPause)
    ->Args({10000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A full collection of a heap of [range(0)] live objects (no garbage left: the steady state).
void BM_FullCollection(benchmark::State& state) {
    BenchMachine m;
    buildHeap(m.machine, static_cast<int32_t>(state.range(0)), false);
    m.machine.setDesiredMemoryUsageAuto(false);
    m.machine.collectGarbage(true);
    for (auto _ : state) m.machine.collectGarbage(true);
    state.counters["live_objects"] = m.machine.getObjectCount();
    state.counters["usage_kib"] = m.machine.getMemoryUsage() / 1024.0;
}
BENCHMARK(BM_FullCollection)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ---- Block heap ----

void BM_BlockHeapAllocFree64(benchmark::State& state) {
    gmBlockHeap heap;
    for (auto _ : state) {
        void* block = heap.allocate(60);
        benchmark::DoNotOptimize(block);
        heap.free(block);
    }
}
BENCHMARK(BM_BlockHeapAllocFree64);

void BM_MallocFree64(benchmark::State& state) {
    for (auto _ : state) {
        void* block = std::malloc(60);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}
BENCHMARK(BM_MallocFree64);

}  // namespace
