// Logs of other loggers through the open-log command to the lap list, as
// the program's own logs go.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app/session.h"
#include "laps/open_log.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/drive.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

// Closes the log-block dialog with OK after setting the control line.
class LineDialog : public LogBlockDialogStep {
  public:
    Line line{};
    std::vector<bool> ticks;
    bool Show(LapSession& session, const std::string&) override {
        ticks.clear();
        for (const TLogBlock& block : session.log.LogBlocks)
            ticks.push_back(block.Act);
        session.lines.controlLineSet = true;
        session.lines.first = line;
        return true;
    }
};

class PeerLogLapsTest : public ::testing::Test {
  protected:
    PeerLogLapsTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        session->settings.MinLapDist = 0.25;  // above the out-lap and the run-out
    }

    OpenLogOutcome Open(const std::filesystem::path& path) {
        OpenLogContext context{*session, prompter, dialog, [] { return EncodeDate(2030, 1, 1); }};
        return OpenLogFile(context, path);
    }
    // The times of the laps that were listed, in seconds.
    static std::vector<double> Listed(const OpenLogOutcome& outcome) {
        std::vector<double> seconds;
        for (const LapCandidate& c : outcome.candidates) {
            if (c.drop == LapDrop::None)
                seconds.push_back(static_cast<double>(c.lapSec));
        }
        return seconds;
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    test::ScriptedPrompter prompter;
    LineDialog dialog;
};

TEST_F(PeerLogLapsTest, SyntheticDrivesGiveTheirTrueLapTimes) {
    const synth::Circuit circuit = synth::DemoCircuit();
    dialog.line = {LinePoint{circuit.lineA.lat, circuit.lineA.lon},
                   LinePoint{circuit.lineB.lat, circuit.lineB.lon}};
    struct Case {
        const char* name;
        double rateHz;
        std::string (*encode)(const std::vector<synth::SynthFix>&);
    } cases[] = {
        {"rmc only.nmea", 25,
         [](const std::vector<synth::SynthFix>& f) {
             return synth::EncodeNmeaLog(f, {.gga = false});
         }},
        {"no speeds.gpx", 10,
         [](const std::vector<synth::SynthFix>& f) {
             return synth::EncodeGpxLog(f, {.speeds = false});
         }},
        {"knots.vbo", 20,
         [](const std::vector<synth::SynthFix>& f) {
             return synth::EncodeVboLog(f, {.knots = true});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        synth::DriveOptions options;
        options.laps = 3;
        options.rateHz = c.rateHz;
        const synth::Drive drive = synth::SynthesizeDrive(circuit, options);
        test::WriteText(dir / c.name, c.encode(drive.fixes));
        const int before = session->laps.LapNum();
        const OpenLogOutcome outcome = Open(dir / c.name);
        ASSERT_TRUE(outcome.load.proceed) << outcome.load.message;
        EXPECT_EQ(dialog.ticks, std::vector<bool>{true});
        const std::vector<double> laps = Listed(outcome);
        ASSERT_EQ(laps.size(), 3u);
        for (size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(laps[k], (drive.crossingUtcMs[k + 1] - drive.crossingUtcMs[k]) / 1000,
                        0.002);
        EXPECT_EQ(session->laps.LapNum(), before + 3);
        EXPECT_EQ(session->laps.LapRows.back()[7], std::filesystem::path(c.name).stem().string());
    }
}

// A line of 30 m across the track, `aheadM` metres ahead of a fix heading
// `courseDeg` (clockwise from north).
Line LineAcross(double lat, double lon, double courseDeg, double aheadM) {
    constexpr double kMPerDeg = 111195.0;
    const double c = courseDeg * std::numbers::pi / 180;
    const double metresPerLonDeg = kMPerDeg * std::cos(lat * std::numbers::pi / 180);
    const double midLat = lat + aheadM * std::cos(c) / kMPerDeg;
    const double midLon = lon + aheadM * std::sin(c) / metresPerLonDeg;
    const double eastLat = -15 * std::sin(c) / kMPerDeg;  // 15 m to the right of the course
    const double eastLon = 15 * std::cos(c) / metresPerLonDeg;
    return {LinePoint{midLat - eastLat, midLon - eastLon},
            LinePoint{midLat + eastLat, midLon + eastLon}};
}

TEST_F(PeerLogLapsTest, RealKartLogsGiveTheirLapsAtALineAcrossTheTrack) {
    // No control line exists for this track: one is laid across it 10 m
    // past where each log starts. The 14-Hz log passes it three times.
    const std::string nmea = test::TestDataDir() + "/nmea/";
    // $GPRMC,141326.090,A,2824.72869,N,08122.77576,W,39.73,347.24,280523,,,*02
    dialog.line = LineAcross(28 + 24.72869 / 60, -(81 + 22.77576 / 60), 347.24, 10);
    OpenLogOutcome outcome = Open(nmea + "gps_race_data_praga_laps.nmea");
    ASSERT_TRUE(outcome.load.proceed);
    std::vector<double> laps = Listed(outcome);
    ASSERT_EQ(laps.size(), 2u);
    // Crossings interpolated on a flat map from the fixes either side of the
    // line, apart from the program: 0.479 s, 63.261 s and 124.591 s in.
    EXPECT_NEAR(laps[0], 62.781, 0.02);
    EXPECT_NEAR(laps[1], 61.330, 0.02);

    // $GPRMC,091533.010,A,2824.71975,N,08122.77114,W,44.43,-20.73,060222,,,*15
    dialog.line = LineAcross(28 + 24.71975 / 60, -(81 + 22.77114 / 60), -20.73, 10);
    outcome = Open(nmea + "gps_race_data_long_lap.nmea");
    laps = Listed(outcome);
    ASSERT_EQ(laps.size(), 1u);
    EXPECT_NEAR(laps[0], 58.608, 0.02);  // crossings 0.425 s and 59.034 s in
}

}  // namespace
}  // namespace qv
