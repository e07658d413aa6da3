#pragma once
// A track's progress across sessions: each session's best lap over its
// date, with the average of its five best laps beside it, on a lap-time
// scale whose faster times lie lower, so that a falling line is progress.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "presentation/scene.h"

namespace qv {

struct ProgressPoint {
    TDateTime date = 0;  // local start of the session
    double bestLapSec = 0;
    double bestFiveAverageSec = 0;
};

struct ProgressTick {
    int at = 0;  // y of a time tick, x of a date tick
    std::string label;
};

inline constexpr Rgb kProgressBestColour{0, 0, 255};
inline constexpr Rgb kProgressAverageColour{255, 128, 0};
inline constexpr Rgb kProgressRecordColour{255, 0, 0};
inline constexpr Rgb kProgressGridColour{224, 224, 224};
inline constexpr const char* kProgressBestLegend = "Best lap";
inline constexpr const char* kProgressAverageLegend = "Average of the best five";
inline constexpr const char* kProgressNoData = "No session with a lap";

struct ProgressChartLayout {
    bool empty = true;  // nothing to plot: only the message is shown
    // The plot box in pixels, right and bottom included.
    int left = 0, top = 0, right = 0, bottom = 0;
    // The scale: `slowSec` at the top, `fastSec` at the bottom.
    double fastSec = 0, slowSec = 0;
    std::vector<ProgressTick> timeTicks;
    std::vector<ProgressTick> dateTicks;
    // One per point, in the order given.
    std::vector<ScenePoint> best;
    std::vector<ScenePoint> average;
    // The point whose best lap is the fastest (the first of equals).
    std::optional<size_t> record;
};

// Points may come in any order; a date span of zero puts every point in
// the middle.
ProgressChartLayout LayOutProgressChart(std::span<const ProgressPoint> points,
                                        const TextMetrics& metrics, int width, int height);

Scene ProgressChartScene(const ProgressChartLayout& layout, const TextMetrics& metrics, int width,
                         int height);

// The point whose best-lap mark lies within `radius` pixels of `at`, the
// nearest one; for the chart's tooltip and selection.
std::optional<size_t> ProgressPointAt(const ProgressChartLayout& layout, ScenePoint at,
                                      int radius = 5);

}  // namespace qv
