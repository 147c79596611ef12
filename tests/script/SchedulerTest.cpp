// The scheduler at scale: thousands of sleepers wake in exactly the order of their wake times (ties
// in the order they fell asleep) while some are killed in their sleep, and the thread list shows
// them in that order; thread stacks count in the memory figures; the host's thread limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "script/gmScriptMachine.h"

namespace {

void captureLine(void* userData, const char* line) {
    static_cast<std::vector<std::string>*>(userData)->emplace_back(line);
}

// The script's sleep(k * 0.001): a float product, then whole milliseconds rounded down.
uint32_t sleepMs(int k) {
    const float seconds = static_cast<float>(k) * 0.001f;
    return static_cast<uint32_t>(std::floor(static_cast<double>(seconds) * 1000.0));
}

TEST(gmScheduler, ThousandsOfSleepersWakeInWakeTimeThenSleepOrder) {
    constexpr int kThreads = 3000;
    constexpr uint32_t kTick = 16;
    std::mt19937 random(21);
    std::vector<int> first(kThreads), second(kThreads);
    std::string text =
        "global sleeper = function(index, k1, k2) {\n"
        "  sleep(k1 * 0.001);\n"
        "  print(index);\n"
        "  sleep(k2 * 0.001);\n"
        "  print(index);\n"
        "};\n";
    for (int i = 0; i < kThreads; ++i) {
        // Few distinct times: many ties, in and across ticks.
        first[i] = static_cast<int>(random() % 120);
        second[i] = static_cast<int>(random() % 60);
        text += "thread(sleeper, " + std::to_string(i) + ", " + std::to_string(first[i]) + ", " +
                std::to_string(second[i]) + ");\n";
    }
    gmScriptMachine machine;
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    int32_t mainId = 0;
    ASSERT_EQ(machine.runText(text.c_str(), &mainId, true, nullptr), 0);
    machine.Execute(0);  // every thread starts and falls asleep, in index order

    // Thread i has id mainId + 1 + i. Every seventh is killed in its sleep.
    struct Sleeper {
        uint32_t wake;
        uint64_t order;
        int index;
        int phase;
    };
    std::vector<Sleeper> asleep;
    uint64_t order = 0;
    for (int i = 0; i < kThreads; ++i) {
        if (i % 7 == 3)
            machine.killThread(machine.findThread(mainId + 1 + i));
        else
            asleep.push_back({sleepMs(first[i]), order, i, 0});
        ++order;
    }
    const auto before = [](const Sleeper& a, const Sleeper& b) {
        return a.wake != b.wake ? a.wake < b.wake : a.order < b.order;
    };
    std::sort(asleep.begin(), asleep.end(), before);
    std::vector<int32_t> listed, expectedListed;
    machine.forEachThread([&](gmScriptThread* thread) { listed.push_back(thread->getId()); });
    for (const Sleeper& s : asleep) expectedListed.push_back(mainId + 1 + s.index);
    EXPECT_EQ(listed, expectedListed);

    // The same scheduler, written the slow and obvious way.
    std::vector<std::string> expected;
    uint32_t time = 0;
    while (!asleep.empty()) {
        time += kTick;
        std::sort(asleep.begin(), asleep.end(), before);
        std::vector<Sleeper> woken;
        while (!asleep.empty() && asleep.front().wake <= time) {
            woken.push_back(asleep.front());
            asleep.erase(asleep.begin());
        }
        for (const Sleeper& s : woken) {
            expected.push_back(std::to_string(s.index) + " ");
            if (s.phase == 0)
                asleep.push_back({time + sleepMs(second[s.index]), order++, s.index, 1});
        }
    }
    while (machine.hasRunningOrSleepingThreads()) machine.Execute(kTick);
    EXPECT_EQ(output, expected);
    EXPECT_EQ(machine.getErrorLog().getEntryCount(), 0);
    EXPECT_EQ(machine.getThreadCount(), 0);
}

TEST(gmScheduler, ThreadStacksCountInTheMemoryUsage) {
    gmScriptMachine machine;
    const int64_t idle = machine.getMemoryUsage();
    // 200 threads each 500 calls deep, asleep at the bottom: their stacks have grown past 8 KiB.
    ASSERT_EQ(
        machine.runText("global dive = function(n) { if (n > 0) { dive(n - 1); } else { sleep(1); } };\n"
                        "for (i = 0; i < 200; i += 1) { thread(dive, 500); }",
                        nullptr, true, nullptr),
        0);
    machine.Execute(0);
    EXPECT_EQ(machine.getThreadCount(), 200);
    const int64_t deep = machine.getMemoryUsage();
    EXPECT_GT(deep - idle, 200 * 500 * 2 * static_cast<int64_t>(sizeof(gmValue)));
    EXPECT_EQ(deep, machine.getObjectBytes() + machine.getBlockHeapBytes() + machine.getThreadBytes());
    // Finished, they are freed (beyond the few kept for reuse) and the figure falls back.
    while (machine.hasRunningOrSleepingThreads()) machine.Execute(100);
    EXPECT_LT(machine.getThreadBytes(), (deep - idle) / 4);
    EXPECT_EQ(machine.getErrorLog().getEntryCount(), 0);
}

TEST(gmScheduler, PastTheThreadLimitThreadAndDoStringFailWithAMessage) {
    gmScriptMachine machine;
    std::vector<std::string> output;
    machine.setPrintSink(captureLine, &output);
    machine.setThreadLimit(10);
    // The top level is one live thread: nine more start, the tenth thread() fails and ends it.
    ASSERT_EQ(
        machine.runText("global n = {started = 0};\n"
                        "for (i = 0; i < 100; i += 1) { thread(function() { yield(); }); n.started += 1; }",
                        nullptr, true, nullptr),
        0);
    EXPECT_EQ(machine.getThreadCount(), 9);
    ASSERT_GE(machine.getErrorLog().getEntryCount(), 1);
    EXPECT_STREQ(machine.getErrorLog().getEntry(0), "too many threads (limit 10)");
    machine.getErrorLog().clear();
    // doString starts a thread too; once the others end there is room again.
    ASSERT_EQ(machine.runText("print(n.started); doString(\"print(1);\");", nullptr, true, nullptr), 0);
    EXPECT_STREQ(machine.getErrorLog().getEntry(0), "too many threads (limit 10)");
    while (machine.hasRunningOrSleepingThreads()) machine.Execute(16);
    machine.getErrorLog().clear();
    ASSERT_EQ(machine.runText("doString(\"print(2);\");", nullptr, true, nullptr), 0);
    EXPECT_EQ(output, (std::vector<std::string>{"9 ", "2 "}));
    EXPECT_EQ(machine.getErrorLog().getEntryCount(), 0);
}

}  // namespace
