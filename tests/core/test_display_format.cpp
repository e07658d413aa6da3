#include "core/display_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>

namespace qv {
namespace {

TEST(FormatSpeed, KmhOrMph) {
    EXPECT_EQ(FormatSpeed(100.0, true), "100.00");
    EXPECT_EQ(FormatSpeed(100.0, false), "62.14");
    EXPECT_EQ(FormatSpeed(160.9344, false), "100.00");
    EXPECT_EQ(FormatSpeed(0.0, false), "0.00");
    EXPECT_EQ(FormatSpeed(123.456, true), "123.46");
    EXPECT_EQ(FormatSpeed(1.609344 * 55.556, false), "55.56");
}

TEST(FormatDistance, KmOrFeet) {
    EXPECT_EQ(FormatDistance(1.2346, true), "1.235");
    EXPECT_EQ(FormatDistance(0.0, true), "0.000");
    EXPECT_EQ(FormatDistance(12.0, true), "12.000");
    EXPECT_EQ(FormatDistance(1.0, false), "3281");
    EXPECT_EQ(FormatDistance(0.0003048, false), "1");
    EXPECT_EQ(FormatDistance(0.3048, false), "1000");
    EXPECT_EQ(FormatDistance(4.5, false), "14764");
}

TEST(StrFormat, FormatsArguments) {
    EXPECT_EQ(StrFormat("temp%.4d.dtb", 7), "temp0007.dtb");
    EXPECT_EQ(StrFormat("%d-%s-%.1f", -3, "x", 2.25), "-3-x-2.2");
    EXPECT_EQ(StrFormat("%s", ""), "");
    EXPECT_EQ(StrFormat("100%%"), "100%");
}

// Every kind of argument still lands in its conversion now that each is
// printed on its own.
TEST(StrFormat, EveryConversionTakesItsArgument) {
    const struct {
        std::string got;
        const char* want;
    } cases[] = {
        {StrFormat("%lld:%02lld", 61LL, 5LL), "61:05"},
        {StrFormat("%zu/%u/%lu", size_t{7}, 8u, 9ul), "7/8/9"},
        {StrFormat("%02X%x%c", 0xAB, 0xCDu, 'z'), "ABcdz"},
        {StrFormat("%-4s|%5.1f|%+d", "ab", 2.25, 4), "ab  |  2.2|+4"},
        {StrFormat("%*d|%-*.*f|", 4, 7, 7, 2, 1.5), "   7|1.50   |"},
        {StrFormat("%.3Lf", 1.0625L), "1.062"},
        {StrFormat("%g %e", 0.5, 1500.0), "0.5 1.500000e+03"},
        {StrFormat("%.1f%%", 99.95), "100.0%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want);
}

// A value that rounds to zero where it is shown has no minus sign; one that
// rounds away from zero keeps it, and text arguments are left alone.
TEST(StrFormat, NeverShowsANegativeZero) {
    const struct {
        std::string got;
        const char* want;
    } cases[] = {
        {StrFormat("%.2f", -0.001), "0.00"},
        {StrFormat("%.2f", -0.0), "0.00"},
        {StrFormat("%.2f", 0.004), "0.00"},
        {StrFormat("%.2f", -0.0049), "0.00"},
        // -0.005 is stored a hair below it and rounds away from zero.
        {StrFormat("%.2f", -0.005), "-0.01"},
        {StrFormat("%.2f", -0.006), "-0.01"},
        {StrFormat("%.1f", -0.04), "0.0"},
        {StrFormat("%.0f", -0.4), "0"},
        {StrFormat("%.3f", -1e-9), "0.000"},
        {StrFormat("%6.2f", -0.001), "  0.00"},
        {StrFormat("%-6.1f|", -0.01), "0.0   |"},
        {StrFormat("%+.3f s", -0.0002), "+0.000 s"},
        {StrFormat("%*.*f", 5, 1, -0.01), "  0.0"},
        {StrFormat("%.2Lf", -0.001L), "0.00"},
        {StrFormat("%.2e", -0.0), "0.00e+00"},
        {StrFormat("%.2e", -1e-300), "-1.00e-300"},
        {StrFormat("%g", -0.0), "0"},
        {StrFormat("%g", -1e-7), "-1e-07"},
        {StrFormat("%.1f", -2.25), "-2.2"},
        {StrFormat("%.2f", -HUGE_VAL), "-inf"},
        {StrFormat("%d %.1f %s", -3, -0.01, "-0.0"), "-3 0.0 -0.0"},
        {StrFormat("%.1f / %.1f", -0.04, -0.06), "0.0 / -0.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want);
}

TEST(StrFormat, AnyLengthFits) {
    for (const size_t length : {0u, 1u, 254u, 255u, 256u, 257u, 1000u, 100000u}) {
        const std::string text(length, 'q');
        const std::string out = StrFormat("<%s>", text.c_str());
        ASSERT_EQ(out.size(), length + 2);
        EXPECT_EQ(out, "<" + text + ">");
    }
    const std::string longer = StrFormat("%s|%300d|%s", "a", 5, "b");
    EXPECT_EQ(longer.size(), 304u);
    EXPECT_EQ(longer.substr(longer.size() - 3), "5|b");
}

}  // namespace
}  // namespace qv
