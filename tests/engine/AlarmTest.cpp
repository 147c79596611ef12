#include "Engine/Alarm.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// One 60 Hz update, as scripts usually see it.
constexpr float kUpdateMS = 16.67f;

TEST(Alarm, AlarmsOnTheSixtiethUpdateAndResetKeepsTheOvershoot) {
    Alarm alarm(1000);
    int updates = 0;
    while (!alarm.update(kUpdateMS)) ++updates;
    EXPECT_EQ(updates + 1, 60);
    alarm.reset();
    EXPECT_NEAR(alarm.getMSElapsed(), 0.2f, 0.01f);
    EXPECT_FALSE(alarm.isAlarming());
}

TEST(Alarm, StartAlarmingFiresOnTheFirstUpdate) {
    Alarm alarm(500, true);
    EXPECT_TRUE(alarm.update(0.0f));
}

TEST(Alarm, ADisabledAlarmNeitherAlarmsNorAccumulates) {
    Alarm alarm(10);
    alarm.setIsEnabled(false);
    EXPECT_FALSE(alarm.update(100));
    EXPECT_FLOAT_EQ(alarm.getMSElapsed(), 0.0f);
}

TEST(Alarm, PercentageAndTimeTillAlarm) {
    EXPECT_FLOAT_EQ(Alarm(0).getAlarmPercentage(), 1.0f);
    Alarm alarm(200);
    alarm.update(50);
    EXPECT_FLOAT_EQ(alarm.getAlarmPercentage(), 0.25f);
    EXPECT_FLOAT_EQ(alarm.getTimeTillAlarm(), 150.0f);
    alarm.update(250);
    EXPECT_FLOAT_EQ(alarm.getAlarmPercentage(), 1.0f);
    EXPECT_FLOAT_EQ(alarm.getTimeTillAlarm(), -100.0f);
    alarm.phaseReset(2.0f);
    EXPECT_FLOAT_EQ(alarm.getMSElapsed(), 200.0f);
    alarm.setIntervalAndHardReset(50);
    EXPECT_FLOAT_EQ(alarm.getMSElapsed(), 0.0f);
    alarm.randomReset();
    EXPECT_GE(alarm.getMSElapsed(), 0.0f);
    EXPECT_LT(alarm.getMSElapsed(), 50.0f);
}

TEST(Alarm, ResetWithoutAPositiveIntervalOrFiniteResultGoesToZero) {
    Alarm zero(0);
    zero.update(5);
    zero.reset();
    EXPECT_FLOAT_EQ(zero.getMSElapsed(), 0.0f);
    Alarm negative(-10);
    negative.update(5);
    negative.reset();
    EXPECT_FLOAT_EQ(negative.getMSElapsed(), 0.0f);
    Alarm infinite(10);
    infinite.update(std::numeric_limits<float>::infinity());
    infinite.reset();
    EXPECT_FLOAT_EQ(infinite.getMSElapsed(), 0.0f);
}

}  // namespace
