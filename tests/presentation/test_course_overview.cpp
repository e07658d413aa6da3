#include "presentation/course_overview.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "course_test_support.h"
#include "presentation/course_map.h"

namespace qv {
namespace {

using namespace course_test;

// A 240 x 192 grid at (30, 29).
constexpr int kW = 300, kH = 250;

DisplayExtremes ExtremesOf(double eastMetres, double northMetres) {
    DisplayExtremes x;
    x.IdoMin = LatAt(0);
    x.IdoMax = LatAt(northMetres);
    x.KdoMin = LonAt(0);
    x.KdoMax = LonAt(eastMetres);
    return x;
}

TEST(CourseOverview, FitKeepsTheAspectRatioCentredOnTheGrid) {
    // 1000 m wide and 553 m high: the width limits.
    OverviewFit fit = OverviewFitFor(ExtremesOf(1000, 553), kLat0, kW, kH);
    EXPECT_EQ(fit.gw, 240);
    EXPECT_EQ(fit.gh, 192);
    EXPECT_EQ(fit.ox, 30);
    EXPECT_EQ(fit.oy, 29);
    EXPECT_EQ(fit.uw, 240);
    EXPECT_EQ(fit.uh, 132);
    EXPECT_EQ(fit.top, 29 + 30);
    EXPECT_EQ(fit.ToPixel(LatAt(553), LonAt(0)), (ScenePoint{30, 59}));
    EXPECT_EQ(fit.ToPixel(LatAt(0), LonAt(1000)), (ScenePoint{270, 191}));
    EXPECT_EQ(fit.ToPixel(LatAt(100), LonAt(251)), (ScenePoint{30 + 60, 191 - 23}));

    // 500 m wide and 1015 m high: the height limits, 94 px wide in the middle.
    fit = OverviewFitFor(ExtremesOf(500, 1015), kLat0, kW, kH);
    EXPECT_EQ(fit.uh, 192);
    EXPECT_EQ(fit.uw, 94);
    EXPECT_EQ(fit.left, 30 + 73);
    EXPECT_EQ(fit.top, 29);

    // No laps: the extremes are empty, yet the fit is a valid rectangle.
    fit = OverviewFitFor(DisplayExtremes{}, 0, 20, 20);
    EXPECT_EQ(fit.gw, 0);
    EXPECT_GE(fit.uw, 0);
    EXPECT_GE(fit.uh, 0);
}

struct OverviewFixture {
    std::vector<TLapDtRec> slots;
    PresentationState state;
    AlignState align;
    GateTable gates;

    OverviewFixture() {
        state.extremes = ExtremesOf(1000, 553);
        state.mapOrigin = kLat0;
        slots.push_back(LapOf({{0, 0, 0, 100, 9, 270},
                               {1000, 0, 10, 100, 2},
                               {1000, 553, 20},
                               {0, 553, 30},
                               {0, 0, 40}}));
        gates.SectCount = 1;
        gates.SectGates[0] = {LonAt(502), LonAt(502), LatAt(0), LatAt(1)};
        align.cursor[0].CsIdo = LatAt(553);
        align.cursor[0].CsKdo = LonAt(0);
    }
    CourseOverviewInput Input() { return {slots, state, align, gates}; }
};

TEST(CourseOverview, BackgroundGridGateStartLineAndTrace) {
    OverviewFixture fx;
    const Scene scene = CourseOverviewBackground(fx.Input(), kW, kH);
    const std::vector<SceneLine> lines = ItemsOf<SceneLine>(scene);
    auto has = [&lines](const SceneLine& want) {
        return std::find(lines.begin(), lines.end(), want) != lines.end();
    };
    const long grid = std::count_if(lines.begin(), lines.end(), [](const SceneLine& l) {
        return l.colour == kOverviewGridGrey;
    });
    EXPECT_EQ(grid, 14 + 11);
    EXPECT_TRUE(has(SceneLine{{46, 29}, {46, 29 + 191}, kOverviewGridGrey}));
    EXPECT_TRUE(has(SceneLine{{30, 45}, {30 + 239, 45}, kOverviewGridGrey}));
    // A gate shorter than a pixel still shows 8 px each side of its middle.
    EXPECT_TRUE(has(SceneLine{{150, 198}, {150, 182}, kGateGrey, 3}));
    EXPECT_TRUE(has(SceneLine{{30, 183}, {30, 199}, kBlack}));

    const std::vector<ScenePolyline> traces = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(traces.size(), 2u);  // the grid frame, then slot A
    EXPECT_EQ(traces[1].points,
              (std::vector<ScenePoint>{{30, 191}, {270, 191}, {270, 59}, {30, 59}, {30, 191}}));
    EXPECT_EQ(traces[1].colours, std::vector<Rgb>(4, kSlotColours[0]));
    EXPECT_TRUE(traces[1].dotted.empty());

    EXPECT_TRUE(ItemsOf<SceneEllipse>(scene).empty());
    const Scene cars = CourseOverviewCars(fx.Input(), kW, kH);
    ASSERT_EQ(cars.items.size(), 1u);
    EXPECT_EQ(ItemsOf<SceneEllipse>(cars)[0],
              (SceneEllipse{26, 55, 34, 63, kSlotColours[0], std::nullopt}));

    const Scene picture = CourseOverviewPicture(fx.Input(), kW, kH);
    EXPECT_EQ(ItemsOf<SceneText>(picture).at(0).text, "Quorvane");
    EXPECT_EQ(picture.items.size(), scene.items.size() + cars.items.size() + 1);
}

TEST(CourseOverview, ClickTakesTheNearestSampleEvenWhilePlaying) {
    OverviewFixture fx;
    fx.state.playing = true;
    // 600 m along the first straight: sample 1 is nearer; no interpolation.
    std::optional<Float80> t = CourseOverviewClick(fx.Input(), kW, kH, 30 + 144, 191);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, 10);
    t = CourseOverviewClick(fx.Input(), kW, kH, 40, 60);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, 30);
    fx.slots.clear();
    EXPECT_FALSE(CourseOverviewClick(fx.Input(), kW, kH, 40, 60));
}

}  // namespace
}  // namespace qv
