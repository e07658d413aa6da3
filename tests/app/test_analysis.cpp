#include "app/analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/remove_all_laps.h"
#include "app/show_lap.h"
#include "dynamics/time_diff.h"
#include "laps/lap_extraction.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

// Four flying laps of the demo circuit at 10 Hz with three sector gates;
// a 20 s pit stop just after the line makes the second lap slow in its
// first sector only.
class AnalysisTest : public ::testing::Test {
  protected:
    AnalysisTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        session->settings.MinLapDist = 0.25;
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 4;
        options.pitStops = {synth::Stop{1, 20}};
        drive = synth::SynthesizeDrive(circuit, options);
        synth::LoadDriveIntoLog(drive, session->log, kBase);
        session->lines = synth::CircuitControlLine(circuit);
        session->gates = synth::CircuitGates(circuit, 3);
        EXPECT_EQ(ExtractLaps(*session).lapsAdded, 4);
    }
    double TrueLapSec(int lap) const {
        return (drive.crossingUtcMs[static_cast<size_t>(lap) + 1] -
                drive.crossingUtcMs[static_cast<size_t>(lap)]) /
               1000;
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    synth::Drive drive;
};

TEST_F(AnalysisTest, LapListGetsSectorColumnsAndMarks) {
    RefreshLapList(*session);
    EXPECT_EQ(session->listHeader[8], "Sector1");
    EXPECT_EQ(session->listHeader[11], "Sector4");
    EXPECT_EQ(session->listHeader[12], "");
    EXPECT_EQ(session->listHeader[14], "Sector1(Score)");
    const LapRow& lap0 = session->laps.LapRows[0];
    for (int c = 8; c <= 11; ++c)
        EXPECT_FALSE(lap0[static_cast<size_t>(c)].empty()) << c;
    EXPECT_EQ(lap0[13], "-");  // no drift
    // The pit-stop lap is the slowest: never marked.
    for (int rank : session->listMarks.laps.lapTime)
        EXPECT_NE(rank, 1);
    // Its first sector is the slow one, so it is never among the best there.
    for (int rank : session->listMarks.sectorTime[0])
        EXPECT_NE(rank, 1);
}

TEST_F(AnalysisTest, SlotsCompareTheLapsAtTheGates) {
    ASSERT_EQ(ShowLapInSlot(*session, 1).kind, SlotChange::Kind::Loaded);
    ASSERT_EQ(StringGridLapDataDblClick(*session, 2).kind, SlotChange::Kind::Loaded);
    ASSERT_EQ(session->laps.LapDtNum(), 2);
    const SectRes& a = session->sectRes[0];
    const SectRes& b = session->sectRes[1];
    // The sectors add up to the lap, and the stop sits in sector 1 of lap 2.
    Float80 sum = 0;
    for (int k = 0; k <= 3; ++k)
        sum += a.SectTim[static_cast<size_t>(k)];
    EXPECT_NEAR(static_cast<double>(sum), TrueLapSec(0), 0.002);
    EXPECT_NEAR(static_cast<double>(b.SectTim[0] - a.SectTim[0]), TrueLapSec(1) - TrueLapSec(0),
                0.01);
    EXPECT_NEAR(static_cast<double>(b.SectTim[2] - a.SectTim[2]), 0, 0.01);

    // Behind by the stop from the first gate on.
    const TLapDtRec& ref = session->laps.LapDt[0];
    const double lost = TrueLapSec(1) - TrueLapSec(0);
    for (int g = 0; g < 3; ++g) {
        EXPECT_NEAR(static_cast<double>(
                        DiffAtTime(ref, session->align, a.SectPassTim[static_cast<size_t>(g)])),
                    lost, 0.02)
            << "gate " << g + 1;
    }
    EXPECT_NEAR(static_cast<double>(session->align.DiffArr.back()), lost, 0.002);
    EXPECT_NEAR(static_cast<double>(session->align.MaxAlignedTim), TrueLapSec(1), 0.002);

    // The cursor follows the play time.
    MoveCursor(*session, 10);
    EXPECT_NEAR(static_cast<double>(session->align.cursor[0].CsTim), 10, 1e-9);
    EXPECT_GT(session->align.cursor[0].CsDist, session->align.cursor[1].CsDist);
}

TEST_F(AnalysisTest, DoubleClickTogglesAndFourSlotsAreTheLimit) {
    for (int row = 1; row <= 4; ++row)
        ASSERT_EQ(StringGridLapDataDblClick(*session, row).kind, SlotChange::Kind::Loaded);
    EXPECT_EQ(SlotNames(*session), (std::vector<std::string>{"0000", "0001", "0002", "0003"}));

    // Showing the lap of slot B again takes it out; C and D move up.
    const SlotChange removed = StringGridLapDataDblClick(*session, 2);
    EXPECT_EQ(removed.kind, SlotChange::Kind::Removed);
    EXPECT_EQ(removed.slot, 1);
    EXPECT_EQ(SlotNames(*session), (std::vector<std::string>{"0000", "0002", "0003"}));
    EXPECT_NEAR(static_cast<double>(session->sectRes[1].SectTim[0]),
                static_cast<double>(session->sectRes[0].SectTim[0]), 0.05);  // no stop in 0002

    EXPECT_EQ(StringGridLapDataDblClick(*session, 0).kind, SlotChange::Kind::Nothing);  // header
    EXPECT_EQ(StringGridLapDataDblClick(*session, 9).kind, SlotChange::Kind::Nothing);
    // A vanished temporary file shows nothing.
    std::filesystem::remove(dir / "temp0001.dtb");
    EXPECT_EQ(StringGridLapDataDblClick(*session, 2).kind, SlotChange::Kind::Nothing);
    EXPECT_EQ(session->laps.LapDtNum(), 3);

    for (int row : {1, 3, 4})
        EXPECT_EQ(StringGridLapDataDblClick(*session, row).kind, SlotChange::Kind::Removed);
    EXPECT_EQ(session->laps.LapDtNum(), 0);
}

TEST_F(AnalysisTest, LapsPlacedInSlotsCAndDLeaveSlotBsDifferenceAsAFreshOne) {
    // 0: the alignment gate as slot B was placed; 2: a gate chosen since,
    // which moves slot B's time offset.
    for (const int gateAfterB : {0, 2}) {
        SCOPED_TRACE(gateAfterB);
        session->laps.LapDt.clear();
        for (int row = 1; row <= 2; ++row)
            ASSERT_EQ(ShowLapInSlot(*session, row).kind, SlotChange::Kind::Loaded);
        session->align.AlignGate = gateAfterB;
        for (int row = 3; row <= 4; ++row) {
            ASSERT_EQ(ShowLapInSlot(*session, row).kind, SlotChange::Kind::Loaded);
            AlignState fresh = session->align;
            CalcTimeDiff(session->laps.LapDt, session->sectRes, session->gates.UsedCount(), fresh);
            ASSERT_FALSE(fresh.DiffArr.empty());
            EXPECT_TRUE(fresh.DiffArr == session->align.DiffArr) << "row " << row;
            EXPECT_EQ(fresh.DiffMin, session->align.DiffMin);
            EXPECT_EQ(fresh.DiffMax, session->align.DiffMax);
        }
        EXPECT_EQ(session->align.AlignGate, gateAfterB);
    }
}

// A tied video that plays.
VideoStatus PlayingVideo() {
    VideoStatus video;
    video.duration = 300'000'000;
    video.syncOn = true;
    video.syncEnd = 90'000'000;
    video.playing = true;
    video.paused = false;
    return video;
}

TEST_F(AnalysisTest, ALapLeavingItsSlotStopsPlaybackAndTheTiedVideo) {
    ASSERT_EQ(ShowOrRemoveLap(*session, 1, false, PlayingVideo()).change.kind,
              SlotChange::Kind::Loaded);
    session->presentation.playing = true;
    const ShownLap removed = ShowOrRemoveLap(*session, 1, false, PlayingVideo());
    EXPECT_EQ(removed.change.kind, SlotChange::Kind::Removed);
    EXPECT_FALSE(session->presentation.playing);
    ASSERT_FALSE(removed.steps.empty());
    EXPECT_EQ(removed.steps.front().kind, StepKind::kVideoPause);
}

TEST_F(AnalysisTest, RemovingAllLapDataPausesAPlayingVideoWithOrWithoutShownLaps) {
    for (const bool lapShown : {true, false}) {
        if (lapShown) {
            ASSERT_EQ(StringGridLapDataDblClick(*session, 1).kind, SlotChange::Kind::Loaded);
        }
        test::ScriptedPrompter prompter;
        prompter.answers = {true};  // "Do you remove all lap data?"
        const StepList steps = RemoveAllLapData(*session, prompter, nullptr, PlayingVideo());
        EXPECT_EQ(std::count(steps.begin(), steps.end(), Step{StepKind::kVideoPause}), 1)
            << lapShown;
        ASSERT_EQ(ExtractLaps(*session).lapsAdded, 4);
    }
}

}  // namespace
}  // namespace qv
