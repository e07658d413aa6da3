#include "core/ext80.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace qv {
namespace {

std::vector<Float80> SampleValues() {
    using L = std::numeric_limits<Float80>;
    return {0.0L,
            -0.0L,
            1.0L,
            -1.0L,
            0.1L,
            35.3712345678901234L,
            138.92738L,
            -999.9L,
            9999.9L,
            1e-300L,
            1e300L,
            L::min(),
            L::denorm_min(),
            L::max(),
            L::infinity(),
            -L::infinity(),
            3.141592653589793238462643383279502884L};
}

TEST(Ext80Test, PortableEncodingMatchesTheX87Layout) {
    if (!kNativeExt80)
        GTEST_SKIP() << "no native x87 type to compare with";
    for (Float80 v : SampleValues()) {
        uint8_t native[10];
        uint8_t portable[10];
        std::memcpy(native, &v, 10);
        EncodeExt80Portable(v, portable);
        EXPECT_EQ(0, std::memcmp(native, portable, 10)) << static_cast<double>(v);
        EXPECT_EQ(DecodeExt80Portable(native), v);
    }
}

TEST(Ext80Test, AFieldAnywhereIsReadAndWrittenInItsTenBytesOnly) {
    for (Float80 v : SampleValues()) {
        // Two guard bytes either side; the field itself at an odd address.
        uint8_t buffer[15];
        std::memset(buffer, 0xA5, sizeof buffer);
        uint8_t* field = buffer + 3;
        EncodeExt80(v, field);
        uint8_t portable[10];
        EncodeExt80Portable(v, portable);
        EXPECT_EQ(0, std::memcmp(field, portable, 10)) << static_cast<double>(v);
        for (size_t i : {0u, 1u, 2u, 13u, 14u})
            EXPECT_EQ(buffer[i], 0xA5) << i;
        const Float80 back = DecodeExt80(field);
        EXPECT_TRUE(back == v || (std::isnan(back) && std::isnan(v))) << static_cast<double>(v);
        EXPECT_EQ(std::signbit(back), std::signbit(v));
    }
}

TEST(Ext80Test, KnownEncodingOfOne) {
    // 1.0: explicit integer bit set, biased exponent 0x3FFF.
    uint8_t bytes[10];
    EncodeExt80(1.0L, bytes);
    const uint8_t want[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(0, std::memcmp(bytes, want, 10));
}

TEST(Ext80Test, NanSurvivesBothWays) {
    uint8_t bytes[10];
    EncodeExt80Portable(std::numeric_limits<Float80>::quiet_NaN(), bytes);
    EXPECT_TRUE(std::isnan(DecodeExt80Portable(bytes)));
    EXPECT_TRUE(std::isnan(DecodeExt80(bytes)));
}

TEST(Ext80Test, FieldKeepsFullPrecision) {
    // A value that a double would round: the field must keep all 64 mantissa bits.
    const Float80 precise = 1.0L + std::ldexp(1.0L, -62);
    ASSERT_NE(static_cast<Float80>(static_cast<double>(precise)), precise);
    Ext80 field = precise;
    EXPECT_EQ(static_cast<Float80>(field), precise);
    field += 1.0L;
    EXPECT_EQ(static_cast<Float80>(field), precise + 1.0L);
}

}  // namespace
}  // namespace qv
