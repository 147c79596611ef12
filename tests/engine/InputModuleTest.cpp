#include <gtest/gtest.h>

#include "Engine/Assertion.h"
#include "Engine/KeyCodes.h"
#include "EngineHarness.h"

namespace {

class TypedKeys : public testing::Test {
  protected:
    void SetUp() override {
        engine.registerProcess("Main");
        engine.gameSystem.startUp();
        engine.runTicks(1);
        engine.trace.clear();
    }

    // The ticks (counted from 1) in which Main received [event].
    std::vector<int> ticksWith(const std::string& event, int ticks) {
        std::vector<int> result;
        for (int t = 1; t <= ticks; ++t) {
            engine.trace.clear();
            engine.runTicks(1);
            for (const std::string& e : engine.trace) {
                if (e == "Main." + event)
                    result.push_back(t);
            }
        }
        return result;
    }

    EngineHarness engine;
};

TEST_F(TypedKeys, FirstAtOnceThenAfterTheDelayThenAtTheRate) {
    engine.input().setDeviceKey(KEYBOARD_A, true);
    // 16.67 ms ticks in single precision: twelve of them sum to a hair over 200 ms, so the first
    // repeat comes 12 updates after the press; then one every third update (over 38 ms).
    EXPECT_EQ(ticksWith("type0", 21), (std::vector<int>{1, 13, 16, 19}));
}

TEST_F(TypedKeys, APressAndAReleaseAreReportedOnce) {
    engine.input().setDeviceKey(KEYBOARD_A, true);
    engine.runTicks(5);
    engine.input().setDeviceKey(KEYBOARD_A, false);
    engine.runTicks(5);
    EXPECT_EQ(engine.traceOf("Main.press").size(), 1u);
    EXPECT_EQ(engine.traceOf("Main.release"), EventTrace{"Main.release0"});
}

TEST_F(TypedKeys, ANewKeyRestartsTheRhythmWithItAlone) {
    engine.input().setDeviceKey(KEYBOARD_A, true);
    engine.runTicks(5);
    engine.input().setDeviceKey(KEYBOARD_B, true);
    engine.trace.clear();
    engine.runTicks(14);
    EXPECT_EQ(engine.traceOf("Main.type"), (EventTrace{"Main.type1", "Main.type1"}));
}

TEST_F(TypedKeys, ReleasingOneOfTwoTypingKeysStopsTheEvents) {
    engine.input().setDeviceKey(KEYBOARD_A, true);
    engine.input().setDeviceKey(KEYBOARD_B, true);
    engine.runTicks(1);
    engine.input().setDeviceKey(KEYBOARD_A, false);
    engine.trace.clear();
    engine.runTicks(30);
    EXPECT_EQ(engine.traceOf("Main.type").size(), 0u);
}

TEST_F(TypedKeys, TypeRateAndDelayAreSettable) {
    InputModule& input = *engine.gameSystem.getRealInputModule();
    input.setTypeDelay(50.0f);
    input.setTypeRate(20.0f);
    engine.input().setDeviceKey(KEYBOARD_A, true);
    EXPECT_EQ(ticksWith("type0", 8), (std::vector<int>{1, 5, 7}));
}

TEST(InputModule, ModifiersAndOutOfRangeCodes) {
    InputModule input(nullptr);
    input.setKeyState(KEYBOARD_RIGHTSHIFT, true);
    input.setKeyState(KEYBOARD_LEFTCONTROL, true);
    EXPECT_TRUE(input.isShiftPressed());
    EXPECT_TRUE(input.isControlPressed());
    EXPECT_FALSE(input.isAltPressed());

    std::vector<std::string> reports;
    AssertionHandler previous =
        setAssertionHandler([&](const AssertionReport& r) { reports.push_back(r.expression); });
    EXPECT_FALSE(input.isKeyPressed(NUM_KEYCODES));
    EXPECT_FALSE(input.isKeyPressed(-1));
    input.setKeyState(200, true);
    setAssertionHandler(previous);
    EXPECT_EQ(reports, std::vector<std::string>(3, "kc>=0&&kc<NUM_KEYCODES"));
    EXPECT_EQ(input.getJoystickAxis(0, 0), 0.0f);
    EXPECT_EQ(input.getMousePosX(), 0.0f);
}

TEST(InputModule, MousePosIsBothCoordinatesOfTheDevice) {
    struct Pointer : InputModule {
        Pointer() : InputModule(nullptr) {}
        float getMousePosX() override { return 0.25f; }
        float getMousePosY() override { return 0.75f; }
    } pointer;
    EXPECT_EQ(pointer.getMousePos().x, 0.25f);
    EXPECT_EQ(pointer.getMousePos().y, 0.75f);
    EXPECT_EQ(InputModule(nullptr).getMousePos().x, 0.0f);
}

}  // namespace
