#include "presentation/refresh_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv {
namespace {

using K = StepKind;

StepList Kinds(std::initializer_list<K> kinds) {
    StepList steps;
    for (K k : kinds)
        steps.push_back({k});
    return steps;
}

size_t IndexOf(const StepList& steps, K kind) {
    return std::find_if(steps.begin(), steps.end(),
                        [kind](const Step& s) { return s.kind == kind; }) -
           steps.begin();
}

TEST(CursorRefresh, SamplesOccupiedSlotsThenRepaints) {
    StepList want{
        SampleStep(0), {K::kCentreMapOnSlotA}, SampleStep(1), SampleStep(2), {K::kSampleAtRefDist}};
    for (const Step& s : Kinds({K::kRepaintCourseMap, K::kRepaintSpeedBar, K::kRepaintSpeedGraph,
                                K::kRepaintCourseMarkers, K::kSetDataStr, K::kRepaintGCursor,
                                K::kRepaintDriftCursor}))
        want.push_back(s);
    EXPECT_EQ(CursorRefreshSteps(3), want);
}

TEST(CursorRefresh, EmptySlotsOnlyRepaint) {
    const StepList steps = CursorRefreshSteps(0);
    EXPECT_EQ(steps.size(), 7u);
    EXPECT_EQ(IndexOf(steps, K::kSampleAtTime), steps.size());
    EXPECT_EQ(IndexOf(steps, K::kCentreMapOnSlotA), steps.size());
    // A count beyond four slots samples four.
    const StepList many = CursorRefreshSteps(9);
    EXPECT_EQ(std::count_if(many.begin(), many.end(),
                            [](const Step& s) { return s.kind == K::kSampleAtTime; }),
              4);
}

TEST(GateChange, FullChainInOrderWithBackgroundsRebuilt) {
    PresentationState state;
    const StepList steps = GateChangeSteps(state, 2);
    StepList want = Kinds({K::kCalcSectors, K::kCalcTimeOffsets, K::kCalcTimeDiff});
    want.push_back(SampleStep(0));
    want.push_back({K::kCentreMapOnSlotA});
    want.push_back(SampleStep(1));
    for (const Step& s : Kinds({K::kSampleAtRefDist, K::kSetSectTmList, K::kSetDriftAngleList,
                                K::kCalDistOfs, K::kRepaintSpeedBar, K::kRepaintCourseOverview,
                                K::kRepaintCourseMap, K::kRepaintSpeedGraph, K::kRepaintGView,
                                K::kRepaintDriftView, K::kSetDataStr, K::kSetSectGrid}))
        want.push_back(s);
    EXPECT_EQ(steps, want);
    EXPECT_TRUE(state.rebuild.courseOverview);
    EXPECT_TRUE(state.rebuild.gView);
    EXPECT_TRUE(state.rebuild.driftView);
    EXPECT_TRUE(state.rebuild.speedGraph);
}

TEST(GateChange, WithoutLapsSkipsSampling) {
    PresentationState state;
    const StepList steps = GateChangeSteps(state, 0);
    EXPECT_EQ(IndexOf(steps, K::kSampleAtTime), steps.size());
    EXPECT_EQ(IndexOf(steps, K::kSampleAtRefDist), steps.size());
    EXPECT_LT(IndexOf(steps, K::kCalcSectors), IndexOf(steps, K::kSetSectGrid));
}

TEST(SlotChange, PlacedLapReanchorsVideoAndEndsWithList) {
    PresentationState state;
    const StepList placed = SlotChangeSteps(state, 1, true);
    EXPECT_EQ(placed.front(), Step{K::kCalcSectors});
    EXPECT_EQ(placed.back(), Step{K::kRepaintLapList});
    const size_t reanchor = IndexOf(placed, K::kVideoReanchor);
    ASSERT_LT(reanchor, placed.size());
    EXPECT_LT(IndexOf(placed, K::kCalDistOfs), reanchor);
    EXPECT_LT(reanchor, IndexOf(placed, K::kRepaintSpeedGraph));
    EXPECT_LT(IndexOf(placed, K::kSampleAtRefDist), IndexOf(placed, K::kSetSectTmList));
    EXPECT_TRUE(state.rebuild.courseOverview);
    EXPECT_TRUE(state.rebuild.gView);
    EXPECT_FALSE(state.rebuild.driftView);  // the dial does not depend on the laps
    EXPECT_TRUE(state.rebuild.speedGraph);  // samples may have changed where they lie

    const StepList removed = SlotChangeSteps(state, 1, false);
    EXPECT_EQ(IndexOf(removed, K::kVideoReanchor), removed.size());
    EXPECT_EQ(removed.size() + 1, placed.size());
}

}  // namespace
}  // namespace qv
