#pragma once
// How far an interpolated lap time can be from the true one, from the two
// line crossings that bound the lap and from the log's own noise.

#include <optional>
#include <string>

#include "core/stores.h"

namespace qv {

// The step between two fixes in which a line was crossed.
struct CrossingStep {
    double stepSec = 0;  // from the fix before to the fix after
    double ratio = 0;    // share of the step before the crossing
    double kmhBefore = 0;
    double kmhAfter = 0;
};

struct TimingNoise {
    double positionM = 0;  // standard deviation of one fix, each axis
    // The rounding step of the fixes' time stamps; 0 when they keep a
    // regular beat exactly.
    double resolutionSec = 0.001;
};

// The noise of the active fixes: position from their second differences
// while moving, resolution from the finest digit their times use.
TimingNoise EstimateTimingNoise(const LogStore& log);

// ± milliseconds around the lap time at about 95 % confidence. A lap bound
// by a fix rather than a crossing (the first and the last of a log) passes
// nothing for that end.
double LapTimeUncertaintyMs(const std::optional<CrossingStep>& start,
                            const std::optional<CrossingStep>& end, const TimingNoise& noise);

// Whole milliseconds, rounded up; empty when the band is not known.
std::string UncertaintyMsText(Float80 uncertaintyMs);

}  // namespace qv
