// The global constants, in the order they are set: key codes, shape types, notes, note lengths,
// voices, angles, text alignment, game-board sides, collision categories, body kinds.
#include <string>

#include "Engine/PhysicsData.h"
#include "Engine/ScriptAPI/ScriptRegistry.h"

namespace {
struct IntConstant {
    const char* name;
    int32_t value;
    // For a constant that its family's description does not cover; null for the others.
    const char* description = nullptr;
};

// Key codes 0..63, then 65..100 (64, the space bar, is KEYBOARD_SPACE_BAR, added last); the joystick's and
// the mouse's follow, 101..115.
constexpr IntConstant kKeyboardKeys[] = {
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
    {"KEYBOARD_BREAK", 51, "Key code of the pause/break key, for Input.isKeyPressed and onKeyPress."},
    {"KEYBOARD_TILDE", 52,
     "Key code of the key left of 1, which types the backquote (tilde with shift), for Input.isKeyPressed "
     "and "
     "onKeyPress."},
    {"KEYBOARD_MINUS", 53},
    {"KEYBOARD_PLUS", 54,
     "Key code of the key left of backspace, which types = (+ with shift), for Input.isKeyPressed and "
     "onKeyPress."},
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
    {"KEYBOARD_COLON", 68,
     "Key code of the key right of L, which types ; (: with shift), for Input.isKeyPressed and onKeyPress."},
    {"KEYBOARD_DOUBLEQUOTE", 69,
     "Key code of the key left of enter, which types ' (\" with shift), for Input.isKeyPressed and "
     "onKeyPress."},
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
    {"KEYBOARD_KEYPAD_DELETE", 90,
     "Key code of the keypad . (delete) key, for Input.isKeyPressed and onKeyPress."},
    {"KEYBOARD_KEYPAD_INSERT", 91,
     "Key code of the keypad 0 (insert) key, for Input.isKeyPressed and onKeyPress."},
    {"KEYBOARD_KEYPAD_1", 92},
    {"KEYBOARD_KEYPAD_2", 93},
    {"KEYBOARD_KEYPAD_3", 94},
    {"KEYBOARD_KEYPAD_4", 95},
    {"KEYBOARD_KEYPAD_5", 96},
    {"KEYBOARD_KEYPAD_6", 97},
    {"KEYBOARD_KEYPAD_7", 98},
    {"KEYBOARD_KEYPAD_8", 99},
    {"KEYBOARD_KEYPAD_9", 100},
};

constexpr IntConstant kJoystickKeys[] = {
    {"JOYSTICK0_LEFT", 101},    {"JOYSTICK0_RIGHT", 102},   {"JOYSTICK0_UP", 103},
    {"JOYSTICK0_DOWN", 104},    {"JOYSTICK0_BUTTON0", 105}, {"JOYSTICK0_BUTTON1", 106},
    {"JOYSTICK0_BUTTON2", 107}, {"JOYSTICK0_BUTTON3", 108}, {"JOYSTICK0_BUTTON4", 109},
    {"JOYSTICK0_BUTTON5", 110}, {"JOYSTICK0_BUTTON6", 111}, {"JOYSTICK0_BUTTON7", 112},
};

constexpr IntConstant kMouseButtons[] = {
    {"MOUSE_LEFTBUTTON", 113},
    {"MOUSE_RIGHTBUTTON", 114},
    {"MOUSE_MIDDLEBUTTON", 115},
};

constexpr IntConstant kShapeTypes[] = {
    {"SHAPETYPE_QUADS", 0, "Shape type (Video.beginShape, SHAPE): every 4 vertices make a filled quad."},
    {"SHAPETYPE_TRIANGLES", 1, "Shape type: every 3 vertices make a filled triangle."},
    {"SHAPETYPE_TRIANGLEFAN", 2,
     "Shape type: filled triangles round the first vertex, each new vertex adding one."},
    {"SHAPETYPE_TRIANGLESTRIP", 3,
     "Shape type: a strip of filled triangles, each new vertex adding one with the two before it."},
    {"SHAPETYPE_LINES", 4, "Shape type: every 2 vertices make a line."},
    {"SHAPETYPE_LINESTRIP", 5, "Shape type: a line through the vertices in order."},
    {"SHAPETYPE_LINELOOP", 6, "Shape type: a line through the vertices in order, closed back to the first."},
};

constexpr const char* kNoteNames[] = {"C", "Cs", "D", "Ds", "E", "F", "Fs", "G", "Gs", "A", "As", "B"};

constexpr IntConstant kAfterNotes[] = {
    {"BASE_NOTE", 96,
     "The note that plays a sound at its own pitch, whatever its base note (Audio.playSound, setVoiceNote)."},
    {"THIRTYSECOND_NOTE", 0,
     "Note length of 1 sequencer step, a thirty-second note (SEQUENCER.setTriggerOnNext, getNoteTime...)."},
    {"SIXTEENTH_NOTE", 1, "Note length of 2 sequencer steps, a sixteenth note."},
    {"EIGHTH_NOTE", 2, "Note length of 4 sequencer steps, an eighth note."},
    {"QUARTER_NOTE", 3, "Note length of 8 sequencer steps, a quarter note: one beat."},
    {"HALF_NOTE", 4, "Note length of 16 sequencer steps, a half note: two beats."},
    {"WHOLE_NOTE", 5, "Note length of 32 sequencer steps, a whole note: four beats, the default pattern."},
    {"INVALID_VOICEID", 0,
     "The voice id Audio.playSound returns when nothing plays; never the id of a voice."},
};

constexpr IntConstant kAfterAngles[] = {
    {"TEXTALIGN_LEFT", 0, "Video.print alignment: each line starts at left (the default)."},
    {"TEXTALIGN_RIGHT", 1, "Video.print alignment: each line ends at right."},
    {"TEXTALIGN_CENTER", 2, "Video.print alignment: each line centred between left and right."},
    {"GAMEBOARD_LEFT", 1,
     "Side bit of onEntityCollideWithGameBoard: the body reached past the board's left edge."},
    {"GAMEBOARD_RIGHT", 2, "Side bit of onEntityCollideWithGameBoard: past the right edge."},
    {"GAMEBOARD_TOP", 8, "Side bit of onEntityCollideWithGameBoard: past the top edge."},
    {"GAMEBOARD_BOTTOM", 16, "Side bit of onEntityCollideWithGameBoard: past the bottom edge."},
    {"ALL_COLLISION_CATEGORIES", 65535,
     "All 16 collision category bits, for PHYSICSDATA.setCategoriesToCollideWith (its default)."},
};

constexpr IntConstant kBodyKinds[] = {
    {"BODY_DYNAMIC", BODY_DYNAMIC, "PHYSICSDATA.setBodyKind: moves by its velocity, contacts push it."},
    {"BODY_STATIC", BODY_STATIC, "PHYSICSDATA.setBodyKind: never moves."},
    {"BODY_KINEMATIC", BODY_KINEMATIC,
     "PHYSICSDATA.setBodyKind: moves by its velocity, contacts never change it."},
};

std::vector<ScriptConstant> buildConstants() {
    // Note names are built, so their strings need a home that outlives the list.
    static std::vector<std::string> noteNames;
    std::vector<ScriptConstant> constants;
    // [family] describes every constant of [list] that has no description of its own.
    auto addInts = [&constants](std::span<const IntConstant> list, const char* family) {
        for (const IntConstant& c : list)
            constants.push_back(
                {c.name, c.value, 0.0f, false, c.description != nullptr ? c.description : family});
    };
    addInts(
        kKeyboardKeys,
        "Key code of that keyboard key (by its place on a US layout), for Input.isKeyPressed, onKeyPress, "
        "onKeyRelease and onKeyType.");
    addInts(
        kJoystickKeys,
        "Key code of the first joystick, for Input.isKeyPressed and onKeyPress: a direction, down while the "
        "stick is pushed 0.3 or more that way, or a button.");
    addInts(kMouseButtons, "Key code of that mouse button, for Input.isKeyPressed and onKeyPress.");
    addInts(kShapeTypes, nullptr);
    noteNames.reserve(96);
    for (int octave = 0; octave < 8; ++octave) {
        for (int note = 0; note < 12; ++note) noteNames.push_back(kNoteNames[note] + std::to_string(octave));
    }
    for (int i = 0; i < 96; ++i) {
        constants.push_back(
            {noteNames[static_cast<std::size_t>(i)].c_str(), i, 0.0f, false,
             "Note in semitones for Audio.playSound and setVoiceNote: C0 is 0, an octave is 12 (Cs is C "
             "sharp); C4 (48) plays a sound loaded without a base note at its own pitch."});
    }
    addInts(kAfterNotes, nullptr);
    const float pi = 3.1415927f;
    constants.push_back({"PI", 0, pi, true, "Half a turn in radians, as a float."});
    constants.push_back({"TWOPI", 0, pi + pi, true, "A whole turn in radians, as a float."});
    constants.push_back({"PIBYTWO", 0, pi / 2.0f, true, "A quarter turn in radians, as a float."});
    addInts(kAfterAngles, nullptr);
    addInts(kBodyKinds, nullptr);
    constants.push_back({"TEXTUREFILTER_LINEAR", 0, 0.0f, false,
                         "Video.setTextureFilter: a texture's texels are blended (the default)."});
    constants.push_back({"TEXTUREFILTER_NEAREST", 1, 0.0f, false,
                         "Video.setTextureFilter: a texture's texels are drawn hard-edged (pixel art)."});
    constants.push_back({"TEXTUREEDGE_REPEAT", 0, 0.0f, false,
                         "Video.setTextureEdge: a texture repeats past its edges (the default)."});
    constants.push_back({"TEXTUREEDGE_CLAMP", 1, 0.0f, false,
                         "Video.setTextureEdge: a texture's edge texels stretch past its edges."});
    constants.push_back(
        {"KEYBOARD_SPACE_BAR", 64, 0.0f, false,
         "Key code of the space bar (64), for Input.isKeyPressed, onKeyPress and onKeyRelease."});
    return constants;
}
}  // namespace

const std::vector<ScriptConstant>& scriptConstants() {
    static const std::vector<ScriptConstant> constants = buildConstants();
    return constants;
}
