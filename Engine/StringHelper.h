// Character and string helpers for text entry (STRINGHELPER_ script globals) and the
// minutes-and-seconds clock string. Characters are single bytes; only ASCII letters are
// classified and converted.
#pragma once

#include <string>

namespace StringHelper {

int getLength(const std::string& text);
// The byte at [index] as a code 0..255; 0 when [index] is outside the string.
int getChar(int index, const std::string& text);
// Index of the first occurrence of [pattern] in [text], -1 if none.
int getFirstOccurrence(const std::string& text, const std::string& pattern);
// [text] without its last byte; an empty string stays empty.
std::string backspace(const std::string& text);

// 8 (backspace) and 127 (delete).
bool isBackspace(int character);
bool isLowercase(int character);
bool isUppercase(int character);
bool isAlpha(int character);
bool isNumeric(int character);
bool isAlphanumeric(int character);
int makeLowercase(int character);
int makeUppercase(int character);
std::string makeLowercase(const std::string& text);
std::string makeUppercase(const std::string& text);

// Minutes, a colon and two-digit seconds: 65000 gives "1:05"; minutes are not limited to 59.
// A negative time gives "0:00".
std::string makeTimeString(int milliseconds);

}  // namespace StringHelper
