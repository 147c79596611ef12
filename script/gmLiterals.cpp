// Conversion of literal token texts to values.
#include "script/gmLiterals.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The code of the escape letter [c] (the ten escapes of chars and strings), or -1.
int simpleEscape(char c) {
    switch (c) {
        case '"':
            return 34;
        case '\'':
            return 39;
        case '\\':
            return 92;
        case 'a':
            return 7;
        case 'b':
            return 8;
        case 'f':
            return 12;
        case 'n':
            return 10;
        case 'r':
            return 13;
        case 't':
            return 9;
        case 'v':
            return 11;
        default:
            return -1;
    }
}

int32_t unsignedValue(const char* digits, unsigned base) {
    uint64_t value = 0;
    for (const char* p = digits; *p; ++p) {
        const char c = *p;
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        value = value * base + digit;
        if (value > UINT32_MAX) {
            return static_cast<int32_t>(UINT32_MAX);
        }
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

int32_t gmDecimalValue(const char* text) {
    int64_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) {
            return INT32_MAX;
        }
    }
    return static_cast<int32_t>(value);
}

int32_t gmHexValue(const char* text) {
    return std::strlen(text) > 2 ? unsignedValue(text + 2, 16) : 0;
}

int32_t gmBinaryValue(const char* text) {
    return std::strlen(text) > 2 ? unsignedValue(text + 2, 2) : 0;
}

float gmFloatValue(const char* text) {
    // strtod stops at the f suffix, which is what ignoring it means.
    const double value = std::strtod(text, nullptr);
    if (value > FLT_MAX) {
        return HUGE_VALF;
    }
    if (value < -FLT_MAX) {
        return -HUGE_VALF;
    }
    return static_cast<float>(value);
}

int32_t gmCharValue(const char* text, bool& truncated) {
    truncated = false;
    uint32_t value = 0;
    int count = 0;
    size_t length = std::strlen(text);
    // The token is quote, characters, quote.
    const char* end = length >= 2 ? text + length - 1 : text;
    for (const char* p = text + 1; p < end; ++p) {
        unsigned char code = static_cast<unsigned char>(*p);
        if (*p == '\\' && p + 1 < end) {
            ++p;
            const int escape = simpleEscape(*p);
            code = escape >= 0 ? static_cast<unsigned char>(escape) : static_cast<unsigned char>(*p);
        }
        value = value * 256u + code;
        ++count;
    }
    truncated = count > 4;
    return static_cast<int32_t>(value);
}

std::string gmStringValue(const char* text) {
    std::string result;
    const size_t length = std::strlen(text);
    if (length < 2) {
        return result;
    }
    const char* p = text + 1;
    const char* end = text + length - 1;
    if (text[0] == '`') {
        // Back-quoted: no escapes, a doubled back-quote stands for one.
        for (; p < end; ++p) {
            result += *p;
            if (*p == '`' && p + 1 < end && p[1] == '`') {
                ++p;
            }
        }
        return result;
    }
    for (; p < end; ++p) {
        if (*p != '\\' || p + 1 >= end) {
            result += *p;
            continue;
        }
        ++p;
        const int escape = simpleEscape(*p);
        if (escape >= 0) {
            result += static_cast<char>(escape);
        } else if (*p >= '0' && *p <= '9') {
            // One to three decimal digits give the byte with that value.
            int code = 0;
            for (int digits = 0; digits < 3 && p < end && *p >= '0' && *p <= '9'; ++digits, ++p) {
                code = code * 10 + (*p - '0');
            }
            --p;
            result += static_cast<char>(static_cast<unsigned char>(code & 0xff));
        } else {
            result += *p;
        }
    }
    const size_t nul = result.find('\0');
    if (nul != std::string::npos) {
        result.resize(nul);
    }
    return result;
}
