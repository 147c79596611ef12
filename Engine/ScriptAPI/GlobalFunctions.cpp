// The global functions: random numbers, maths, colours, strings, key codes, entity types, IsNull.
#include <cstring>

#include "Engine/Colour.h"
#include "Engine/EntityTypeRegistry.h"
#include "Engine/KeyCodes.h"
#include "Engine/MathUtil.h"
#include "Engine/RandomGenerator.h"
#include "Engine/RealPoint.h"
#include "Engine/ScriptAPI/ScriptTypes.h"
#include "Engine/StringHelper.h"

namespace {
RandomGenerator& random() {
    return RandomGenerator::getProcessGenerator();
}

int pushFloat(gmScriptThread* thread, float value) {
    thread->pushFloat(value);
    return kDone;
}

int pushInt(gmScriptThread* thread, int32_t value) {
    thread->pushInt(value);
    return kDone;
}

// Reads [N] int-or-float arguments after the count check.
template <int N>
bool numbers(gmScriptThread* thread, float (&out)[N]) {
    if (!gmCheckParamCount(thread, N))
        return false;
    for (int i = 0; i < N; ++i) {
        if (!gmFloatOrIntParam(thread, i, out[i]))
            return false;
    }
    return true;
}

template <int N>
bool points(gmScriptThread* thread, RealPoint (&out)[N]) {
    if (!gmCheckParamCount(thread, N))
        return false;
    for (int i = 0; i < N; ++i) {
        if (!pointParam(thread, i, out[i]))
            return false;
    }
    return true;
}

int test(gmScriptThread*) {
    return kDone;
}

int getRandomReal(gmScriptThread* thread) {
    if (thread->getNumParams() == 0)
        return pushFloat(thread, random().getRandomReal());
    if (thread->getNumParams() != 2)
        return usageError(thread);
    float n[2];
    if (!numbers(thread, n))
        return kRunTimeError;
    return pushFloat(thread, random().getRandomReal(n[0], n[1]));
}

int getRandomInteger(gmScriptThread* thread) {
    float n[2];
    if (!numbers(thread, n))
        return kRunTimeError;
    return pushInt(thread,
                   random().getRandomInteger(MathUtil::truncateToInt(n[0]), MathUtil::truncateToInt(n[1])));
}

int getRandomBoolean(gmScriptThread* thread) {
    return pushBool(thread, random().getRandomBoolean());
}

// The plain numeric functions: N numbers in, a float out.
template <float (*F)(float)>
int unary(gmScriptThread* thread) {
    float n[1];
    return numbers(thread, n) ? pushFloat(thread, F(n[0])) : kRunTimeError;
}
template <float (*F)(float, float)>
int binary(gmScriptThread* thread) {
    float n[2];
    return numbers(thread, n) ? pushFloat(thread, F(n[0], n[1])) : kRunTimeError;
}
template <float (*F)(float, float, float)>
int ternary(gmScriptThread* thread) {
    float n[3];
    return numbers(thread, n) ? pushFloat(thread, F(n[0], n[1], n[2])) : kRunTimeError;
}

template <float (*F)(const RealPoint&)>
int pointToFloat(gmScriptThread* thread) {
    RealPoint p[1];
    return points(thread, p) ? pushFloat(thread, F(p[0])) : kRunTimeError;
}
template <float (*F)(const RealPoint&, const RealPoint&)>
int twoPointsToFloat(gmScriptThread* thread) {
    RealPoint p[2];
    return points(thread, p) ? pushFloat(thread, F(p[0], p[1])) : kRunTimeError;
}
template <float (*F)(const RealPoint&, const RealPoint&, const RealPoint&)>
int threePointsToFloat(gmScriptThread* thread) {
    RealPoint p[3];
    return points(thread, p) ? pushFloat(thread, F(p[0], p[1], p[2])) : kRunTimeError;
}

int rotate(gmScriptThread* thread) {
    RealPoint p;
    float angle = 0.0f;
    if (!gmCheckParamCount(thread, 2) || !pointParam(thread, 0, p) || !gmFloatOrIntParam(thread, 1, angle))
        return kRunTimeError;
    return pushPoint(thread, MathUtil::rotate(p, angle));
}

int findClosestPointOnLine(gmScriptThread* thread) {
    RealPoint p[3];
    return points(thread, p) ? pushPoint(thread, MathUtil::findClosestPointOnLine(p[0], p[1], p[2]))
                             : kRunTimeError;
}

int getNumDigits(gmScriptThread* thread) {
    float n[1];
    return numbers(thread, n) ? pushInt(thread, MathUtil::getNumDigits(MathUtil::truncateToInt(n[0])))
                              : kRunTimeError;
}

int getDigitValue(gmScriptThread* thread) {
    float n[2];
    if (!numbers(thread, n))
        return kRunTimeError;
    return pushInt(thread,
                   MathUtil::getDigitValue(MathUtil::truncateToInt(n[0]), MathUtil::truncateToInt(n[1])));
}

int isAngleBetween(gmScriptThread* thread) {
    float n[3];
    return numbers(thread, n) ? pushBool(thread, MathUtil::isAngleBetween(n[0], n[1], n[2])) : kRunTimeError;
}

float identity(float x) {
    return x;
}
float radToDeg(float x) {
    return x * 180.0f / 3.1415927f;
}
float degToRad(float x) {
    return 3.1415927f * x / 180.0f;
}
float minOf(float a, float b) {
    return a >= b ? b : a;
}

int toInt(gmScriptThread* thread) {
    float n[1];
    return numbers(thread, n) ? pushInt(thread, MathUtil::truncateToInt(n[0])) : kRunTimeError;
}

int makeInterpolatedColour(gmScriptThread* thread) {
    float t = 0.0f;
    gmHostObject* a = nullptr;
    gmHostObject* b = nullptr;
    const int32_t colour = scriptTypeId(ScriptType::COLOUR);
    if (!gmCheckParamCount(thread, 3) || !gmFloatOrIntParam(thread, 0, t) ||
        !gmUserTypeParam(thread, 1, colour, a) || !gmUserTypeParam(thread, 2, colour, b))
        return kRunTimeError;
    thread->push(newColourValue(thread->getMachine(),
                                Colour::makeInterpolated(t, *static_cast<Colour*>(a->getHostPointer()),
                                                         *static_cast<Colour*>(b->getHostPointer()))));
    return kDone;
}

// ---- Strings ----

int getFirstOccurrence(gmScriptThread* thread) {
    const char* text = nullptr;
    const char* pattern = nullptr;
    if (!gmCheckParamCount(thread, 2) || !gmStringParam(thread, 0, text) ||
        !gmStringParam(thread, 1, pattern))
        return kRunTimeError;
    return pushInt(thread, StringHelper::getFirstOccurrence(text, pattern));
}

int backspace(gmScriptThread* thread) {
    const char* text = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, text))
        return kRunTimeError;
    return pushText(thread, StringHelper::backspace(text).c_str());
}

int makeTimeString(gmScriptThread* thread) {
    float n[1];
    if (!numbers(thread, n))
        return kRunTimeError;
    return pushText(thread, StringHelper::makeTimeString(MathUtil::truncateToInt(n[0])).c_str());
}

int getLength(gmScriptThread* thread) {
    const char* text = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, text))
        return kRunTimeError;
    return pushInt(thread, StringHelper::getLength(text));
}

template <bool (*F)(int)>
int characterTest(gmScriptThread* thread) {
    int32_t character = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, character))
        return kRunTimeError;
    return pushBool(thread, F(character));
}

template <bool Upper>
int changeCase(gmScriptThread* thread) {
    const gmValue argument = thread->getParam(0);
    if (argument.isInt()) {
        return pushInt(thread, Upper ? StringHelper::makeUppercase(argument.getInt())
                                     : StringHelper::makeLowercase(argument.getInt()));
    }
    if (argument.isString()) {
        const std::string text = argument.getString()->getText();
        return pushText(
            thread, (Upper ? StringHelper::makeUppercase(text) : StringHelper::makeLowercase(text)).c_str());
    }
    return usageError(thread);
}

// One character of the text, as a string (empty when the index is outside it).
int getChar(gmScriptThread* thread) {
    int32_t index = 0;
    const char* text = nullptr;
    if (!gmCheckParamCount(thread, 2) || !gmIntParam(thread, 0, index) || !gmStringParam(thread, 1, text))
        return kRunTimeError;
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    const char character[2] = {index >= 0 && index < length ? text[index] : '\0', '\0'};
    return pushText(thread, character);
}

// The character a key types on a US keyboard without shift ("" for keys that type none).
const char* keyCharacter(int32_t code) {
    static const char* const kLetters[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m",
                                           "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z"};
    static const char* const kDigits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
    if (code >= KEYBOARD_A && code <= KEYBOARD_Z)
        return kLetters[code - KEYBOARD_A];
    if (code >= KEYBOARD_1 && code <= KEYBOARD_0)
        return kDigits[code - KEYBOARD_1];
    if (code >= KEYBOARD_KEYPAD_1 && code <= KEYBOARD_KEYPAD_9)
        return kDigits[code - KEYBOARD_KEYPAD_1];
    switch (code) {
        case KEYBOARD_TILDE:
            return "`";
        case KEYBOARD_MINUS:
            return "-";
        case KEYBOARD_PLUS:
            return "=";
        case KEYBOARD_SPACE_BAR:
            return " ";
        case KEYBOARD_LEFTSQUAREBRACKET:
            return "[";
        case KEYBOARD_RIGHTSQUAREBRACKET:
            return "]";
        case KEYBOARD_BACKSLASH:
            return "\\";
        case KEYBOARD_COLON:
            return ";";
        case KEYBOARD_DOUBLEQUOTE:
            return "'";
        case KEYBOARD_COMMA:
            return ",";
        case KEYBOARD_PERIOD:
            return ".";
        case KEYBOARD_SLASH:
            return "/";
        case KEYBOARD_KEYPAD_SLASH:
            return "/";
        case KEYBOARD_KEYPAD_ASTERISK:
            return "*";
        case KEYBOARD_KEYPAD_MINUS:
            return "-";
        case KEYBOARD_KEYPAD_PLUS:
            return "+";
        case KEYBOARD_KEYPAD_DELETE:
            return ".";
        case KEYBOARD_KEYPAD_INSERT:
            return "0";
        default:
            return "";
    }
}

int getAscii(gmScriptThread* thread) {
    int32_t code = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, code))
        return kRunTimeError;
    return pushText(thread, keyCharacter(code));
}

int getEntityType(gmScriptThread* thread) {
    const char* name = nullptr;
    if (!gmCheckParamCount(thread, 1) || !gmStringParam(thread, 0, name))
        return kRunTimeError;
    return pushInt(thread, EntityTypeRegistry::getProcessRegistry().getEntityTypeID(name));
}

int getEntityTypeName(gmScriptThread* thread) {
    int32_t id = 0;
    if (!gmCheckParamCount(thread, 1) || !gmIntParam(thread, 0, id))
        return kRunTimeError;
    return pushText(thread, EntityTypeRegistry::getProcessRegistry().getEntityTypeName(id).c_str());
}

// Null, or a value whose engine object is gone (so scripts can test a kept entity before use).
int isNull(gmScriptThread* thread) {
    if (!gmCheckParamCount(thread, 1))
        return kRunTimeError;
    const gmValue value = thread->getParam(0);
    const bool gone =
        value.getType() >= kGmFirstUserType && value.getHostObject()->getHostPointer() == nullptr;
    return pushBool(thread, value.isNull() || gone);
}

constexpr ScriptFunction kFunctions[] = {
    {"test", test, "(any...) -> nothing; does nothing"},
    {"RANDOM_GetRandomReal", getRandomReal, "() -> float in [0, 1) or (n low, n high) -> float in the range",
     nullptr, "expecting parameters (void) or (float,float)"},
    {"RANDOM_GetRandomInteger", getRandomInteger, "(n low, n high) -> int in the range"},
    {"RANDOM_GetRandomBoolean", getRandomBoolean, "() -> bool"},
    {"MATHUTIL_GETINRANGE", ternary<MathUtil::getInRange>,
     "(n value, n low, n high) -> float, the value clamped to the range"},
    {"MATHUTIL_RADTODEG", unary<radToDeg>, "(n radians) -> float"},
    {"MATHUTIL_DEGTORAD", unary<degToRad>, "(n degrees) -> float"},
    {"MATHUTIL_GetPercentageInRange", ternary<MathUtil::getPercentageInRange>,
     "(n value, n low, n high) -> float"},
    {"MATHUTIL_GetValueInRange", ternary<MathUtil::getValueInRange>, "(n t, n low, n high) -> float"},
    {"MATHUTIL_GetAngleDeg", pointToFloat<MathUtil::getAngleDeg>, "(REALPOINT) -> float"},
    {"MATHUTIL_GetAngleRad", pointToFloat<MathUtil::getAngleRad>, "(REALPOINT) -> float"},
    {"MATHUTIL_Rotate", rotate, "(REALPOINT, n angle) -> new REALPOINT"},
    {"MATHUTIL_GetRadiansBetween", twoPointsToFloat<MathUtil::getRadiansBetween>,
     "(REALPOINT, REALPOINT) -> float"},
    {"MATHUTIL_GetDegreesBetween", twoPointsToFloat<MathUtil::getDegreesBetween>,
     "(REALPOINT, REALPOINT) -> float"},
    {"MATHUTIL_GetMinutes", unary<MathUtil::getMinutes>, "(n ms) -> float"},
    {"MATHUTIL_GetSeconds", unary<MathUtil::getSeconds>, "(n ms) -> float"},
    {"MATHUTIL_GetClosestDistanceFromLineToPoint",
     threePointsToFloat<MathUtil::getClosestDistanceFromLineToPoint>,
     "(REALPOINT start, REALPOINT dir, REALPOINT point) -> float"},
    {"MATHUTIL_GetClosestDistanceFromLineSegmentToPoint",
     threePointsToFloat<MathUtil::getClosestDistanceFromLineSegmentToPoint>,
     "(REALPOINT start, REALPOINT dir, REALPOINT point) -> float"},
    {"MATHUTIL_FindClosestPointOnLine", findClosestPointOnLine,
     "(REALPOINT point, REALPOINT a, REALPOINT b) -> new REALPOINT"},
    {"MATHUTIL_GetContouredPercentage", ternary<MathUtil::getContouredPercentage>,
     "(n t, n cx, n cy) -> float"},
    {"MATHUTIL_GetTrianglePercentage", binary<MathUtil::getTrianglePercentage>, "(n t, n peak) -> float"},
    {"MATHUTIL_GetNumDigits", getNumDigits, "(n number) -> int"},
    {"MATHUTIL_GetDigitValue", getDigitValue, "(n number, n digit index) -> int"},
    {"MATHUTIL_CalculateExponentialDecay", binary<MathUtil::calculateExponentialDecay>,
     "(n k, n t) -> float"},
    {"MATHUTIL_CalculateExponentialGrowth", binary<MathUtil::calculateExponentialGrowth>,
     "(n k, n t) -> float"},
    {"MATHUTIL_IsAngleBetween", isAngleBetween, "(n angle, n low, n high) -> bool"},
    {"MATHUTIL_ConvertAngleToTWOPIDomain", unary<MathUtil::convertAngleToTwoPiDomain>, "(n angle) -> float"},
    {"MATH_MIN", binary<minOf>, "(n a, n b) -> float"},
    {"MATH_MAX", binary<MathUtil::max>, "(n a, n b) -> float"},
    {"MATH_MOD", binary<MathUtil::mod>, "(n a, n b) -> float"},
    {"MATH_POW", binary<MathUtil::pow>, "(n base, n exponent) -> float"},
    {"MATH_ABS", unary<MathUtil::abs>, "(n) -> float"},
    {"MATH_COS", unary<MathUtil::cos>, "(n) -> float"},
    {"MATH_SIN", unary<MathUtil::sin>, "(n) -> float"},
    {"MATH_ACOS", unary<MathUtil::acos>, "(n) -> float"},
    {"MATH_SQRT", unary<MathUtil::sqrt>, "(n) -> float"},
    {"MATH_FLOOR", unary<MathUtil::floor>, "(n) -> float"},
    {"MATH_REAL", unary<identity>, "(n) -> float"},
    {"MATH_INT", toInt, "(n) -> int, truncated toward zero"},
    {"COLOUR_MakeInterpolatedColour", makeInterpolatedColour, "(n t, COLOUR from, COLOUR to) -> new COLOUR"},
    {"STRINGHELPER_GetFirstOccurrence", getFirstOccurrence, "(s text, s pattern) -> int, -1 when absent"},
    {"STRINGHELPER_Backspace", backspace, "(s) -> string"},
    {"STRINGHELPER_MakeTimeString", makeTimeString, "(n ms) -> string such as \"1:05\""},
    {"STRINGHELPER_IsBackspace", characterTest<StringHelper::isBackspace>, "(i character) -> bool"},
    {"STRINGHELPER_GetLength", getLength, "(s) -> int"},
    {"STRINGHELPER_IsLowercase", characterTest<StringHelper::isLowercase>, "(i character) -> bool"},
    {"STRINGHELPER_IsUppercase", characterTest<StringHelper::isUppercase>, "(i character) -> bool"},
    {"STRINGHELPER_IsAlpha", characterTest<StringHelper::isAlpha>, "(i character) -> bool"},
    {"STRINGHELPER_IsNumeric", characterTest<StringHelper::isNumeric>, "(i character) -> bool"},
    {"STRINGHELPER_IsAlphanumeric", characterTest<StringHelper::isAlphanumeric>, "(i character) -> bool"},
    {"STRINGHELPER_MakeLowercase", changeCase<false>, "(i character) -> int or (s text) -> string", nullptr,
     "expecting parameters (char) or (string)"},
    {"STRINGHELPER_MakeUppercase", changeCase<true>, "(i character) -> int or (s text) -> string", nullptr,
     "expecting parameters (char) or (string)"},
    {"STRINGHELPER_GetChar", getChar, "(i index, s text) -> string of one character, \"\" out of range"},
    {"KEYCODE_GetAscii", getAscii, "(i key code) -> string, \"\" for keys without a character"},
    {"ENTITY_GetType", getEntityType, "(s type name) -> int"},
    {"ENTITY_GetTypeName", getEntityTypeName, "(i type id) -> string"},
    {"IsNull", isNull, "(any) -> bool"},
};
static_assert(std::size(kFunctions) == 57);
}  // namespace

const std::span<const ScriptFunction> kGlobalFunctions(kFunctions);
