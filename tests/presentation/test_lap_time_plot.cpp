#include "presentation/lap_time_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene_test_support.h"

namespace qv {
namespace {

using scene_test::FixedMetrics;
using scene_test::ItemsOf;

constexpr int kWidth = 400, kHeight = 160;

bool Inside(const LapTimePlotLayout& l, ScenePoint p) {
    return p.x >= l.left && p.x < l.right && p.y >= l.top && p.y < l.bottom;
}

TEST(LapTimePlot, PlacesLapsByOrderAndTime) {
    struct Case {
        const char* name;
        std::vector<double> times;
        int bestLap;                // list row of the marked lap
        std::vector<int> slowLaps;  // rows drawn on the top edge
    };
    const Case cases[] = {
        {"session with out- and in-lap", {95, 60.4, 61, 59.2, 60, 80}, 3, {0, 5}},
        {"first of two equal bests", {62, 61, 61, 63}, 1, {}},
        {"one lap", {70}, 0, {}},
        {"a lap without time is left out", {61, 0, 60}, 2, {}},
    };
    const FixedMetrics metrics;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LapTimePlotLayout l = LapTimePlotLayoutFor(c.times, metrics, kWidth, kHeight);
        ASSERT_GE(l.best, 0);
        const LapTimePoint& best = l.points[static_cast<size_t>(l.best)];
        EXPECT_EQ(best.lap, c.bestLap);
        int previousX = -1;
        for (const LapTimePoint& p : l.points) {
            EXPECT_TRUE(Inside(l, p.at)) << p.lap;
            EXPECT_GT(p.at.x, previousX);  // list order runs left to right
            previousX = p.at.x;
            const double t = c.times[static_cast<size_t>(p.lap)];
            EXPECT_GT(t, 0);
            const bool slow =
                std::find(c.slowLaps.begin(), c.slowLaps.end(), p.lap) != c.slowLaps.end();
            EXPECT_EQ(p.aboveScale, slow) << p.lap;
            if (slow) {
                EXPECT_EQ(p.at.y, l.top);
            }
            // Slower is higher up, the best lowest of all.
            EXPECT_GE(best.at.y, p.at.y);
            for (const LapTimePoint& q : l.points) {
                if (!p.aboveScale && !q.aboveScale && t < c.times[static_cast<size_t>(q.lap)]) {
                    EXPECT_GT(p.at.y, q.at.y) << p.lap << " against " << q.lap;
                }
            }
        }
    }
}

TEST(LapTimePlot, TicksLabelTheTimeScaleWithoutCrowding) {
    const FixedMetrics metrics;
    const std::vector<double> times{61.3, 60.1, 62.8, 60.9, 61.7};
    const LapTimePlotLayout l = LapTimePlotLayoutFor(times, metrics, kWidth, kHeight);
    ASSERT_GE(l.ticks.size(), 2u);
    for (size_t i = 1; i < l.ticks.size(); ++i) {
        EXPECT_GT(l.ticks[i].seconds, l.ticks[i - 1].seconds);
        EXPECT_LE(l.ticks[i].y, l.ticks[i - 1].y - 10);  // at least one text line apart
    }
    // The scale holds every flying lap; the first tick is the first whole
    // step above its bottom.
    EXPECT_LE(l.lowSeconds, 60.1);
    EXPECT_GE(l.highSeconds, 62.8);
    EXPECT_EQ(l.ticks.front().label, "1:00.000");
}

TEST(LapTimePlot, MarksTheBestLapInRedWithItsTime) {
    const FixedMetrics metrics;
    const std::vector<double> times{95, 60.4, 59.25, 61};
    const std::vector<std::string> names{"0000", "0001", "0002", "0003"};
    const Scene scene = LapTimePlotScene(times, names, metrics, kWidth, kHeight);
    const LapTimePlotLayout l = LapTimePlotLayoutFor(times, metrics, kWidth, kHeight);
    const ScenePoint best = l.points[static_cast<size_t>(l.best)].at;

    int redRings = 0;
    for (const SceneEllipse& e : ItemsOf<SceneEllipse>(scene)) {
        if (e.fill == kLapTimeBestColour) {
            ++redRings;
            EXPECT_EQ((e.left + e.right - 1) / 2, best.x);
            EXPECT_EQ((e.top + e.bottom - 1) / 2, best.y);
        }
    }
    EXPECT_EQ(redRings, 1);
    bool label = false, lapName = false;
    for (const SceneText& t : ItemsOf<SceneText>(scene)) {
        label |= t.text == "best 59.250" && t.colour == kLapTimeBestColour;
        lapName |= t.text == "0002";
    }
    EXPECT_TRUE(label);
    EXPECT_TRUE(lapName);
}

TEST(LapTimePlot, EmptyListDrawsOnlyTheTitle) {
    const FixedMetrics metrics;
    const Scene scene = LapTimePlotScene({}, {}, metrics, kWidth, kHeight);
    EXPECT_TRUE(ItemsOf<SceneEllipse>(scene).empty());
    EXPECT_TRUE(ItemsOf<ScenePolyline>(scene).empty());
    EXPECT_TRUE(ItemsOf<SceneLine>(scene).empty());  // no time scale without a time
    EXPECT_TRUE(LapTimePlotLayoutFor({0, 0}, metrics, kWidth, kHeight).ticks.empty());
}

}  // namespace
}  // namespace qv
