#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Engine/Process.h"
#include "Engine/SawLFO.h"

namespace {

// Records alarms and what its LFO read when update ran, to check the tick order.
class TimerProcess final : public Process {
  public:
    TimerProcess() : Process("TimerProcess", nullptr) {}
    void onAlarm(int id) override { events.push_back("alarm " + std::to_string(id)); }
    void update(float) override {
        LFO* lfo = getLFO(1);
        events.push_back(lfo ? "update lfo " + std::to_string(lfo->getLevel()) : "update");
    }
    std::vector<std::string> events;
};

TEST(GameObjectTimers, AdditionsAreVisibleAtOnceButRunFromTheNextMaintenance) {
    TimerProcess process;
    Alarm* alarm = process.addAlarm(3, 10, true);
    EXPECT_EQ(process.getAlarm(3), alarm);
    EXPECT_EQ(process.getAlarm(4), nullptr);
    process.tick(1);  // init
    process.tick(1);
    EXPECT_EQ(process.events, (std::vector<std::string>{"alarm 3", "update"}));
}

TEST(GameObjectTimers, ATickRunsLFOsThenAlarmsInIdOrderThenUpdate) {
    TimerProcess process;
    auto saw = std::make_unique<SawLFO>();
    saw->setRate(100);
    process.addLFO(1, std::move(saw));
    process.addAlarm(9, 0);
    process.addAlarm(2, 0);
    process.tick(10);
    process.tick(10);
    EXPECT_EQ(process.events, (std::vector<std::string>{"alarm 2", "alarm 9", "update lfo 0.100000"}));
}

TEST(GameObjectTimers, AnAlarmKeepsCallingUntilItIsReset) {
    TimerProcess process;
    process.addAlarm(1, 5);
    process.tick(10);
    process.tick(10);
    process.tick(10);
    EXPECT_EQ(process.events.size(), 4u);
    process.getAlarm(1)->reset();
    process.events.clear();
    process.tick(1);
    EXPECT_EQ(process.events, std::vector<std::string>{"update"});
}

TEST(GameObjectTimers, DeletionsApplyToPendingAndActiveAtTheNextMaintenance) {
    TimerProcess process;
    process.addAlarm(1, 0);
    process.deleteAlarm(1);
    EXPECT_NE(process.getAlarm(1), nullptr);
    process.tick(1);
    process.tick(1);
    EXPECT_EQ(process.getAlarm(1), nullptr);
    EXPECT_EQ(process.events, std::vector<std::string>{"update"});
    process.addLFO(4, std::make_unique<SawLFO>());
    process.tick(1);
    process.deleteLFO(4);
    process.tick(1);
    EXPECT_EQ(process.getLFO(4), nullptr);
}

TEST(GameObjectTimers, UniqueIdsFollowTheLargestInUse) {
    TimerProcess process;
    EXPECT_EQ(process.getUniqueAlarmID(), 1);
    process.addAlarm(7, 0);
    EXPECT_EQ(process.getUniqueAlarmID(), 8);
    process.tick(1);
    process.addAlarm(3, 0);
    EXPECT_EQ(process.getUniqueAlarmID(), 8);
    process.addAlarm(2147483647, 0);
    EXPECT_EQ(process.getUniqueAlarmID(), 1);
    EXPECT_EQ(process.getUniqueLFOID(), 1);
}

TEST(GameObjectTimers, AnAlarmCanChangeTheCollectionFromItsOwnCallback) {
    class SelfEditing final : public Process {
      public:
        SelfEditing() : Process("SelfEditing", nullptr) {}
        void onAlarm(int id) override {
            ++calls;
            deleteAlarm(id);
            addAlarm(id + 1, 1000);
        }
        int calls = 0;
    } process;
    process.addAlarm(1, 0);
    process.tick(1);
    process.tick(1);
    process.tick(1);
    EXPECT_EQ(process.calls, 1);
    EXPECT_EQ(process.getAlarm(1), nullptr);
    EXPECT_NE(process.getAlarm(2), nullptr);
}

}  // namespace
