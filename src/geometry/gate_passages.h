#pragma once
// Where a lap passes the sector gates. Sector timing and the drift scan of
// the sectors both cut a lap with these passages, so they always cover the
// same sample ranges.

#include <span>
#include <vector>

#include "core/records.h"
#include "geometry/plane.h"
#include "geometry/sector_gates.h"

namespace qv {

struct GatePassage {
    int gate = 0;       // 0-based: gate k ends sector k
    int step = 0;       // the step from sample step - 1 to sample step
    Float80 ratio = 0;  // of the step before the crossing point
    Point2 at;          // the crossing point (x longitude, y latitude)
    // Lap values at the crossing, interpolated along the step.
    Float80 sec = 0;
    Float80 dist = 0;
    Float80 spd = 0;
};

// The passages of the gates in table order. Every step is tested against
// every gate and advances that gate's crossing count; the gate waiting to
// be passed is passed when its count reaches its PassNo. Gates crossed too
// often before their turn are never passed, and neither are the gates after
// them. Empty without gates or with fewer than two samples.
std::vector<GatePassage> FindGatePassages(std::span<const TLapElmRec> samples,
                                          const GateTable& gates);

}  // namespace qv
