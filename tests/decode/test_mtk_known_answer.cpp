// MTK flash records written out byte by byte, each field's value worked out
// beside it, and opened as a .binx log. The bytes come from the published
// record layout, not from our encoder, so a wrong offset or field size in
// the decoder cannot hide behind an encoder that shares it.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/log_bytes.h"

namespace qv {
namespace {

// The sector header: record count, then the format word 0x8004107D (time,
// latitude, longitude, height, speed, heading, satellite counts,
// millisecond), little-endian.
const std::vector<uint8_t> kHeader = {0x03, 0x00, 0x7D, 0x10, 0x04, 0x80};

// sqrt(3) + -33.875 * pi + 151.2 / pi = -56.5609455417962227..., as an
// 80-bit float: mantissa 0xE23E688213683870, sign and exponent 0xC004
// (negative, 2^5). A .binx log compares all but the two lowest bytes.
const std::vector<uint8_t> kCheckValue = {0x70, 0x38, 0x68, 0x13, 0x82,
                                          0x68, 0x3E, 0xE2, 0x04, 0xC0};

// Format 0x8004107D: 4+8+8+4+4+4+2+2 = 36 bytes of fields, '*', checksum.
const std::vector<uint8_t> kRecordA = {
    0x80, 0x53, 0x2F, 0x66,                          // UTC 1714377600 s: 2024-04-29 08:00:00
    0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x40, 0xC0,  // lat 0xC040F00000000000 = -33.875 (S)
    0x66, 0x66, 0x66, 0x66, 0x66, 0xE6, 0x62, 0x40,  // lon 0x4062E66666666666 = 151.2 (E)
    0x00, 0x00, 0x48, 0x41,                          // height float 0x41480000 = 12.5 m
    0x00, 0x00, 0x10, 0x42,                          // speed float 0x42100000 = 36 km/h
    0x00, 0x00, 0xB4, 0x42,                          // heading float 90, not used
    0x0C, 0x09,                                      // 12 satellites in view, 9 used
    0xFA, 0x00,                                      // 250 ms
    0x2A, 0x1A,                                      // '*', XOR of the 36 bytes before it
};

// Separator: 0xAA x 7, type 2 (format change), new word 0x8004103D (the
// same fields without heading), 0xBB x 4.
const std::vector<uint8_t> kToBasicFormat = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x02,
                                             0x3D, 0x10, 0x04, 0x80, 0xBB, 0xBB, 0xBB, 0xBB};

// Format 0x8004103D: 4+8+8+4+4+2+2 = 32 bytes of fields, '*', checksum.
const std::vector<uint8_t> kRecordB = {
    0x81, 0x53, 0x2F, 0x66,                          // UTC 1714377601 s, 1 s after A
    0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x49, 0x40,  // lat 0x4049C00000000000 = 51.5 (N)
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xBF,  // lon 0xBFC0000000000000 = -0.125 (W)
    0x00, 0x00, 0x20, 0xC0,                          // height float 0xC0200000 = -2.5 m
    0x00, 0x00, 0x00, 0x00,                          // speed 0 km/h: standing still
    0x07, 0x05,                                      // 7 in view, 5 used
    0xE7, 0x03,                                      // 999 ms, the largest accepted
    0x2A, 0x2B,                                      // '*', XOR of the 32 bytes before it
};

// As B two seconds later, but its checksum byte is wrong (the XOR is 0xCC):
// dropped, and the scan goes on right after it.
const std::vector<uint8_t> kRecordBadChecksum = {
    0x82, 0x53, 0x2F, 0x66, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x49, 0x40,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xBF, 0x00, 0x00, 0x20, 0xC0,
    0x00, 0x00, 0x00, 0x00, 0x07, 0x05, 0x00, 0x00, 0x2A, 0x00,
};

// Separator to 0x8005F07D: the heading format plus the satellite list with
// elevation, azimuth and SNR (bits 13 to 16).
const std::vector<uint8_t> kToSatDetailFormat = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x02,
                                                 0x7D, 0xF0, 0x05, 0x80, 0xBB, 0xBB, 0xBB, 0xBB};

// Format 0x8005F07D with 2 satellites in view: 36 bytes of fields, of which
// the millisecond comes after the 2 x 10-byte satellite list, '*', checksum.
const std::vector<uint8_t> kRecordD = {
    0x83, 0x53, 0x2F, 0x66,                          // UTC 1714377603 s
    0x00, 0x00, 0x00, 0x00, 0x00, 0xD8, 0x41, 0x40,  // lat 0x4041D80000000000 = 35.6875
    0x00, 0x00, 0x00, 0x00, 0x00, 0x78, 0x61, 0x40,  // lon 0x4061780000000000 = 139.75
    0x00, 0x00, 0x21, 0x42,                          // height float 0x42210000 = 40.25 m
    0x00, 0x00, 0xC9, 0x42,                          // speed float 0x42C90000 = 100.5 km/h
    0x00, 0x00, 0x74, 0x42,                          // heading float 61, not used
    0x02, 0x02,                                      // 2 in view, 2 used
    0x05, 0x01, 0x00, 0x00, 0x2D, 0x00, 0x5A, 0x00, 0x28, 0x00,  // id 5, 45/90 deg, SNR 40
    0x0C, 0x01, 0x00, 0x00, 0x1E, 0x00, 0x0E, 0x01, 0x23, 0x00,  // id 12, 30/270 deg, SNR 35
    0xF4, 0x01,                                                  // 500 ms
    0x2A, 0x56,  // '*', XOR of the 56 bytes before it
};

TEST(MtkKnownAnswerTest, HandWrittenRecordsDecodeFieldByField) {
    // One 64-KiB sector.
    const test::OpenedLog opened(
        "old.binx",
        test::FlashImage(65536, kHeader, kCheckValue,
                         {&kRecordA, &kToBasicFormat, &kRecordB, &kRecordBadChecksum,
                          &kToSatDetailFormat, &kRecordD}),
        test::kTokyoBase);
    const LoadLogResult& r = opened.result;
    ASSERT_TRUE(r.proceed) << r.message << r.ioError;
    EXPECT_EQ(r.checkValue, CheckValueOutcome::Passed);
    EXPECT_TRUE(r.message.empty());

    const LogStore& log = opened.session->log;
    ASSERT_EQ(log.LogItemNum, 3);  // A, B and D; the bad checksum is dropped
    EXPECT_TRUE(log.SatDetailFormatSeen);
    EXPECT_FALSE(log.UnexpectedFormatSeen);

    // No validity field in these formats; the heading A and D log is not used.
    test::ExpectKnownFix(log.LogItems[0],  // 17:00:00.250 local
                         {250, 0, -33.875, 151.2, 12.5f, 36.0f, 12, 9, 250});
    test::ExpectKnownFix(log.LogItems[1], {1999, 0, 51.5, -0.125, -2.5f, 0.0f, 7, 5, 999});
    test::ExpectKnownFix(log.LogItems[2], {3500, 0, 35.6875, 139.75, 40.25f, 100.5f, 2, 2, 500});

    // Three seconds in all: one logging run, titled by its local start.
    ASSERT_EQ(log.LogBlockNum(), 1);
    EXPECT_EQ(log.LogBlocks[0].Title, "20240429_1700");
    EXPECT_EQ(log.LogBlocks[0].RecNum, 3);
    EXPECT_EQ(log.LogItems[2].BlkIdx, 0);
}

}  // namespace
}  // namespace qv
