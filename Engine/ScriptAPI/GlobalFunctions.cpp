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
    thread->push(
        newColourValue(thread->getMachine(), Colour::makeInterpolated(t, *static_cast<Colour*>(hostTarget(a)),
                                                                      *static_cast<Colour*>(hostTarget(b)))));
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
    {"test", test, "(any...) -> nothing; does nothing",
     "Does nothing with any arguments; a placeholder to call while trying things out."},
    {"RANDOM_GetRandomReal", getRandomReal, "() -> float in [0, 1) or (n low, n high) -> float in the range",
     "A random real from the process-wide generator: in [0, 1), or in [low, high) with two numbers (high "
     "below low gives a value in (high, low]).",
     "expecting parameters (void) or (float,float)"},
    {"RANDOM_GetRandomInteger", getRandomInteger, "(n low, n high) -> int in the range",
     "A random int from low to high, both included; floats are truncated toward zero first."},
    {"RANDOM_GetRandomBoolean", getRandomBoolean, "() -> bool",
     "True or false with equal chance, from the process-wide generator."},
    {"MATHUTIL_GETINRANGE", ternary<MathUtil::getInRange>,
     "(n value, n low, n high) -> float, the value clamped to the range",
     "The value raised to low and then lowered to high; when low is above high the result is high."},
    {"MATHUTIL_RADTODEG", unary<radToDeg>, "(n radians) -> float",
     "Radians converted to degrees (times 180 / PI)."},
    {"MATHUTIL_DEGTORAD", unary<degToRad>, "(n degrees) -> float",
     "Degrees converted to radians (times PI / 180)."},
    {"MATHUTIL_GetPercentageInRange", ternary<MathUtil::getPercentageInRange>,
     "(n value, n low, n high) -> float",
     "Where the value lies in the range as a fraction, (value - low) / (high - low): 0 at low, 1 at high, "
     "beyond them outside; 0 when low equals high."},
    {"MATHUTIL_GetValueInRange", ternary<MathUtil::getValueInRange>, "(n t, n low, n high) -> float",
     "The value at fraction t of the range, low + t * (high - low); t is not clamped."},
    {"MATHUTIL_GetAngleDeg", pointToFloat<MathUtil::getAngleDeg>, "(REALPOINT) -> float",
     "The direction of the point from the x axis, in degrees from -180 to 180 (anticlockwise positive)."},
    {"MATHUTIL_GetAngleRad", pointToFloat<MathUtil::getAngleRad>, "(REALPOINT) -> float",
     "The direction of the point from the x axis, in radians from -PI to PI (anticlockwise positive)."},
    {"MATHUTIL_Rotate", rotate, "(REALPOINT, n angle) -> new REALPOINT",
     "The point turned anticlockwise about (0, 0) by the angle in radians."},
    {"MATHUTIL_GetRadiansBetween", twoPointsToFloat<MathUtil::getRadiansBetween>,
     "(REALPOINT, REALPOINT) -> float",
     "The angle between the two directions in radians, 0 to PI, whichever way round."},
    {"MATHUTIL_GetDegreesBetween", twoPointsToFloat<MathUtil::getDegreesBetween>,
     "(REALPOINT, REALPOINT) -> float",
     "The angle between the two directions in degrees, 0 to 180, whichever way round."},
    {"MATHUTIL_GetMinutes", unary<MathUtil::getMinutes>, "(n ms) -> float",
     "Milliseconds as fractional minutes: 90000 gives 1.5."},
    {"MATHUTIL_GetSeconds", unary<MathUtil::getSeconds>, "(n ms) -> float",
     "The seconds within the minute, fractional: 90000 ms gives 30."},
    {"MATHUTIL_GetClosestDistanceFromLineToPoint",
     threePointsToFloat<MathUtil::getClosestDistanceFromLineToPoint>,
     "(REALPOINT start, REALPOINT dir, REALPOINT point) -> float",
     "The distance from the point to the endless line through start along dir."},
    {"MATHUTIL_GetClosestDistanceFromLineSegmentToPoint",
     threePointsToFloat<MathUtil::getClosestDistanceFromLineSegmentToPoint>,
     "(REALPOINT start, REALPOINT dir, REALPOINT point) -> float",
     "The distance from the point to the segment from start to start + dir (to its nearer end when the point "
     "lies beyond it)."},
    {"MATHUTIL_FindClosestPointOnLine", findClosestPointOnLine,
     "(REALPOINT point, REALPOINT a, REALPOINT b) -> new REALPOINT",
     "The point of the endless line through a and b nearest to the point; a when a and b are the same."},
    {"MATHUTIL_GetContouredPercentage", ternary<MathUtil::getContouredPercentage>,
     "(n t, n cx, n cy) -> float",
     "Bends a fraction t through the point (cx, cy): straight from (0, 0) to (cx, cy) and from there to (1, "
     "1); (0.5, 0.5) leaves t as it is."},
    {"MATHUTIL_GetTrianglePercentage", binary<MathUtil::getTrianglePercentage>, "(n t, n peak) -> float",
     "Rises from 0 at t = 0 to 1 at t = peak, then falls back to 0 at t = 1."},
    {"MATHUTIL_GetNumDigits", getNumDigits, "(n number) -> int",
     "The number of decimal digits of the number, sign ignored; 0 for 0. A float is truncated first."},
    {"MATHUTIL_GetDigitValue", getDigitValue, "(n number, n digit index) -> int",
     "The decimal digit at the index counted from the units (0): (4527, 2) gives 5; 0 past the last digit or "
     "for a negative index, negative for a negative number."},
    {"MATHUTIL_CalculateExponentialDecay", binary<MathUtil::calculateExponentialDecay>, "(n k, n t) -> float",
     "e^(-k * t), clamped to 0..1: 1 at t = 0, falling toward 0. With k a rate per ms and t in ms it is the "
     "share left after t."},
    {"MATHUTIL_CalculateExponentialGrowth", binary<MathUtil::calculateExponentialGrowth>,
     "(n k, n t) -> float", "1 - e^(-k * t), clamped to 0..1: 0 at t = 0, rising toward 1."},
    {"MATHUTIL_IsAngleBetween", isAngleBetween, "(n angle, n low, n high) -> bool",
     "All three in radians, taken into 0..TWOPI without wrapping round: true when the range from low to high "
     "comes within a quarter turn of the angle, not only when the angle lies inside it ((3, 0.5, 1.5) is "
     "true)."},
    {"MATHUTIL_ConvertAngleToTWOPIDomain", unary<MathUtil::convertAngleToTwoPiDomain>, "(n angle) -> float",
     "The same angle in radians brought into [0, TWOPI): -0.5 gives TWOPI - 0.5."},
    {"MATH_MIN", binary<minOf>, "(n a, n b) -> float", "The smaller of the two numbers, as a float."},
    {"MATH_MAX", binary<MathUtil::max>, "(n a, n b) -> float", "The larger of the two numbers, as a float."},
    {"MATH_MOD", binary<MathUtil::mod>, "(n a, n b) -> float",
     "The remainder of a / b with the sign of a (5.5, 2 gives 1.5); NaN when b is 0."},
    {"MATH_POW", binary<MathUtil::pow>, "(n base, n exponent) -> float", "base raised to the exponent."},
    {"MATH_ABS", unary<MathUtil::abs>, "(n) -> float", "The number without its sign."},
    {"MATH_COS", unary<MathUtil::cos>, "(n) -> float", "The cosine of an angle in radians."},
    {"MATH_SIN", unary<MathUtil::sin>, "(n) -> float", "The sine of an angle in radians."},
    {"MATH_ACOS", unary<MathUtil::acos>, "(n) -> float",
     "The angle in radians, 0 to PI, whose cosine is the number; NaN outside -1..1."},
    {"MATH_SQRT", unary<MathUtil::sqrt>, "(n) -> float", "The square root; NaN for a negative number."},
    {"MATH_FLOOR", unary<MathUtil::floor>, "(n) -> float",
     "The largest whole number not above the number, as a float (-1.5 gives -2)."},
    {"MATH_REAL", unary<identity>, "(n) -> float", "The number as a float (an int is converted)."},
    {"MATH_INT", toInt, "(n) -> int, truncated toward zero",
     "The number as an int, truncated toward zero (-1.5 gives -1); beyond the int range it stops at the "
     "largest or smallest int."},
    {"COLOUR_MakeInterpolatedColour", makeInterpolatedColour, "(n t, COLOUR from, COLOUR to) -> new COLOUR",
     "A mix of the two colours: t = 1 gives the first, t = 0 the second, between them a blend; t is clamped "
     "to 0..1."},
    {"STRINGHELPER_GetFirstOccurrence", getFirstOccurrence, "(s text, s pattern) -> int, -1 when absent",
     "The index (from 0) of the first place the pattern occurs in the text, in bytes; -1 when it does not."},
    {"STRINGHELPER_Backspace", backspace, "(s) -> string",
     "The text without its last character (\"\" stays \"\")."},
    {"STRINGHELPER_MakeTimeString", makeTimeString, "(n ms) -> string such as \"1:05\"",
     "Milliseconds as minutes and two-digit seconds: 65000 gives \"1:05\", 600000 \"10:00\"; negative counts "
     "as 0."},
    {"STRINGHELPER_IsBackspace", characterTest<StringHelper::isBackspace>, "(i character) -> bool",
     "True for the character codes 8 (backspace) and 127 (delete)."},
    {"STRINGHELPER_GetLength", getLength, "(s) -> int", "The length of the text in bytes."},
    {"STRINGHELPER_IsLowercase", characterTest<StringHelper::isLowercase>, "(i character) -> bool",
     "True for the codes of 'a' to 'z'."},
    {"STRINGHELPER_IsUppercase", characterTest<StringHelper::isUppercase>, "(i character) -> bool",
     "True for the codes of 'A' to 'Z'."},
    {"STRINGHELPER_IsAlpha", characterTest<StringHelper::isAlpha>, "(i character) -> bool",
     "True for an ASCII letter, either case."},
    {"STRINGHELPER_IsNumeric", characterTest<StringHelper::isNumeric>, "(i character) -> bool",
     "True for the codes of '0' to '9'."},
    {"STRINGHELPER_IsAlphanumeric", characterTest<StringHelper::isAlphanumeric>, "(i character) -> bool",
     "True for an ASCII letter or digit."},
    {"STRINGHELPER_MakeLowercase", changeCase<false>, "(i character) -> int or (s text) -> string",
     "The character code, or every character of the text, with 'A' to 'Z' made lower case; other characters "
     "unchanged.",
     "expecting parameters (char) or (string)"},
    {"STRINGHELPER_MakeUppercase", changeCase<true>, "(i character) -> int or (s text) -> string",
     "The character code, or every character of the text, with 'a' to 'z' made upper case; other characters "
     "unchanged.",
     "expecting parameters (char) or (string)"},
    {"STRINGHELPER_GetChar", getChar, "(i index, s text) -> string of one character, \"\" out of range",
     "The character at the index (from 0) of the text, as a one-character string; \"\" when the index is "
     "outside the text."},
    {"KEYCODE_GetAscii", getAscii, "(i key code) -> string, \"\" for keys without a character",
     "The character a key types without shift on a US layout (\"a\" for KEYBOARD_A, \"1\" for "
     "KEYBOARD_KEYPAD_1, \" \" for 64, the space bar); \"\" for keys such as the arrows."},
    {"ENTITY_GetType", getEntityType, "(s type name) -> int",
     "The id of an entity type name; a name not seen before gets the next id (ids start at 1)."},
    {"ENTITY_GetTypeName", getEntityTypeName, "(i type id) -> string",
     "The name of an entity type id; \"UNDEFINED_ENTITY\" for an id no name has."},
    {"IsNull", isNull, "(any) -> bool",
     "True for null, and for a value whose engine object is gone (a deleted entity kept in a variable): test "
     "before using a kept value."},
};
static_assert(std::size(kFunctions) == 57);
}  // namespace

const std::span<const ScriptFunction> kGlobalFunctions(kFunctions);
