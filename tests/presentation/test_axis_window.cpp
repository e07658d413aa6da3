#include "presentation/axis_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qv {
namespace {

TEST(TruncToPixel, CutsTowardsZeroAtFullPrecision) {
    // Values a hair from a whole number, closer than a double can tell:
    // they must fall to the lower magnitude, not round onto the next pixel.
    const Float80 hair = std::ldexp(Float80{1}, -60);
    const Float80 inf = std::numeric_limits<Float80>::infinity();
    const struct {
        Float80 v;
        int pixel;
    } cases[] = {
        {0, 0},
        {0.999L, 0},
        {-0.999L, 0},
        {3 - hair * 4, 2},
        {-3 + hair * 4, -2},
        {3, 3},
        {-3, -3},
        {7.5L, 7},
        {-7.5L, -7},
        {2147483646.75L, 2147483646},
        {-2147483646.75L, -2147483646},
        {1e12L, std::numeric_limits<int>::max()},
        {-1e12L, -std::numeric_limits<int>::max()},
        {inf, 0},
        {std::numeric_limits<Float80>::quiet_NaN(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TruncToPixel(c.v), c.pixel) << static_cast<double>(c.v);
}

TEST(XWindow, WholeRangeAtZoomOne) {
    const XWindow w = XWindowFor(95, 1, 80);
    EXPECT_FALSE(w.zoomed);
    EXPECT_EQ(w.start, 0);
    EXPECT_EQ(w.span, 95);
    // A 500 px plot from x = 40: 47.5 s lies in the middle.
    EXPECT_EQ(XToPixel(w, 47.5L, 40, 500), 290);
    EXPECT_EQ(XToPixel(w, 95, 40, 500), 540);
}

TEST(XWindow, FollowsCursorAndStopsAtTheEnds) {
    // 4 km at zoom 4: 1 km visible.
    const Float80 full = 4;
    XWindow w = XWindowFor(full, 4, 2);
    EXPECT_TRUE(w.zoomed);
    EXPECT_EQ(w.span, 1);
    EXPECT_EQ(w.start, 1.5L);
    EXPECT_EQ(XToPixel(w, 2, 0, 600), 300);  // cursor in the middle

    w = XWindowFor(full, 4, 0.5L);  // exactly half a span from the start
    EXPECT_EQ(w.start, 0);
    w = XWindowFor(full, 4, 0.25L);
    EXPECT_EQ(w.start, 0);
    EXPECT_EQ(XToPixel(w, 0.25L, 0, 600), 150);

    w = XWindowFor(full, 4, 3.5L);  // exactly half a span before the end
    EXPECT_EQ(w.start, 3);
    w = XWindowFor(full, 4, 3.75L);  // near the end the window stops there
    EXPECT_EQ(w.start, 3);
    EXPECT_EQ(XToPixel(w, 3.75L, 0, 600), 450);  // and the cursor moves right
    w = XWindowFor(full, 4, 7);                  // past the end
    EXPECT_EQ(w.start, 3);
    // A window a third of 95 s long, cursor in the middle of the lap.
    w = XWindowFor(95, 3, 50);
    EXPECT_NEAR(static_cast<double>(w.start), 50 - 95.0 / 6, 1e-12);
}

TEST(XWindow, ClickMapsBackToValues) {
    const XWindow w = XWindowFor(100, 2, 60);  // window 35 .. 85
    EXPECT_EQ(w.start, 35);
    EXPECT_EQ(PixelToX(w, 100, 100, 400), 35);
    EXPECT_EQ(PixelToX(w, 500, 100, 400), 85);
    EXPECT_EQ(PixelToX(w, 300, 100, 400), 60);
    EXPECT_EQ(PixelToX(w, 300, 100, 0), 35);  // no plot width: no division
}

TEST(XWindow, EmptyRangeGivesLeftEdge) {
    for (Float80 zoom : {1.0L, 4.0L}) {
        const XWindow w = XWindowFor(0, zoom, 0);
        EXPECT_EQ(XToPixel(w, 3, 40, 500), 40);
        EXPECT_EQ(XToPixel(w, 0, 40, 500), 40);
    }
}

TEST(XAxis, FullRangeAndCursorByMode) {
    EXPECT_EQ(XAxisFull(XAxisMode::kTime, 95, 4.8L), 95);
    EXPECT_EQ(XAxisFull(XAxisMode::kDistance, 95, 4.8L), 4.8L);
    EXPECT_EQ(XAxisCursor(XAxisMode::kTime, 12, 0.7L), 12);
    EXPECT_EQ(XAxisCursor(XAxisMode::kDistance, 12, 0.7L), 0.7L);
}

}  // namespace
}  // namespace qv
