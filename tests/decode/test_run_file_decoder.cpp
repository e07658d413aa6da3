#include "decode/run_file_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/decoder_test.h"
#include "synth/drive.h"
#include "synth/run_file_encoder.h"

namespace qv {
namespace {

using synth::RunFault;
using synth::RunFileEncodeOptions;
using synth::SynthFix;
using test::kTokyoBase;

constexpr int64_t kStartMs = 1714377600000;  // 2024-04-29 08:00:00 UTC

constexpr RunFileVariant kAllVariants[] = {RunFileVariant::Bon, RunFileVariant::Bon4,
                                           RunFileVariant::Bonz, RunFileVariant::Bnz4};

// Fixes `stepMs` apart moving north at a steady speed that run files hold exactly.
SynthFix MakeFix(int i, int stepMs = 1000, int64_t startMs = kStartMs) {
    SynthFix f;
    f.utcMs = startMs + int64_t{i} * stepMs + 500;
    f.lat = 35.25 + i * 0.0001;
    f.lon = 138.75;
    f.elv = 123.4f;
    f.spd = 99.0f;  // 2750 cm/s
    f.compassDeg = 0;
    return f;
}

std::vector<SynthFix> MakeFixes(int n, int stepMs = 1000) {
    std::vector<SynthFix> fixes;
    for (int i = 0; i < n; ++i)
        fixes.push_back(MakeFix(i, stepMs));
    return fixes;
}

// Angular distance in degrees, 0..180.
double AngleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

class RunFileDecoderTest : public test::DecoderTest {
  protected:
    RunFileResult Decode(const std::vector<uint8_t>& file, RunFileVariant variant) {
        file_ = file;
        log().Reset();
        session_->diagnostics.Clear();
        return DecodeRunFile(Target(), file_, variant);
    }
    RunFileResult Decode(const std::vector<RunRecord>& records, RunFileVariant variant) {
        return Decode(synth::AssembleRunFile(records, variant), variant);
    }
    const TMotionSens& Motion(int i) { return session_->log.MotionItems[i]; }
    const std::deque<std::string>& Lines() { return session_->diagnostics.Lines(); }

    std::vector<uint8_t> file_;
};

std::vector<RunRecord> Records(const std::vector<SynthFix>& fixes, RunFileVariant variant,
                               const RunFileEncodeOptions& options = {}) {
    return synth::RunRecordsOfDrive(fixes, variant, options);
}

TEST(RunFileLayoutTest, SizeMustBeHeaderPlusWholeRecords) {
    EXPECT_TRUE(IsRunFileSize(8 + 26 * 100, RunFileVariant::Bon));
    EXPECT_EQ(RunFileRecordCount(8 + 26 * 100, RunFileVariant::Bon), 100u);
    EXPECT_FALSE(IsRunFileSize(8 + 26 * 100 + 1, RunFileVariant::Bon));
    EXPECT_EQ(RunFileRecordCount(8 + 26 * 100 + 1, RunFileVariant::Bon4), 0u);
    EXPECT_TRUE(IsRunFileSize(8 + 122 * 3, RunFileVariant::Bnz4));
    EXPECT_FALSE(IsRunFileSize(8 + 26 * 3, RunFileVariant::Bonz));
    EXPECT_TRUE(IsRunFileSize(8, RunFileVariant::Bonz));
    EXPECT_FALSE(IsRunFileSize(7, RunFileVariant::Bon));
    EXPECT_FALSE(IsRunFileSize(0, RunFileVariant::Bon));
}

TEST(RunFileLayoutTest, CheckValueOfKnownRecords) {
    // 35 N 139 E at 1000 cm/s and 33.8 S 151.2 E at 1234 cm/s, worked out by hand.
    EXPECT_NEAR(ComputeRunFileCheckValue(RunFileVariant::Bon, 350000000, 1390000000, 1000),
                -115775.327563, 1e-5);
    EXPECT_NEAR(ComputeRunFileCheckValue(RunFileVariant::Bonz, 350000000, 1390000000, 1000),
                -115775.327563, 1e-5);
    EXPECT_NEAR(ComputeRunFileCheckValue(RunFileVariant::Bon4, -338000000, 1512000000, 1234),
                270994.416324, 1e-5);
    EXPECT_NEAR(ComputeRunFileCheckValue(RunFileVariant::Bnz4, -338000000, 1512000000, 1234),
                270994.416324, 1e-5);
}

TEST(RunFileLayoutTest, YawAngleToDegrees) {
    EXPECT_DOUBLE_EQ(YawRadToDegrees(0), 180);
    EXPECT_DOUBLE_EQ(YawRadToDegrees(std::numbers::pi / 2), 90);
    EXPECT_DOUBLE_EQ(YawRadToDegrees(-std::numbers::pi / 2), 270);
    EXPECT_NEAR(YawRadToDegrees(std::numbers::pi), 360, 1e-9);
    EXPECT_EQ(YawRadToDegrees(std::nan("")), 180);
    EXPECT_EQ(YawRadToDegrees(-INFINITY), 180);
    // Far beyond a turn, and still within the circle.
    for (double r : {7 * std::numbers::pi + 0.3, -9 * std::numbers::pi - 0.2, 1e12, -1e12, 1.7e308,
                     -1.7e308}) {
        const double y = YawRadToDegrees(r);
        EXPECT_GE(y, 0) << r;
        EXPECT_LE(y, 360) << r;
    }
    // The encoder's inverse round-trips across the circle.
    for (double deg = 0.5; deg < 360; deg += 7.25)
        EXPECT_NEAR(YawRadToDegrees(synth::YawDegreesToRad(deg)), deg, 1e-9) << deg;
}

TEST_F(RunFileDecoderTest, DecodesEveryFieldOfEachVariant) {
    const uint16_t expectedValid[] = {0, 3, 0, 0};
    for (int v = 0; v < 4; ++v) {
        const RunFileVariant variant = kAllVariants[v];
        SCOPED_TRACE(v);
        const bool motion = RunFileVariantInfoOf(variant).motion;
        std::vector<RunRecord> records = Records(MakeFixes(3), variant);
        for (int i = 0; i < 3; ++i) {
            records[i].fraction = 5;
            for (int k = 0; k < kRunMotionValues; ++k)
                records[i].motion[k] = (i + 1) * 0.01 * (k + 1);
        }
        const RunFileResult result = Decode(records, variant);
        EXPECT_TRUE(result.sizeOk);
        EXPECT_TRUE(result.checkPassed);
        EXPECT_TRUE(result.Ok());
        EXPECT_EQ(result.fileRecords, 3u);
        EXPECT_EQ(result.storedFixes, 3);
        ASSERT_EQ(log().LogItemNum, 3);
        const int ms = 5 * RunFileVariantInfoOf(variant).msPerFractionStep;
        for (int i = 0; i < 3; ++i) {
            const SynthFix want = MakeFix(i);
            const TLogItem& got = Fix(i);
            EXPECT_EQ(got.Ido, records[i].lat / 1e7);
            EXPECT_NEAR(got.Ido, want.lat, 1e-7);
            EXPECT_EQ(got.Kdo, 138.75);
            EXPECT_FLOAT_EQ(got.Elv, 123.4f);
            EXPECT_FLOAT_EQ(got.Spd, 99.0f);  // a second apart: nothing to smooth with
            EXPECT_EQ(got.valid, expectedValid[v]);
            EXPECT_EQ(got.sat_used, 8);
            EXPECT_EQ(got.sat_view, 8);
            EXPECT_EQ(got.ms, ms);
            EXPECT_FALSE(got.Act);
            EXPECT_EQ(got.BlkIdx, 0);
            // 08:00:0i UTC is 17:00:0i in UTC+9; the record's own milliseconds count.
            const double utc = static_cast<double>((want.utcMs - 500) / 1000);
            EXPECT_NEAR(got.DtTm, utc / 86400 + kTokyoBase + ms / 86400000.0, 1e-9);
            const TMotionSens& m = Motion(i);
            if (motion) {
                const double s = (i + 1) * 0.01;
                EXPECT_DOUBLE_EQ(m.yawX, s * 1);
                EXPECT_DOUBLE_EQ(m.vY, s * 5);
                EXPECT_DOUBLE_EQ(m.gX, s * 7);
                EXPECT_DOUBLE_EQ(m.gZ, s * 9);
                EXPECT_DOUBLE_EQ(m.Roll, s * 11);
                EXPECT_DOUBLE_EQ(m.Yaw, YawRadToDegrees(s * 12));
                EXPECT_GE(got.Dir, 0.0f);
                EXPECT_LE(got.Dir, 360.0f);
            } else {
                EXPECT_EQ(m.gX, 0);
                EXPECT_EQ(m.Yaw, 0);
                EXPECT_EQ(got.Dir, 0.0f);
            }
        }
        ASSERT_EQ(log().LogBlockNum(), 1);
        EXPECT_EQ(log().LogBlocks[0].Title, "20240429_1700");
        EXPECT_EQ(log().LogBlocks[0].RecNum, 3);
    }
}

TEST_F(RunFileDecoderTest, WrongSizeOrCheckValueDecodesNothingSilently) {
    for (RunFileVariant variant : kAllVariants) {
        SCOPED_TRACE(static_cast<int>(variant));
        std::vector<uint8_t> file = synth::EncodeRunFile(MakeFixes(5), variant);
        file.push_back(0);
        RunFileResult result = Decode(file, variant);
        EXPECT_FALSE(result.sizeOk);
        EXPECT_EQ(log().LogItemNum, 0);

        RunFileEncodeOptions off;
        off.checkValueError = 0.0015;
        result = Decode(synth::EncodeRunFile(MakeFixes(5), variant, off), variant);
        EXPECT_TRUE(result.sizeOk);
        EXPECT_FALSE(result.checkPassed);
        EXPECT_EQ(log().LogItemNum, 0);
        EXPECT_EQ(log().LogBlockNum(), 0);
        EXPECT_TRUE(Lines().empty());

        off.checkValueError = -0.0009;
        result = Decode(synth::EncodeRunFile(MakeFixes(5), variant, off), variant);
        EXPECT_TRUE(result.checkPassed);
        EXPECT_EQ(log().LogItemNum, 5);
    }
    // A header without any record, and one file read as the other family.
    EXPECT_FALSE(
        Decode(synth::AssembleRunFile({}, RunFileVariant::Bon), RunFileVariant::Bon).checkPassed);
    const std::vector<uint8_t> bon4 = synth::EncodeRunFile(MakeFixes(61), RunFileVariant::Bon4);
    ASSERT_TRUE(IsRunFileSize(bon4.size(), RunFileVariant::Bonz));
    EXPECT_FALSE(Decode(bon4, RunFileVariant::Bon).checkPassed);
    EXPECT_FALSE(Decode(bon4, RunFileVariant::Bonz).checkPassed);
    EXPECT_EQ(log().LogItemNum, 0);
}

TEST_F(RunFileDecoderTest, NotANumberInTheHeaderFailsTheCheck) {
    std::vector<uint8_t> file = synth::EncodeRunFile(MakeFixes(2), RunFileVariant::Bon);
    const double nan = std::nan("");
    std::memcpy(file.data(), &nan, sizeof nan);
    EXPECT_FALSE(Decode(file, RunFileVariant::Bon).checkPassed);
    EXPECT_EQ(log().LogItemNum, 0);
}

TEST_F(RunFileDecoderTest, CheckValueComesFromTheFirstRecordEvenWhenItIsSkipped) {
    RunFileEncodeOptions options;
    options.faults = {RunFault::YearBefore1970};
    const RunFileResult result = Decode(
        synth::EncodeRunFile(MakeFixes(4), RunFileVariant::Bon, options), RunFileVariant::Bon);
    EXPECT_TRUE(result.checkPassed);
    ASSERT_EQ(log().LogItemNum, 3);
    EXPECT_EQ(Fix(0).Ido, Records(MakeFixes(4), RunFileVariant::Bon)[1].lat / 1e7);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(RunFileDecoderTest, ImplausibleRecordsAreRefused) {
    for (RunFileVariant variant : kAllVariants) {
        SCOPED_TRACE(static_cast<int>(variant));
        RunFileEncodeOptions options;
        options.faults = {RunFault::None,           RunFault::YearBefore1970, RunFault::None,
                          RunFault::SpeedAbove2000, RunFault::LatitudeOut,    RunFault::None};
        const RunFileResult result =
            Decode(synth::EncodeRunFile(MakeFixes(6), variant, options), variant);
        EXPECT_TRUE(result.Ok());
        EXPECT_EQ(result.speedAbnormal, 1);
        ASSERT_EQ(log().LogItemNum, 3);
        EXPECT_NEAR(Fix(0).Ido, MakeFix(0).lat, 1e-7);
        EXPECT_NEAR(Fix(1).Ido, MakeFix(2).lat, 1e-7);
        EXPECT_NEAR(Fix(2).Ido, MakeFix(5).lat, 1e-7);
        ASSERT_EQ(Lines().size(), 1u);
        EXPECT_EQ(Lines()[0], "spd abnormal 2000.02 km/h");
    }
}

TEST_F(RunFileDecoderTest, SpeedLimitLiesBetweenTwoRawValues) {
    std::vector<RunRecord> records = Records(MakeFixes(3), RunFileVariant::Bon);
    records[1].speedCms = 55555;  // 1999.98 km/h
    records[2].speedCms = 55556;  // 2000.02 km/h
    Decode(records, RunFileVariant::Bon);
    ASSERT_EQ(log().LogItemNum, 2);
    EXPECT_FLOAT_EQ(Fix(1).Spd, 1999.98f);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0], "spd abnormal 2000.02 km/h");
}

TEST_F(RunFileDecoderTest, FractionByteByVariant) {
    std::vector<RunRecord> records = Records(MakeFixes(3), RunFileVariant::Bon4);
    records[0].fraction = 50;
    records[1].fraction = 99;
    records[2].fraction = 98;
    Decode(records, RunFileVariant::Bon4);
    ASSERT_EQ(log().LogItemNum, 2);
    EXPECT_EQ(Fix(0).ms, 500);
    EXPECT_EQ(Fix(1).ms, 980);
    EXPECT_TRUE(Lines().empty());

    records = Records(MakeFixes(2), RunFileVariant::Bnz4);
    records[1].fraction = 99;
    Decode(records, RunFileVariant::Bnz4);
    EXPECT_EQ(log().LogItemNum, 1);

    // Tenths: 9 is 900 ms; 99 tenths do not form a time of day.
    records = Records(MakeFixes(3), RunFileVariant::Bon);
    records[0].fraction = 9;
    records[1].fraction = 99;
    const RunFileResult result = Decode(records, RunFileVariant::Bon);
    ASSERT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(Fix(0).ms, 900);
    EXPECT_FALSE(result.dateError.empty());
}

TEST_F(RunFileDecoderTest, DateThatDoesNotExistEndsTheLoadKeepingEarlierFixes) {
    for (RunFileVariant variant : {RunFileVariant::Bonz, RunFileVariant::Bon4}) {
        SCOPED_TRACE(static_cast<int>(variant));
        RunFileEncodeOptions options;
        options.faults.assign(6, RunFault::None);
        options.faults[3] = RunFault::MonthThirteen;
        const RunFileResult result =
            Decode(synth::EncodeRunFile(MakeFixes(6), variant, options), variant);
        EXPECT_TRUE(result.checkPassed);
        EXPECT_FALSE(result.Ok());
        EXPECT_EQ(result.dateError, "2024-13-29 08:00:03.500 is not a valid date and time");
        EXPECT_EQ(result.storedFixes, 3);
        EXPECT_EQ(log().LogItemNum, 3);
        EXPECT_EQ(log().LogBlocks[0].RecNum, 3);
    }
    // Leap days exist only in leap years.
    std::vector<RunRecord> records = Records(MakeFixes(2), RunFileVariant::Bon);
    records[0].year = 2024;
    records[0].month = 2;
    records[0].day = 29;
    records[1].year = 2023;
    records[1].month = 2;
    records[1].day = 29;
    const RunFileResult result = Decode(records, RunFileVariant::Bon);
    EXPECT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(result.dateError.substr(0, 10), "2023-02-29");
}

TEST_F(RunFileDecoderTest, BlocksSplitAtWholeMinuteGaps) {
    std::vector<SynthFix> fixes;
    for (int64_t seconds : {0, 59, 120, 121, 60}) {
        SynthFix f = MakeFix(0);
        f.utcMs = kStartMs + seconds * 1000;
        fixes.push_back(f);
    }
    Decode(Records(fixes, RunFileVariant::Bon), RunFileVariant::Bon);
    ASSERT_EQ(log().LogItemNum, 5);
    ASSERT_EQ(log().LogBlockNum(), 3);
    EXPECT_EQ(log().LogBlocks[0].RecNum, 2);
    EXPECT_EQ(log().LogBlocks[1].RecNum, 2);
    EXPECT_EQ(log().LogBlocks[2].RecNum, 1);  // a minute back in time
    EXPECT_EQ(log().LogBlocks[1].Title, "20240429_1702");
    EXPECT_EQ(Fix(4).BlkIdx, 2);
}

TEST_F(RunFileDecoderTest, SpeedsAreSmoothedOnlyInTheVariantsEndingIn4) {
    for (RunFileVariant variant : kAllVariants) {
        SCOPED_TRACE(static_cast<int>(variant));
        std::vector<SynthFix> fixes = MakeFixes(11, 50);
        fixes[5].spd = 108.0f;  // 3000 cm/s among 2750
        Decode(Records(fixes, variant), variant);
        ASSERT_EQ(log().LogItemNum, 11);
        if (RunFileVariantInfoOf(variant).smoothSpeeds) {
            // All eight neighbours lie within 210 ms; no run is monotonic.
            const double want = (1.8 * 108 + 2 * (0.5 + 0.35 + 0.2 + 0.1) * 99) / 4.1;
            EXPECT_NEAR(Fix(5).Spd, want, 1e-4);
            EXPECT_GT(Fix(4).Spd, 99.0f);
        } else {
            EXPECT_FLOAT_EQ(Fix(5).Spd, 108.0f);
            EXPECT_FLOAT_EQ(Fix(4).Spd, 99.0f);
        }
    }
}

TEST_F(RunFileDecoderTest, StoreLimitDropsFurtherRecords) {
    const int extra = 7;
    const int total = MaxLogItemNum + extra;
    const RunRecord base = synth::RunRecordOfFix(MakeFix(0, 1000), RunFileVariant::Bon);
    const std::vector<uint8_t> one = synth::EncodeRunRecord(base, RunFileVariant::Bon);
    std::vector<uint8_t> file = synth::AssembleRunFile({base}, RunFileVariant::Bon);
    file.resize(kRunFileHeaderSize + one.size() * total);
    for (int i = 0; i < total; ++i) {
        uint8_t* at = file.data() + kRunFileHeaderSize + one.size() * i;
        std::memcpy(at, one.data(), one.size());
        const int32_t lat = base.lat + i;
        std::memcpy(at + offsetof(RunGpsRecordLayout, lat), &lat, sizeof lat);
    }
    const uint16_t tooFast = 60000;  // still reported past the limit
    std::memcpy(file.data() + file.size() - one.size() + offsetof(RunGpsRecordLayout, speedCms),
                &tooFast, sizeof tooFast);
    const RunFileResult result = Decode(file, RunFileVariant::Bon);
    EXPECT_EQ(log().LogItemNum, MaxLogItemNum);
    EXPECT_EQ(result.storedFixes, MaxLogItemNum);
    EXPECT_EQ(result.droppedRecords, extra - 1);
    EXPECT_EQ(log().DroppedRecords, extra - 1);
    // The last slot holds the last fix that fitted, not a later one.
    EXPECT_EQ(Fix(MaxLogItemNum - 1).Ido, (base.lat + MaxLogItemNum - 1) / 1e7);
    EXPECT_EQ(log().LogBlocks.back().RecNum, MaxLogItemNum);
    EXPECT_EQ(Lines().size(), 1u);
}

// Direction from the yaw sensor, on hand-made tracks.
class DirectionFromYawTest : public ::testing::Test {
  protected:
    // n samples `stepMs` apart heading north at `spd` km/h.
    static std::vector<YawSample> North(int n, double stepMs, double spd, double yaw) {
        std::vector<YawSample> s(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            s[i].time = 45000.0 + i * stepMs / 86400000.0;
            s[i].lat = 35.0 + i * 0.0002;
            s[i].lon = 139.0;
            s[i].spd = spd;
            s[i].yaw = yaw;
        }
        return s;
    }
    static std::vector<double> Run(const std::vector<YawSample>& s) {
        std::vector<double> dir(s.size(), -1.0);
        DirectionFromYaw(s, dir);
        return dir;
    }
};

TEST_F(DirectionFromYawTest, WithoutASteadyStretchDirIsTheWrappedYaw) {
    std::vector<YawSample> s = North(30, 100, 7.5, 0);  // not above 7.5 km/h
    for (int i = 0; i < 30; ++i)
        s[i].yaw = i * 12.0;
    const std::vector<double> dir = Run(s);
    for (int i = 0; i < 30; ++i)
        EXPECT_DOUBLE_EQ(dir[i], i * 12.0) << i;
    // Too few samples for the calibration window.
    EXPECT_EQ(Run(North(3, 100, 50, 200)), (std::vector<double>{200, 200, 200}));
}

TEST_F(DirectionFromYawTest, OffsetTurnsTheYawOntoTheTrack) {
    // Heading north (180) with the sensor reading 100: every fix points 180.
    for (double stepMs : {50.0, 100.0, 200.0, 1000.0}) {
        for (const double dir : Run(North(40, stepMs, 50, 100)))
            EXPECT_NEAR(dir, 180, 1e-6) << stepMs;
    }
    // Heading south (0) across the 0/360 seam, from either side of it.
    for (double yaw : {350.0, 10.0}) {
        std::vector<YawSample> s = North(40, 100, 50, yaw);
        for (int i = 0; i < 40; ++i)
            s[i].lat = 35.0 - i * 0.0002;
        for (const double dir : Run(s))
            EXPECT_NEAR(AngleBetween(dir, 0), 0, 1e-6) << yaw;
    }
}

TEST_F(DirectionFromYawTest, RecalibrationSpreadsTheOffsetChange) {
    // The sensor drifts 0.5 degree per fix; in the middle the car is not
    // steady (|gX| >= 0.1), so no recalibration happens there, yet once it
    // resumes the drift is taken out of every fix in between.
    std::vector<YawSample> s = North(80, 100, 50, 0);
    for (int i = 0; i < 80; ++i) {
        s[i].yaw = 100 + 0.5 * i;
        if (i >= 20 && i < 40)
            s[i].gX = 0.3;
    }
    const std::vector<double> dir = Run(s);
    // The first fix takes the offset of the first calibration, at fix 1.
    EXPECT_NEAR(dir[0], 179.5, 1e-6);
    for (int i = 1; i <= 76; ++i)
        EXPECT_NEAR(dir[i], 180, 1e-6) << i;
    // Past the last recalibration (fix 76 in the fast window) the offset stays.
    EXPECT_NEAR(dir[77], 180.5, 1e-6);
    EXPECT_NEAR(dir[79], 181.5, 1e-6);
}

TEST_F(DirectionFromYawTest, StepSizeChoosesTheWindow) {
    // One unsteady fix near the end: the fast window (10 Hz and faster) stops
    // recalibrating three fixes before it, the slow one a fix before it.
    // A step a microsecond over 100 ms, as date-time rounding leaves it,
    // still counts as 10 Hz.
    for (double stepMs : {50.0, 100.0, 100.001, 200.0, 1000.0}) {
        std::vector<YawSample> s = North(40, stepMs, 50, 0);
        for (int i = 0; i < 40; ++i)
            s[i].yaw = 100 + i;
        s[36].gX = 0.5;
        const double want = stepMs <= 100.001 ? 180 + 7 : 180 + 5;
        EXPECT_NEAR(Run(s)[39], want, 1e-6) << stepMs;
    }
}

TEST_F(DirectionFromYawTest, SlowStretchWaitsForTheNextCalibration) {
    // North with sensor zero A, a crawl, then east after the sensor was
    // re-zeroed: the fixes of the crawl get the new offset.
    std::vector<YawSample> s = North(60, 100, 50, 100);
    for (int i = 20; i < 30; ++i)
        s[i].spd = 3;
    for (int i = 30; i < 60; ++i) {
        s[i].lat = s[29].lat;
        s[i].lon = 139.0 + (i - 29) * 0.0002;
        s[i].yaw = 10;
    }
    for (int i = 26; i < 30; ++i) {
        s[i].lat = s[25].lat;
        s[i].lon = 139.0 + (i - 25) * 0.00002;
        s[i].yaw = 10;
    }
    const std::vector<double> dir = Run(s);
    for (int i = 0; i < 20; ++i)
        EXPECT_NEAR(dir[i], 180, 1e-6) << i;
    for (int i = 26; i < 60; ++i)
        EXPECT_NEAR(dir[i], 270, 1e-6) << i;
    // The crawl before the re-zeroing was filled by the new calibration too:
    // offset 260 on a reading of 100.
    for (int i = 20; i < 26; ++i)
        EXPECT_NEAR(AngleBetween(dir[i], 0), 0, 1e-6) << i;
}

// A whole drive on the demo circuit, written and read back.
TEST_F(RunFileDecoderTest, YawDirectionFollowsTheDriveAndKeepsDrift) {
    struct Case {
        RunFileVariant variant;
        double rateHz;
    };
    for (const Case c : {Case{RunFileVariant::Bonz, 10}, Case{RunFileVariant::Bnz4, 20},
                         Case{RunFileVariant::Bonz, 5}}) {
        SCOPED_TRACE(c.rateHz);
        synth::DriveOptions drive;
        drive.rateHz = c.rateHz;
        drive.laps = 1;
        const std::vector<SynthFix> fixes =
            synth::SynthesizeDrive(synth::DemoCircuit(), drive).fixes;
        RunFileEncodeOptions options;
        options.yawZeroDeg = 123;
        options.driftDeg = synth::DriftInCorners(fixes, 25, 20);
        int drifting = 0;
        for (double d : options.driftDeg)
            drifting += d != 0;
        ASSERT_GT(drifting, 20);

        const RunFileResult result =
            Decode(synth::EncodeRunFile(fixes, c.variant, options), c.variant);
        ASSERT_TRUE(result.checkPassed);
        ASSERT_EQ(log().LogItemNum, static_cast<int>(fixes.size()));
        int checked = 0, checkedDrift = 0;
        for (size_t i = 0; i < fixes.size(); ++i) {
            if (fixes[i].spd < 20)
                continue;
            const double want = synth::PointingDir(fixes[i], options.driftDeg[i]);
            EXPECT_LT(AngleBetween(Fix(static_cast<int>(i)).Dir, want), 1.5) << i;
            ++checked;
            checkedDrift += options.driftDeg[i] != 0;
        }
        EXPECT_GT(checked, static_cast<int>(fixes.size()) / 2);
        EXPECT_GT(checkedDrift, 10);
    }
}

// The file readers, against the same bytes decoded in memory.
class RunFileReaderTest : public RunFileDecoderTest {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("qv_run_file_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::filesystem::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    std::filesystem::path dir_;
};

TEST_F(RunFileReaderTest, EachReaderReadsItsVariant) {
    using Reader = RunFileResult (*)(const MtkTarget&, const std::filesystem::path&);
    const Reader readers[] = {LoadLapFileBleToLogItems, LoadLapFileBle4ToLogItems,
                              LoadLapFileBleZToLogItems, LoadLapFileBleZ4ToLogItems};
    // More records than one read takes, and an abnormal speed and a date
    // error late in the file.
    const int n = 9000;
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(v);
        const RunFileVariant variant = kAllVariants[v];
        RunFileEncodeOptions options;
        options.faults.assign(n, RunFault::None);
        options.faults[5000] = RunFault::SpeedAbove2000;
        options.faults[8500] = RunFault::MonthThirteen;
        const std::vector<uint8_t> bytes =
            synth::EncodeRunFile(MakeFixes(n, 100), variant, options);

        const RunFileResult inMemory = Decode(bytes, variant);
        std::vector<TLogItem> want(log().LogItems.data(), log().LogItems.data() + log().LogItemNum);

        log().Reset();
        session_->diagnostics.Clear();
        const RunFileResult fromFile = readers[v](Target(), Write("run.bin", bytes));
        EXPECT_TRUE(fromFile.checkPassed);
        EXPECT_EQ(fromFile.fileRecords, static_cast<size_t>(n));
        EXPECT_EQ(fromFile.storedFixes, 8499);
        EXPECT_EQ(fromFile.storedFixes, inMemory.storedFixes);
        EXPECT_EQ(fromFile.dateError, inMemory.dateError);
        EXPECT_EQ(fromFile.speedAbnormal, 1);
        EXPECT_TRUE(fromFile.ioError.empty());
        ASSERT_EQ(log().LogItemNum, static_cast<int>(want.size()));
        for (size_t i = 0; i < want.size(); i += 97) {
            EXPECT_EQ(Fix(static_cast<int>(i)).DtTm, want[i].DtTm);
            EXPECT_EQ(Fix(static_cast<int>(i)).Spd, want[i].Spd);
            EXPECT_EQ(Fix(static_cast<int>(i)).Dir, want[i].Dir);
            EXPECT_EQ(Fix(static_cast<int>(i)).valid, want[i].valid);
        }
        EXPECT_EQ(Lines().size(), 1u);
    }
}

TEST_F(RunFileReaderTest, ReaderFailuresAreReported) {
    log().Reset();
    RunFileResult r = LoadLapFileBleToLogItems(Target(), dir_ / "missing.bon");
    EXPECT_FALSE(r.ioError.empty());
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(log().LogItemNum, 0);

    std::vector<uint8_t> bytes = synth::EncodeRunFile(MakeFixes(4), RunFileVariant::Bon);
    bytes.pop_back();
    r = LoadLapFileBleToLogItems(Target(), Write("short.bon", bytes));
    EXPECT_FALSE(r.sizeOk);
    EXPECT_TRUE(r.ioError.empty());
    EXPECT_EQ(log().LogItemNum, 0);

    RunFileEncodeOptions off;
    off.checkValueError = 1;
    r = LoadLapFileBleZToLogItems(
        Target(), Write("bad.bonz", synth::EncodeRunFile(MakeFixes(4), RunFileVariant::Bonz, off)));
    EXPECT_TRUE(r.sizeOk);
    EXPECT_FALSE(r.checkPassed);
    EXPECT_EQ(log().LogItemNum, 0);

    // A folder is not a file.
    r = LoadLapFileBleToLogItems(Target(), dir_);
    EXPECT_FALSE(r.ioError.empty());
    EXPECT_EQ(log().LogItemNum, 0);
}

}  // namespace
}  // namespace qv
