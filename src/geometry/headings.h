#pragma once
// Travel headings from consecutive positions, in the program's convention:
// north 180, east 270, south 0, west 90 degrees. Loaded laps, the drift
// angle and the turn radius all derive them with the same walk, from the
// raw or from the smoothed positions.

#include <cstddef>

#include "core/ext80.h"

namespace qv {

// At or below this speed (km/h) a sample keeps the heading it has.
inline constexpr Float80 kHeadingMinKmh = 1.5L;

// Heading of the step from (lat0, lon0) to (lat1, lon1), degrees in
// [0, 360), the east component scaled by the cosine of lat1; `previous`
// for a step of no length.
Float80 StepHeadingDeg(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1, Float80 previous);

// Mean of two headings along the shorter arc, in [0, 360].
Float80 CircularMeanDeg(Float80 h, Float80 p);

// The walk over samples 0..n-1: for every sample j >= 1 moving faster than
// kHeadingMinKmh, sample j-1 gets the circular mean of the step into j and
// of the step taken before it (the step into sample 1 counts as its own
// predecessor), and the last sample gets the step into it. Slower samples
// are passed over and keep their heading. `lat(j)`, `lon(j)` and `spd(j)`
// read a sample; `heading(j)` is the Float80 to write.
template <typename Lat, typename Lon, typename Spd, typename Heading>
void WalkTravelHeadings(size_t n, Lat lat, Lon lon, Spd spd, Heading heading) {
    Float80 previous = 0;
    for (size_t j = 1; j < n; ++j) {
        if (!(spd(j) > kHeadingMinKmh))
            continue;
        const Float80 h = StepHeadingDeg(lat(j - 1), lon(j - 1), lat(j), lon(j), previous);
        if (j == 1)
            previous = h;
        heading(j - 1) = CircularMeanDeg(h, previous);
        if (j == n - 1)
            heading(j) = h;
        previous = h;
    }
}

}  // namespace qv
