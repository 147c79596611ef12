// The global constants, in the order they are set: key codes, shape types, notes, note lengths,
// voices, angles, text alignment, game-board sides, collision categories.
#include <string>

#include "Engine/ScriptAPI/ScriptRegistry.h"

namespace {
struct IntConstant {
    const char* name;
    int32_t value;
};

// Key codes 0..63, then 65..115 (64, the space bar, has no constant).
constexpr IntConstant kKeyCodes[] = {
    {"KEYBOARD_A", 0},
    {"KEYBOARD_B", 1},
    {"KEYBOARD_C", 2},
    {"KEYBOARD_D", 3},
    {"KEYBOARD_E", 4},
    {"KEYBOARD_F", 5},
    {"KEYBOARD_G", 6},
    {"KEYBOARD_H", 7},
    {"KEYBOARD_I", 8},
    {"KEYBOARD_J", 9},
    {"KEYBOARD_K", 10},
    {"KEYBOARD_L", 11},
    {"KEYBOARD_M", 12},
    {"KEYBOARD_N", 13},
    {"KEYBOARD_O", 14},
    {"KEYBOARD_P", 15},
    {"KEYBOARD_Q", 16},
    {"KEYBOARD_R", 17},
    {"KEYBOARD_S", 18},
    {"KEYBOARD_T", 19},
    {"KEYBOARD_U", 20},
    {"KEYBOARD_V", 21},
    {"KEYBOARD_W", 22},
    {"KEYBOARD_X", 23},
    {"KEYBOARD_Y", 24},
    {"KEYBOARD_Z", 25},
    {"KEYBOARD_1", 26},
    {"KEYBOARD_2", 27},
    {"KEYBOARD_3", 28},
    {"KEYBOARD_4", 29},
    {"KEYBOARD_5", 30},
    {"KEYBOARD_6", 31},
    {"KEYBOARD_7", 32},
    {"KEYBOARD_8", 33},
    {"KEYBOARD_9", 34},
    {"KEYBOARD_0", 35},
    {"KEYBOARD_F1", 36},
    {"KEYBOARD_F2", 37},
    {"KEYBOARD_F3", 38},
    {"KEYBOARD_F4", 39},
    {"KEYBOARD_F5", 40},
    {"KEYBOARD_F6", 41},
    {"KEYBOARD_F7", 42},
    {"KEYBOARD_F8", 43},
    {"KEYBOARD_F9", 44},
    {"KEYBOARD_F10", 45},
    {"KEYBOARD_F11", 46},
    {"KEYBOARD_F12", 47},
    {"KEYBOARD_ESCAPE", 48},
    {"KEYBOARD_PRINTSCREEN", 49},
    {"KEYBOARD_SCROLLLOCK", 50},
    {"KEYBOARD_BREAK", 51},
    {"KEYBOARD_TILDE", 52},
    {"KEYBOARD_MINUS", 53},
    {"KEYBOARD_PLUS", 54},
    {"KEYBOARD_BACKSPACE", 55},
    {"KEYBOARD_TAB", 56},
    {"KEYBOARD_CAPSLOCK", 57},
    {"KEYBOARD_LEFTSHIFT", 58},
    {"KEYBOARD_RIGHTSHIFT", 59},
    {"KEYBOARD_LEFTCONTROL", 60},
    {"KEYBOARD_RIGHTCONTROL", 61},
    {"KEYBOARD_LEFTALT", 62},
    {"KEYBOARD_RIGHTALT", 63},
    {"KEYBOARD_LEFTSQUAREBRACKET", 65},
    {"KEYBOARD_RIGHTSQUAREBRACKET", 66},
    {"KEYBOARD_BACKSLASH", 67},
    {"KEYBOARD_COLON", 68},
    {"KEYBOARD_DOUBLEQUOTE", 69},
    {"KEYBOARD_ENTER", 70},
    {"KEYBOARD_COMMA", 71},
    {"KEYBOARD_PERIOD", 72},
    {"KEYBOARD_SLASH", 73},
    {"KEYBOARD_INSERT", 74},
    {"KEYBOARD_HOME", 75},
    {"KEYBOARD_PAGEUP", 76},
    {"KEYBOARD_PAGEDOWN", 77},
    {"KEYBOARD_END", 78},
    {"KEYBOARD_DELETE", 79},
    {"KEYBOARD_LEFT", 80},
    {"KEYBOARD_RIGHT", 81},
    {"KEYBOARD_UP", 82},
    {"KEYBOARD_DOWN", 83},
    {"KEYBOARD_NUMLOCK", 84},
    {"KEYBOARD_KEYPAD_SLASH", 85},
    {"KEYBOARD_KEYPAD_ASTERISK", 86},
    {"KEYBOARD_KEYPAD_MINUS", 87},
    {"KEYBOARD_KEYPAD_PLUS", 88},
    {"KEYBOARD_KEYPAD_ENTER", 89},
    {"KEYBOARD_KEYPAD_DELETE", 90},
    {"KEYBOARD_KEYPAD_INSERT", 91},
    {"KEYBOARD_KEYPAD_1", 92},
    {"KEYBOARD_KEYPAD_2", 93},
    {"KEYBOARD_KEYPAD_3", 94},
    {"KEYBOARD_KEYPAD_4", 95},
    {"KEYBOARD_KEYPAD_5", 96},
    {"KEYBOARD_KEYPAD_6", 97},
    {"KEYBOARD_KEYPAD_7", 98},
    {"KEYBOARD_KEYPAD_8", 99},
    {"KEYBOARD_KEYPAD_9", 100},
    {"JOYSTICK0_LEFT", 101},
    {"JOYSTICK0_RIGHT", 102},
    {"JOYSTICK0_UP", 103},
    {"JOYSTICK0_DOWN", 104},
    {"JOYSTICK0_BUTTON0", 105},
    {"JOYSTICK0_BUTTON1", 106},
    {"JOYSTICK0_BUTTON2", 107},
    {"JOYSTICK0_BUTTON3", 108},
    {"JOYSTICK0_BUTTON4", 109},
    {"JOYSTICK0_BUTTON5", 110},
    {"JOYSTICK0_BUTTON6", 111},
    {"JOYSTICK0_BUTTON7", 112},
    {"MOUSE_LEFTBUTTON", 113},
    {"MOUSE_RIGHTBUTTON", 114},
    {"MOUSE_MIDDLEBUTTON", 115},
};

constexpr IntConstant kShapeTypes[] = {
    {"SHAPETYPE_QUADS", 0},         {"SHAPETYPE_TRIANGLES", 1}, {"SHAPETYPE_TRIANGLEFAN", 2},
    {"SHAPETYPE_TRIANGLESTRIP", 3}, {"SHAPETYPE_LINES", 4},     {"SHAPETYPE_LINESTRIP", 5},
    {"SHAPETYPE_LINELOOP", 6},
};

constexpr const char* kNoteNames[] = {"C", "Cs", "D", "Ds", "E", "F", "Fs", "G", "Gs", "A", "As", "B"};

constexpr IntConstant kAfterNotes[] = {
    {"BASE_NOTE", 96},   {"THIRTYSECOND_NOTE", 0}, {"SIXTEENTH_NOTE", 1}, {"EIGHTH_NOTE", 2},
    {"QUARTER_NOTE", 3}, {"HALF_NOTE", 4},         {"WHOLE_NOTE", 5},     {"INVALID_VOICEID", 0},
};

constexpr IntConstant kAfterAngles[] = {
    {"TEXTALIGN_LEFT", 0},    {"TEXTALIGN_RIGHT", 1},
    {"TEXTALIGN_CENTER", 2},  {"GAMEBOARD_LEFT", 1},
    {"GAMEBOARD_RIGHT", 2},   {"GAMEBOARD_TOP", 8},
    {"GAMEBOARD_BOTTOM", 16}, {"ALL_COLLISION_CATEGORIES", 65535},
};

std::vector<ScriptConstant> buildConstants() {
    // Note names are built, so their strings need a home that outlives the list.
    static std::vector<std::string> noteNames;
    std::vector<ScriptConstant> constants;
    auto addInts = [&constants](std::span<const IntConstant> list) {
        for (const IntConstant& c : list) constants.push_back({c.name, c.value, 0.0f, false});
    };
    addInts(kKeyCodes);
    addInts(kShapeTypes);
    noteNames.reserve(96);
    for (int octave = 0; octave < 8; ++octave) {
        for (int note = 0; note < 12; ++note) noteNames.push_back(kNoteNames[note] + std::to_string(octave));
    }
    for (int i = 0; i < 96; ++i)
        constants.push_back({noteNames[static_cast<std::size_t>(i)].c_str(), i, 0.0f, false});
    addInts(kAfterNotes);
    const float pi = 3.1415927f;
    constants.push_back({"PI", 0, pi, true});
    constants.push_back({"TWOPI", 0, pi + pi, true});
    constants.push_back({"PIBYTWO", 0, pi / 2.0f, true});
    addInts(kAfterAngles);
    constants.push_back({"KEYBOARD_SPACE_BAR", 64, 0.0f, false, "the space bar (key code 64)"});
    return constants;
}
}  // namespace

const std::vector<ScriptConstant>& scriptConstants() {
    static const std::vector<ScriptConstant> constants = buildConstants();
    return constants;
}
