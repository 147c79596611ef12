// Values of literal tokens, computed from the token text when the parser reduces a constant.
#pragma once

#include <cstdint>
#include <string>

// Decimal digits as a 32-bit int; text beyond 2147483647 saturates to 2147483647.
int32_t gmDecimalValue(const char* text);
// "0x..." or "0b...": the digits after the prefix as an unsigned 32-bit number (base 16 or 2),
// returned as the int with that bit pattern; text beyond 32 bits saturates to all ones.
int32_t gmHexValue(const char* text);
int32_t gmBinaryValue(const char* text);
// A float literal (the f suffix is ignored) converted to double, then to a 32-bit float; values
// beyond the float range become infinities.
float gmFloatValue(const char* text);
// A single-quoted character constant: each character or escape is a byte and the value is
// value * 256 + byte, so 'ab' is 0x6162. [truncated] is set when more than four bytes were given
// (only the last four survive). An unrecognised escape gives the character itself.
int32_t gmCharValue(const char* text, bool& truncated);
// A double-quoted or back-quoted string constant without its quotes and with its escapes applied.
// The text ends at the first NUL byte an escape may produce.
std::string gmStringValue(const char* text);
