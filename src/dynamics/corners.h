#pragma once
// The corners of a lap, found from its smoothed path: stretches that turn
// by more than a set angle at more than a set curvature. The same corners
// are found again on any other lap of the track by position.
//
// A chicane is two corners: bends of opposite ways are never merged (see
// corners.cpp for why); bends of the same way that run into each other,
// a double apex, are one.

#include <cstddef>
#include <vector>

#include "core/records.h"

namespace qv {

enum class TurnDirection { kLeft, kRight };

struct CornerOptions {
    double minTurnDeg = 30;   // a stretch turning less is a kink, not a corner
    double minRadiusM = 300;  // tighter than this counts as turning
    double mergeGapM = 20;    // same-way bends closer than this are one corner
    double smoothingM = 10;   // least half width of the path smoothing, metres driven
    double plateauKmh = 0.5;  // speeds this close to the minimum share the apex
};

struct Corner {
    int number = 0;  // 1..n in driving order
    TurnDirection direction = TurnDirection::kLeft;
    double turnDeg = 0;  // net heading change, positive to the left
    // Metres along the lap (its Dist), entry <= apex <= exit.
    double entryM = 0;
    double apexM = 0;  // where the speed is lowest
    double exitM = 0;
    // Positions (degrees) of the three points, for finding the corner on
    // another lap.
    double entryLat = 0, entryLon = 0;
    double apexLat = 0, apexLon = 0;
    double exitLat = 0, exitLon = 0;
    double apexKmh = 0;  // the lowest speed
};

// The corners of `lap` in driving order, numbered from 1. None for a lap of
// fewer than three samples, one that does not move, or one whose times
// make it impossibly long.
std::vector<Corner> FindCorners(const TLapDtRec& lap, const CornerOptions& options = {});

// The corners of `reference` on `lap`: entry and exit projected onto `lap`'s
// path, the apex where `lap` is slowest between them. Same numbers,
// directions and turns; distances and positions are `lap`'s own. A corner
// that `lap` does not reach is left out.
std::vector<Corner> MatchCorners(const std::vector<Corner>& reference, const TLapDtRec& lap,
                                 const CornerOptions& options = {});

// Where `lap` is slowest among its samples that span fromM to toM (by
// `distM`, one per sample, never decreasing; the samples at or just beyond
// both ends count): the middle of the run of samples within `plateauKmh` of
// the lowest speed, so that a corner taken at a steady speed has its apex in
// the middle rather than wherever the first tenth of a km/h fell.
struct SlowestPoint {
    double m = 0;    // on the scale of distM
    double kmh = 0;  // the lowest speed
    size_t index = 0;
};
SlowestPoint SlowestBetween(const TLapDtRec& lap, const std::vector<double>& distM, double fromM,
                            double toM, double plateauKmh);

}  // namespace qv
