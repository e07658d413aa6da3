// Run-file records written out byte by byte, each field's value worked out
// beside it, opened as logs in all four variants and loaded straight into
// the lap list. The bytes follow the published layout, not our encoder, so
// a wrong offset, scale or check constant in the decoder cannot hide behind
// an encoder that shares it.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "laps/lap_file_io.h"
#include "laps/run_file_laps.h"
#include "support/log_bytes.h"

namespace qv {
namespace {

using test::Bytes;
using test::Cat;
using test::Local0800Utc;

// The 8-byte headers: a double within 0.001 of the check value of the
// first record below (latitude -33.875, longitude 151.2, 1000 cm/s).
// .bon, .bonz: a = -33.875 * -2.7461 = 93.0241375, b = 151.2 + 171.5093 =
// 322.7093, a * 3.91284 * b + 1000 = 118462.4953985.
const Bytes kHeaderTenths = {0x10, 0xFA, 0x26, 0xED, 0xE7, 0xEB, 0xFC, 0x40};
// .bon4, .bnz4: a = -33.875 * -4.3817 = 148.4300875, b = 151.2 + 142.3859 =
// 293.5859, a * 6.20417 * b + 1000 = 271358.9971298.
const Bytes kHeaderHundredths = {0xC0, 0x97, 0x0F, 0xFD, 0xFB, 0x8F, 0x10, 0x41};

// The 26-byte GPS part, little-endian.
const Bytes kGps1 = {
    0x00, 0x00,                    // not read
    0xE8, 0x03,                    // 1000 cm/s = 36 km/h
    0xD0, 0x15, 0xCF, 0xEB,        // lat -338750000 = -33.875 deg (S)
    0x00, 0x4A, 0x1F, 0x5A,        // lon 1512000000 = 151.2 deg (E)
    0x7D, 0x00, 0x00, 0x00,        // elevation 125 = 12.5 m
    0x00, 0x00,                    // not read
    0xE8, 0x07,                    // year 2024
    0x04, 0x1D, 0x08, 0x00, 0x00,  // 04-29 08:00:00 UTC
    0x05,                          // 5 tenths = 500 ms, or 5 hundredths = 50 ms
};
const Bytes kGps2 = {
    0x00, 0x00,                    // not read
    0xC4, 0x09,                    // 2500 cm/s = 90 km/h
    0xE0, 0x3C, 0xCF, 0xEB,        // lat -338740000 = -33.874 deg: 0.001 deg north
    0x00, 0x4A, 0x1F, 0x5A,        // lon 151.2 deg
    0xE2, 0xFF, 0xFF, 0xFF,        // elevation -30 = -3.0 m
    0x00, 0x00,                    // not read
    0xE8, 0x07,                    // 2024
    0x04, 0x1D, 0x08, 0x00, 0x01,  // 04-29 08:00:01 UTC
    0x08,                          // 800 ms, or 80 ms
};
// 55556 cm/s = 2000.016 km/h: refused with a diagnostic line.
const Bytes kGpsTooFast = {0x00, 0x00, 0x04, 0xD9, 0xE0, 0x3C, 0xCF, 0xEB, 0x00,
                           0x4A, 0x1F, 0x5A, 0xE2, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
                           0xE8, 0x07, 0x04, 0x1D, 0x08, 0x00, 0x02, 0x00};
// Fraction byte 99: skipped by the variants counting hundredths.
const Bytes kGpsFraction99 = {0x00, 0x00, 0xE8, 0x03, 0xE0, 0x3C, 0xCF, 0xEB, 0x00,
                              0x4A, 0x1F, 0x5A, 0xE2, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
                              0xE8, 0x07, 0x04, 0x1D, 0x08, 0x00, 0x03, 0x63};

// The 96-byte motion part of the 122-byte records: twelve doubles.
const Bytes kMotion1 = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x3F,  // yawX 0x3FE0000000000000 = 0.5
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0xBF,  // yawY 0xBFD0000000000000 = -0.25
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x3F,  // yawZ 0x3FC0000000000000 = 0.125
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x24, 0x40,  // vX 0x4024000000000000 = 10
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF,  // vY 0xBFF8000000000000 = -1.5
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // vZ 0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB0, 0x3F,  // gX 0x3FB0000000000000 = 0.0625
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xBF,  // gY 0xBFF0000000000000 = -1
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,  // gZ 0x3FF0000000000000 = 1
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x40,  // Pitch 0x4004000000000000 = 2.5
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0,  // Roll 0xC004000000000000 = -2.5
    0x18, 0x2D, 0x44, 0x54, 0xFB, 0x21, 0xF9, 0x3F,  // yaw 0x3FF921FB54442D18 = pi/2 rad: Yaw 90
};
// All zero: a yaw of 0 rad is Yaw 180.
const Bytes kMotion0(96, 0x00);

struct Variant {
    const char* name;
    bool hundredths;  // .bon4, .bnz4
    bool motion;      // .bonz, .bnz4
    uint16_t valid;
};

Bytes RunFile(const Variant& v) {
    Bytes file = v.hundredths ? kHeaderHundredths : kHeaderTenths;
    auto add = [&](const Bytes& gps, const Bytes& motion) {
        file = Cat({file, gps, v.motion ? motion : Bytes{}});
    };
    add(kGps1, kMotion1);
    add(kGps2, kMotion0);
    add(kGpsTooFast, kMotion0);
    // With tenths, 99 would be 9.9 s, a time that does not exist.
    if (v.hundredths)
        add(kGpsFraction99, kMotion0);
    return file;
}

TEST(RunFileKnownAnswerTest, EveryVariantDecodesFieldByField) {
    for (const Variant& v :
         {Variant{"run.bon", false, false, 0}, Variant{"run.bon4", true, false, 3},
          Variant{"run.bonz", false, true, 0}, Variant{"run.bnz4", true, true, 0}}) {
        SCOPED_TRACE(v.name);
        const test::OpenedLog opened(v.name, RunFile(v), test::kTokyoBase);
        const LoadLogResult& r = opened.result;
        ASSERT_TRUE(r.proceed) << r.message << r.ioError;
        const LogStore& log = opened.session->log;
        ASSERT_EQ(log.LogItemNum, 2);
        const std::deque<std::string>& lines = opened.session->diagnostics.Lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], "2 records");
        EXPECT_EQ(lines[1], "spd abnormal 2000.02 km/h");

        // Fixes a second apart are not averaged with each other, so the
        // variants that smooth their speeds keep them too.
        const TLogItem& a = log.LogItems[0];
        EXPECT_NEAR(a.DtTm, Local0800Utc(v.hundredths ? 50 : 500), 1e-9);
        EXPECT_EQ(a.ms, v.hundredths ? 50 : 500);
        EXPECT_EQ(a.valid, v.valid);
        EXPECT_EQ(a.Ido, -33.875);
        EXPECT_DOUBLE_EQ(a.Kdo, 151.2);
        EXPECT_FLOAT_EQ(a.Elv, 12.5f);
        EXPECT_FLOAT_EQ(a.Spd, 36.0f);
        EXPECT_EQ(a.sat_used, 8);
        EXPECT_EQ(a.sat_view, 8);

        const TLogItem& b = log.LogItems[1];
        EXPECT_NEAR(b.DtTm, Local0800Utc(v.hundredths ? 1080 : 1800), 1e-9);
        EXPECT_EQ(b.ms, v.hundredths ? 80 : 800);
        EXPECT_DOUBLE_EQ(b.Ido, -33.874);
        EXPECT_DOUBLE_EQ(b.Kdo, 151.2);
        EXPECT_FLOAT_EQ(b.Elv, -3.0f);
        EXPECT_FLOAT_EQ(b.Spd, 90.0f);

        const TMotionSens& m = log.MotionItems[0];
        if (v.motion) {
            EXPECT_EQ(m.yawX, 0.5);
            EXPECT_EQ(m.yawY, -0.25);
            EXPECT_EQ(m.yawZ, 0.125);
            EXPECT_EQ(m.vX, 10.0);
            EXPECT_EQ(m.vY, -1.5);
            EXPECT_EQ(m.vZ, 0.0);
            EXPECT_EQ(m.gX, 0.0625);
            EXPECT_EQ(m.gY, -1.0);
            EXPECT_EQ(m.gZ, 1.0);
            EXPECT_EQ(m.Pitch, 2.5);
            EXPECT_EQ(m.Roll, -2.5);
            EXPECT_NEAR(m.Yaw, 90.0, 1e-9);
            EXPECT_EQ(log.MotionItems[1].Yaw, 180.0);
            // Too few fixes to calibrate against the track: Dir is the yaw.
            EXPECT_NEAR(a.Dir, 90.0f, 1e-4);
            EXPECT_EQ(b.Dir, 180.0f);
        } else {
            EXPECT_EQ(m.Yaw, 0.0);
            EXPECT_EQ(a.Dir, 0.0f);
            EXPECT_EQ(b.Dir, 0.0f);
        }

        ASSERT_EQ(log.LogBlockNum(), 1);
        EXPECT_EQ(log.LogBlocks[0].Title, "20240429_1700");
        EXPECT_EQ(log.LogBlocks[0].RecNum, 2);
    }
}

// The same files loaded straight into the lap list, one lap each.
TEST(RunFileKnownAnswerTest, BonAndBonzBecomeOneLapOfTheirRecords) {
    for (const Variant& v :
         {Variant{"run.bon", false, false, 0}, Variant{"run.bonz", false, true, 0}}) {
        SCOPED_TRACE(v.name);
        test::TempDir dir;
        test::WriteBytes(dir / v.name, RunFile(v));
        auto session = std::make_unique<Session>(test::kTokyoBase);
        session->folders.TempFolder = dir.path();
        const LapFileAddResult added = v.motion ? LoadLapFileToGrigBonZ(*session, dir / v.name)
                                                : LoadLapFileToGrigBon(*session, dir / v.name);
        ASSERT_TRUE(added.added) << added.error;
        const LapFileRead lap = ReadLapFile(TempLapFilePath(session->folders, added.lapNo));
        ASSERT_EQ(lap.samples.size(), 2u);  // the record above 2000 km/h does not pass

        const TLapElmRec& s0 = lap.samples[0];
        EXPECT_NEAR(s0.DtTm, Local0800Utc(500), 1e-9);
        EXPECT_EQ(s0.Tm, 0.0);
        EXPECT_EQ(static_cast<Float80>(s0.Sec), 0);
        EXPECT_EQ(static_cast<Float80>(s0.Ido), -33.875L);
        EXPECT_NEAR(static_cast<double>(s0.Kdo), 151.2, 1e-12);
        EXPECT_EQ(static_cast<Float80>(s0.Elv), 12.5L);
        EXPECT_EQ(static_cast<Float80>(s0.Spd), 36.0L);
        EXPECT_EQ(static_cast<Float80>(s0.Dist), 0);
        EXPECT_EQ(s0.UseSat, 8);

        const TLapElmRec& s1 = lap.samples[1];
        EXPECT_NEAR(s1.Tm * 86400, 1.3, 1e-6);  // 08:00:00.500 to 08:00:01.800
        EXPECT_NEAR(static_cast<double>(s1.Sec), 1.3, 1e-6);
        EXPECT_NEAR(static_cast<double>(s1.Ido), -33.874, 1e-12);
        EXPECT_EQ(static_cast<Float80>(s1.Elv), -3.0L);
        EXPECT_EQ(static_cast<Float80>(s1.Spd), 90.0L);
        // 0.001 deg due north on a sphere of 6367444.5 m:
        // 6367444.5 * 0.001 * pi / 180 = 111.1329 m.
        EXPECT_NEAR(static_cast<double>(s1.Dist), 0.1111329, 1e-7);
        if (v.motion) {
            EXPECT_NEAR(static_cast<double>(s0.Dir), 90.0, 1e-9);
            EXPECT_EQ(static_cast<Float80>(s1.Dir), 180.0L);
        } else {
            EXPECT_EQ(static_cast<Float80>(s0.Dir), 180.0L);
            EXPECT_EQ(static_cast<Float80>(s1.Dir), 180.0L);
        }

        const LapRow& row = session->laps.LapRows.at(0);
        EXPECT_EQ(row[0], "run");
        EXPECT_EQ(row[4], "0:01.300");
        EXPECT_EQ(row[5], "90.00");
        EXPECT_EQ(row[6], "0.111");
    }
}

}  // namespace
}  // namespace qv
