// The key table every process reads, the typed-key rhythm, and mouse and joystick queries.
// This plain module never sees a device: it is the game system's unfocusedInput, and the base of
// the device-backed modules, which fill the table through setKeyState before calling update.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "Engine/EngineModule.h"
#include "Engine/KeyCodes.h"
#include "Engine/RealPoint.h"

class InputModule : public EngineModule {
  public:
    explicit InputModule(GameSystem* gameSystem);

    // Typed-key rhythm: the first typed event at once, a repeat after the type delay, then one
    // per type rate while the same keys stay down.
    void update(float deltaMS) override;

    virtual float getJoystickAxis(int joystick, int axis);
    virtual float getMousePosX();
    virtual float getMousePosY();
    // Both coordinates at once: (getMousePosX(), getMousePosY()).
    RealPoint getMousePos();

    // Stores a key's state; a change is first reported to the game system (press or release),
    // then to the key listener.
    void setKeyState(int keyCode, bool down);
    // Hears every press and release (a session recorder); empty for none.
    using KeyListener = std::function<void(int keyCode, bool down)>;
    void setKeyListener(KeyListener listener) { keyListener_ = std::move(listener); }
    bool isKeyPressed(int keyCode) const;
    bool isShiftPressed() const;
    bool isControlPressed() const;
    bool isAltPressed() const;

    void setTypeRate(float ms) { typeRateMS_ = ms; }
    float getTypeRate() const { return typeRateMS_; }
    void setTypeDelay(float ms) { typeDelayMS_ = ms; }
    float getTypeDelay() const { return typeDelayMS_; }

  private:
    KeyListener keyListener_;
    void emitTypedKeys(int nextState);

    std::array<bool, NUM_KEYCODES> keys_{};
    std::vector<int> typingKeys_;
    std::vector<int> previousKeys_;
    int typingState_ = 0;
    float typingElapsedMS_ = 0.0f;
    float typeRateMS_ = 38.0f;
    float typeDelayMS_ = 200.0f;
};
