#include "Engine/StringHelper.h"

#include <cstdint>
#include <cstdio>

#include "Engine/MathUtil.h"

namespace StringHelper {

namespace {

constexpr int kBackspace = 8;
constexpr int kDelete = 127;
// Distance between an ASCII capital and its small letter.
constexpr int kCaseOffset = 'a' - 'A';

}  // namespace

int getLength(const std::string& text) {
    return static_cast<int>(text.size());
}

int getChar(int index, const std::string& text) {
    if (index < 0 || static_cast<std::size_t>(index) >= text.size())
        return 0;
    return static_cast<unsigned char>(text[static_cast<std::size_t>(index)]);
}

int getFirstOccurrence(const std::string& text, const std::string& pattern) {
    const std::size_t found = text.find(pattern);
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

std::string backspace(const std::string& text) {
    if (text.empty())
        return text;
    return text.substr(0, text.size() - 1);
}

bool isBackspace(int character) {
    return character == kBackspace || character == kDelete;
}
bool isLowercase(int character) {
    return character >= 'a' && character <= 'z';
}
bool isUppercase(int character) {
    return character >= 'A' && character <= 'Z';
}
bool isAlpha(int character) {
    return isLowercase(character) || isUppercase(character);
}
bool isNumeric(int character) {
    return character >= '0' && character <= '9';
}
bool isAlphanumeric(int character) {
    return isAlpha(character) || isNumeric(character);
}

int makeLowercase(int character) {
    return isUppercase(character) ? character + kCaseOffset : character;
}
int makeUppercase(int character) {
    return isLowercase(character) ? character - kCaseOffset : character;
}

std::string makeLowercase(const std::string& text) {
    std::string result = text;
    for (char& c : result) c = static_cast<char>(makeLowercase(static_cast<unsigned char>(c)));
    return result;
}

std::string makeUppercase(const std::string& text) {
    std::string result = text;
    for (char& c : result) c = static_cast<char>(makeUppercase(static_cast<unsigned char>(c)));
    return result;
}

std::string makeTimeString(int milliseconds) {
    if (milliseconds < 0)
        milliseconds = 0;
    const float ms = static_cast<float>(milliseconds);
    const uint32_t minutes = MathUtil::truncateToUnsigned(MathUtil::getMinutes(ms));
    uint32_t seconds = MathUtil::truncateToUnsigned(MathUtil::getSeconds(ms));
    // The fractional minute times 60 stays below 60, but a float rounding must not print ":60".
    if (seconds > 59)
        seconds = 59;
    char text[32] = {};
    std::snprintf(text, sizeof text, seconds < 10 ? "%u:0%u" : "%u:%u", static_cast<unsigned>(minutes),
                  static_cast<unsigned>(seconds));
    return text;
}

}  // namespace StringHelper
