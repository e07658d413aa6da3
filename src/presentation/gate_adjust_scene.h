#pragma once
// What the gate adjustment view draws under the working gate, as pixel
// segments: the other gates, the track map and the laps of the slots.

#include <vector>

#include "core/colours.h"
#include "core/records.h"
#include "geometry/gate_adjust_view.h"
#include "geometry/sector_gates.h"
#include "geometry/track_map.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr Rgb kOtherGateGrey{128, 128, 128};
inline constexpr Rgb kAdjustTrackGrey{222, 222, 222};
inline constexpr int kGoodSatCount = 7;
inline constexpr int kAdjustTrackWidth = 5;
inline constexpr int kEndSquareSize = 7;

struct ViewSegment {
    PixelPoint from;
    PixelPoint to;
    Rgb colour{};
    int width = 1;
    bool dotted = false;
};

// Every gate of the table but `edited`, whole, even where it leaves the view.
std::vector<ViewSegment> OtherGateSegments(const GateAdjustView& view, const GateTable& gates,
                                           int edited);

// The track map's polylines; a point outside the view interrupts its line.
std::vector<ViewSegment> TrackMapSegments(const GateAdjustView& view,
                                          const TrackMapStore& trackMap);

// One lap in `colour`; the step into a sample seen by fewer than seven
// satellites is silver, and with `dottedDecel` a step of falling speed is
// dotted. A point outside the view interrupts the line.
std::vector<ViewSegment> LapSegments(const GateAdjustView& view, const TLapDtRec& lap, Rgb colour,
                                     bool dottedDecel);

// The background in painting order: other gates, track map, slots D to A.
std::vector<ViewSegment> AdjustBackground(const GateAdjustView& view, const GateTable& gates,
                                          int edited, const TrackMapStore& trackMap,
                                          const std::vector<TLapDtRec>& slots, bool dottedDecel);

// The gate being adjusted among the table's, by its end points; -1 if none.
int EditedGateIndex(const GateTable& gates, const SectGate& work);

}  // namespace qv
