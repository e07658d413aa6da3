#pragma once
// The lap's path as the turn-radius computation sees it: positions smoothed
// over their neighbours in time, and the travel heading along them.
// Headings: north 180, east 270, south 0, west 90 degrees.

#include <span>

#include "core/ext80.h"
#include "core/records.h"

namespace qv {

// Neighbours at least this far apart in time stay out of a sample's mean.
inline constexpr Float80 kSmoothingWindowDays = 0.21L / 86400;
// At or below this speed (km/h) a sample keeps its logged heading.
inline constexpr Float80 kHeadingMinKmh = 1.5L;

// Weighted means of Ido and Kdo over samples i-3..i+3 (weights 0.25, 0.5,
// 0.75, 1, 0.75, 0.5, 0.25) that exist and lie within the window of sample
// i. Works on the first min(sizes) samples.
void SmoothPositions(std::span<const TLapElmRec> samples, std::span<Float80> smLat,
                     std::span<Float80> smLon);

// Heading of the step from (lat0, lon0) to (lat1, lon1), degrees in
// [0, 360), the east component scaled by the cosine of lat1; `previous`
// for a step of no length.
Float80 StepHeadingDeg(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1, Float80 previous);

// Mean of two headings along the shorter arc, in [0, 360].
Float80 CircularMeanDeg(Float80 h, Float80 p);

// Travel heading of every sample from the smoothed positions. When sample j
// moves faster than kHeadingMinKmh, sample j-1 gets the circular mean of the
// step into j and of the last step taken before (the last sample: the step
// into it). Every other sample keeps its logged Dir.
void TravelHeadings(std::span<const TLapElmRec> samples, std::span<const Float80> smLat,
                    std::span<const Float80> smLon, std::span<Float80> trHd);

}  // namespace qv
