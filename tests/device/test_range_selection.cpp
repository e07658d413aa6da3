// The range dialog's scale: units from the last sector, pixel positions and
// clicks, checked against positions worked out by hand.

#include <gtest/gtest.h>

#include "device/range_selection.h"

namespace qv {
namespace {

// w 421 gives a 400-pixel scale: ticks every 50 pixels from x 10 to x 410.
constexpr int kW = 421, kH = 80;
constexpr int kTop = 10, kMiddle = 40, kBottom = 70;

int TickX(int i) {
    return 10 + 50 * i;
}

TEST(RangeSelection, UnitsRoundTheLastSectorUpToWholeMebibytes) {
    const RangeSelection thirty = MakeRangeSelection(30);
    EXPECT_EQ(thirty.units, 2);
    EXPECT_EQ(thirty.startUnit, 0);
    EXPECT_EQ(thirty.endUnit, 2);
    EXPECT_EQ(MakeRangeSelection(33).units, 3);
    EXPECT_EQ(MakeRangeSelection(127).units, 8);
    EXPECT_EQ(MakeRangeSelection(0).units, 0);
    EXPECT_EQ(MakeRangeSelection(-5).units, 0);
    EXPECT_EQ(MakeRangeSelection(500).units, 8);
}

TEST(RangeSelection, ScaleGeometry) {
    RangeSelection s = MakeRangeSelection(30);
    s.startUnit = 1;
    const RangeScaleGeometry g = LayoutRangeScale(s, kW, kH);
    EXPECT_EQ(g.frameRight, 411);
    EXPECT_EQ(g.frameTop, 20);
    EXPECT_EQ(g.frameBottom, 60);
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(g.tickX[i], TickX(i)) << i;
    EXPECT_EQ(g.tickTopFrom, 16);
    EXPECT_EQ(g.tickBottomTo, 64);
    // 400 * 30 / 128 = 93.75.
    EXPECT_EQ(g.usedRight, 103);
    EXPECT_EQ(g.start.corners[0].x, TickX(1));
    EXPECT_LT(g.start.corners[1].y, g.tickTopFrom);
    EXPECT_EQ(g.units.corners[0].x, TickX(2));
    EXPECT_GT(g.end.corners[1].y, g.tickBottomTo);

    // A 399-pixel scale truncates: 399 / 8 = 49.875, 399 * 3 / 8 = 149.625.
    EXPECT_EQ(RangeDivisionX(1, 420), 59);
    EXPECT_EQ(RangeDivisionX(3, 420), 159);
    EXPECT_EQ(RangeDivisionX(8, 420), 409);
    EXPECT_EQ(LayoutRangeScale(MakeRangeSelection(0), kW, kH).usedRight, 10);
    EXPECT_EQ(LayoutRangeScale(MakeRangeSelection(128), kW, kH).usedRight, 410);
}

TEST(RangeSelection, ClickGoesToTheNearestDivisionLine) {
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(RangeClickDivision(TickX(i), kW), i) << i;
    // Halfway between ticks 0 and 1 lies at x 35.
    EXPECT_EQ(RangeClickDivision(34, kW), 0);
    EXPECT_EQ(RangeClickDivision(35, kW), 1);
    EXPECT_EQ(RangeClickDivision(61, kW), 1);
    EXPECT_EQ(RangeClickDivision(84, kW), 1);
    EXPECT_EQ(RangeClickDivision(85, kW), 2);
    EXPECT_EQ(RangeClickDivision(372, kW), 7);
    EXPECT_EQ(RangeClickDivision(9, kW), -1);
    // Truncated ticks still map to themselves.
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(RangeClickDivision(RangeDivisionX(i, 420), 420), i) << i;
    EXPECT_EQ(RangeClickDivision(15, 21), -1);
}

TEST(RangeSelection, StartClicksInTheTopThird) {
    RangeSelection s = MakeRangeSelection(30);
    EXPECT_FALSE(RangeScaleClick(s, TickX(2), kTop, kW, kH));  // not below U
    EXPECT_TRUE(RangeScaleClick(s, TickX(1) + 3, kTop, kW, kH));
    EXPECT_EQ(s.startUnit, 1);
    EXPECT_EQ(s.endUnit, 2);
    EXPECT_TRUE(RangeScaleClick(s, 4, kTop, kW, kH));
    EXPECT_EQ(s.startUnit, 0);

    // An end at or before the new start moves to start + 1.
    s = MakeRangeSelection(127);
    s.endUnit = 3;
    ASSERT_TRUE(RangeScaleClick(s, TickX(5), kTop, kW, kH));
    EXPECT_EQ(s.startUnit, 5);
    EXPECT_EQ(s.endUnit, 6);
    s.endUnit = 7;
    ASSERT_TRUE(RangeScaleClick(s, TickX(7), kTop, kW, kH));
    EXPECT_EQ(s.endUnit, 8);
}

TEST(RangeSelection, EndClicksInTheBottomThird) {
    RangeSelection s = MakeRangeSelection(127);
    s.startUnit = 4;
    EXPECT_FALSE(RangeScaleClick(s, TickX(0), kBottom, kW, kH));  // an end of 0
    EXPECT_FALSE(RangeScaleClick(s, 4, kBottom, kW, kH));         // left of the scale
    ASSERT_TRUE(RangeScaleClick(s, TickX(6), kBottom, kW, kH));
    EXPECT_EQ(s.endUnit, 6);
    EXPECT_EQ(s.startUnit, 4);
    // A start at or after the new end moves to end - 1.
    ASSERT_TRUE(RangeScaleClick(s, TickX(2), kBottom, kW, kH));
    EXPECT_EQ(s.endUnit, 2);
    EXPECT_EQ(s.startUnit, 1);

    RangeSelection small = MakeRangeSelection(30);
    EXPECT_FALSE(RangeScaleClick(small, TickX(3), kBottom, kW, kH));  // beyond U
    EXPECT_EQ(small.endUnit, 2);
}

TEST(RangeSelection, RightOfTheScaleSetsTheEndToEightOnlyForAFullLog) {
    RangeSelection full = MakeRangeSelection(127);
    full.endUnit = 3;
    ASSERT_TRUE(RangeScaleClick(full, kW - 3, kBottom, kW, kH));
    EXPECT_EQ(full.endUnit, 8);

    RangeSelection seven = MakeRangeSelection(100);
    ASSERT_EQ(seven.units, 7);
    seven.endUnit = 3;
    EXPECT_FALSE(RangeScaleClick(seven, kW - 3, kBottom, kW, kH));
    EXPECT_FALSE(RangeScaleClick(seven, kW - 11, kBottom, kW, kH));
    EXPECT_EQ(seven.endUnit, 3);
}

TEST(RangeSelection, ThirdsBoundariesAndDegenerateBoxes) {
    // h 80: the top third ends at y 26, the bottom third starts at y 53.
    RangeSelection s = MakeRangeSelection(127);
    EXPECT_FALSE(RangeScaleClick(s, TickX(3), kMiddle, kW, kH));
    EXPECT_FALSE(RangeScaleClick(s, TickX(3), 27, kW, kH));
    EXPECT_TRUE(RangeScaleClick(s, TickX(3), 26, kW, kH));
    EXPECT_FALSE(RangeScaleClick(s, TickX(5), 52, kW, kH));
    EXPECT_TRUE(RangeScaleClick(s, TickX(5), 53, kW, kH));

    RangeSelection empty = MakeRangeSelection(0);
    EXPECT_FALSE(RangeScaleClick(empty, TickX(1), kTop, kW, kH));
    EXPECT_FALSE(RangeScaleClick(empty, TickX(1), kBottom, kW, kH));
    RangeSelection narrow = MakeRangeSelection(127);
    narrow.endUnit = 3;
    EXPECT_FALSE(RangeScaleClick(narrow, 12, kTop, 15, kH));
    EXPECT_FALSE(RangeScaleClick(narrow, 12, kBottom, 15, 0));
    EXPECT_EQ(narrow.endUnit, 3);
}

}  // namespace
}  // namespace qv
