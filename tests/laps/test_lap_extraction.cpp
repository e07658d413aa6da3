#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "app/session.h"
#include "core/local_time.h"
#include "decode/log_blocks.h"
#include "laps/lap_extraction.h"
#include "laps/lap_file_io.h"
#include "laps/log_block_rules.h"
#include "support/temp_dir.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;  // UTC as local time
// Metres per degree of latitude on the sphere the program measures on.
const double kMPerDeg = 6367444.5 * 3.14159265358979323846 / 180;

class ExtractionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session = std::make_unique<Session>(kBase);
        session->folders.TempFolder = temp.path();
        session->openLogName = "session1";
    }

    // Appends a fix `sec` seconds after 2024-05-03 10:15:00 local.
    void AddFix(double sec, double lat, double lon, float kmh, uint8_t sats = 9) {
        LogStore& log = session->log;
        TLogItem& fix = log.LogItems[log.LogItemNum];
        fix = TLogItem{};
        fix.DtTm = EncodeDate(2024, 5, 3) + (10 * 3600 + 15 * 60 + sec) / kSecondsPerDay;
        fix.Ido = lat;
        fix.Kdo = lon;
        fix.Spd = kmh;
        fix.Elv = 100;
        fix.sat_used = sats;
        AssignFixToBlock(log, log.LogItemNum);
        ++log.LogItemNum;
    }

    // `count` fixes driving north at `kmh`, one every `stepSec`.
    void DriveNorth(int count, double stepSec, float kmh, double startSec = 0, double lat0 = 35) {
        const double degPerSec = kmh / 3.6 / kMPerDeg;
        for (int k = 0; k < count; ++k)
            AddFix(startSec + k * stepSec, lat0 + k * stepSec * degPerSec, 139, kmh);
    }

    void SetControlLine(double lat) {
        session->lines.controlLineSet = true;
        session->lines.first = Line{LinePoint{lat, 138.99}, LinePoint{lat, 139.01}};
    }

    // Every run of the log ticked, as the dialog's default leaves them.
    ExtractionResult ExtractAll() {
        SetAllBlocks(session->log, true);
        return ExtractLaps(*session);
    }

    std::vector<TLapElmRec> LapSamples(int lapNo) {
        return ReadLapFile(TempLapFilePath(session->folders, lapNo)).samples;
    }

    test::TempDir temp;
    std::unique_ptr<Session> session;
};

TEST_F(ExtractionTest, OneCrossingGivesAnOutLapAndAnInLapWithInterpolatedEnds) {
    // 1 Hz at 36 km/h; the line lies exactly halfway between fixes 30 and 31.
    const double degPerSec = 10.0 / kMPerDeg;
    DriveNorth(61, 1.0, 36);
    SetControlLine(35 + 30.5 * degPerSec);
    const ExtractionResult result = ExtractAll();
    ASSERT_TRUE(result.error.empty());
    ASSERT_EQ(result.lapsAdded, 2);

    const std::vector<TLapElmRec> out = LapSamples(0);
    ASSERT_EQ(out.size(), 32u);  // fixes 0..30 and the crossing
    EXPECT_EQ(static_cast<Float80>(out[0].Sec), 0);
    EXPECT_NEAR(static_cast<double>(out.back().Sec), 30.5, 1e-6);
    EXPECT_NEAR(static_cast<double>(out.back().Dist), 0.305, 1e-4);

    const std::vector<TLapElmRec> in = LapSamples(1);
    ASSERT_EQ(in.size(), 31u);  // the crossing and fixes 31..60
    EXPECT_EQ(static_cast<Float80>(in[0].Sec), 0);
    EXPECT_NEAR(static_cast<double>(in[1].Sec), 0.5, 1e-6);  // the carried offset
    EXPECT_NEAR(static_cast<double>(in[1].Dist), 0.005, 1e-5);
    EXPECT_NEAR(static_cast<double>(in[0].Ido), 35 + 30.5 * degPerSec, 1e-9);
    EXPECT_NEAR(session->laps.LapList[1].Sec, 29.5, 1e-6);
    EXPECT_EQ(session->laps.LapRows[1][4], "0:29.500");
}

TEST_F(ExtractionTest, AFixExactlyOnTheLineIsTheCrossing) {
    // Fix 30 lies on the line: the step into it and the step out of it both
    // meet the line there; the lap of no length between them is dropped.
    const double degPerSec = 10.0 / kMPerDeg;
    DriveNorth(61, 1.0, 36);
    SetControlLine(35 + 30 * degPerSec);
    ASSERT_EQ(ExtractAll().lapsAdded, 2);
    const std::vector<TLapElmRec> out = LapSamples(0);
    EXPECT_NEAR(static_cast<double>(out.back().Sec), 30, 1e-6);
    const std::vector<TLapElmRec> in = LapSamples(1);
    ASSERT_EQ(in.size(), 31u);
    EXPECT_NEAR(static_cast<double>(in[1].Sec), 1, 1e-6);
    EXPECT_EQ(static_cast<Float80>(in[0].Ido), session->log.LogItems[30].Ido);
}

TEST_F(ExtractionTest, RowsNumberOnAcrossLogsAndCarryTheRunAndLogNames) {
    DriveNorth(40, 1.0, 72);
    ASSERT_EQ(ExtractAll().lapsAdded, 1);
    // The tiny default line was used, without claiming a control line.
    EXPECT_FALSE(session->lines.controlLineSet);
    EXPECT_EQ(static_cast<double>(session->lines.first[1].lat), 0.000001);

    session->log.Reset();
    session->openLogName = "session2";
    DriveNorth(29, 0.5, 90, 3600);
    ASSERT_EQ(ExtractAll().lapsAdded, 1);

    const LapRow& row = session->laps.LapRows[1];
    EXPECT_EQ(row[0], "20240503_1115");
    EXPECT_EQ(row[1], "0001");
    EXPECT_EQ(row[2], "2024/05/03");
    EXPECT_EQ(row[3], "11:15:00");
    EXPECT_EQ(row[4], "0:14.000");
    EXPECT_EQ(row[5], "90.00");
    EXPECT_EQ(row[6], "0.350");
    EXPECT_EQ(row[7], "session2");
    EXPECT_EQ(session->laps.LapRows[0][1], "0000");
    EXPECT_EQ(session->laps.LapRows[0][7], "session1");
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "temp0001.dtb"));
}

TEST_F(ExtractionTest, PlausibilityLimits) {
    struct Case {
        const char* what;
        int fixes;
        double stepSec;
        float kmh;
        int laps;
        LapDrop drop;
        double minLapTime = 0;  // from the settings; 0: the default
    };
    const Case cases[] = {
        {"7.9 s is below the default minimum lap time", 80, 0.1, 120, 0, LapDrop::BelowMinLapTime},
        {"8.1 s is enough", 82, 0.1, 120, 1, LapDrop::None},
        {"0.19 km is below the default minimum distance", 20, 1.0, 36, 0, LapDrop::BelowMinLapDist},
        {"0.21 km is enough", 22, 1.0, 36, 1, LapDrop::None},
        {"a stationary log has no lap", 100, 1.0, 3.5F, 0, LapDrop::BelowMinLapDist},
        {"0.29 km at walking pace", 300, 1.0, 3.5F, 0, LapDrop::TopSpeedBelow4},
        {"the settings' minimum rejects 0.21 km in 21 s", 22, 1.0, 36, 0, LapDrop::BelowMinLapTime,
         30},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.minLapTime > 0)
            session->settings.MinLapTime = c.minLapTime;
        DriveNorth(c.fixes, c.stepSec, c.kmh);
        const ExtractionResult result = ExtractAll();
        EXPECT_EQ(result.lapsAdded, c.laps) << c.what;
        ASSERT_EQ(result.candidates.size(), 1u) << c.what;
        const LapCandidate& lap = result.candidates[0];
        EXPECT_EQ(lap.drop, c.drop) << c.what;
        EXPECT_NEAR(static_cast<double>(lap.lapSec), (c.fixes - 1) * c.stepSec, 1e-6) << c.what;
        EXPECT_NEAR(static_cast<double>(lap.distKm), (c.fixes - 1) * c.stepSec * c.kmh / 3600, 1e-5)
            << c.what;
        EXPECT_EQ(lap.topSpeed, c.kmh) << c.what;
    }
}

TEST_F(ExtractionTest, CrawlingTooSlowlyOnAverageIsNoLap) {
    // 0.21 km in 400 s with one fast fix: top speed passes, the average does not.
    for (int k = 0; k <= 400; ++k)
        AddFix(k, 35 + k * 0.21 / 400 / (kMPerDeg / 1000), 139, k == 200 ? 20.0F : 1.9F);
    const ExtractionResult result = ExtractAll();
    EXPECT_EQ(result.lapsAdded, 0);
    ASSERT_EQ(result.candidates.size(), 1u);
    EXPECT_EQ(result.candidates[0].drop, LapDrop::AverageBelow2);
}

TEST_F(ExtractionTest, TopSpeedIgnoresPoorFixesExceptOnTheLastLap) {
    const double degPerSec = 20.0 / kMPerDeg;  // 72 km/h
    for (int k = 0; k < 60; ++k) {
        const bool spike = k == 10 || k == 50;
        AddFix(k, 35 + k * degPerSec, 139, spike ? 250.0F : 72.0F, spike ? 2 : 9);
    }
    SetControlLine(35 + 29.5 * degPerSec);
    ASSERT_EQ(ExtractAll().lapsAdded, 2);
    EXPECT_EQ(session->laps.LapRows[0][5], "72.00");
    EXPECT_EQ(session->laps.LapRows[1][5], "250.00");

    session->settings.MinSatNum = 2;
    ASSERT_EQ(ExtractLaps(*session).lapsAdded, 2);
    EXPECT_EQ(session->laps.LapRows[2][5], "250.00");
}

TEST_F(ExtractionTest, OnlyTickedRunsAreCut) {
    DriveNorth(40, 1.0, 72);
    DriveNorth(60, 1.0, 72, 600, 35.1);  // a second run ten minutes later
    ASSERT_EQ(session->log.LogBlockNum(), 2);
    session->log.LogBlocks[1].Act = true;
    ApplyBlockTicks(session->log);
    ASSERT_EQ(ExtractLaps(*session).lapsAdded, 1);
    EXPECT_EQ(session->laps.LapRows[0][3], "10:25:00");
    EXPECT_EQ(LapSamples(0).size(), 60u);

    // Nothing ticked: no lap at all.
    SetAllBlocks(session->log, false);
    EXPECT_EQ(ExtractLaps(*session).lapsAdded, 0);
}

TEST_F(ExtractionTest, StartFinishRuns) {
    const double degPerSec = 20.0 / kMPerDeg;
    // North for 60 s from 10:15:30, through start (fix 10.5), finish
    // (fix 20.5), start again twice (30.5, 40.5) and finish (50.5).
    for (int k = 0; k < 60; ++k) {
        const double sec = 30 + k + (k >= 11 ? 0.3 : 0.0);
        AddFix(sec, 35 + k * degPerSec, 139, 72);
    }
    auto lineAt = [&](double fix) {
        const double lat = 35 + fix * degPerSec;
        return Line{LinePoint{lat, 138.99}, LinePoint{lat, 139.01}};
    };
    LineState& lines = session->lines;
    lines.startLineSet = lines.finishLineSet = true;
    lines.first = lineAt(10.5);
    lines.finish = lineAt(5.5);  // crossed before any start: ignored
    SetAllBlocks(session->log, true);
    ASSERT_EQ(ChooseExtractionMode(lines), ExtractionMode::StartFinish);
    EXPECT_EQ(ExtractLaps(*session).lapsAdded, 0);  // started, never finished

    lines.finish = lineAt(20.5);
    ASSERT_EQ(ExtractLaps(*session).lapsAdded, 1);
    std::vector<TLapElmRec> run = LapSamples(0);
    ASSERT_EQ(run.size(), 12u);                                     // start, fixes 11..20, finish
    EXPECT_NEAR(static_cast<double>(run.back().Sec), 10.15, 1e-6);  // includes the 0.3 s jump
    EXPECT_NEAR(static_cast<double>(run[1].Dist), 0.01, 1e-5);

    // With the Rally option the run starts at the whole minute of the fix
    // after the start line (10:15:41.3) and every Tm counts from 10:15:00.
    lines.Rally = true;
    ASSERT_EQ(ExtractLaps(*session).lapsAdded, 1);
    EXPECT_EQ(session->laps.LapRows[1][3], "10:15:00");
    run = LapSamples(1);
    EXPECT_NEAR(static_cast<double>(run[1].Sec), 41.3, 1e-6);
    EXPECT_NEAR(session->laps.LapList[1].Sec, 50.8, 1e-6);

    // Only one of the two lines: nothing is cut.
    lines.finishLineSet = false;
    EXPECT_EQ(ChooseExtractionMode(lines), ExtractionMode::None);
    EXPECT_EQ(ExtractLaps(*session).lapsAdded, 0);
}

TEST_F(ExtractionTest, SecondStartBeforeTheFinishRestartsTheRun) {
    const double degPerSec = 20.0 / kMPerDeg;
    // Out along the road and back: the start line is crossed twice.
    for (int k = 0; k <= 30; ++k)
        AddFix(k, 35 + k * degPerSec, 139, 72);
    for (int k = 1; k <= 30; ++k)
        AddFix(30 + k, 35 + (30 - k) * degPerSec, 139.0001, 72);
    LineState& lines = session->lines;
    lines.startLineSet = lines.finishLineSet = true;
    const double startLat = 35 + 20.5 * degPerSec, finishLat = 35 + 5.5 * degPerSec;
    lines.first = Line{LinePoint{startLat, 138.99}, LinePoint{startLat, 139.01}};
    lines.finish = Line{LinePoint{finishLat, 138.99}, LinePoint{finishLat, 139.01}};
    ASSERT_EQ(ExtractAll().lapsAdded, 1);
    // Restarted on the way back at 39.5 s, finished at 54.5 s.
    EXPECT_NEAR(session->laps.LapList[0].Sec, 15.0, 1e-6);
}

TEST_F(ExtractionTest, UnwritableLapFileStopsTheExtractionKeepingEarlierLaps) {
    const double degPerSec = 20.0 / kMPerDeg;
    DriveNorth(90, 1.0, 72);
    SetControlLine(35 + 30.5 * degPerSec);
    SetAllBlocks(session->log, true);
    std::filesystem::create_directory(temp.path() / "temp0001.dtb");
    const ExtractionResult result = ExtractLaps(*session);
    EXPECT_EQ(result.lapsAdded, 1);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(session->laps.LapNum(), 1);
}

// The crossing times of a synthetic drive: the line crossing is found by
// linear interpolation, so the error comes from the curvature of the path
// and the change of speed within one step. Without noise it stays near
// 0.3 % of the logging interval at 5 Hz and less at higher rates; the test
// allows 0.5 % (1 ms at 5 Hz, 0.25 ms at 20 Hz).
TEST(ExtractionAccuracyTest, LapsMatchTheTrueCrossingTimes) {
    for (const double rateHz : {5.0, 10.0, 20.0}) {
        synth::DriveOptions options;
        options.rateHz = rateHz;
        options.laps = 4;
        const synth::Circuit circuit = synth::DemoCircuit();
        const synth::Drive drive = synth::SynthesizeDrive(circuit, options);
        test::TempDir temp;
        auto session = std::make_unique<Session>(kBase);
        session->folders.TempFolder = temp.path();
        synth::LoadDriveIntoLog(drive, session->log, kBase);
        session->settings.MinLapDist = 0.25;
        session->lines.controlLineSet = true;
        session->lines.first = Line{LinePoint{circuit.lineA.lat, circuit.lineA.lon},
                                    LinePoint{circuit.lineB.lat, circuit.lineB.lon}};

        const ExtractionResult result = ExtractLaps(*session);
        ASSERT_TRUE(result.error.empty());
        // Four flying laps. The out-lap from a standstill 200 m before the
        // line and the 150 m after the last crossing are shorter than the
        // minimum lap distance.
        ASSERT_EQ(drive.crossingUtcMs.size(), 5u);
        ASSERT_EQ(result.lapsAdded, 4) << rateHz;
        const double boundMs = 0.005 * 1000.0 / rateHz;
        for (int lap = 0; lap < 4; ++lap) {
            const std::vector<TLapElmRec> samples =
                ReadLapFile(TempLapFilePath(session->folders, lap)).samples;
            ASSERT_GE(samples.size(), 2u);
            const double startMs = (samples.front().DtTm - kBase) * kMsPerDay;
            const double endMs = (samples.back().DtTm - kBase) * kMsPerDay;
            EXPECT_NEAR(startMs, drive.crossingUtcMs[lap], boundMs) << rateHz << " lap " << lap;
            EXPECT_NEAR(endMs, drive.crossingUtcMs[lap + 1], boundMs) << rateHz << " lap " << lap;
            const double trueLapSec =
                (drive.crossingUtcMs[lap + 1] - drive.crossingUtcMs[lap]) / 1000;
            EXPECT_NEAR(static_cast<double>(session->laps.LapList[lap].Sec), trueLapSec,
                        2 * boundMs / 1000);
            EXPECT_NEAR(static_cast<double>(samples.back().Dist), drive.lapLengthKm,
                        0.01 * drive.lapLengthKm);
        }
    }
}

}  // namespace
}  // namespace qv
