// The input module on GLFW: keyboard, mouse buttons and position from the video module's window,
// and the first eight joysticks.
#pragma once

#include <array>
#include <vector>

#include "Engine/InputModule.h"
#include "Engine/KeyScript.h"

struct GLFWwindow;

class GLFWInputModule : public InputModule {
  public:
    static constexpr int kNumJoysticks = 8;
    static constexpr int kNumAxes = 8;

    explicit GLFWInputModule(GameSystem* gameSystem);
    ~GLFWInputModule() override;

    // Notes which joysticks are present.
    bool init() override;
    // Reads the devices into the key table (reporting changes), then runs the typed-key rhythm.
    // A key is down while its device key or a replayed press holds it. Keyboard keys come from
    // the window's key events, so that a key pressed and released between two updates is pressed
    // on this tick and released on the next: each update applies at most one change per key and
    // keeps the rest, in order, for the following ones. A key without events reads its polled
    // state.
    void update(float deltaMS) override;
    // Keys pressed and released on their ticks beside the devices' (a recorded session replayed
    // in the window); events for ticks gone apply at the next update.
    void setKeyEvents(std::vector<KeyEvent> events);

    // 0 for an absent joystick or an index outside [0, 8).
    float getJoystickAxis(int joystick, int axis) override;
    // Fractions of the drawing area, clamped to [0, 1]; y counts down from its top.
    float getMousePosX() override;
    float getMousePosY() override;

    // The GLFW key behind an engine key code; GLFW_KEY_UNKNOWN for codes with no key.
    static int deviceKeyFor(int keyCode);
    // The axis values the engine keeps for the [count] values GLFW reported: the first eight,
    // the rest 0, with the stick's Y axis (1) positive upwards.
    static std::array<float, kNumAxes> engineAxes(const float* values, int count);

  private:
    struct DeviceKeyEvent {
        int code;
        bool down;
    };
    GLFWwindow* getWindow() const;
    // Makes [window]'s key events reach this module.
    void listenTo(GLFWwindow* window);
    static void onKeyEvent(GLFWwindow* window, int key, int scancode, int action, int mods);
    void readJoystickZero();
    // Sets [code] down when the device or the replay holds it.
    void setDeviceKeyState(int code, bool deviceDown);

    std::vector<KeyEvent> events_;  // sorted by tick, file order within a tick
    std::size_t nextEvent_ = 0;
    std::array<bool, NUM_KEYCODES> replayDown_{};
    // Codes the replay has touched; the devices' update leaves every other code alone.
    std::array<bool, NUM_KEYCODES> replayed_{};

    // The window whose key events this module hears, and the events not applied yet.
    GLFWwindow* listenedWindow_ = nullptr;
    std::vector<DeviceKeyEvent> deviceEvents_;

    std::array<bool, kNumJoysticks> joystickPresent_{};
    std::array<std::array<float, kNumAxes>, kNumJoysticks> axes_{};
};
