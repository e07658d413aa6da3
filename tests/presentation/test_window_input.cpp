#include <gtest/gtest.h>

#include <algorithm>

#include "presentation/graph_reset.h"
#include "presentation/input_rules.h"
#include "presentation/toggles.h"
#include "presentation/window_rules.h"
#include "support/scripted_prompter.h"

namespace qv {
namespace {

using K = StepKind;

bool Has(const StepList& steps, K kind) {
    return std::any_of(steps.begin(), steps.end(),
                       [kind](const Step& s) { return s.kind == kind; });
}

KeyPollContext GraphTabWithLap() {
    KeyPollContext ctx;
    ctx.applicationActive = true;
    ctx.graphTabShowing = true;
    ctx.play.lapDtNum = 1;
    return ctx;
}

TEST(KeyPoll, SpaceTogglesOnceAndHoldsOffThePoll) {
    PresentationState state;
    const KeyPollResult first =
        PollKeys(state, 60, 45000.0, {true, false, false}, GraphTabWithLap());
    EXPECT_TRUE(state.playing);
    EXPECT_EQ(first.nextPollMs, 400);
    const KeyPollResult idle = PollKeys(state, 60, 45000.0, {}, GraphTabWithLap());
    EXPECT_TRUE(state.playing);
    EXPECT_EQ(idle.nextPollMs, 100);
    EXPECT_TRUE(idle.steps.empty());
}

TEST(KeyPoll, IgnoredOffTheGraphTabOrWithDialogOpen) {
    PresentationState state;
    KeyPollContext ctx = GraphTabWithLap();
    ctx.graphTabShowing = false;  // the Data tab
    PollKeys(state, 60, 45000.0, {true, true, false}, ctx);
    EXPECT_FALSE(state.playing);
    EXPECT_EQ(state.playTime, 0);
    ctx = GraphTabWithLap();
    ctx.applicationActive = false;
    PollKeys(state, 60, 45000.0, {true, false, false}, ctx);
    EXPECT_FALSE(state.playing);
    state.dialogOpen = true;
    PollKeys(state, 60, 45000.0, {true, false, false}, GraphTabWithLap());
    EXPECT_FALSE(state.playing);
}

TEST(KeyPoll, FrameKeysOnlyWhileStopped) {
    PresentationState state;
    PollKeys(state, 60, 45000.0, {false, true, true}, GraphTabWithLap());  // F wins over B
    EXPECT_NEAR(static_cast<double>(state.playTime), 0.1, 1e-15);
    PollKeys(state, 60, 45000.0, {false, false, true}, GraphTabWithLap());
    EXPECT_EQ(state.playTime, 0);
    state.playing = true;
    state.playTime = 3;
    PollKeys(state, 60, 45000.0, {false, true, false}, GraphTabWithLap());
    EXPECT_EQ(state.playTime, 3);
    // Space stops playback, and F then steps in the same poll.
    const KeyPollResult r = PollKeys(state, 60, 45000.0, {true, true, false}, GraphTabWithLap());
    EXPECT_FALSE(state.playing);
    EXPECT_NEAR(static_cast<double>(state.playTime), 3.1, 1e-12);
    EXPECT_TRUE(Has(r.steps, K::kSampleAtTime));
}

TEST(Toggles, RepaintRules) {
    PresentationState state;
    EXPECT_TRUE(Has(ToggleTimeDiff(state), K::kSetDataStr));  // the labels show the difference
    EXPECT_FALSE(Has(ToggleElevation(state), K::kSetDataStr));
    EXPECT_EQ(ToggleDecelZones(state), StepList{{K::kRepaintCourseMap}});
    state.playing = true;
    EXPECT_TRUE(ToggleDecelZones(state).empty());  // the next tick repaints the map
    EXPECT_TRUE(state.showDecelZones);
    EXPECT_TRUE(SelectXAxis(state, XAxisMode::kDistance).empty());
    EXPECT_EQ(SelectXAxis(state, XAxisMode::kTime).front(), Step{K::kRepaintAxisSelectors});
    EXPECT_EQ(state.xAxis, XAxisMode::kTime);
    EXPECT_TRUE(SelectGGraphItem(state, GGraphItem::kXG).empty());  // G graph hidden
    EXPECT_EQ(state.gGraphItem, GGraphItem::kXG);
}

TEST(RightClick, ChoosesExportTargetWhileStopped) {
    PresentationState state;
    EXPECT_TRUE(RightClickOnView(state, GraphView::kCourseMap, false));
    EXPECT_EQ(state.exportTarget, GraphView::kCourseMap);
    EXPECT_FALSE(RightClickOnView(state, GraphView::kDriftView, false));
    EXPECT_EQ(state.exportTarget, GraphView::kCourseMap);
    EXPECT_TRUE(RightClickOnView(state, GraphView::kDriftView, true));
    EXPECT_EQ(static_cast<int>(*state.exportTarget), 4);
    state.playing = true;
    EXPECT_FALSE(RightClickOnView(state, GraphView::kSpeedGraph, true));
    EXPECT_EQ(state.exportTarget, GraphView::kDriftView);
}

TEST(WindowRules, SplittersAndPages) {
    EXPECT_TRUE(Splitter1CanResize(132, 400) && Splitter1CanResize(240, 400));
    EXPECT_FALSE(Splitter1CanResize(131, 400) || Splitter1CanResize(241, 400));
    EXPECT_FALSE(Splitter1CanResize(132, 279));
    EXPECT_TRUE(Splitter2CanResize(120, 600) && Splitter2CanResize(200, 600));
    EXPECT_FALSE(Splitter2CanResize(119, 600) || Splitter2CanResize(201, 600));
    EXPECT_FALSE(Splitter2CanResize(120, 519));
    PresentationState state;
    PageChanged(state, MainPage::kData);
    EXPECT_FALSE(state.rebuild.gView);
    PageChanged(state, MainPage::kGraph);
    EXPECT_TRUE(state.rebuild.courseOverview && state.rebuild.gView && state.rebuild.driftView);
}

TEST(GraphReset, YesClearsEverythingButViewChoices) {
    test::ScriptedPrompter prompter;
    prompter.answers = {true};
    PresentationState state;
    state.playing = true;
    state.playTime = 42;
    state.xZoom = 3;
    state.xAxis = XAxisMode::kTime;
    state.playSpeed = PlaySpeed::kX4;
    state.mapOrigin = 35.1L;
    state.extremes.MaxSpd = 180;
    state.extremes.LapDist = 4.2L;
    LapStore laps;
    laps.LapDt.resize(2);
    Float80 playbackEnd = 95;
    VideoStatus video;
    video.duration = 1000;
    video.playing = true;
    const StepList steps = ResetGraph(prompter, state, laps, playbackEnd, video);
    ASSERT_EQ(prompter.Messages(), std::vector<std::string>{"Do you clear graph?"});
    EXPECT_FALSE(state.playing);
    EXPECT_EQ(state.playTime, 0);
    EXPECT_EQ(laps.LapDtNum(), 0);
    EXPECT_EQ(playbackEnd, 0);
    EXPECT_EQ(state.mapOrigin, 0);
    EXPECT_EQ(state.extremes.MaxSpd, 0);
    EXPECT_EQ(state.extremes.MinSpd, 9999.9L);
    EXPECT_EQ(state.extremes.ElvLo, 99999);
    EXPECT_EQ(state.extremes.LapDist, 0);
    EXPECT_TRUE(state.rebuild.courseOverview && state.rebuild.gView && state.rebuild.driftView);
    EXPECT_EQ(state.xZoom, 3);
    EXPECT_EQ(state.xAxis, XAxisMode::kTime);
    EXPECT_EQ(state.playSpeed, PlaySpeed::kX4);
    EXPECT_EQ(steps.front(), Step{K::kCalDistOfs});
    EXPECT_EQ(steps.back(), Step{K::kVideoPause});
    EXPECT_TRUE(Has(steps, K::kSetSectGrid));
}

TEST(GraphReset, CancelLeavesEverything) {
    test::ScriptedPrompter prompter;
    prompter.answers = {false};
    PresentationState state;
    state.playTime = 42;
    LapStore laps;
    laps.LapDt.resize(1);
    Float80 playbackEnd = 95;
    EXPECT_TRUE(ResetGraph(prompter, state, laps, playbackEnd, VideoStatus{}).empty());
    EXPECT_EQ(state.playTime, 42);
    EXPECT_EQ(laps.LapDtNum(), 1);
    EXPECT_EQ(playbackEnd, 95);
}

TEST(GraphReset, WithoutALapInSlotANothingIsAsked) {
    test::ScriptedPrompter prompter;
    prompter.answers = {true};
    PresentationState state;
    state.playTime = 42;
    LapStore laps;
    Float80 playbackEnd = 95;
    EXPECT_TRUE(ResetGraph(prompter, state, laps, playbackEnd, VideoStatus{}).empty());
    EXPECT_TRUE(prompter.Messages().empty());
    EXPECT_EQ(state.playTime, 42);
}

}  // namespace
}  // namespace qv
