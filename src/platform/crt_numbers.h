#pragma once

#include <cstdint>
#include <string_view>

namespace volumix {

// Numbers read the way C's atoi and atof read them in the "C" locale, whatever
// locale the process has set (the GUI toolkit changes it): leading white space,
// an optional sign, then the longest prefix that forms a number; 0 when there
// is none. Reading never goes past `end` and stops at a NUL byte.

// Decimal digits only. Values beyond the int32 range saturate.
int32_t parseAtoi(const char* begin, const char* end);

// Decimal with optional point and exponent, hexadecimal ("0x1.8p3"), "inf",
// "infinity", "nan" and "nan(...)" in any case. Too large gives ±infinity, too
// small gives the nearest denormal or ±0, as strtod does.
double parseAtof(const char* begin, const char* end);

inline int32_t parseAtoi(std::string_view text) {
    return parseAtoi(text.data(), text.data() + text.size());
}

inline double parseAtof(std::string_view text) {
    return parseAtof(text.data(), text.data() + text.size());
}

}  // namespace volumix
