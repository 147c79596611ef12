#include "Engine/GLFWVideoModule/GLFWInputModule.h"

#include <algorithm>
#include <map>

#include "Engine/GLFWVideoModule/GLFWVideoModule.h"
#include "Engine/GameSystem.h"
#include "Engine/KeyCodes.h"

#include <GLFW/glfw3.h>

namespace {

// How far a stick must lean before its direction counts as pressed.
constexpr float kStickThreshold = 0.3f;
// Joystick 0's buttons that reach the key table; the eighth code has no device button.
constexpr int kMappedJoystickButtons = 7;

// Engine key code -> GLFW key. Codes not listed have no key and are never down.
struct KeyPair {
    int code;
    int key;
};
constexpr KeyPair kKeyPairs[] = {
    {KEYBOARD_ESCAPE, GLFW_KEY_ESCAPE},
    {KEYBOARD_TILDE, GLFW_KEY_GRAVE_ACCENT},
    {KEYBOARD_MINUS, GLFW_KEY_MINUS},
    {KEYBOARD_PLUS, GLFW_KEY_EQUAL},
    {KEYBOARD_BACKSPACE, GLFW_KEY_BACKSPACE},
    {KEYBOARD_TAB, GLFW_KEY_TAB},
    {KEYBOARD_LEFTSHIFT, GLFW_KEY_LEFT_SHIFT},
    {KEYBOARD_RIGHTSHIFT, GLFW_KEY_RIGHT_SHIFT},
    {KEYBOARD_LEFTCONTROL, GLFW_KEY_LEFT_CONTROL},
    {KEYBOARD_RIGHTCONTROL, GLFW_KEY_RIGHT_CONTROL},
    {KEYBOARD_LEFTALT, GLFW_KEY_LEFT_ALT},
    {KEYBOARD_RIGHTALT, GLFW_KEY_RIGHT_ALT},
    {KEYBOARD_SPACE_BAR, GLFW_KEY_SPACE},
    {KEYBOARD_LEFTSQUAREBRACKET, GLFW_KEY_LEFT_BRACKET},
    {KEYBOARD_RIGHTSQUAREBRACKET, GLFW_KEY_RIGHT_BRACKET},
    {KEYBOARD_BACKSLASH, GLFW_KEY_BACKSLASH},
    // GLFW names physical keys, not characters: the colon and the double quote are the shifted
    // semicolon and apostrophe keys on the layouts the engine knows.
    {KEYBOARD_COLON, GLFW_KEY_SEMICOLON},
    {KEYBOARD_DOUBLEQUOTE, GLFW_KEY_APOSTROPHE},
    {KEYBOARD_ENTER, GLFW_KEY_ENTER},
    {KEYBOARD_COMMA, GLFW_KEY_COMMA},
    {KEYBOARD_PERIOD, GLFW_KEY_PERIOD},
    {KEYBOARD_SLASH, GLFW_KEY_SLASH},
    {KEYBOARD_INSERT, GLFW_KEY_INSERT},
    {KEYBOARD_HOME, GLFW_KEY_HOME},
    {KEYBOARD_PAGEUP, GLFW_KEY_PAGE_UP},
    {KEYBOARD_PAGEDOWN, GLFW_KEY_PAGE_DOWN},
    {KEYBOARD_END, GLFW_KEY_END},
    {KEYBOARD_DELETE, GLFW_KEY_DELETE},
    {KEYBOARD_LEFT, GLFW_KEY_LEFT},
    {KEYBOARD_RIGHT, GLFW_KEY_RIGHT},
    {KEYBOARD_UP, GLFW_KEY_UP},
    {KEYBOARD_DOWN, GLFW_KEY_DOWN},
    {KEYBOARD_KEYPAD_SLASH, GLFW_KEY_KP_DIVIDE},
    {KEYBOARD_KEYPAD_ASTERISK, GLFW_KEY_KP_MULTIPLY},
    {KEYBOARD_KEYPAD_MINUS, GLFW_KEY_KP_SUBTRACT},
    {KEYBOARD_KEYPAD_PLUS, GLFW_KEY_KP_ADD},
    {KEYBOARD_KEYPAD_ENTER, GLFW_KEY_KP_ENTER},
    {KEYBOARD_KEYPAD_DELETE, GLFW_KEY_KP_DECIMAL},
    {KEYBOARD_KEYPAD_INSERT, GLFW_KEY_KP_0},
};

std::array<int, NUM_KEYCODES> buildKeyMap() {
    std::array<int, NUM_KEYCODES> map;
    map.fill(GLFW_KEY_UNKNOWN);
    for (int i = 0; i < 26; ++i) map[KEYBOARD_A + i] = GLFW_KEY_A + i;
    for (int i = 0; i < 9; ++i) map[KEYBOARD_1 + i] = GLFW_KEY_1 + i;
    map[KEYBOARD_0] = GLFW_KEY_0;
    for (int i = 0; i < 12; ++i) map[KEYBOARD_F1 + i] = GLFW_KEY_F1 + i;
    for (int i = 0; i < 9; ++i) map[KEYBOARD_KEYPAD_1 + i] = GLFW_KEY_KP_1 + i;
    for (const KeyPair& pair : kKeyPairs) map[pair.code] = pair.key;
    return map;
}

const std::array<int, NUM_KEYCODES> kKeyMap = buildKeyMap();

// The engine key code of a GLFW key; -1 for keys the engine has no code for.
int keyCodeFor(int key) {
    for (int code = 0; code < NUM_KEYCODES; ++code) {
        if (kKeyMap[static_cast<std::size_t>(code)] == key)
            return code;
    }
    return -1;
}

// The module that hears each window's key events. A window's callback stays installed after its
// module is gone (the window may already be destroyed then): the entry goes, and the callback
// finds nobody.
std::map<GLFWwindow*, GLFWInputModule*>& keyListeners() {
    static std::map<GLFWwindow*, GLFWInputModule*> listeners;
    return listeners;
}

}  // namespace

GLFWInputModule::GLFWInputModule(GameSystem* gameSystem) : InputModule(gameSystem) {
    addTypeName("GLFWInputModule");
}

GLFWInputModule::~GLFWInputModule() {
    std::erase_if(keyListeners(), [this](const auto& entry) { return entry.second == this; });
}

void GLFWInputModule::listenTo(GLFWwindow* window) {
    if (window == listenedWindow_)
        return;
    std::erase_if(keyListeners(), [this](const auto& entry) { return entry.second == this; });
    listenedWindow_ = window;
    deviceEvents_.clear();
    if (window == nullptr)
        return;
    keyListeners()[window] = this;
    glfwSetKeyCallback(window, onKeyEvent);
}

void GLFWInputModule::onKeyEvent(GLFWwindow* window, int key, int, int action, int) {
    const auto found = keyListeners().find(window);
    // A held key's repeats are no new presses.
    if (found == keyListeners().end() || action == GLFW_REPEAT)
        return;
    const int code = keyCodeFor(key);
    if (code >= 0)
        found->second->deviceEvents_.push_back({code, action == GLFW_PRESS});
}

int GLFWInputModule::deviceKeyFor(int keyCode) {
    if (keyCode < 0 || keyCode >= NUM_KEYCODES)
        return GLFW_KEY_UNKNOWN;
    return kKeyMap[static_cast<std::size_t>(keyCode)];
}

GLFWwindow* GLFWInputModule::getWindow() const {
    if (gameSystem_ == nullptr)
        return nullptr;
    auto* video = dynamic_cast<GLFWVideoModule*>(gameSystem_->getVideoModule());
    return video != nullptr ? video->getWindow() : nullptr;
}

bool GLFWInputModule::init() {
    for (int j = 0; j < kNumJoysticks; ++j)
        joystickPresent_[j] = glfwJoystickPresent(GLFW_JOYSTICK_1 + j) != 0;
    return InputModule::init();
}

void GLFWInputModule::update(float deltaMS) {
    for (int j = 0; j < kNumJoysticks; ++j) {
        axes_[j].fill(0.0f);
        if (!joystickPresent_[j])
            continue;
        int count = 0;
        const float* values = glfwGetJoystickAxes(GLFW_JOYSTICK_1 + j, &count);
        axes_[j] = engineAxes(values, count);
    }

    const uint32_t tick = gameSystem_ != nullptr ? gameSystem_->getCurrentTick() : 0;
    std::array<bool, NUM_KEYCODES> handled{};
    while (nextEvent_ < events_.size() && events_[nextEvent_].tick <= tick) {
        const KeyEvent& event = events_[nextEvent_++];
        replayDown_[static_cast<std::size_t>(event.keyCode)] = event.down;
        replayed_[static_cast<std::size_t>(event.keyCode)] = true;
    }

    GLFWwindow* window = getWindow();
    listenTo(window);
    // One change per key and update; a key's later events wait, in order, for the next updates.
    std::array<bool, NUM_KEYCODES> evented{};
    std::vector<DeviceKeyEvent> later;
    for (const DeviceKeyEvent& event : deviceEvents_) {
        const auto code = static_cast<std::size_t>(event.code);
        if (evented[code]) {
            later.push_back(event);
            continue;
        }
        evented[code] = true;
        setDeviceKeyState(event.code, event.down);
    }
    deviceEvents_ = std::move(later);
    for (int code = 0; code < NUM_KEYCODES; ++code) {
        const int key = kKeyMap[static_cast<std::size_t>(code)];
        if (key == GLFW_KEY_UNKNOWN)
            continue;
        // A key with events waiting keeps the state its last applied event gave it.
        const bool waiting = std::any_of(deviceEvents_.begin(), deviceEvents_.end(),
                                         [code](const DeviceKeyEvent& e) { return e.code == code; });
        if (!evented[static_cast<std::size_t>(code)] && !waiting)
            setDeviceKeyState(code, window != nullptr && glfwGetKey(window, key) == GLFW_PRESS);
        handled[static_cast<std::size_t>(code)] = true;
    }
    if (joystickPresent_[0]) {
        readJoystickZero();
        for (int code = JOYSTICK0_LEFT; code <= JOYSTICK0_DOWN; ++code)
            handled[static_cast<std::size_t>(code)] = true;
        for (int i = 0; i < kMappedJoystickButtons; ++i)
            handled[static_cast<std::size_t>(JOYSTICK0_BUTTON0 + i)] = true;
    }
    const int buttons[3] = {GLFW_MOUSE_BUTTON_LEFT, GLFW_MOUSE_BUTTON_RIGHT, GLFW_MOUSE_BUTTON_MIDDLE};
    for (int i = 0; i < 3; ++i) {
        setDeviceKeyState(MOUSE_LEFTBUTTON + i,
                          window != nullptr && glfwGetMouseButton(window, buttons[i]) == GLFW_PRESS);
        handled[static_cast<std::size_t>(MOUSE_LEFTBUTTON + i)] = true;
    }
    for (int code = 0; code < NUM_KEYCODES; ++code) {
        if (replayed_[static_cast<std::size_t>(code)] && !handled[static_cast<std::size_t>(code)])
            setKeyState(code, replayDown_[static_cast<std::size_t>(code)]);
    }
    InputModule::update(deltaMS);
}

void GLFWInputModule::setKeyEvents(std::vector<KeyEvent> events) {
    events_ = std::move(events);
    // Codes outside the key table cannot be replayed.
    std::erase_if(events_, [](const KeyEvent& e) { return e.keyCode < 0 || e.keyCode >= NUM_KEYCODES; });
    std::stable_sort(events_.begin(), events_.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.tick < b.tick; });
    nextEvent_ = 0;
}

void GLFWInputModule::setDeviceKeyState(int code, bool deviceDown) {
    setKeyState(code, deviceDown || replayDown_[static_cast<std::size_t>(code)]);
}

void GLFWInputModule::readJoystickZero() {
    const float x = axes_[0][0];
    const float y = axes_[0][1];
    setDeviceKeyState(JOYSTICK0_LEFT, x <= -kStickThreshold);
    setDeviceKeyState(JOYSTICK0_RIGHT, x >= kStickThreshold);
    setDeviceKeyState(JOYSTICK0_DOWN, y <= -kStickThreshold);
    setDeviceKeyState(JOYSTICK0_UP, y >= kStickThreshold);
    int count = 0;
    const unsigned char* pressed = glfwGetJoystickButtons(GLFW_JOYSTICK_1, &count);
    if (pressed == nullptr)
        count = 0;
    for (int i = 0; i < kMappedJoystickButtons; ++i) {
        setDeviceKeyState(JOYSTICK0_BUTTON0 + i, i < count && pressed[i] == GLFW_PRESS);
    }
}

std::array<float, GLFWInputModule::kNumAxes> GLFWInputModule::engineAxes(const float* values, int count) {
    std::array<float, kNumAxes> axes{};
    // Only as many axes as the device reports; an unplugged device reports none.
    if (values == nullptr || count <= 0)
        return axes;
    std::copy_n(values, std::min(count, kNumAxes), axes.begin());
    // GLFW 3 reports a stick pushed up as a negative Y on Linux, while the engine reads Y as
    // positive upwards (UP at y >= 0.3): the stick's Y axis is turned round.
    axes[1] = -axes[1];
    return axes;
}

float GLFWInputModule::getJoystickAxis(int joystick, int axis) {
    if (joystick < 0 || joystick >= kNumJoysticks || axis < 0 || axis >= kNumAxes)
        return 0.0f;
    if (!joystickPresent_[joystick])
        return 0.0f;
    return axes_[joystick][axis];
}

float GLFWInputModule::getMousePosX() {
    GLFWwindow* window = getWindow();
    if (window == nullptr)
        return 0.0f;
    double x = 0.0;
    double y = 0.0;
    glfwGetCursorPos(window, &x, &y);
    const VideoModule* video = gameSystem_->getVideoModule();
    return video->getDrawingArea().mouseXToArea(static_cast<float>(x), video->getDeviceWidth());
}

float GLFWInputModule::getMousePosY() {
    GLFWwindow* window = getWindow();
    if (window == nullptr)
        return 0.0f;
    double x = 0.0;
    double y = 0.0;
    glfwGetCursorPos(window, &x, &y);
    const VideoModule* video = gameSystem_->getVideoModule();
    return video->getDrawingArea().mouseYToArea(static_cast<float>(y), video->getDeviceHeight());
}
