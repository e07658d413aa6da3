#include "core/display_format.h"

#include <gtest/gtest.h>

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
