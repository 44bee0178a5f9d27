#include "platform/crt_numbers.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace volumix {

namespace {

// A C string ends at its first NUL, even when the buffer goes on.
const char* textEnd(const char* begin, const char* end) {
    if (begin >= end) return begin;
    const void* nul = std::memchr(begin, '\0', static_cast<size_t>(end - begin));
    return nul != nullptr ? static_cast<const char*>(nul) : end;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(const char* p, const char* end, std::string_view word) {
    if (static_cast<size_t>(end - p) < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (toLowerAscii(p[i]) != word[i]) return false;
    }
    return true;
}

// Skips leading white space and one optional sign.
const char* skipSpaceAndSign(const char* p, const char* end, bool& negative) {
    while (p < end && isSpace(*p)) ++p;
    negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    return p;
}

// Reads digits[.digits][exponent] in base 10 ('e' exponent) or base 16 ('p'
// exponent, binary) from p, which must start with a digit or with a point
// followed by a digit. std::from_chars does the correctly rounded conversion;
// the scan here only finds the extent and, because from_chars gives no value
// when the result is out of range, the rough magnitude needed to tell
// overflow (infinity) from underflow (zero).
double readUnsigned(const char* p, const char* end, bool hex) {
    const auto digit = hex ? isHexDigit : isDigit;
    const char exponentLetter = hex ? 'p' : 'e';
    const char* const start = p;

    // Power of the base of the first non-zero digit; meaningful only once found.
    int64_t leadingPower = 0;
    bool nonZeroSeen = false;
    int64_t integerDigits = 0;
    for (; p < end && digit(*p); ++p, ++integerDigits) {
        if (!nonZeroSeen && *p != '0') {
            nonZeroSeen = true;
            leadingPower = -integerDigits;  // corrected by the digit count below
        }
    }
    if (nonZeroSeen) leadingPower += integerDigits - 1;
    if (p < end && *p == '.') {
        ++p;
        for (int64_t fraction = 1; p < end && digit(*p); ++p, ++fraction) {
            if (!nonZeroSeen && *p != '0') {
                nonZeroSeen = true;
                leadingPower = -fraction;
            }
        }
    }

    // The exponent counts only when at least one digit follows its letter.
    int64_t exponent = 0;
    if (p < end && toLowerAscii(*p) == exponentLetter) {
        const char* q = p + 1;
        bool exponentNegative = false;
        if (q < end && (*q == '+' || *q == '-')) {
            exponentNegative = *q == '-';
            ++q;
        }
        if (q < end && isDigit(*q)) {
            constexpr int64_t exponentCap = 1'000'000'000;  // far beyond any double
            for (; q < end && isDigit(*q); ++q) {
                if (exponent < exponentCap) exponent = exponent * 10 + (*q - '0');
            }
            if (exponentNegative) exponent = -exponent;
            p = q;
        }
    }

    double value = 0.0;
    const std::chars_format format = hex ? std::chars_format::hex : std::chars_format::general;
    const std::from_chars_result result = std::from_chars(start, p, value, format);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range is either beyond DBL_MAX or below half the smallest
        // denormal: hundreds of decimal (thousands of binary) orders apart,
        // so the sign of the rough order is enough.
        const int64_t order = (hex ? leadingPower * 4 : leadingPower) + exponent;
        return order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    if (result.ec != std::errc()) return 0.0;
    return value;
}

}  // namespace

int32_t parseAtoi(const char* begin, const char* end) {
    end = textEnd(begin, end);
    bool negative = false;
    const char* p = skipSpaceAndSign(begin, end, negative);
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (; p < end && isDigit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

double parseAtof(const char* begin, const char* end) {
    end = textEnd(begin, end);
    bool negative = false;
    const char* p = skipSpaceAndSign(begin, end, negative);

    double magnitude = 0.0;
    if (startsWithNoCase(p, end, "inf")) {
        magnitude = std::numeric_limits<double>::infinity();
    } else if (startsWithNoCase(p, end, "nan")) {
        magnitude = std::numeric_limits<double>::quiet_NaN();
    } else if (end - p >= 2 && p[0] == '0' && toLowerAscii(p[1]) == 'x' &&
               ((end - p >= 3 && isHexDigit(p[2])) || (end - p >= 4 && p[2] == '.' && isHexDigit(p[3])))) {
        magnitude = readUnsigned(p + 2, end, true);
    } else if ((p < end && isDigit(*p)) || (end - p >= 2 && p[0] == '.' && isDigit(p[1]))) {
        // A bare "0x" lands here too and reads as the 0 before the x.
        magnitude = readUnsigned(p, end, false);
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace volumix
