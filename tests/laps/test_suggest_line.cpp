// A control line found from the driving alone, checked by the laps it cuts
// against the synthesizer's true crossing times and against real kart logs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "geometry/plane.h"
#include "laps/lap_extraction.h"
#include "laps/log_block_rules.h"
#include "laps/open_log.h"
#include "laps/suggest_line.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

double MetresBetween(double lat0, double lon0, double lat1, double lon1) {
    return static_cast<double>(StepDistKm(lat0, lon0, lat1, lon1, lat0)) * 1000;
}

LinePoint Middle(const Line& line) {
    return {(line[0].lat + line[1].lat) / 2, (line[0].lon + line[1].lon) / 2};
}

// The nearest point of the circuit's centre line, in metres.
double OffCentreLine(const synth::Circuit& circuit, LinePoint p) {
    double best = 1e12;
    for (const synth::LatLon& q : circuit.points)
        best = std::min(best, MetresBetween(static_cast<double>(p.lat), static_cast<double>(p.lon),
                                            q.lat, q.lon));
    return best;
}

class SuggestLineTest : public ::testing::Test {
  protected:
    SuggestLineTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
    }

    // The laps cut at the line, in seconds, listed or not.
    std::vector<double> CutAt(const Line& line) {
        session->lines.controlLineSet = true;
        session->lines.first = line;
        const ExtractionResult cut = ExtractLaps(*session);
        std::vector<double> seconds;
        for (const LapCandidate& c : cut.candidates)
            seconds.push_back(static_cast<double>(c.lapSec));
        return seconds;
    }

    double TopSpeed() const {
        double top = 0;
        for (int i = 0; i < session->log.LogItemNum; ++i)
            top = std::max<double>(top, session->log.LogItems[i].Spd);
        return top;
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
};

// Flying laps of the plain drives all take the same time, whatever line
// cuts them: every lap between two flying-lap crossings must match it.
TEST_F(SuggestLineTest, SyntheticCircuitsGetALineOnAFastStraightThatCutsTheTrueLaps) {
    struct Case {
        const char* name;
        synth::Circuit circuit;
        double rateHz;
        double noiseM;
    } cases[] = {
        {"demo circuit", synth::DemoCircuit(), 10, 1.0},
        {"figure eight", synth::FigureEightCircuit(), 25, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        synth::DriveOptions options;
        options.rateHz = c.rateHz;
        options.laps = 5;
        options.noiseM = c.noiseM;
        options.speedNoiseKmh = 1;
        const synth::Drive drive = synth::SynthesizeDrive(c.circuit, options);
        const double trueLap = (drive.crossingUtcMs[2] - drive.crossingUtcMs[1]) / 1000;
        synth::LoadDriveIntoLog(drive, session->log, kBase);

        const std::optional<SuggestedLine> suggested = SuggestControlLine(session->log);
        ASSERT_TRUE(suggested.has_value());
        // One crossing a lap, not two: the figure-eight's crossing is passed twice.
        EXPECT_NEAR(static_cast<double>(suggested->lapSec), trueLap, 0.1);
        EXPECT_GE(suggested->laps, options.laps - 1);
        EXPECT_GT(static_cast<double>(suggested->speedKmh), 0.85 * TopSpeed());
        EXPECT_LT(OffCentreLine(c.circuit, Middle(suggested->line)), 3.0);
        const double lengthM = MetresBetween(static_cast<double>(suggested->line[0].lat),
                                             static_cast<double>(suggested->line[0].lon),
                                             static_cast<double>(suggested->line[1].lat),
                                             static_cast<double>(suggested->line[1].lon));
        EXPECT_NEAR(lengthM, 2 * static_cast<double>(kSuggestedLineHalfM), 0.5);

        const std::vector<double> laps = CutAt(suggested->line);
        int matching = 0;
        for (double lap : laps)
            matching += std::abs(lap - trueLap) < 0.1;
        EXPECT_GE(matching, options.laps - 1);
    }
}

TEST_F(SuggestLineTest, FigureEightLineStaysClearOfTheCrossing) {
    const synth::Circuit circuit = synth::FigureEightCircuit();
    synth::DriveOptions options;
    options.rateHz = 20;
    options.laps = 4;
    synth::LoadDriveIntoLog(synth::SynthesizeDrive(circuit, options), session->log, kBase);
    const std::optional<SuggestedLine> suggested = SuggestControlLine(session->log);
    ASSERT_TRUE(suggested.has_value());
    // The branches cross half-way between the two ends of the loop.
    const synth::LatLon& start = circuit.points.front();
    const synth::LatLon& across = circuit.points[circuit.points.size() / 2];
    const LinePoint mid = Middle(suggested->line);
    const double toCrossing =
        MetresBetween(static_cast<double>(mid.lat), static_cast<double>(mid.lon),
                      (start.lat + across.lat) / 2, (start.lon + across.lon) / 2);
    EXPECT_GT(toCrossing, 2 * static_cast<double>(kSuggestedLineHalfM));
}

// Every stint leaves and enters through a pit lane 25 m beside the main
// straight; the line must lie on the track, where every flying lap passes,
// and no pass through the lane may cut a lap.
TEST_F(SuggestLineTest, PitLaneBesideTheStraightIsNotCrossed) {
    const synth::Circuit circuit = synth::DemoCircuit();
    synth::SessionOptions options;
    options.rateHz = 10;
    options.stints = {4, 3};
    options.noiseM = 1;
    const synth::Drive drive = synth::SynthesizeSession(circuit, synth::PitLane{}, options);
    synth::LoadDriveIntoLog(drive, session->log, kBase);

    const std::optional<SuggestedLine> suggested = SuggestControlLine(session->log);
    ASSERT_TRUE(suggested.has_value());
    EXPECT_LT(OffCentreLine(circuit, Middle(suggested->line)), 3.0);
    EXPECT_EQ(suggested->laps, 7);
    std::vector<double> flying;
    for (size_t k = 1; k < drive.crossingUtcMs.size(); ++k) {
        const double lap = (drive.crossingUtcMs[k] - drive.crossingUtcMs[k - 1]) / 1000;
        if (lap < 100)
            flying.push_back(lap);
    }
    ASSERT_FALSE(flying.empty());
    const double slowest = *std::max_element(flying.begin(), flying.end());
    const double fastest = *std::min_element(flying.begin(), flying.end());
    const std::vector<double> laps = CutAt(suggested->line);
    int flyingCut = 0;
    ASSERT_GE(laps.size(), 2u);
    // Between two crossings (not from the log's start or to its end), a lane
    // pass would cut a lap far shorter than any real one.
    for (size_t k = 1; k + 1 < laps.size(); ++k) {
        EXPECT_GT(laps[k], 0.9 * fastest);
        flyingCut += laps[k] > fastest - 1 && laps[k] < slowest + 1;
    }
    EXPECT_EQ(flyingCut, static_cast<int>(flying.size()));
}

class ScriptedDialog : public LogBlockDialogStep {
  public:
    bool Show(LapSession&, const std::string&) override { return true; }
};

TEST_F(SuggestLineTest, RealKartLogWithTwoLapsAndOneWithASingleLap) {
    const std::string nmea = test::TestDataDir() + "/nmea/";
    test::ScriptedPrompter prompter;
    ScriptedDialog dialog;
    OpenLogContext context{*session, prompter, dialog, [] { return EncodeDate(2030, 1, 1); }};
    ASSERT_TRUE(OpenLogFile(context, nmea + "gps_race_data_praga_laps.nmea").load.proceed);
    const std::optional<SuggestedLine> suggested = SuggestControlLine(session->log);
    ASSERT_TRUE(suggested.has_value());
    EXPECT_EQ(suggested->laps, 2);
    EXPECT_GT(static_cast<double>(suggested->speedKmh), 0.85 * TopSpeed());
    // A hand-laid line cuts laps of 62.78 s and 61.33 s; another line moves
    // time between the two laps but keeps their sum within a lap's spread.
    std::vector<double> laps = CutAt(suggested->line);
    std::vector<double> full;
    for (double lap : laps) {
        if (lap > 55)
            full.push_back(lap);
    }
    ASSERT_EQ(full.size(), 2u);
    EXPECT_NEAR(full[0], 62.78, 1.5);
    EXPECT_NEAR(full[1], 61.33, 1.5);
    EXPECT_NEAR(full[0] + full[1], 62.78 + 61.33, 0.5);

    // One pass of the line is one lap: nothing repeats, so nothing is offered.
    ASSERT_TRUE(OpenLogFile(context, nmea + "gps_race_data_long_lap.nmea").load.proceed);
    EXPECT_FALSE(SuggestControlLine(session->log).has_value());
}

TEST(SuggestLineRule, OfferedOnlyWithoutLinesAndWithoutCircuitFilesNearby) {
    LineState none;
    EXPECT_TRUE(ShouldSuggestLine(none, SelCircuitOutcome::NotFound));
    EXPECT_FALSE(ShouldSuggestLine(none, SelCircuitOutcome::Done));
    EXPECT_FALSE(ShouldSuggestLine(none, SelCircuitOutcome::NotRun));
    LineState start = none;
    start.startLineSet = true;
    EXPECT_FALSE(ShouldSuggestLine(start, SelCircuitOutcome::NotFound));
    LineState control = none;
    control.controlLineSet = true;
    EXPECT_FALSE(ShouldSuggestLine(control, SelCircuitOutcome::NotFound));
}

}  // namespace
}  // namespace qv
