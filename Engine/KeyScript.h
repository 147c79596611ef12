// Key presses and releases by tick, as text: one "TICK KEY down|up" per line, KEY a key code name
// (KEYBOARD_A, JOYSTICK0_BUTTON0, MOUSE_LEFTBUTTON, KEYBOARD_SPACE_BAR ...). A recorded session is
// written in this form and a headless run replays it, tick for tick. Blank lines and lines starting
// with "#" are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct KeyEvent {
    uint32_t tick = 0;
    int keyCode = 0;
    bool down = false;
    bool operator==(const KeyEvent&) const = default;
};

namespace KeyScript {
// The events of [text] in file order, or nothing with [error] saying which line is wrong and why.
std::optional<std::vector<KeyEvent>> parse(const std::string& text, std::string& error);
std::string formatEvent(const KeyEvent& event);
// The key code's name; "" for a code outside 0..115.
std::string keyCodeName(int keyCode);
// -1 for an unknown name.
int keyCodeFromName(const std::string& name);
}  // namespace KeyScript
