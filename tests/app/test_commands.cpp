// The command rules the window and the command-line tool share: the step
// runner, the refresh after an opened log, the gate buttons' guards and the
// order of shutting down.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/after_open_log.h"
#include "app/analysis.h"
#include "app/gate_buttons.h"
#include "app/session_lifetime.h"
#include "app/step_runner.h"
#include "laps/lap_extraction.h"
#include "presentation/refresh_sequence.h"
#include "support/scripted_chooser.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

class RecordingScreen : public StepScreen {
  public:
    std::vector<std::string> calls;
    DataLabels labels;
    void ShowLabels(const DataLabels& l) override {
        labels = l;
        calls.push_back("labels");
    }
    void RefreshTables() override { calls.push_back("tables"); }
    void RefreshList() override { calls.push_back("list"); }
    void Repaint(StepKind kind) override { calls.push_back(std::string(StepName(kind))); }
};

class NoGateDialogs : public GateDialogs {
  public:
    int asked = 0;
    std::optional<int> SelectEditGate(int, int) override { return ++asked, std::nullopt; }
    std::optional<int> AdjustGate(GateAdjustView&, int) override { return ++asked, std::nullopt; }
    std::optional<GateRemoval> SelectRemoveGates(int, bool) override {
        return ++asked, std::nullopt;
    }
};

// Three laps of the demo circuit with two sector gates, the first two laps
// in slots A and B.
class CommandsTest : public ::testing::Test {
  protected:
    CommandsTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        session->settings.MinLapDist = 0.25;
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 3;
        synth::LoadDriveIntoLog(synth::SynthesizeDrive(circuit, options), session->log, kBase);
        session->lines = synth::CircuitControlLine(circuit);
        session->gates = synth::CircuitGates(circuit, 2);
        EXPECT_EQ(ExtractLaps(*session).lapsAdded, 3);
        RefreshLapList(*session);
        // Grid rows: row k + 1 is lap k.
        EXPECT_EQ(ShowLapInSlot(*session, 1).kind, SlotChange::Kind::Loaded);
        EXPECT_EQ(ShowLapInSlot(*session, 2).kind, SlotChange::Kind::Loaded);
    }
    GateButtonContext Buttons(bool playing) {
        return GateButtonContext{*session, prompter, dialogs, chooser, index, playing};
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    test::ScriptedPrompter prompter;
    NoGateDialogs dialogs;
    test::ScriptedChooser chooser;
    std::vector<TPthClnDat> index;
};

TEST_F(CommandsTest, StepRunnerCalculatesThenShowsInTheListedOrder) {
    session->presentation.playTime = 30;
    session->presentation.mapCentreIdo = 0;
    RecordingScreen screen;
    RunSteps(*session,
             {{StepKind::kCalcSectors},
              SampleStep(0),
              {StepKind::kCentreMapOnSlotA},
              {StepKind::kRepaintCourseMap},
              {StepKind::kSetDataStr},
              {StepKind::kSetSectGrid},
              {StepKind::kRepaintLapList}},
             &screen);
    EXPECT_EQ(screen.calls,
              (std::vector<std::string>{"RepaintCourseMap", "labels", "tables", "list"}));
    // The map centre is slot A's position at the new play time.
    EXPECT_NE(session->presentation.mapCentreIdo, 0);
    EXPECT_EQ(session->presentation.mapCentreIdo, session->align.cursor[0].CsIdo);
    EXPECT_FALSE(screen.labels.summary[0].empty());
    // Without a screen the calculations still run.
    session->presentation.playTime = 60;
    RunSteps(*session, {SampleStep(0), {StepKind::kCentreMapOnSlotA}, {StepKind::kSetDataStr}},
             nullptr);
    EXPECT_EQ(session->presentation.mapCentreIdo, session->align.cursor[0].CsIdo);
}

TEST_F(CommandsTest, AfterOpenLogRetimesOnNewGatesElseRefreshesTheListForNewLaps) {
    const GateTable before = session->gates;
    OpenLogOutcome outcome;
    EXPECT_TRUE(StepsAfterOpenLog(*session, outcome, before).steps.empty());

    outcome.lapsAdded = 2;
    const AfterOpenLog added = StepsAfterOpenLog(*session, outcome, before);
    EXPECT_TRUE(added.showDataPage);
    EXPECT_EQ(added.steps, (StepList{{StepKind::kSetSectTmList}, {StepKind::kSetDriftAngleList}}));

    session->gates.SectCount = 1;
    outcome.lapsAdded = 0;
    PresentationState expectedState = session->presentation;
    const AfterOpenLog retimed = StepsAfterOpenLog(*session, outcome, before);
    EXPECT_FALSE(retimed.showDataPage);
    EXPECT_EQ(retimed.steps, GateChangeSteps(expectedState, session->laps.LapDtNum()));
}

TEST_F(CommandsTest, GateButtonsAskNothingWhilePlayingOrWithoutGates) {
    GateButtonContext playing = Buttons(true);
    EXPECT_TRUE(SpeedButtonLdSectClick(playing).empty());
    EXPECT_TRUE(SpeedButtonSelSectClick(playing).empty());
    EXPECT_TRUE(SpeedButtonEdSectClick(playing).empty());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(dialogs.asked, 0);
    EXPECT_FALSE(session->presentation.dialogOpen);

    session->gates.SectCount = 0;
    GateButtonContext idle = Buttons(false);
    SpeedButtonSvSectClick(idle);
    EXPECT_TRUE(prompter.shown.empty());

    // With gates the save asks for its file, and the dialog flag is down again.
    session->gates.SectCount = 2;
    SpeedButtonSvSectClick(idle);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, "save");
    EXPECT_FALSE(session->presentation.dialogOpen);
}

TEST_F(CommandsTest, AlignAtGateMovesThePlayTimeOnlyWhenTheCursorJumps) {
    RefreshSlots(*session);
    session->presentation.playTime = 5;
    const StepList first = AlignAtNextGate(*session, false);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(session->align.AlignGate, 1);
    const bool jumped = session->presentation.playTime != 5;
    EXPECT_EQ(first.back().kind, jumped ? StepKind::kSetDataStr : StepKind::kRepaintDriftCursor);
    EXPECT_TRUE(AlignAtNextGate(*session, true).empty());
    EXPECT_EQ(session->align.AlignGate, 1);
}

TEST(SessionLifetimeTest, ShutDownStopsWhatRunsBeforeKeepingTheToggles) {
    Session session(kBase);
    std::vector<std::string> order;
    session.presentation.showTimeDiff = !session.settings.diffTimeGraphShown;
    const bool shown = session.presentation.showTimeDiff;
    test::ScriptedPrompter prompter;
    ShutDownSession(session, StartupResult{},
                    {[&] { order.push_back("playback"); }, [&] { order.push_back("device"); }},
                    prompter);
    EXPECT_EQ(order, (std::vector<std::string>{"playback", "device"}));
    EXPECT_EQ(session.settings.diffTimeGraphShown, shown);
}

}  // namespace
}  // namespace qv
