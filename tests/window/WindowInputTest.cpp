#include <gtest/gtest.h>

#include <algorithm>

#include <X11/keysym.h>

#include <GLFW/glfw3.h>

#include "Engine/KeyCodes.h"
#include "KeyInjector.h"
#include "WindowHarness.h"

namespace {

// Ticks until [done] holds or a generous number of ticks has passed (the X server answers
// asynchronously); the test's expectations decide, not the count.
template <typename Done>
void tickUntil(WindowHarness& window, Done done) {
    for (int i = 0; i < 120 && !done(); ++i) window.tick();
}

TEST(WindowInput, AKeyPressedInTheWindowReachesTheProcesses) {
    WindowHarness window;
    KeyProcess* main = window.process("Main");
    ASSERT_NE(main, nullptr);
    sendKeyEvent(window.video().getWindow(), XK_a, true);
    tickUntil(window, [&] { return !main->presses.empty(); });
    EXPECT_EQ(main->presses, std::vector<int>{KEYBOARD_A});
    EXPECT_TRUE(window.input().isKeyPressed(KEYBOARD_A));

    sendKeyEvent(window.video().getWindow(), XK_a, false);
    tickUntil(window, [&] { return !main->releases.empty(); });
    EXPECT_EQ(main->releases, std::vector<int>{KEYBOARD_A});
    EXPECT_FALSE(window.input().isKeyPressed(KEYBOARD_A));
}

// Press and release sent together usually reach one poll of the window: the press is heard on
// one tick, with the key down for that tick, and the release on the next.
TEST(WindowInput, AQuickTapGivesAPressAndThenARelease) {
    WindowHarness window;
    KeyProcess* main = window.process("Main");
    ASSERT_NE(main, nullptr);
    for (int tap = 0; tap < 8; ++tap) {
        main->presses.clear();
        main->releases.clear();
        sendKeyEvent(window.video().getWindow(), XK_space, true);
        sendKeyEvent(window.video().getWindow(), XK_space, false);
        tickUntil(window, [&] { return !main->presses.empty(); });
        ASSERT_EQ(main->presses, std::vector<int>{KEYBOARD_SPACE_BAR}) << "tap " << tap;
        EXPECT_TRUE(main->releases.empty()) << "tap " << tap;
        EXPECT_TRUE(window.input().isKeyPressed(KEYBOARD_SPACE_BAR)) << "tap " << tap;
        tickUntil(window, [&] { return !main->releases.empty(); });
        EXPECT_EQ(main->releases, std::vector<int>{KEYBOARD_SPACE_BAR}) << "tap " << tap;
        EXPECT_FALSE(window.input().isKeyPressed(KEYBOARD_SPACE_BAR)) << "tap " << tap;
    }
}

TEST(WindowInput, ReplayedKeysDriveTheGameBesideTheRealKeyboard) {
    WindowHarness window;
    KeyProcess* main = window.process("Main");
    ASSERT_NE(main, nullptr);
    const uint32_t now = window.gameSystem.getCurrentTick();
    // B from the replay, held across the real A's press and release; a joystick button that
    // this display has no device for.
    window.input().setKeyEvents({{now + 2, KEYBOARD_B, true},
                                 {now + 2, JOYSTICK0_BUTTON0, true},
                                 {now + 90, KEYBOARD_B, false},
                                 {now + 90, JOYSTICK0_BUTTON0, false}});
    sendKeyEvent(window.video().getWindow(), XK_a, true);
    auto pressed = [&](int code) { return std::count(main->presses.begin(), main->presses.end(), code); };
    auto released = [&](int code) { return std::count(main->releases.begin(), main->releases.end(), code); };
    tickUntil(window, [&] { return pressed(KEYBOARD_A) == 1 && pressed(KEYBOARD_B) == 1; });
    EXPECT_TRUE(window.input().isKeyPressed(KEYBOARD_A));
    EXPECT_TRUE(window.input().isKeyPressed(KEYBOARD_B));
    EXPECT_TRUE(window.input().isKeyPressed(JOYSTICK0_BUTTON0));

    sendKeyEvent(window.video().getWindow(), XK_a, false);
    tickUntil(window, [&] { return released(KEYBOARD_A) == 1; });
    EXPECT_TRUE(window.input().isKeyPressed(KEYBOARD_B));
    tickUntil(window, [&] { return released(KEYBOARD_B) == 1; });
    EXPECT_GE(window.gameSystem.getCurrentTick(), now + 90);
    EXPECT_FALSE(window.input().isKeyPressed(JOYSTICK0_BUTTON0));
    // Each key went down and up once: the device's "up" never cut the replay's press.
    EXPECT_EQ(pressed(KEYBOARD_B), 1);
    EXPECT_EQ(released(KEYBOARD_B), 1);
    EXPECT_EQ(pressed(JOYSTICK0_BUTTON0), 1);
}

TEST(WindowInput, AProcessThatStealsTheFocusHearsKeysAlone) {
    WindowHarness window;
    window.gameSystem.runProcess("Focus");
    window.tick();
    KeyProcess* focus = window.process("Focus");
    ASSERT_NE(focus, nullptr);
    focus->setIsStealsInputFocus(true);

    sendKeyEvent(window.video().getWindow(), XK_semicolon, true);
    tickUntil(window, [&] { return !focus->presses.empty(); });
    EXPECT_EQ(focus->presses, std::vector<int>{KEYBOARD_COLON});
    EXPECT_TRUE(window.process("Main")->presses.empty());
    sendKeyEvent(window.video().getWindow(), XK_semicolon, false);
    tickUntil(window, [&] { return !focus->releases.empty(); });
}

TEST(WindowInput, AltF4Quits) {
    WindowHarness window;
    sendKeyEvent(window.video().getWindow(), XK_Alt_L, true);
    sendKeyEvent(window.video().getWindow(), XK_F4, true);
    tickUntil(window, [&] { return window.gameSystem.isQuitting(); });
    EXPECT_TRUE(window.gameSystem.isQuitting());
}

TEST(WindowInput, ClosingTheWindowQuits) {
    WindowHarness window;
    window.tick();
    EXPECT_FALSE(window.gameSystem.isQuitting());
    glfwSetWindowShouldClose(window.video().getWindow(), GLFW_TRUE);
    window.tick();
    EXPECT_TRUE(window.gameSystem.isQuitting());
}

TEST(WindowInput, MousePositionIsAFractionOfTheDrawingArea) {
    WindowHarness window(16.0f / 9.0f);
    ASSERT_TRUE(window.video().restartVideo(1280, 1024, false));
    glfwSetCursorPos(window.video().getWindow(), 640.0, 152.0);
    EXPECT_FLOAT_EQ(window.input().getMousePosX(), 0.5f);
    EXPECT_FLOAT_EQ(window.input().getMousePosY(), 0.0f);
    glfwSetCursorPos(window.video().getWindow(), 1279.0, 872.0);
    EXPECT_FLOAT_EQ(window.input().getMousePosY(), 1.0f);
    glfwSetCursorPos(window.video().getWindow(), 0.0, 1000.0);
    EXPECT_FLOAT_EQ(window.input().getMousePosX(), 0.0f);
    EXPECT_FLOAT_EQ(window.input().getMousePosY(), 1.0f);
}

TEST(WindowInput, WithoutAJoystickItsCodesStayUpAndItsAxesAreZero) {
    WindowHarness window;
    window.tick();
    for (int code = JOYSTICK0_LEFT; code <= JOYSTICK0_BUTTON7; ++code)
        EXPECT_FALSE(window.input().isKeyPressed(code));
    EXPECT_FLOAT_EQ(window.input().getJoystickAxis(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(window.input().getJoystickAxis(-1, 0), 0.0f);
    EXPECT_FLOAT_EQ(window.input().getJoystickAxis(0, 8), 0.0f);
}

TEST(WindowInput, KeysWithoutADeviceKeyMapToNothing) {
    EXPECT_EQ(GLFWInputModule::deviceKeyFor(KEYBOARD_CAPSLOCK), GLFW_KEY_UNKNOWN);
    EXPECT_EQ(GLFWInputModule::deviceKeyFor(KEYBOARD_PRINTSCREEN), GLFW_KEY_UNKNOWN);
    EXPECT_EQ(GLFWInputModule::deviceKeyFor(KEYBOARD_DOUBLEQUOTE), GLFW_KEY_APOSTROPHE);
    EXPECT_EQ(GLFWInputModule::deviceKeyFor(KEYBOARD_PLUS), GLFW_KEY_EQUAL);
    EXPECT_EQ(GLFWInputModule::deviceKeyFor(-1), GLFW_KEY_UNKNOWN);
    EXPECT_EQ(GLFWInputModule::deviceKeyFor(NUM_KEYCODES), GLFW_KEY_UNKNOWN);
}

TEST(WindowInput, AStickPushedUpReadsAsAPositiveY) {
    // What GLFW reports for a stick pushed up and to the left, with ten axes.
    const float device[10] = {-1.0f, -0.5f, 0.25f, 0.125f, 0.0f, 0.0f, 0.0f, 0.75f, 0.5f, 0.5f};
    const auto axes = GLFWInputModule::engineAxes(device, 10);
    EXPECT_EQ(axes[0], -1.0f);
    EXPECT_EQ(axes[1], 0.5f);
    EXPECT_EQ(axes[2], 0.25f);
    EXPECT_EQ(axes[7], 0.75f);
    // Fewer axes than eight: the rest read 0; none at all: every axis 0.
    const auto one = GLFWInputModule::engineAxes(device, 1);
    EXPECT_EQ(one[0], -1.0f);
    EXPECT_EQ(one[1], 0.0f);
    EXPECT_EQ(GLFWInputModule::engineAxes(nullptr, 4)[0], 0.0f);
    EXPECT_EQ(GLFWInputModule::engineAxes(device, -3)[0], 0.0f);
}

TEST(WindowStartDeathTest, NoDisplayIsTheFatalErrorCouldNotOpenWindow) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            WindowHarness window;
        },
        testing::ExitedWithCode(255), "could not open window");
}

}  // namespace
