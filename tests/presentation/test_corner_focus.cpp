#include <gtest/gtest.h>

#include "course_test_support.h"
#include "presentation/corner_focus.h"
#include "presentation/course_map.h"

namespace qv {
namespace {

using course_test::Fix;
using course_test::LapOf;

// Eleven samples 20 m apart through the apex at sample 5, along the east
// axis or the north axis; the sample times are 10 s + index.
TLapDtRec Line(bool eastward, double metresApart = 20) {
    TLapDtRec lap;
    for (int i = 0; i <= 10; ++i) {
        const double along = (i - 5) * metresApart;
        Fix f;
        f.east = eastward ? along : 0;
        f.north = eastward ? 0 : along;
        f.sec = 10 + i;
        TLapElmRec e = LapOf({f}).Elm[0];
        e.Dist = i * metresApart / 1000;
        lap.Elm.push_back(e);
    }
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    return lap;
}

TEST(CornerFocus, ZoomsToTheHighestRungThatKeepsTheCornerInTheBox) {
    // A corner 100 m either side of the apex: a 540 px wide box leaves
    // 254 px each side, 2.54 px per metre, so the rung is 2.5; a 300 px
    // high box leaves 134 px, and 1.25 is the rung below 1.34.
    const struct {
        bool eastward;
        int BW, BH;
        double metresApart;
        double zoom;
    } cases[] = {
        {true, 540, 300, 20, 2.5},    {false, 540, 300, 20, 1.25},
        {false, 540, 1000, 20, 4.75},  // 484 px for 100 m
        {true, 540, 300, 1, 16},       // 5 m each side: the ladder's top
        {true, 540, 300, 400, 0.5},    // 2 km each side: its bottom
    };
    for (const auto& c : cases) {
        const TLapDtRec lap = Line(c.eastward, c.metresApart);
        const auto focus = FocusOnCorner(lap, {0, 5, 10}, c.BW, c.BH, 1);
        ASSERT_TRUE(focus);
        EXPECT_NEAR(static_cast<double>(focus->mapZoom), c.zoom, 1e-9)
            << c.eastward << " " << c.BW << "x" << c.BH << " " << c.metresApart;
        EXPECT_EQ(focus->playTime, 15);
    }
}

TEST(CornerFocus, TheCornerLiesInsideTheMapAtTheChosenZoom) {
    const TLapDtRec lap = Line(true);
    const CornerSpan span{2, 5, 9};
    const auto focus = FocusOnCorner(lap, span, 455, 380, 1);
    ASSERT_TRUE(focus);
    const TLapElmRec& apex = lap.Elm[5];
    const CourseMapFrame frame = CourseMapFrameFor(apex.Ido, apex.Kdo, focus->mapZoom, 455, 380);
    for (int i = span.entry; i <= span.exit; ++i) {
        const ScenePoint p = frame.ToPixel(lap.Elm[i].Ido, lap.Elm[i].Kdo);
        EXPECT_GE(p.x, 0) << i;
        EXPECT_LE(p.x, 455) << i;
        EXPECT_GE(p.y, 0) << i;
        EXPECT_LE(p.y, 380) << i;
    }
    // The last sample of the corner is 80 m east: near the right edge.
    EXPECT_GT(frame.ToPixel(lap.Elm[9].Ido, lap.Elm[9].Kdo).x, 455 * 3 / 4);
}

TEST(CornerFocus, BadSpansAndEmptyBoxes) {
    const TLapDtRec lap = Line(true);
    EXPECT_FALSE(FocusOnCorner(lap, {0, 5, 11}, 400, 400, 1));  // past the last sample
    EXPECT_FALSE(FocusOnCorner(lap, {6, 5, 8}, 400, 400, 1));   // entry after the apex
    EXPECT_FALSE(FocusOnCorner(lap, {-1, 5, 8}, 400, 400, 1));
    EXPECT_FALSE(FocusOnCorner(TLapDtRec{}, {0, 0, 0}, 400, 400, 1));
    const auto unsized = FocusOnCorner(lap, {0, 5, 10}, 0, 0, 3.25L);
    ASSERT_TRUE(unsized);
    EXPECT_EQ(unsized->mapZoom, 3.25L);
    EXPECT_EQ(unsized->playTime, 15);
}

TEST(CornerFocus, SelectMovesCursorAndZoomOnlyForALapInSlotA) {
    const TLapDtRec lap = Line(true);
    PresentationState state;
    state.playTime = 3;
    EXPECT_FALSE(SelectCorner(state, nullptr, {0, 5, 10}, 540, 300));
    EXPECT_FALSE(SelectCorner(state, &lap, {0, 5, 12}, 540, 300));
    EXPECT_EQ(state.playTime, 3);
    EXPECT_EQ(state.mapZoom, 1);
    EXPECT_TRUE(SelectCorner(state, &lap, {3, 4, 10}, 540, 300));
    EXPECT_EQ(state.playTime, 14);
    EXPECT_GT(state.mapZoom, 1);
}

TEST(CornerFocus, SampleAtDistance) {
    const TLapDtRec lap = Line(true);  // every 0.02 km
    const struct {
        double km;
        int sample;
    } cases[] = {{0, 0}, {0.02, 1}, {0.029, 1}, {0.031, 2}, {0.199, 10}, {5, 10}, {-1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(SampleAtDistance(lap, c.km), c.sample) << c.km;
    EXPECT_FALSE(SampleAtDistance(TLapDtRec{}, 0));
}

}  // namespace
}  // namespace qv
