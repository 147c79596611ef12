#include "script/gmGarbageCollector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "ScriptTestSupport.h"

namespace {
using gmtest::MachineTest;

// Host objects that record their own destruction, to see exactly what the collector frees.
struct Probe {
    int id = 0;
    std::multiset<int>* destroyed = nullptr;
    gmValue held;  // traced by the PROBE type's trace callback
};

class gmCollection : public MachineTest {
  protected:
    void SetUp() override {
        // These tests count steps and objects: one step per allocation would change the counts.
        machine_.setStressCollection(false);
        probeType_ = machine_.createUserType("PROBE");
        machine_.setTypeCallbacks(
            probeType_,
            [](gmScriptMachine&, gmHostObject* object, gmGarbageCollector& collector, int32_t,
               int32_t& workDone) {
                collector.markValue(static_cast<Probe*>(object->getHostPointer())->held);
                workDone += 2;
                return true;
            },
            [](gmScriptMachine&, gmHostObject* object) {
                auto* probe = static_cast<Probe*>(object->getHostPointer());
                if (probe->destroyed != nullptr)
                    probe->destroyed->insert(probe->id);
            },
            nullptr);
    }

    // The probes die before the machine (members of this class go before the base's): let the
    // machine's teardown free probe objects without calling back.
    void TearDown() override { machine_.setTypeCallbacks(probeType_, nullptr, nullptr, nullptr); }

    // An unrooted host object with a Probe; the Probe outlives the machine's use of it.
    gmHostObject* probe(int id) {
        probes_.push_back(std::make_unique<Probe>());
        probes_.back()->id = id;
        probes_.back()->destroyed = &destroyed_;
        return machine_.newHostObject(probes_.back().get(), probeType_);
    }
    gmValue probeValue(int id) { return gmValue::makeHostObject(probe(id)); }
    bool isDestroyed(int id) const { return destroyed_.count(id) != 0; }
    void stepUntilIdle() {
        gmGarbageCollector& gc = machine_.getCollector();
        for (int n = 0; n < 100000 && !gc.step(false); ++n) {
        }
    }

    int32_t probeType_ = 0;
    std::vector<std::unique_ptr<Probe>> probes_;
    std::multiset<int> destroyed_;
};

TEST_F(gmCollection, FullCollectionFreesExactlyTheUnreachable) {
    gmTable* globals = machine_.getGlobals();
    globals->setField(machine_, "kept", probeValue(1));
    probe(2);
    gmValue inner = probeValue(3);
    gmTable* holder = machine_.createTable();
    holder->set(machine_, i(0), inner);
    globals->setField(machine_, "holder", gmValue::makeTable(holder));
    gmTable* orphan = machine_.createTable();
    orphan->set(machine_, i(0), probeValue(4));

    EXPECT_TRUE(machine_.collectGarbage(true));
    EXPECT_FALSE(isDestroyed(1));
    EXPECT_TRUE(isDestroyed(2));
    EXPECT_FALSE(isDestroyed(3));
    EXPECT_TRUE(isDestroyed(4));
}

TEST_F(gmCollection, CyclesOfGarbageAreFreed) {
    gmTable* a = machine_.createTable();
    gmTable* b = machine_.createTable();
    a->set(machine_, i(0), gmValue::makeTable(b));
    b->set(machine_, i(0), gmValue::makeTable(a));
    a->set(machine_, i(1), probeValue(1));
    const int32_t before = machine_.getObjectCount();
    machine_.collectGarbage(true);
    EXPECT_TRUE(isDestroyed(1));
    EXPECT_EQ(machine_.getObjectCount(), before - 3);
}

TEST_F(gmCollection, MemoryUsageReturnsToTheBaselineAfterCollectingGarbage) {
    machine_.collectGarbage(true);
    const int32_t baseline = machine_.getMemoryUsage();
    for (int k = 0; k < 200; ++k) {
        gmTable* t = machine_.createTable();
        for (int n = 0; n < 10; ++n)
            t->set(machine_, i(n),
                   gmValue::makeString(machine_.internString(std::to_string(k * 100 + n).c_str())));
    }
    EXPECT_GT(machine_.getMemoryUsage(), baseline);
    machine_.collectGarbage(true);
    EXPECT_EQ(machine_.getMemoryUsage(), baseline);
}

TEST_F(gmCollection, AUserTypeCostsOnePermanentNameAndOneMembersTable) {
    const int64_t objects = machine_.getObjectBytes();
    const int64_t blocks = machine_.getBlockHeapBytes();
    machine_.createUserType("EXTRA");
    // The name (28) with its characters ("EXTRA" fits in 8 bytes) and an empty members table (32).
    EXPECT_EQ(machine_.getObjectBytes(), objects + 28 + 32);
    EXPECT_EQ(machine_.getBlockHeapBytes(), blocks + 8);
    EXPECT_EQ(machine_.getMemoryUsage(), machine_.getObjectBytes() + machine_.getBlockHeapBytes());
}

TEST_F(gmCollection, HostRootsKeepObjectsAliveUntilRemoved) {
    gmHostObject* object = probe(1);
    machine_.addHostRoot(object);
    machine_.addHostRoot(object);  // present: nothing
    EXPECT_EQ(machine_.getHostRootCount(), 1);
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(1));
    machine_.removeHostRoot(object);
    EXPECT_EQ(machine_.getHostRootCount(), 0);
    machine_.collectGarbage(true);
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, HostRootSetEntriesAreChargedToTheBlockHeap) {
    const int64_t blocks = machine_.getBlockHeapBytes();
    gmHostObject* object = probe(1);
    machine_.addHostRoot(object);
    EXPECT_EQ(machine_.getBlockHeapBytes() - blocks, 8);
    machine_.removeHostRoot(object);
    EXPECT_EQ(machine_.getBlockHeapBytes(), blocks);
}

TEST_F(gmCollection, ObjectRemovedFromHostRootsDuringACycleSurvivesThatCycle) {
    gmHostObject* object = probe(1);
    machine_.addHostRoot(object);
    gmGarbageCollector& gc = machine_.getCollector();
    machine_.collectGarbage(true);  // leaves a fresh cycle started
    gc.step(false);                 // root scan done: the object is grey
    stepUntilIdle();
    gc.startCycle();  // now it is white again, roots not yet scanned
    machine_.removeHostRoot(object);
    stepUntilIdle();
    EXPECT_FALSE(isDestroyed(1));
    gc.startCycle();
    stepUntilIdle();
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, RootProvidersAreScannedAtEveryRootScan) {
    struct Held {
        gmValue value;
    } held{probeValue(1)};
    auto scan = [](gmScriptMachine&, gmGarbageCollector& collector, void* userData) {
        collector.markValue(static_cast<Held*>(userData)->value);
    };
    machine_.addRootProvider(scan, &held);
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(1));
    machine_.removeRootProvider(scan, &held);
    machine_.collectGarbage(true);
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, HostTraceCallbacksKeepWhatTheyReferenceAlive) {
    gmHostObject* owner = probe(1);
    static_cast<Probe*>(owner->getHostPointer())->held = probeValue(2);
    machine_.addHostRoot(owner);
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(2));
    machine_.removeHostRoot(owner);
    machine_.collectGarbage(true);
    EXPECT_TRUE(isDestroyed(1));
    EXPECT_TRUE(isDestroyed(2));
}

TEST_F(gmCollection, DestructRunsExactlyOnce) {
    probe(1);
    machine_.collectGarbage(true);
    machine_.collectGarbage(true);
    EXPECT_EQ(destroyed_.count(1), 1u);
}

TEST_F(gmCollection, DestructRunsOnlyWhilePending) {
    gmHostObject* object = probe(1);
    object->setDestructPending(false);
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(1));  // freed, but its callback was not wanted
}

TEST_F(gmCollection, TypeMembersAndScriptOperatorsAreRoots) {
    machine_.setTypeMember(probeType_, "member", probeValue(1));
    gmFunction* op = machine_.createNativeFunction([](gmScriptThread*) { return 0; });
    gmTable* marker = machine_.createTable();
    gmFunctionContents compiled;
    compiled.constants.push_back(gmValue::makeTable(marker));
    gmFunction* scripted = machine_.createFunction(compiled);
    marker->set(machine_, i(0), probeValue(2));
    EXPECT_TRUE(machine_.setTypeOperator(probeType_, kGmOpAdd, scripted, nullptr));
    EXPECT_TRUE(machine_.setTypeOperator(probeType_, kGmOpSub, nullptr, nullptr));
    EXPECT_FALSE(machine_.setTypeOperator(probeType_, 25, op, nullptr));
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(1));
    EXPECT_FALSE(isDestroyed(2));
    EXPECT_EQ(machine_.getScriptOperator(probeType_, kGmOpAdd), scripted);
    EXPECT_EQ(machine_.getTypeRecord(probeType_).members->getField(machine_, "member").getType(), probeType_);
}

TEST_F(gmCollection, FunctionsKeepTheirConstantsAlive) {
    gmFunctionContents compiled;
    compiled.code = {40, 33};
    compiled.constants.push_back(gmValue::makeString(machine_.internString("only-in-constants")));
    compiled.constants.push_back(probeValue(1));
    compiled.debugName = "fn";
    gmFunction* function = machine_.createFunction(compiled);
    machine_.addHostRoot(function);
    machine_.collectGarbage(true);
    EXPECT_NE(machine_.findString("only-in-constants"), nullptr);
    EXPECT_FALSE(isDestroyed(1));
    EXPECT_STREQ(function->getDebugName()->getText(), "fn");
    machine_.removeHostRoot(function);
    machine_.collectGarbage(true);
    EXPECT_EQ(machine_.findString("only-in-constants"), nullptr);
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, ObjectsCreatedDuringACycleSurviveIt) {
    gmGarbageCollector& gc = machine_.getCollector();
    machine_.collectGarbage(true);
    stepUntilIdle();
    gc.startCycle();
    gc.step(false);  // roots scanned
    probe(1);        // unreachable, but born black
    stepUntilIdle();
    EXPECT_FALSE(isDestroyed(1));
    gc.startCycle();
    stepUntilIdle();
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, ReinternedStringSurvivesTheCycleInProgress) {
    gmGarbageCollector& gc = machine_.getCollector();
    machine_.collectGarbage(true);
    stepUntilIdle();
    gmString* s = machine_.internString("again");
    gc.startCycle();
    gc.step(false);  // roots: the string is not reachable, it stays white
    EXPECT_FALSE(gc.isMarked(s));
    EXPECT_EQ(machine_.internString("again"), s);  // found: re-marked
    EXPECT_TRUE(gc.isMarked(s));
    stepUntilIdle();
    EXPECT_EQ(machine_.findString("again"), s);
    gc.startCycle();
    stepUntilIdle();
    EXPECT_EQ(machine_.findString("again"), nullptr);
}

// The deletion barrier: an object moved from a not-yet-traced table into an already traced (black)
// one during a cycle must survive. Without the barrier nothing would trace it again.
TEST_F(gmCollection, WriteBarrierKeepsAnObjectMovedBehindTheMarkFront) {
    gmGarbageCollector& gc = machine_.getCollector();
    gc.setWorkPerIncrement(1);  // trace one object per step
    gmTable* traced = machine_.createTable();
    gmTable* pending = machine_.createTable();
    machine_.addHostRoot(traced);  // host roots are greyed first, so traced first
    machine_.getGlobals()->setField(machine_, "pending", gmValue::makeTable(pending));
    pending->set(machine_, i(0), probeValue(1));
    machine_.collectGarbage(true);
    stepUntilIdle();

    gc.startCycle();
    gc.step(false);  // roots: [traced], the globals table and the type members are grey
    gc.step(false);  // [traced] is traced: black
    ASSERT_TRUE(gc.isMarked(traced));
    ASSERT_FALSE(gc.isMarked(pending));  // the globals have not been traced yet
    const gmValue moved = pending->get(i(0));
    ASSERT_FALSE(gc.isMarked(moved.getObject()));
    traced->set(machine_, i(0), moved);       // no barrier on a new key...
    pending->set(machine_, i(0), gmValue());  // ...but dropping it from [pending] greys it
    EXPECT_TRUE(gc.isMarked(moved.getObject()));
    stepUntilIdle();
    EXPECT_FALSE(isDestroyed(1));
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(1));
    machine_.removeHostRoot(traced);
}

TEST_F(gmCollection, ValueStoredIntoATracedTableSurvives) {
    gmGarbageCollector& gc = machine_.getCollector();
    gmTable* traced = machine_.createTable();
    machine_.addHostRoot(traced);
    machine_.collectGarbage(true);
    stepUntilIdle();
    gc.startCycle();
    gc.step(false);  // roots: [traced] is first in the grey part
    gc.step(false);  // [traced] is traced
    traced->set(machine_, str("fresh"), probeValue(1));
    stepUntilIdle();
    machine_.collectGarbage(true);
    EXPECT_FALSE(isDestroyed(1));
    machine_.removeHostRoot(traced);
}

TEST_F(gmCollection, OverwrittenValuesAreGreyedDuringACycle) {
    gmGarbageCollector& gc = machine_.getCollector();
    gmTable* holder = machine_.createTable();
    machine_.getGlobals()->setField(machine_, "holder", gmValue::makeTable(holder));
    holder->set(machine_, i(0), probeValue(1));
    machine_.collectGarbage(true);
    stepUntilIdle();
    gc.startCycle();
    gc.step(false);
    gmHostObject* old = holder->get(i(0)).getHostObject();
    EXPECT_FALSE(gc.isMarked(old));
    holder->set(machine_, i(0), i(5));
    EXPECT_TRUE(gc.isMarked(old));
    stepUntilIdle();
    EXPECT_FALSE(isDestroyed(1));  // floating garbage: freed by the next cycle
    gc.startCycle();
    stepUntilIdle();
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, RemovedKeysAreGreyedDuringACycle) {
    gmGarbageCollector& gc = machine_.getCollector();
    gmTable* holder = machine_.createTable();
    machine_.getGlobals()->setField(machine_, "holder", gmValue::makeTable(holder));
    gmValue key = probeValue(1);
    holder->set(machine_, key, i(1));
    machine_.collectGarbage(true);
    stepUntilIdle();
    gc.startCycle();
    gc.step(false);
    holder->set(machine_, key, gmValue());
    EXPECT_TRUE(gc.isMarked(key.getObject()));
}

TEST_F(gmCollection, PersistentObjectsAreNeverFreed) {
    gmString* name = machine_.internPermanentString("keep-me");
    for (int n = 0; n < 3; ++n) machine_.collectGarbage(true);
    EXPECT_EQ(machine_.findString("keep-me"), name);
}

TEST_F(gmCollection, CollectionDisabledDoesNothing) {
    probe(1);
    machine_.setCollectionEnabled(false);
    EXPECT_FALSE(machine_.collectGarbage(true));
    EXPECT_FALSE(isDestroyed(1));
    {
        machine_.setCollectionEnabled(true);
        gmCollectionPause pause(machine_);
        EXPECT_FALSE(machine_.isCollectionEnabled());
        EXPECT_FALSE(machine_.collectGarbage(true));
    }
    EXPECT_TRUE(machine_.isCollectionEnabled());
    EXPECT_TRUE(machine_.collectGarbage(true));
    EXPECT_TRUE(isDestroyed(1));
}

TEST_F(gmCollection, DestructCallbacksMayAllocateWithoutNestedCollection) {
    static bool allocated = false;
    const int32_t type = machine_.createUserType("ALLOCATES");
    machine_.setTypeCallbacks(
        type, nullptr,
        [](gmScriptMachine& machine, gmHostObject*) {
            machine.createTable();
            machine.internString("made-in-destructor");
            EXPECT_FALSE(machine.collectGarbage(true));
            allocated = true;
        },
        nullptr);
    machine_.setStressCollection(true);
    machine_.newHostObject(nullptr, type);
    machine_.setStressCollection(false);
    machine_.collectGarbage(true);
    EXPECT_TRUE(allocated);
}

TEST_F(gmCollection, MachineDestructionRunsHostDestructors) {
    std::multiset<int> destroyed;
    Probe p;
    p.id = 9;
    p.destroyed = &destroyed;
    {
        gmScriptMachine machine;
        const int32_t type = machine.createUserType("P");
        machine.setTypeCallbacks(
            type, nullptr,
            [](gmScriptMachine&, gmHostObject* object) {
                auto* probe = static_cast<Probe*>(object->getHostPointer());
                probe->destroyed->insert(probe->id);
            },
            nullptr);
        machine.addHostRoot(machine.newHostObject(&p, type));
    }
    EXPECT_EQ(destroyed.count(9), 1u);
}

TEST_F(gmCollection, HostObjectsNeedAHostType) {
    EXPECT_EQ(machine_.newHostObject(nullptr, kGmTable), nullptr);
    EXPECT_EQ(machine_.newHostObject(nullptr, 99), nullptr);
    EXPECT_EQ(machine_.newHostObject(nullptr, -1), nullptr);
}

TEST_F(gmCollection, AbsurdLimitsDoNotBreakThePacing) {
    for (int32_t hard : {0, -5, 1, 2147483647}) {
        machine_.setDesiredMemoryUsageHard(hard);
        machine_.setDesiredMemoryUsageSoft(hard);
        machine_.collectGarbage(false);
        machine_.collectGarbage(true);
    }
    EXPECT_GE(machine_.getDesiredMemoryUsageHard(), 0);
}

TEST_F(gmCollection, HostTypeIdsStartAfterTheStateTypeInCreationOrder) {
    // 0..5 are the built-ins and 6 is the library's gmState.
    EXPECT_STREQ(machine_.getTypeName(6), "gmState");
    EXPECT_EQ(probeType_, 7);
    EXPECT_EQ(machine_.createUserType("NEXT"), 8);
    EXPECT_STREQ(machine_.getTypeName(8), "NEXT");
    EXPECT_STREQ(machine_.getTypeName(99), "undefined");
    EXPECT_EQ(machine_.getTypeCount(), 9);
}

// ---- Pacing ----

TEST_F(gmCollection, BelowTheSoftLimitNothingRuns) {
    machine_.collectGarbage(true);
    stepUntilIdle();
    EXPECT_FALSE(machine_.isCollectionRunning());
    machine_.setDesiredMemoryUsageAuto(false);
    for (int n = 0; n < 10; ++n) EXPECT_FALSE(machine_.collectGarbage(false));
    EXPECT_FALSE(machine_.isCollectionRunning());
    EXPECT_EQ(machine_.getIncrementalCollectCount(), 0);
}

TEST_F(gmCollection, BetweenSoftAndHardEachCallAdvancesOneStep) {
    gmTable* holder = machine_.createTable();
    machine_.getGlobals()->setField(machine_, "holder", gmValue::makeTable(holder));
    for (int k = 0; k < 300; ++k) holder->set(machine_, i(k), gmValue::makeTable(machine_.createTable()));
    machine_.collectGarbage(true);
    stepUntilIdle();
    const int32_t fulls = machine_.getFullCollectCount();
    machine_.setDesiredMemoryUsageHard(1 << 20);
    machine_.setDesiredMemoryUsageSoft(machine_.getMemoryUsage() - 1);
    EXPECT_FALSE(machine_.collectGarbage(false));  // starts a cycle and scans the roots
    EXPECT_TRUE(machine_.isCollectionRunning());
    EXPECT_FALSE(machine_.getCollector().isRootsPending());
    int calls = 1;
    while (machine_.isCollectionRunning() && calls < 1000) {
        EXPECT_FALSE(machine_.collectGarbage(false));
        ++calls;
    }
    EXPECT_FALSE(machine_.isCollectionRunning());
    // Roots; the globals, the 7 members tables and 191 units of the holder (1 + 300 references);
    // the rest of the holder and 90 tables; 200 tables; the last 10 and an empty reclaim.
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(machine_.getIncrementalCollectCount(), 1);
    EXPECT_EQ(machine_.getFullCollectCount(), fulls);
}

TEST_F(gmCollection, AboveTheHardLimitAFullCollectionRuns) {
    machine_.setDesiredMemoryUsageAuto(false);
    machine_.setDesiredMemoryUsageHard(machine_.getMemoryUsage() - 1);
    probe(1);
    EXPECT_TRUE(machine_.collectGarbage(false));
    EXPECT_TRUE(isDestroyed(1));
    EXPECT_EQ(machine_.getFullCollectCount(), 1);
}

TEST_F(gmCollection, SoftAboveHardIsClampedAtTheNextCall) {
    machine_.setDesiredMemoryUsageAuto(false);
    machine_.setDesiredMemoryUsageHard(1 << 20);
    machine_.setDesiredMemoryUsageSoft(1 << 21);
    machine_.collectGarbage(false);
    EXPECT_EQ(machine_.getDesiredMemoryUsageSoft(), 1 << 20);
}

TEST_F(gmCollection, TwoCyclesWithinAHundredCallsCountAWarning) {
    machine_.collectGarbage(true);
    stepUntilIdle();
    machine_.setDesiredMemoryUsageHard(1 << 20);
    machine_.setDesiredMemoryUsageSoft(0);
    int calls = 0;
    while (machine_.getIncrementalCollectCount() < 2 && calls < 1000) {
        machine_.collectGarbage(false);
        ++calls;
    }
    EXPECT_LT(calls, 100);
    EXPECT_EQ(machine_.getWarningCount(), 1);
}

TEST_F(gmCollection, CyclesFarApartCountNoWarning) {
    machine_.collectGarbage(true);
    stepUntilIdle();
    machine_.setDesiredMemoryUsageHard(1 << 20);
    machine_.setDesiredMemoryUsageSoft(0);
    while (machine_.getIncrementalCollectCount() < 1) machine_.collectGarbage(false);
    // Idle calls below the soft limit still count as calls.
    machine_.setDesiredMemoryUsageSoft(1 << 20);
    for (int n = 0; n < 150; ++n) machine_.collectGarbage(false);
    machine_.setDesiredMemoryUsageSoft(0);
    while (machine_.getIncrementalCollectCount() < 2) machine_.collectGarbage(false);
    EXPECT_EQ(machine_.getWarningCount(), 0);
}

TEST_F(gmCollection, AutoAdjustAboveSoftGrowsHardByHalfAndSoftToNinetyPercent) {
    machine_.setDesiredMemoryUsageHard(400);
    machine_.setDesiredMemoryUsageSoft(300);
    ASSERT_TRUE(machine_.collectGarbage(true));
    const int32_t usage = machine_.getMemoryUsage();
    ASSERT_GE(usage, 300);
    const int32_t hard = static_cast<int32_t>(static_cast<float>(usage) * 1.5f);
    EXPECT_EQ(machine_.getDesiredMemoryUsageHard(), hard);
    EXPECT_EQ(machine_.getDesiredMemoryUsageSoft(), static_cast<int32_t>(static_cast<float>(hard) * 0.9f));
}

TEST_F(gmCollection, AutoAdjustStopsFullCollectionsOnceTheLiveHeapOutgrewTheLimits) {
    gmTable* holder = machine_.createTable();
    machine_.getGlobals()->setField(machine_, "holder", gmValue::makeTable(holder));
    for (int k = 0; k < 4000; ++k) holder->set(machine_, i(k), gmValue::makeTable(machine_.createTable()));
    ASSERT_GT(machine_.getMemoryUsage(), gmScriptMachine::kDefaultDesiredMemoryUsageHard);
    EXPECT_TRUE(machine_.collectGarbage(false));
    for (int n = 0; n < 50; ++n) EXPECT_FALSE(machine_.collectGarbage(false));
    EXPECT_EQ(machine_.getFullCollectCount(), 1);
    EXPECT_GT(machine_.getDesiredMemoryUsageHard(), machine_.getMemoryUsage());
}

TEST_F(gmCollection, AScriptThatNeverYieldsIsCollectedWhileItRuns) {
    const char* script =
        "keep = {};"
        "for (i = 0; i < 200000; i += 1) { junk = {x = i, y = {i}}; if (i % 1000 == 0) { keep[i] = junk; } }"
        "global result = keep[199000].y[0];";
    ASSERT_EQ(machine_.runText(script, nullptr, true), 0);
    EXPECT_GT(machine_.getFullCollectCount(), 0);
    // 400,000 garbage tables would take megabytes; what is left is the kept 200 and their limits.
    EXPECT_LT(machine_.getMemoryUsage(), 4 * gmScriptMachine::kDefaultDesiredMemoryUsageHard);
    EXPECT_EQ(machine_.getGlobals()->getField(machine_, "result"), i(199000));
}

TEST_F(gmCollection, GrowingATableInAScriptRunCollectsWithoutNewObjects) {
    // A big table becomes garbage after the last object is made; from then on only node arrays
    // are allocated.
    const char* script =
        "keep = {}; junk = {};"
        "for (i = 0; i < 60000; i += 1) { junk[i] = i; }"
        "junk = null;"
        "for (i = 0; i < 200000; i += 1) { keep[i] = i; }"
        "global result = keep[199999];";
    ASSERT_EQ(machine_.runText(script, nullptr, true), 0);
    EXPECT_EQ(machine_.getGlobals()->getField(machine_, "result"), i(199999));
    // What is left: the kept table (262,144 nodes charged 20 bytes each) and little else.
    EXPECT_LT(machine_.getMemoryUsage(), 262144 * 20 + 2 * gmScriptMachine::kDefaultDesiredMemoryUsageHard);
}

TEST_F(gmCollection, OutsideAScriptRunAllocationsDoNotCollect) {
    gmTable* holder = machine_.createTable();
    machine_.getGlobals()->setField(machine_, "holder", gmValue::makeTable(holder));
    for (int k = 0; k < 4000; ++k) machine_.createTable();
    ASSERT_GT(machine_.getMemoryUsage(), gmScriptMachine::kDefaultDesiredMemoryUsageHard);
    EXPECT_EQ(machine_.getFullCollectCount(), 0);
}

TEST_F(gmCollection, AutoAdjustBelowSoftLowersSoftTowardsUsage) {
    machine_.collectGarbage(true);
    const int32_t usage = machine_.getMemoryUsage();
    const int32_t hard = usage * 3 / 2;      // usage / hard ~ 0.67 >= 0.5
    const int32_t soft = usage * 3 / 2 - 1;  // usage < soft
    machine_.setDesiredMemoryUsageHard(hard);
    machine_.setDesiredMemoryUsageSoft(soft);
    ASSERT_TRUE(machine_.collectGarbage(true));
    ASSERT_EQ(machine_.getMemoryUsage(), usage);
    const float ratio = static_cast<float>(soft) / static_cast<float>(hard) - 0.1f;
    const int32_t lowered = static_cast<int32_t>(static_cast<float>(hard) * ratio);
    EXPECT_EQ(machine_.getDesiredMemoryUsageSoft(), lowered > usage ? lowered : soft);
    EXPECT_EQ(machine_.getDesiredMemoryUsageHard(), hard);
}

TEST_F(gmCollection, AutoAdjustLeavesLimitsWhenUsageIsUnderHalfOfHard) {
    machine_.collectGarbage(true);
    ASSERT_LT(machine_.getMemoryUsage() * 2, gmScriptMachine::kDefaultDesiredMemoryUsageHard);
    EXPECT_EQ(machine_.getDesiredMemoryUsageHard(), gmScriptMachine::kDefaultDesiredMemoryUsageHard);
    EXPECT_EQ(machine_.getDesiredMemoryUsageSoft(), gmScriptMachine::kDefaultDesiredMemoryUsageSoft);
}

TEST_F(gmCollection, FullCollectionLeavesANewCycleToFinishIncrementally) {
    EXPECT_TRUE(machine_.collectGarbage(true));
    EXPECT_TRUE(machine_.isCollectionRunning());
    EXPECT_TRUE(machine_.getCollector().isRootsPending());
    int calls = 0;
    while (machine_.isCollectionRunning() && calls < 1000) {
        machine_.collectGarbage(false);
        ++calls;
    }
    EXPECT_FALSE(machine_.isCollectionRunning());
    EXPECT_EQ(machine_.getIncrementalCollectCount(), 1);
}

// ---- Incremental tracing of big tables ----

TEST_F(gmCollection, BigTablesAreTracedOverSeveralSteps) {
    gmTable* big = machine_.createTable();
    machine_.addHostRoot(big);
    for (int k = 0; k < 1000; ++k) big->set(machine_, i(k), probeValue(k));
    gmGarbageCollector& gc = machine_.getCollector();
    gc.setWorkPerIncrement(50);
    machine_.collectGarbage(true);
    int steps = 0;
    while (!gc.step(false)) ++steps;
    EXPECT_GT(steps, 1000 / 50);
    EXPECT_TRUE(destroyed_.empty());
    machine_.removeHostRoot(big);
}

// Pairs that move inside a table while its trace is under way -- pulled up into a chain head on a
// removal, pushed out of a main position on an insertion, re-placed by a resize -- must not slip
// behind the trace cursor. Many keys share main positions here, so pairs move a lot; the budget
// is 2, so the table is always part traced.
TEST_F(gmCollection, PairsMovingDuringAPartialTraceStayMarked) {
    gmTable* big = machine_.createTable();
    machine_.addHostRoot(big);
    std::map<int32_t, int> model;  // key -> probe id
    std::mt19937 random(7);
    gmGarbageCollector& gc = machine_.getCollector();
    gc.setWorkPerIncrement(2);
    int nextProbe = 0;
    for (int round = 0; round < 20000; ++round) {
        const int32_t key = static_cast<int32_t>(random() % 64) * 64 + static_cast<int32_t>(random() % 4);
        if (random() % 3 == 0) {
            big->set(machine_, i(key), gmValue());
            model.erase(key);
        } else {
            const int id = nextProbe++;
            big->set(machine_, i(key), probeValue(id));
            model[key] = id;
        }
        if (round % 500 == 250) {
            // A burst of new keys between two steps: the table grows while part traced.
            for (int n = 0; n < 200; ++n) {
                const int32_t fresh = 100000 + nextProbe;
                const int id = nextProbe++;
                big->set(machine_, i(fresh), probeValue(id));
                model[fresh] = id;
            }
        }
        if (gc.isIdle())
            gc.startCycle();
        gc.step(false);
        if (round % 97 == 0) {
            for (const auto& [k, id] : model) ASSERT_FALSE(isDestroyed(id)) << "round " << round;
        }
    }
    for (const auto& [k, id] : model) EXPECT_FALSE(isDestroyed(id));
    machine_.collectGarbage(true);
    EXPECT_EQ(static_cast<int>(destroyed_.size()), nextProbe - static_cast<int>(model.size()));
    machine_.removeHostRoot(big);
}

// ---- Torture: random graph mutations interleaved with incremental steps ----

// Nodes are tables, each carrying a probe (its identity); edges are table entries. A model of the
// graph says which nodes are reachable from the roots (globals entries). At every point no
// reachable node may have been freed; after a full collection exactly the unreachable ones are.
TEST_F(gmCollection, RandomMutationsNeverFreeAReachableObject) {
    std::mt19937 random(42);
    struct NodeModel {
        gmTable* table;
        std::map<int32_t, int> edges;  // slot -> node id
        bool freed = false;
    };
    std::map<int, NodeModel> nodes;
    std::map<int32_t, int> rootEdges;  // globals slot -> node id
    gmTable* globals = machine_.getGlobals();
    int nextId = 0;
    gmGarbageCollector& gc = machine_.getCollector();
    gc.setWorkPerIncrement(3);
    gc.setFreesPerIncrement(2);

    auto reachable = [&] {
        std::set<int> seen;
        std::vector<int> stack;
        for (auto& [slot, id] : rootEdges) stack.push_back(id);
        while (!stack.empty()) {
            const int id = stack.back();
            stack.pop_back();
            if (!seen.insert(id).second)
                continue;
            for (auto& [slot, target] : nodes[id].edges) stack.push_back(target);
        }
        return seen;
    };
    auto liveIds = [&] {
        std::vector<int> ids;
        for (auto& [id, node] : nodes) {
            if (!node.freed)
                ids.push_back(id);
        }
        return ids;
    };

    for (int round = 0; round < 3000; ++round) {
        const std::set<int> live = reachable();
        const std::vector<int> ids = liveIds();
        const int action = static_cast<int>(random() % 6);
        if (action == 0 || ids.empty()) {
            // A new node, stored under a root slot so it starts reachable.
            const int id = nextId++;
            gmTable* t = machine_.createTable();
            t->set(machine_, str("probe"), probeValue(id));
            nodes[id] = NodeModel{t, {}, false};
            const int32_t slot = static_cast<int32_t>(random() % 8);
            globals->set(machine_, i(slot), gmValue::makeTable(t));
            rootEdges[slot] = id;
        } else if (action <= 2 && !live.empty()) {
            // Copy an edge: a reachable source gets a reference to a reachable target.
            std::vector<int> reachableIds(live.begin(), live.end());
            const int from = reachableIds[random() % reachableIds.size()];
            const int to = reachableIds[random() % reachableIds.size()];
            const int32_t slot = static_cast<int32_t>(random() % 4);
            nodes[from].table->set(machine_, i(slot), gmValue::makeTable(nodes[to].table));
            nodes[from].edges[slot] = to;
        } else if (action == 3 && !live.empty()) {
            // Drop an edge from a reachable node.
            std::vector<int> reachableIds(live.begin(), live.end());
            const int from = reachableIds[random() % reachableIds.size()];
            const int32_t slot = static_cast<int32_t>(random() % 4);
            nodes[from].table->set(machine_, i(slot), gmValue());
            nodes[from].edges.erase(slot);
        } else if (action == 4) {
            // Drop or move a root edge.
            const int32_t slot = static_cast<int32_t>(random() % 8);
            auto found = rootEdges.find(slot);
            if (found != rootEdges.end()) {
                const int32_t other = static_cast<int32_t>(random() % 8);
                if (random() % 2 == 0 && other != slot) {
                    globals->set(machine_, i(other), gmValue::makeTable(nodes[found->second].table));
                    rootEdges[other] = found->second;
                }
                globals->set(machine_, i(slot), gmValue());
                rootEdges.erase(slot);
            }
        } else {
            for (int n = 0; n < 3; ++n) {
                if (gc.isIdle())
                    gc.startCycle();
                gc.step(false);
            }
        }
        for (int id : destroyed_) nodes[id].freed = true;
        for (int id : reachable())
            ASSERT_FALSE(nodes[id].freed) << "reachable node " << id << " freed, round " << round;
        if (round % 500 == 499) {
            machine_.collectGarbage(true);
            for (int id : destroyed_) nodes[id].freed = true;
            const std::set<int> nowReachable = reachable();
            for (auto& [id, node] : nodes) {
                ASSERT_EQ(node.freed, nowReachable.count(id) == 0)
                    << "node " << id << " after full collection";
            }
        }
    }
}

// ---- Stress mode: a step at every allocation ----

TEST(gmStressBuild, StressCollectionIsOnExactlyInTheStressBuild) {
    gmScriptMachine machine;
#if defined(TACT_GC_STRESS) && TACT_GC_STRESS
    EXPECT_TRUE(machine.isStressCollection());
#else
    EXPECT_FALSE(machine.isStressCollection());
#endif
}

// What the stress build is for: an object that native code holds only in a C++ variable is freed
// within a few allocations, so a missing root shows up at once.
TEST_F(gmCollection, StressModeFreesAnUnrootedObjectWithinAFewAllocations) {
    machine_.setStressCollection(true);
    probe(1);
    int allocations = 0;
    while (!isDestroyed(1) && allocations < 10) {
        machine_.createTable();
        ++allocations;
    }
    EXPECT_TRUE(isDestroyed(1));
    EXPECT_LE(allocations, 5);
}

TEST_F(gmCollection, StressModeCollectsGarbageAndKeepsRootedObjects) {
    machine_.setStressCollection(true);
    gmValue kept = table();
    for (int k = 0; k < 2000; ++k) {
        gmTable* garbage = machine_.createTable();
        garbage->set(machine_, i(0), i(k));
        if (k % 100 == 0)
            kept.getTable()->set(machine_, i(k), probeValue(k));
        probe(100000 + k);
    }
    for (int k = 0; k < 2000; k += 100) EXPECT_FALSE(isDestroyed(k));
    EXPECT_GT(destroyed_.size(), 1000u);
    EXPECT_LT(machine_.getObjectCount(), 500);
}
}  // namespace
