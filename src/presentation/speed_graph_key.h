#pragma once
// What the speed graph's display list is made from, in one comparable value:
// while it stays the same the graph keeps its last list and a cursor step
// paints only the cursor line.

#include <array>
#include <cstddef>
#include <vector>

#include "core/ext80.h"
#include "presentation/speed_graph.h"

namespace qv {

// One slot's lap as the graph reads it. The arrays are told by where they
// lie and how long they are, plus the lap's summary values: a lap placed in
// a slot changes these, and whoever changes samples in place asks for a
// rebuild through the presentation state's flags.
struct SpeedGraphLapKey {
    const void* elm = nullptr;
    std::size_t elmCount = 0;
    const void* g = nullptr;
    std::size_t gCount = 0;
    const void* drift = nullptr;
    std::size_t driftCount = 0;
    bool driftAct = false;
    TTime lapTim = 0;
    Float80 lapDist = 0, maxSpd = 0, minSpd = 0, elvLo = 0, elvHi = 0;
    SectorValues passTim{}, passDist{};
    Float80 timOfs = 0, distOfs = 0;
    bool operator==(const SpeedGraphLapKey&) const = default;
};

struct SpeedGraphKey {
    int boxWidth = 0, boxHeight = 0;
    int L = 0, T = 0, W = 0, H = 0, h = 0;
    const TextMetrics* metrics = nullptr;
    // The visible x range: at zoom 1 it does not follow the cursor.
    Float80 windowStart = 0, windowSpan = 0;
    bool zoomed = false;
    XAxisMode xAxis = XAxisMode::kDistance;
    Float80 playbackEnd = 0, longestDist = 0, lowest = 0, highest = 0, elvLo = 0, elvHi = 0;
    bool showTimeDiff = false, showElevation = false, showGGraph = false, showDriftAngle = false;
    GGraphItem gGraphItem = GGraphItem::kXYG;
    int gZoomStep = 0;
    bool speedInKmh = false, distInKm = false;
    int minSatNum = 0;
    bool picture = false;
    int gateCount = 0;
    int alignGate = 0;
    AlignMode diffMode = AlignMode::kByDistance;
    Float80 diffMin = 0, diffMax = 0;
    const void* diff = nullptr;
    std::size_t diffCount = 0;
    std::vector<SpeedGraphLapKey> laps;
    bool operator==(const SpeedGraphKey&) const = default;
};

SpeedGraphKey SpeedGraphKeyOf(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth,
                              int boxHeight);

}  // namespace qv
