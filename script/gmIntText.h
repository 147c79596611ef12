// Decimal text of a 32-bit int, as "%d" prints it, without the cost of the printf machinery: string
// concatenation converts a number on every "name" + i.
#pragma once

#include <cstdint>

// Room for "-2147483648" and its NUL.
constexpr int32_t kGmIntTextSize = 12;

// Writes [value] in decimal with a leading '-' when negative, then a NUL, into [out]
// (kGmIntTextSize bytes at least); answers the length without the NUL.
inline int32_t gmFormatInt(int32_t value, char* out) {
    // Digits are produced backwards from the unsigned magnitude, which also holds INT_MIN's.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[10];
    int32_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0);
    int32_t length = 0;
    if (value < 0)
        out[length++] = '-';
    while (count > 0) out[length++] = digits[--count];
    out[length] = '\0';
    return length;
}
