// Records of the current loggers' 4-KiB blocks written out byte by byte,
// each field's value worked out beside it, and opened as a .bnx4 log. The
// bytes follow the published layout, not our encoder, so a wrong offset or
// field size in the decoder cannot hide behind an encoder that shares it.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/log_bytes.h"

namespace qv {
namespace {

using test::Cat;

// The block header: 2 unread bytes, then the format word 0x0004103F (time,
// validity, latitude, longitude, height, speed, satellite counts,
// millisecond), little-endian.
const std::vector<uint8_t> kHeader = {0x00, 0x00, 0x3F, 0x10, 0x04, 0x00};

// sqrt(2) + 35.6875 * pi + 139.75 / pi = 158.01360798154358..., as an
// 80-bit float: mantissa 0x9E037BD00BB1BC5B, exponent 0x4006 (2^7).
const std::vector<uint8_t> kCheckValue = {0x5B, 0xBC, 0xB1, 0x0B, 0xD0,
                                          0x7B, 0x03, 0x9E, 0x06, 0x40};

// Format 0x0004103F: 4+2+8+8+4+4+2+2 = 34 bytes of fields and 2 more.
const std::vector<uint8_t> kRecordA = {
    0x80, 0x53, 0x2F, 0x66,                          // UTC 1714377600 s: 2024-04-29 08:00:00
    0x03, 0x00,                                      // validity 3: a fix
    0x00, 0x00, 0x00, 0x00, 0x00, 0xD8, 0x41, 0x40,  // lat 0x4041D80000000000 = 35.6875 (N)
    0x00, 0x00, 0x00, 0x00, 0x00, 0x78, 0x61, 0x40,  // lon 0x4061780000000000 = 139.75 (E)
    0x00, 0x00, 0x21, 0x42,                          // height float 0x42210000 = 40.25 m
    0x00, 0x00, 0xC9, 0x42,                          // speed float 0x42C90000 = 100.5 km/h
    0x0E, 0x0B,                                      // 14 satellites in view, 11 used
    0x64, 0x00,                                      // 100 ms
    0x5A, 0xA5,                                      // the 2 closing bytes, not examined
};

// Separator: 0xAA x 7, type 2 (format change), the new word 0x8026107F,
// 0xBB x 4. The new word adds bits 17 (RCR, 2 bytes before the millisecond)
// and 21 (52 sensor bytes after it); bits 6 and 31 carry no bytes here.
const std::vector<uint8_t> kToSensorFormat = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x02,
                                              0x7F, 0x10, 0x26, 0x80, 0xBB, 0xBB, 0xBB, 0xBB};

// Format 0x8026107F: 34 + 2 + 52 = 88 bytes of fields and 2 more.
std::vector<uint8_t> SensorRecord(uint8_t utcLowByte, uint8_t validity) {
    return Cat({
        {utcLowByte, 0x53, 0x2F, 0x66},                    // UTC 0x662F53xx
        {validity, 0x00},                                  // validity word
        {0x00, 0x00, 0x00, 0x00, 0x00, 0xE8, 0x36, 0xC0},  // lat 0xC036E80000000000 = -22.90625 (S)
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x98, 0x45, 0xC0},  // lon 0xC045980000000000 = -43.1875 (W)
        {0x00, 0x00, 0xC0, 0xBF},                          // height float 0xBFC00000 = -1.5 m
        {0x00, 0x00, 0x5D, 0x42},                          // speed float 0x425D0000 = 55.25 km/h
        {0x09, 0x08},                                      // 9 in view, 8 used
        {0x01, 0x00},                                      // RCR, not used
        {0xE6, 0x03},                                      // 998 ms, the largest accepted
        std::vector<uint8_t>(52, 0x33),                    // sensor block, not used
        {0x00, 0x00},                                      // the 2 closing bytes
    });
}
// UTC 1714377601 s, one second after A, validity 3.
const std::vector<uint8_t> kRecordB = SensorRecord(0x81, 0x03);
// Validity 2: no fix. It is the last record, so the valid fixes it would
// make the decoder drop do not matter here.
const std::vector<uint8_t> kRecordNoFix = SensorRecord(0x82, 0x02);

TEST(Bnx4KnownAnswerTest, HandWrittenRecordsDecodeFieldByField) {
    const test::OpenedLog opened(
        "QV4_20240429.bnx4",
        test::FlashImage(4096, kHeader, kCheckValue,
                         {&kRecordA, &kToSensorFormat, &kRecordB, &kRecordNoFix}),
        test::kTokyoBase);
    const LoadLogResult& r = opened.result;
    ASSERT_TRUE(r.proceed) << r.message << r.ioError;
    EXPECT_EQ(r.checkValue, CheckValueOutcome::Passed);
    EXPECT_TRUE(r.message.empty());

    // Fixes 1.9 s apart are not averaged with each other, so the speeds
    // come through the smoothing unchanged.
    const LogStore& log = opened.session->log;
    ASSERT_EQ(log.LogItemNum, 2);

    test::ExpectKnownFix(log.LogItems[0],  // 17:00:00.100 local
                         {100, 3, 35.6875, 139.75, 40.25f, 100.5f, 14, 11, 100});
    test::ExpectKnownFix(log.LogItems[1], {1998, 3, -22.90625, -43.1875, -1.5f, 55.25f, 9, 8, 998});

    ASSERT_EQ(log.LogBlockNum(), 1);
    EXPECT_EQ(log.LogBlocks[0].Title, "20240429_1700");
    EXPECT_EQ(log.LogBlocks[0].RecNum, 2);
}

}  // namespace
}  // namespace qv
