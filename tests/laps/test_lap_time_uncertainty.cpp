// The ± band of a lap time: the noise read from the log's own fixes, and the
// band around laps cut from synthetic drives whose true times are known.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/session.h"
#include "laps/lap_extraction.h"
#include "laps/lap_time_uncertainty.h"
#include "laps/open_log.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

class LapTimeUncertaintyTest : public ::testing::Test {
  protected:
    LapTimeUncertaintyTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        session->lines.controlLineSet = true;
        session->lines.first = {LinePoint{circuit.lineA.lat, circuit.lineA.lon},
                                LinePoint{circuit.lineB.lat, circuit.lineB.lon}};
    }
    synth::Drive Load(double rateHz, double noiseM) {
        synth::DriveOptions options;
        options.rateHz = rateHz;
        options.laps = 4;
        options.noiseM = noiseM;
        options.startUtcMs += 37;  // the line falls inside a step, not on a fix
        const synth::Drive drive = synth::SynthesizeDrive(circuit, options);
        synth::LoadDriveIntoLog(drive, session->log, kBase);
        return drive;
    }

    synth::Circuit circuit = synth::DemoCircuit();
    test::TempDir dir;
    std::unique_ptr<Session> session;
};

TEST_F(LapTimeUncertaintyTest, NoiseIsReadFromTheFixes) {
    for (double noiseM : {0.5, 2.0}) {
        Load(10, noiseM);
        const TimingNoise noise = EstimateTimingNoise(session->log);
        EXPECT_NEAR(noise.positionM, noiseM, 0.2 * noiseM);
        // Fixes every 100 ms exactly: nothing is rounded.
        EXPECT_EQ(noise.resolutionSec, 0);
    }
    // About 14 fixes a second stamped in hundredths: rounded to them.
    test::ScriptedPrompter prompter;
    struct Accept : LogBlockDialogStep {
        bool Show(LapSession&, const std::string&) override { return true; }
    } dialog;
    OpenLogContext context{*session, prompter, dialog, [] { return EncodeDate(2030, 1, 1); }};
    ASSERT_TRUE(OpenLogFile(context, test::TestDataDir() + "/nmea/gps_race_data_praga_laps.nmea")
                    .load.proceed);
    EXPECT_EQ(EstimateTimingNoise(session->log).resolutionSec, 0.01);
}

TEST_F(LapTimeUncertaintyTest, BandHoldsTheTrueLapTimeAndWidensWithNoise) {
    double quietBand = 0;
    for (double noiseM : {0.0, 2.0}) {
        SCOPED_TRACE(noiseM);
        const synth::Drive drive = Load(5, noiseM);
        session->laps = LapStore{};
        const ExtractionResult cut = ExtractCircuitLaps(*session);
        ASSERT_EQ(cut.candidates.size(), drive.crossingUtcMs.size() + 1);
        double widest = 0;
        for (size_t k = 1; k < drive.crossingUtcMs.size(); ++k) {
            const double truth = (drive.crossingUtcMs[k] - drive.crossingUtcMs[k - 1]) / 1000;
            const LapCandidate& lap = cut.candidates[k];
            // Without noise the interpolation alone misses: it must be covered.
            if (noiseM == 0) {
                EXPECT_LE(std::abs(static_cast<double>(lap.lapSec) - truth) * 1000,
                          static_cast<double>(lap.uncertaintyMs));
            }
            widest = std::max(widest, static_cast<double>(lap.uncertaintyMs));
        }
        if (noiseM == 0)
            quietBand = widest;
        else
            EXPECT_GT(widest, 3 * quietBand);
        // The listed rows carry the candidates' bands.
        size_t listed = 0;
        for (const LapCandidate& c : cut.candidates) {
            if (c.drop != LapDrop::None)
                continue;
            ASSERT_LT(listed, session->laps.LapList.size());
            EXPECT_EQ(session->laps.LapList[listed++].lapTimeUncertaintyMs, c.uncertaintyMs);
        }
        EXPECT_GT(listed, 0u);
    }
    EXPECT_EQ(UncertaintyMsText(12.01L), "13");
    EXPECT_EQ(UncertaintyMsText(-1), "");
}

}  // namespace
}  // namespace qv
