#include "platform/crt_numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace volumix {
namespace {

// Every case is parsed from a heap block of exactly its own length, with no
// terminator, so that AddressSanitizer reports any read past `end`.
int32_t atoiOf(std::string_view text) {
    auto block = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    return parseAtoi(block.get(), block.get() + text.size());
}

double atofOf(std::string_view text) {
    auto block = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), block.get());
    return parseAtof(block.get(), block.get() + text.size());
}

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();

TEST(CrtAtoi, WhiteSpaceSignAndLongestPrefix) {
    EXPECT_EQ(atoiOf(" \t\n\v\f\r42"), 42);
    EXPECT_EQ(atoiOf("+17"), 17);
    EXPECT_EQ(atoiOf("-17"), -17);
    EXPECT_EQ(atoiOf("12abc"), 12);
    EXPECT_EQ(atoiOf("007"), 7);
    EXPECT_EQ(atoiOf("3.9"), 3);
    EXPECT_EQ(atoiOf("1e5"), 1);
    EXPECT_EQ(atoiOf("0x1F"), 0);
}

TEST(CrtAtoi, NoNumberGivesZero) {
    EXPECT_EQ(atoiOf(""), 0);
    EXPECT_EQ(atoiOf("   "), 0);
    EXPECT_EQ(atoiOf("abc"), 0);
    EXPECT_EQ(atoiOf("+-1"), 0);
    EXPECT_EQ(atoiOf("--1"), 0);
    EXPECT_EQ(atoiOf("- 1"), 0);
    EXPECT_EQ(atoiOf("-"), 0);
    // Only the listed white space is skipped; a non-breaking space is not.
    EXPECT_EQ(atoiOf("\xA0" "5"), 0);
}

TEST(CrtAtoi, SaturatesToInt32) {
    EXPECT_EQ(atoiOf("2147483647"), int32Max);
    EXPECT_EQ(atoiOf("2147483648"), int32Max);
    EXPECT_EQ(atoiOf("-2147483648"), int32Min);
    EXPECT_EQ(atoiOf("-2147483649"), int32Min);
    EXPECT_EQ(atoiOf("99999999999999999999999999999999"), int32Max);
    EXPECT_EQ(atoiOf("-99999999999999999999999999999999"), int32Min);
    EXPECT_EQ(atoiOf("000000000000000000000000000000012"), 12);
}

TEST(CrtAtoi, StopsAtEndAndAtNul) {
    const std::string_view text = "123456";
    EXPECT_EQ(parseAtoi(text.data(), text.data() + 3), 123);
    EXPECT_EQ(parseAtoi(text.data(), text.data()), 0);
    EXPECT_EQ(atoiOf(std::string_view("12\0" "34", 5)), 12);
    EXPECT_EQ(atoiOf(std::string_view(" \0" "34", 4)), 0);
    EXPECT_EQ(parseAtoi(std::string_view("-88 apples")), -88);
}

TEST(CrtAtof, DecimalForms) {
    EXPECT_EQ(atofOf("1.5"), 1.5);
    EXPECT_EQ(atofOf(" \t\n\v\f\r-2.25"), -2.25);
    EXPECT_EQ(atofOf("+.5"), 0.5);
    EXPECT_EQ(atofOf("5."), 5.0);
    EXPECT_EQ(atofOf("-.5e1"), -5.0);
    EXPECT_EQ(atofOf("1E-2x"), 0.01);
    EXPECT_EQ(atofOf("1e+3"), 1000.0);
    EXPECT_EQ(atofOf("0.1"), 0.1);
    EXPECT_EQ(atofOf("123456789012345678901234567890"), 123456789012345678901234567890.0);
    // Correct rounding where a digit-by-digit accumulation goes wrong.
    EXPECT_EQ(atofOf("2.2250738585072011e-308"), 2.2250738585072011e-308);
    EXPECT_EQ(atofOf("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(atofOf("9007199254740993.0000000000000000001"), 9007199254740994.0);
}

TEST(CrtAtof, StopsAtLongestValidPrefix) {
    // An exponent letter without digits, or a second point, is not taken.
    EXPECT_EQ(atofOf("1e"), 1.0);
    EXPECT_EQ(atofOf("1e+"), 1.0);
    EXPECT_EQ(atofOf("2e-x"), 2.0);
    EXPECT_EQ(atofOf("1.2.3"), 1.2);
    // Decimal commas are not ours: "63,106438" is 63.
    EXPECT_EQ(atofOf("63,106438"), 63.0);
    EXPECT_EQ(atofOf("1 2"), 1.0);
}

TEST(CrtAtof, NoNumberGivesZero) {
    for (const char* text : {"", "  ", ".", "-.", "+", "e5", ".e5", "+-1", "x1", "in", "na", "- 1"}) {
        const double value = atofOf(text);
        EXPECT_EQ(value, 0.0) << '"' << text << '"';
    }
}

TEST(CrtAtof, HexadecimalLikeStrtod) {
    EXPECT_EQ(atofOf("0x1.8p3"), 12.0);
    EXPECT_EQ(atofOf("0X.8"), 0.5);
    EXPECT_EQ(atofOf("-0x10"), -16.0);
    EXPECT_EQ(atofOf("0xAbP-1"), 85.5);
    EXPECT_EQ(atofOf("0x1p"), 1.0);
    EXPECT_EQ(atofOf("0x1P+2"), 4.0);
    EXPECT_EQ(atofOf("0x1.fffffffffffff8p0"), 2.0);  // rounds to even
    // "0x" with no hex digit after it is the number 0 followed by an x.
    EXPECT_EQ(atofOf("0x"), 0.0);
    EXPECT_EQ(atofOf("0xg"), 0.0);
    EXPECT_EQ(atofOf("0x.p1"), 0.0);
    EXPECT_EQ(atofOf("1x5"), 1.0);
}

TEST(CrtAtof, InfinityAndNan) {
    EXPECT_EQ(atofOf("inf"), inf);
    EXPECT_EQ(atofOf("-Infinity"), -inf);
    EXPECT_EQ(atofOf("  +INF"), inf);
    EXPECT_EQ(atofOf("infinite"), inf);
    EXPECT_TRUE(std::isnan(atofOf("nan")));
    EXPECT_TRUE(std::isnan(atofOf("NaN(123abc)")));
    EXPECT_TRUE(std::isnan(atofOf("nAn(")));
    const double negativeNan = atofOf("-nan");
    EXPECT_TRUE(std::isnan(negativeNan));
    EXPECT_TRUE(std::signbit(negativeNan));
}

TEST(CrtAtof, OverflowAndUnderflow) {
    EXPECT_EQ(atofOf("1e309"), inf);
    EXPECT_EQ(atofOf("-1e309"), -inf);
    EXPECT_EQ(atofOf("1" + std::string(400, '0')), inf);
    EXPECT_EQ(atofOf("1e99999999999999999999999"), inf);
    EXPECT_EQ(atofOf("1.7976931348623158e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(atofOf("1.7976931348623159e308"), inf);
    EXPECT_EQ(atofOf("0x1p1024"), inf);

    EXPECT_EQ(atofOf("1e-400"), 0.0);
    EXPECT_EQ(atofOf("1e-99999999999999999999999"), 0.0);
    EXPECT_EQ(atofOf("0x1p-1080"), 0.0);
    const double negativeZero = atofOf("-1e-400");
    EXPECT_EQ(negativeZero, 0.0);
    EXPECT_TRUE(std::signbit(negativeZero));
    // Denormals come through rather than flushing to zero.
    EXPECT_EQ(atofOf("4e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(atofOf("0x1p-1074"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(atofOf("1e-310"), 1e-310);

    // Leading zeros and a large exponent that cancel out are in range.
    EXPECT_EQ(atofOf("0." + std::string(400, '0') + "1e401"), 1.0);
    EXPECT_EQ(atofOf("1" + std::string(400, '0') + "e-400"), 1.0);
    EXPECT_EQ(atofOf("0e99999999999"), 0.0);
}

TEST(CrtAtof, StopsAtEndAndAtNul) {
    const std::string_view text = "1.5e3";
    EXPECT_EQ(parseAtof(text.data(), text.data() + 4), 1.5);
    EXPECT_EQ(parseAtof(text.data(), text.data() + 2), 1.0);
    const std::string_view hex = "0x1p4";
    EXPECT_EQ(parseAtof(hex.data(), hex.data() + 2), 0.0);
    EXPECT_EQ(parseAtof(hex.data(), hex.data() + 3), 1.0);
    const std::string_view word = "infinity";
    EXPECT_EQ(parseAtof(word.data(), word.data() + 2), 0.0);
    EXPECT_EQ(atofOf(std::string_view("2.5\0" "e3", 6)), 2.5);
    EXPECT_EQ(atofOf(std::string_view("-\0" "1", 3)), 0.0);
}

TEST(CrtAtof, IgnoresProcessLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* applied = nullptr;
    for (const char* name : {"fr_FR.UTF-8", "de_DE.UTF-8", "es_ES.UTF-8", "fr_FR", "de_DE"}) {
        if ((applied = std::setlocale(LC_NUMERIC, name)) != nullptr) break;
    }
    if (applied == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const double point = atofOf("1.5");
    const double comma = atofOf("1,5");
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(point, 1.5);
    EXPECT_EQ(comma, 1.0);
}

}  // namespace
}  // namespace volumix
