#include <gtest/gtest.h>

#include <vector>

#include "presentation/input_rules.h"
#include "presentation/zoom_commands.h"
#include "presentation/zoom_ladders.h"

namespace qv {
namespace {

std::vector<double> Climb(Float80 start, Float80 (*next)(Float80)) {
    std::vector<double> rungs{static_cast<double>(start)};
    Float80 v = start;
    for (int i = 0; i < 100; ++i) {
        const Float80 n = next(v);
        if (n == v)
            break;
        v = n;
        rungs.push_back(static_cast<double>(v));
    }
    return rungs;
}

void ExpectRungs(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 1e-12) << "rung " << i;
}

TEST(XZoomLadder, UpAndDownBetweenEnds) {
    std::vector<double> up{1, 1.25, 1.5, 1.75, 2};
    for (int z = 3; z <= 16; ++z)
        up.push_back(z);
    ExpectRungs(Climb(1, XZoomIn), up);
    ExpectRungs(Climb(16, XZoomOut), std::vector<double>(up.rbegin(), up.rend()));
    EXPECT_EQ(XZoomIn(1.75L), 2);
    EXPECT_EQ(XZoomIn(2), 3);
    EXPECT_EQ(XZoomOut(3), 2);
    EXPECT_EQ(XZoomOut(2), 1.75L);
    EXPECT_EQ(XZoomIn(16), 16);
    EXPECT_EQ(XZoomOut(1), 1);
    EXPECT_EQ(XZoomIn(15.5L), 16);  // off the ladder, capped
}

TEST(MapZoomLadder, TenthsBelowOneQuartersAbove) {
    std::vector<double> up{0.5, 0.6, 0.7, 0.8, 0.9, 1.0};
    for (double z = 1.25; z <= 16; z += 0.25)
        up.push_back(z);
    ExpectRungs(Climb(0.5L, MapZoomIn), up);
    ExpectRungs(Climb(16, MapZoomOut), std::vector<double>(up.rbegin(), up.rend()));
    EXPECT_NEAR(static_cast<double>(MapZoomOut(1)), 0.9, 1e-15);
    EXPECT_EQ(MapZoomIn(1), 1.25L);
    EXPECT_EQ(MapZoomOut(0.5L), 0.5L);
    // Five tenths from 0.5 land on 1 itself, so the next step is a quarter.
    Float80 z = 0.5L;
    for (int i = 0; i < 5; ++i)
        z = MapZoomIn(z);
    EXPECT_EQ(z, 1);
    EXPECT_EQ(MapZoomIn(z), 1.25L);
}

TEST(GZoomLadder, StepsAndScales) {
    EXPECT_EQ(GZoomIn(2), 1);
    EXPECT_EQ(GZoomIn(0), 0);
    EXPECT_EQ(GZoomOut(5), 6);
    EXPECT_EQ(GZoomOut(6), 6);
    const double scale[] = {0.5, 1.5, 2.0, 2.5, 2.75, 3.5, 5.0};
    for (int s = 0; s < kGZoomStepCount; ++s)
        EXPECT_EQ(static_cast<double>(GScale(s)), scale[s]);
    EXPECT_EQ(GScale(-3), 0.5L);
    EXPECT_EQ(GScale(99), 5.0L);
}

TEST(ZoomCommands, RepaintOnlyTheirViewAndNeedReferenceLap) {
    PresentationState state;
    EXPECT_TRUE(XAxisZoom(state, ZoomDirection::kIn, false).empty());
    EXPECT_EQ(state.xZoom, 1);
    EXPECT_EQ(XAxisZoom(state, ZoomDirection::kIn, true), StepList{{StepKind::kRepaintSpeedGraph}});
    EXPECT_EQ(state.xZoom, 1.25L);
    EXPECT_TRUE(MapZoom(state, ZoomDirection::kIn, false).empty());
    EXPECT_EQ(MapZoom(state, ZoomDirection::kOut, true), StepList{{StepKind::kRepaintCourseMap}});
    state.mapZoom = 0.5L;
    EXPECT_TRUE(MapZoom(state, ZoomDirection::kOut, true).empty());
}

TEST(ZoomCommands, GZoomRebuildsAndWorksWithoutLap) {
    PresentationState state;
    EXPECT_EQ(GZoom(state, ZoomDirection::kOut), StepList{{StepKind::kRepaintGView}});
    EXPECT_EQ(state.gZoomStep, 3);
    EXPECT_TRUE(state.rebuild.gView);
    state.showGGraph = true;
    state.rebuild = {};
    const StepList steps = GZoom(state, ZoomDirection::kIn);
    EXPECT_EQ(steps, (StepList{{StepKind::kRepaintGView}, {StepKind::kRepaintSpeedGraph}}));
    state.gZoomStep = 0;
    state.rebuild = {};
    EXPECT_TRUE(GZoom(state, ZoomDirection::kIn).empty());
    EXPECT_FALSE(state.rebuild.gView);
}

TEST(MouseWheel, ZoomsTheViewsUnderThePointer) {
    WheelTargets t;
    t.speedGraph = {0, 0, 699, 199};
    t.courseMap = {300, 250, 899, 699};
    t.gView = {0, 250, 299, 699};
    PresentationState state;
    // The edge pixel counts as inside.
    WheelZoom(state, 120, 699, 199, t, true);
    EXPECT_EQ(state.xZoom, 1.25L);
    WheelZoom(state, -120, 300, 250, t, true);
    EXPECT_NEAR(static_cast<double>(state.mapZoom), 0.9, 1e-15);
    // Over the G view while the Course tab shows: nothing.
    EXPECT_TRUE(WheelZoom(state, 120, 100, 400, t, true).empty());
    EXPECT_EQ(state.gZoomStep, 2);
    t.gTabShowing = true;
    WheelZoom(state, 120, 100, 400, t, false);
    EXPECT_EQ(state.gZoomStep, 1);
    // Overlapping rectangles: both zoom.
    t.courseMap = {0, 0, 899, 699};
    const StepList both = WheelZoom(state, 120, 10, 10, t, true);
    EXPECT_EQ(both, (StepList{{StepKind::kRepaintSpeedGraph}, {StepKind::kRepaintCourseMap}}));
    // A zero delta zooms out.
    state.xZoom = 3;
    WheelZoom(state, 0, 10, 10, t, true);
    EXPECT_EQ(state.xZoom, 2);
}

}  // namespace
}  // namespace qv
