// 128-byte lap records written out byte by byte, each field's value worked
// out beside it: read as a lap file, written back, and opened as a log. The
// bytes follow the published record layout, not our record struct, so a
// wrong offset there cannot hide behind a test that shares it.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "laps/lap_file_io.h"
#include "support/log_bytes.h"

namespace qv {
namespace {

using test::Bytes;
using test::Cat;

// 80-bit floats below: 8 bytes of mantissa with its integer bit, then sign
// and 15-bit exponent (bias 16383), little-endian. "0xC8 p-4" reads
// 0xC8 x 2^-4; "nearest" is the value of that type nearest the decimal.
const Bytes kSample0 = Cat({
    {0x00, 0x00, 0x00, 0x00, 0x78, 0x2C, 0xE6, 0x40},  // DtTm double 45411.75: 2024-04-29 18:00
    Bytes(8, 0x00),                                    // Tm 0
    Bytes(10, 0x00),                                   // Sec 0
    Bytes(6, 0x00),                                    // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x87, 0x04, 0xC0},  // Ido -0x8780 p-10 = -33.875
    Bytes(6, 0x00),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x97, 0x06, 0x40},  // Kdo 0x9740 p-8 = 151.25
    Bytes(6, 0x00),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x02, 0x40},  // Elv 0xC8 p-4 = 12.5 m
    Bytes(6, 0x00),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x04, 0x40},  // Spd 0x90 p-2 = 36 km/h
    Bytes(6, 0x00),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB4, 0x05, 0x40},  // Dir 0xB4 p-1 = 90 deg
    Bytes(6, 0x00),                                                // reserved
    Bytes(10, 0x00),                                               // Dist 0
    Bytes(2, 0x00),                                                // reserved
    {0x09, 0x00, 0x00, 0x00},                                      // UseSat 9
});

// 1.5 s later. Its reserved bytes hold 0xEE, which readers ignore.
const Bytes kSample1 = Cat({
    {0xAD, 0x68, 0x24, 0x00, 0x78, 0x2C, 0xE6, 0x40},  // DtTm 45411.75 + 1.5 / 86400, nearest
    {0xDF, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0xF2, 0x3E},  // Tm 1.5 / 86400, nearest double
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xFF, 0x3F},  // Sec 0xC0 p-7 = 1.5
    Bytes(6, 0xEE),                                                // reserved
    {0xBD, 0xE3, 0x14, 0x1D, 0xC9, 0xE5, 0x7F, 0x87, 0x04, 0xC0},  // Ido -33.8749, nearest
    Bytes(6, 0xEE),                                                // reserved
    {0x11, 0xC7, 0xBA, 0xB8, 0x8D, 0x06, 0x40, 0x97, 0x06, 0x40},  // Kdo 151.2501, nearest
    Bytes(6, 0xEE),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA0, 0x00, 0xC0},  // Elv -0xA0 p-6 = -2.5 m
    Bytes(6, 0xEE),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x90, 0x05, 0x40},  // Spd 0x9080 p-9 = 72.25
    Bytes(6, 0xEE),                                                // reserved
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x87, 0x07, 0x40},  // Dir 0x87 p1 = 270 deg
    Bytes(6, 0xEE),                                                // reserved
    {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F},  // Dist 0.1 km, nearest
    Bytes(2, 0xEE),                                                // reserved
    {0x0C, 0x01, 0x00, 0x00},                                      // UseSat 0x10C = 268
});

TEST(LapRecordKnownAnswerTest, HandWrittenRecordsReadFieldByField) {
    test::TempDir dir;
    test::WriteBytes(dir / "lap.dtb", Cat({kSample0, kSample1}));
    const LapFileRead read = ReadLapFile(dir / "lap.dtb");
    ASSERT_TRUE(read.isLapFile);
    ASSERT_EQ(read.samples.size(), 2u);

    const TLapElmRec& a = read.samples[0];
    EXPECT_EQ(a.DtTm, 45411.75);
    EXPECT_EQ(a.Tm, 0.0);
    EXPECT_EQ(static_cast<Float80>(a.Sec), 0.0L);
    EXPECT_EQ(static_cast<Float80>(a.Ido), -33.875L);
    EXPECT_EQ(static_cast<Float80>(a.Kdo), 151.25L);
    EXPECT_EQ(static_cast<Float80>(a.Elv), 12.5L);
    EXPECT_EQ(static_cast<Float80>(a.Spd), 36.0L);
    EXPECT_EQ(static_cast<Float80>(a.Dir), 90.0L);
    EXPECT_EQ(static_cast<Float80>(a.Dist), 0.0L);
    EXPECT_EQ(a.UseSat, 9);

    // The values that no binary fraction holds are the nearest ones, bit
    // for bit.
    const TLapElmRec& b = read.samples[1];
    EXPECT_EQ(b.DtTm, 45411.75 + 1.5 / 86400);
    EXPECT_EQ(b.Tm, 1.5 / 86400);
    EXPECT_EQ(static_cast<Float80>(b.Sec), 1.5L);
    EXPECT_EQ(static_cast<Float80>(b.Ido), -33.8749L);
    EXPECT_EQ(static_cast<Float80>(b.Kdo), 151.2501L);
    EXPECT_EQ(static_cast<Float80>(b.Elv), -2.5L);
    EXPECT_EQ(static_cast<Float80>(b.Spd), 72.25L);
    EXPECT_EQ(static_cast<Float80>(b.Dir), 270.0L);
    EXPECT_EQ(static_cast<Float80>(b.Dist), 0.1L);
    EXPECT_EQ(b.UseSat, 268);
}

TEST(LapRecordKnownAnswerTest, WrittenRecordIsTheHandWrittenBytes) {
    TLapElmRec sample;
    sample.DtTm = 45411.75;
    sample.Tm = 0;
    sample.Sec = 0;
    sample.Ido = -33.875L;
    sample.Kdo = 151.25L;
    sample.Elv = 12.5L;
    sample.Spd = 36.0L;
    sample.Dir = 90.0L;
    sample.Dist = 0;
    sample.UseSat = 9;
    test::TempDir dir;
    ASSERT_TRUE(WriteLapFile(dir / "lap.dtb", std::span(&sample, 1), false).ok);
    EXPECT_EQ(test::ReadBytes(dir / "lap.dtb"), kSample0);
}

TEST(LapRecordKnownAnswerTest, OpenedAsALogEachRecordIsOneFix) {
    const test::OpenedLog opened("lap.dtb", Cat({kSample0, kSample1}), 25569.0);
    const LoadLogResult& r = opened.result;
    ASSERT_TRUE(r.proceed) << r.ioError;
    const LogStore& log = opened.session->log;
    ASSERT_EQ(log.LogItemNum, 2);

    const TLogItem& a = log.LogItems[0];
    EXPECT_EQ(a.DtTm, 45411.75);
    EXPECT_EQ(a.valid, 0);
    EXPECT_EQ(a.Ido, -33.875);
    EXPECT_EQ(a.Kdo, 151.25);
    EXPECT_EQ(a.Elv, 12.5f);
    EXPECT_EQ(a.Spd, 36.0f);
    EXPECT_EQ(a.Dir, 90.0f);
    EXPECT_EQ(a.sat_used, 9);
    EXPECT_EQ(a.sat_view, 9);
    EXPECT_EQ(a.ms, 0);

    const TLogItem& b = log.LogItems[1];
    EXPECT_EQ(b.DtTm, 45411.75 + 1.5 / 86400);
    EXPECT_DOUBLE_EQ(b.Ido, -33.8749);
    EXPECT_DOUBLE_EQ(b.Kdo, 151.2501);
    EXPECT_EQ(b.Elv, -2.5f);
    EXPECT_EQ(b.Spd, 72.25f);
    EXPECT_EQ(b.Dir, 270.0f);
    EXPECT_EQ(b.sat_used, 12);  // the low byte of 268
    EXPECT_EQ(b.sat_view, 12);

    ASSERT_EQ(log.LogBlockNum(), 1);
    EXPECT_EQ(log.LogBlocks[0].Title, "20240429_1800");
    EXPECT_EQ(log.LogBlocks[0].RecNum, 2);
}

}  // namespace
}  // namespace qv
