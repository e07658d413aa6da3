#include <gtest/gtest.h>

#include "presentation/progress_chart.h"
#include "scene_test_support.h"

namespace qv {
namespace {

using scene_test::FixedMetrics;
using scene_test::ItemsOf;

constexpr int kWidth = 400;
constexpr int kHeight = 200;

ProgressChartLayout Lay(const std::vector<ProgressPoint>& points) {
    return LayOutProgressChart(points, FixedMetrics(), kWidth, kHeight);
}

TEST(ProgressChart, SessionsStandByDateAcrossAndByLapTimeUpwards) {
    // Given out of date order: the layout keeps the order given.
    const TDateTime day = EncodeDate(2024, 5, 1);
    const std::vector<ProgressPoint> points{
        {day + 10, 64.0, 65.0},  // the fastest, last
        {day, 70.0, 71.0},       // the first, slowest
        {day + 5, 67.0, 68.5},   // half-way
    };
    const ProgressChartLayout l = Lay(points);
    ASSERT_FALSE(l.empty);
    ASSERT_EQ(l.best.size(), 3u);
    EXPECT_EQ(l.best[1].x, l.left);
    EXPECT_EQ(l.best[0].x, l.right);
    EXPECT_NEAR(l.best[2].x, (l.left + l.right) / 2.0, 1.0);
    // Slower is higher up, so a falling line is progress.
    EXPECT_LT(l.best[1].y, l.best[2].y);
    EXPECT_LT(l.best[2].y, l.best[0].y);
    // Each session's average lies above (slower than) its best.
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(l.average[i].x, l.best[i].x);
        EXPECT_LT(l.average[i].y, l.best[i].y);
    }
    ASSERT_TRUE(l.record.has_value());
    EXPECT_EQ(*l.record, 0u);
    // The scale brackets every time and its ends fall on ticks.
    EXPECT_LE(l.fastSec, 64.0);
    EXPECT_GE(l.slowSec, 71.0);
    ASSERT_GE(l.timeTicks.size(), 2u);
    EXPECT_EQ(l.timeTicks.front().at, l.bottom);
    EXPECT_EQ(l.timeTicks.back().at, l.top);
    ASSERT_EQ(l.dateTicks.size(), 2u);
    EXPECT_EQ(l.dateTicks[0].label, "2024/05/01");
    EXPECT_EQ(l.dateTicks[1].label, "2024/05/11");
}

TEST(ProgressChart, TimeTicksAreEvenlySpacedAndReadAsLapTimes) {
    struct Case {
        double fast, slow;
        const char* firstLabel;
    };
    const Case cases[] = {
        {64.2, 70.9, "1:04"},      // a 7 s span: whole seconds
        {64.21, 64.43, "1:04.0"},  // narrower than half a second: widened, tenths
        {95.0, 180.0, "1:30"},     // a minute and a half: 15 or 30 s steps
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstLabel);
        const ProgressChartLayout l = Lay({{45000, c.fast, c.fast}, {45001, c.slow, c.slow}});
        ASSERT_GE(l.timeTicks.size(), 2u);
        EXPECT_LE(l.timeTicks.size(), 6u);
        EXPECT_EQ(l.timeTicks.front().label, c.firstLabel);
        const int gap = l.timeTicks[0].at - l.timeTicks[1].at;
        EXPECT_GT(gap, 0);
        for (size_t i = 1; i < l.timeTicks.size(); ++i)
            EXPECT_NEAR(l.timeTicks[i - 1].at - l.timeTicks[i].at, gap, 1);
    }
}

TEST(ProgressChart, OneDayPutsEverySessionInTheMiddle) {
    const ProgressChartLayout l = Lay({{45000.3, 66.0, 66.5}, {45000.3, 65.0, 65.2}});
    ASSERT_FALSE(l.empty);
    const int middle = (l.left + l.right) / 2;
    EXPECT_NEAR(l.best[0].x, middle, 1);
    EXPECT_NEAR(l.best[1].x, middle, 1);
    EXPECT_EQ(l.dateTicks.size(), 1u);
    EXPECT_EQ(*l.record, 1u);
}

TEST(ProgressChart, NothingToPlotSaysSoAndDrawsNoMarks) {
    struct Case {
        const char* name;
        std::vector<ProgressPoint> points;
        int width, height;
    };
    const Case cases[] = {
        {"no sessions", {}, kWidth, kHeight},
        {"box too small", {{45000, 60, 61}}, 40, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgressChartLayout l =
            LayOutProgressChart(c.points, FixedMetrics(), c.width, c.height);
        EXPECT_TRUE(l.empty);
        const Scene scene = ProgressChartScene(l, FixedMetrics(), c.width, c.height);
        const auto texts = ItemsOf<SceneText>(scene);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, kProgressNoData);
        EXPECT_TRUE(ItemsOf<SceneEllipse>(scene).empty());
    }
}

TEST(ProgressChart, TheSceneJoinsSessionsInDateOrderAndRingsTheRecord) {
    const std::vector<ProgressPoint> points{
        {45010, 64.0, 65.0}, {45000, 70.0, 71.0}, {45005, 67.0, 68.0}};
    const ProgressChartLayout l = Lay(points);
    const Scene scene = ProgressChartScene(l, FixedMetrics(), kWidth, kHeight);
    const auto lines = ItemsOf<ScenePolyline>(scene);
    ASSERT_EQ(lines.size(), 2u);
    const ScenePolyline& best = lines[1];
    ASSERT_EQ(best.points.size(), 3u);
    EXPECT_EQ(best.points[0], l.best[1]);
    EXPECT_EQ(best.points[1], l.best[2]);
    EXPECT_EQ(best.points[2], l.best[0]);
    EXPECT_EQ(best.colours.front(), kProgressBestColour);
    bool ringed = false;
    for (const SceneEllipse& e : ItemsOf<SceneEllipse>(scene))
        if (e.outline == kProgressRecordColour && !e.fill)
            ringed = (e.left + e.right - 1) / 2 == l.best[0].x &&
                     (e.top + e.bottom - 1) / 2 == l.best[0].y;
    EXPECT_TRUE(ringed);
}

TEST(ProgressChart, APointIsFoundNearItsMarkOnly) {
    const ProgressChartLayout l = Lay({{45000, 70.0, 71.0}, {45010, 64.0, 65.0}});
    const ScenePoint second = l.best[1];
    EXPECT_EQ(ProgressPointAt(l, second), std::optional<size_t>(1));
    EXPECT_EQ(ProgressPointAt(l, {second.x + 3, second.y - 3}), std::optional<size_t>(1));
    EXPECT_EQ(ProgressPointAt(l, {second.x + 6, second.y}), std::nullopt);
    EXPECT_EQ(ProgressPointAt(l, {(l.left + l.right) / 2, l.top}), std::nullopt);
}

}  // namespace
}  // namespace qv
