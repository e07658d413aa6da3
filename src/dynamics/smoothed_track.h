#pragma once
// The lap's path as the turn-radius computation sees it: positions smoothed
// over their neighbours in time, and the travel heading along them.
// Headings: north 180, east 270, south 0, west 90 degrees.

#include <span>

#include "core/ext80.h"
#include "core/records.h"
#include "geometry/headings.h"

namespace qv {

// Neighbours at least this far apart in time stay out of a sample's mean.
inline constexpr Float80 kSmoothingWindowDays = 0.21L / 86400;
// Weighted means of Ido and Kdo over samples i-3..i+3 (weights 0.25, 0.5,
// 0.75, 1, 0.75, 0.5, 0.25) that exist and lie within the window of sample
// i. Works on the first min(sizes) samples.
void SmoothPositions(std::span<const TLapElmRec> samples, std::span<Float80> smLat,
                     std::span<Float80> smLon);

// Travel heading of every sample from the smoothed positions. When sample j
// moves faster than kHeadingMinKmh, sample j-1 gets the circular mean of the
// step into j and of the last step taken before (the last sample: the step
// into it). Every other sample keeps its logged Dir.
void TravelHeadings(std::span<const TLapElmRec> samples, std::span<const Float80> smLat,
                    std::span<const Float80> smLon, std::span<Float80> trHd);

}  // namespace qv
