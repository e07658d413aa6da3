#pragma once
// Geometry of the lap-time plot of the Data page: each listed lap's time
// against its place in the list, the best lap marked. The scale fits the
// flying laps; slower laps sit on the top edge as open marks so that one
// out-lap does not flatten the rest.

#include <string>
#include <vector>

#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kLapTimeDotColour{0, 0, 160};
inline constexpr Rgb kLapTimeBestColour{255, 0, 0};
inline constexpr Rgb kLapTimeSlowColour{128, 128, 128};

struct LapTimePoint {
    int lap = -1;  // list row, 0-based
    ScenePoint at;
    bool aboveScale = false;  // slower than the scale shows: on the top edge
};

struct LapTimeTick {
    int y = 0;
    double seconds = 0;
    std::string label;
};

struct LapTimePlotLayout {
    int left = 0, top = 0, right = 0, bottom = 0;  // plot rectangle, right and bottom excluded
    double lowSeconds = 0, highSeconds = 0;        // at the bottom and at the top edge
    std::vector<LapTimePoint> points;              // laps with a time, in list order
    int best = -1;                                 // index into `points`
    std::vector<LapTimeTick> ticks;
};

// `lapSeconds[k]` is the time of list row k; rows of 0 or less have none.
LapTimePlotLayout LapTimePlotLayoutFor(const std::vector<double>& lapSeconds,
                                       const TextMetrics& metrics, int width, int height);

// `names[k]` labels row k on the lap axis.
Scene LapTimePlotScene(const std::vector<double>& lapSeconds, const std::vector<std::string>& names,
                       const TextMetrics& metrics, int width, int height);

}  // namespace qv
