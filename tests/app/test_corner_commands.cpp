#include "app/corner_commands.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/analysis.h"
#include "app/step_runner.h"
#include "laps/lap_extraction.h"
#include "presentation/corner_focus.h"
#include "presentation/course_map.h"
#include "presentation/toggles.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

// Flying laps of the demo circuit at 10 Hz with 2 m of GPS noise, so that
// no two are the same; the first two in slots A and B (the list's first
// lap starts from standing).
class CornerCommandsTest : public ::testing::Test {
  protected:
    CornerCommandsTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        session->settings.MinLapDist = 0.25;
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 3;
        options.noiseM = 2;
        options.seed = 7;
        synth::LoadDriveIntoLog(synth::SynthesizeDrive(circuit, options), session->log, kBase);
        session->lines = synth::CircuitControlLine(circuit);
        session->gates = synth::CircuitGates(circuit, 3);
        EXPECT_GE(ExtractLaps(*session).lapsAdded, 3);
        EXPECT_EQ(ShowLapInSlot(*session, 2).kind, SlotChange::Kind::Loaded);
        EXPECT_EQ(ShowLapInSlot(*session, 3).kind, SlotChange::Kind::Loaded);
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
};

TEST_F(CornerCommandsTest, ACornerPutsTheCursorAtItsApexAndTheWholeCornerOnTheMap) {
    const CornerTable table = SlotCornerTable(*session);
    ASSERT_GE(table.corners.size(), 3u);
    const TLapDtRec& lapA = session->laps.LapDt[0];
    constexpr int kBW = 540, kBH = 420;
    for (const Corner& c : table.corners) {
        SCOPED_TRACE(c.number);
        ASSERT_TRUE(GoToCorner(*session, table.corners, c.number, kBW, kBH));
        const int entry = *SampleAtDistance(lapA, c.entryM / 1000);
        const int exit = *SampleAtDistance(lapA, c.exitM / 1000);
        // The cursor stands on a sample, the slowest of the corner.
        int at = -1;
        Float80 slowest = 1e9;
        for (int i = entry; i <= exit; ++i) {
            if (Float80(lapA.Elm[i].Sec) == session->presentation.playTime)
                at = i;
            slowest = std::min(slowest, Float80(lapA.Elm[i].Spd));
        }
        ASSERT_GE(at, 0);
        EXPECT_NEAR(static_cast<double>(lapA.Elm[at].Spd), static_cast<double>(slowest), 0.6);
        // The map, centred there, holds the corner from entry to exit.
        const CourseMapFrame frame = CourseMapFrameFor(lapA.Elm[at].Ido, lapA.Elm[at].Kdo,
                                                       session->presentation.mapZoom, kBW, kBH);
        for (int i = entry; i <= exit; ++i) {
            const ScenePoint p = frame.ToPixel(lapA.Elm[i].Ido, lapA.Elm[i].Kdo);
            EXPECT_TRUE(p.x >= 0 && p.x <= kBW && p.y >= 0 && p.y <= kBH) << "sample " << i;
        }
    }
}

TEST_F(CornerCommandsTest, NoCornerNoMove) {
    const CornerTable table = SlotCornerTable(*session);
    session->presentation.playTime = 12.5L;
    EXPECT_FALSE(GoToCorner(*session, table.corners, 0, 540, 420));  // the total row
    EXPECT_FALSE(GoToCorner(*session, table.corners, 99, 540, 420));
    EXPECT_FALSE(GoToCorner(*session, {}, 1, 540, 420));
    EXPECT_EQ(session->presentation.playTime, 12.5L);
    EXPECT_EQ(session->presentation.mapZoom, 1);
}

TEST_F(CornerCommandsTest, TheToggleSwitchesTheModeAndBackToTheSameDifference) {
    const AlignState byDistance = session->align;
    const CornerTable distanceTable = SlotCornerTable(*session);
    ASSERT_FALSE(byDistance.DiffArr.empty());
    ASSERT_EQ(byDistance.diffMode, AlignMode::kByDistance);

    RunSteps(*session, ToggleDiffByPosition(session->presentation, session->align), nullptr);
    EXPECT_TRUE(session->presentation.diffByPosition);
    EXPECT_EQ(session->align.diffMode, AlignMode::kByPosition);
    EXPECT_NE(session->align.DiffArr, byDistance.DiffArr);
    // Both ways the difference ends at the laps' difference.
    EXPECT_NEAR(static_cast<double>(session->align.DiffArr.back()),
                static_cast<double>(byDistance.DiffArr.back()), 0.02);
    const CornerTable positionTable = SlotCornerTable(*session);
    ASSERT_EQ(positionTable.rows.size(), distanceTable.rows.size());
    bool differs = false;
    for (size_t i = 0; i < positionTable.rows.size(); ++i)
        differs |= positionTable.rows[i].timeLostMs != distanceTable.rows[i].timeLostMs;
    EXPECT_TRUE(differs);

    RunSteps(*session, ToggleDiffByPosition(session->presentation, session->align), nullptr);
    EXPECT_FALSE(session->presentation.diffByPosition);
    EXPECT_EQ(session->align.diffMode, AlignMode::kByDistance);
    EXPECT_EQ(session->align.DiffArr, byDistance.DiffArr);
    EXPECT_EQ(session->align.DiffMin, byDistance.DiffMin);
    EXPECT_EQ(session->align.DiffMax, byDistance.DiffMax);
    EXPECT_EQ(session->align.DiffCur, byDistance.DiffCur);
    const CornerTable again = SlotCornerTable(*session);
    ASSERT_EQ(again.rows.size(), distanceTable.rows.size());
    for (size_t i = 0; i < again.rows.size(); ++i)
        EXPECT_EQ(again.rows[i].timeLostMs, distanceTable.rows[i].timeLostMs) << i;
}

TEST_F(CornerCommandsTest, AModeChosenStaysForTheNextLapShown) {
    RunSteps(*session, ToggleDiffByPosition(session->presentation, session->align), nullptr);
    const std::vector<Float80> withB = session->align.DiffArr;
    ASSERT_EQ(StringGridLapDataDblClick(*session, 3).kind, SlotChange::Kind::Removed);
    ASSERT_EQ(ShowLapInSlot(*session, 3).kind, SlotChange::Kind::Loaded);
    EXPECT_EQ(session->align.diffMode, AlignMode::kByPosition);
    EXPECT_EQ(session->align.DiffArr, withB);
}

}  // namespace
}  // namespace qv
