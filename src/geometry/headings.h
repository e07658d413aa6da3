#pragma once
// Travel headings from consecutive positions, in the program's convention:
// north 180, east 270, south 0, west 90 degrees. Loaded laps, the drift
// angle and the turn radius all derive them with the same walk, from the
// raw or from the smoothed positions.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "core/ext80.h"

namespace qv {

// At or below this speed (km/h) a sample keeps the heading it has.
inline constexpr Float80 kHeadingMinKmh = 1.5L;

// Heading of a step given its extent in degrees of longitude and latitude,
// the east component scaled by the cosine of the latitude it ends at;
// `previous` for a step of no length. Degrees in [0, 360).
inline double StepHeadingFromDeltas(double dLon, double dLat, double lat1, double previous) {
    // Double precision throughout: the extended type costs several times as
    // much, three walks a lap take one heading per sample, and the heading
    // moves by less than 1e-12 degrees.
    const double dx = dLon * std::cos(lat1 / 180 * std::numbers::pi);
    const double len2 = dx * dx + dLat * dLat;
    if (!(len2 > 0) || !std::isfinite(len2))
        return previous;
    // Rounding can push the ratio a hair past 1, where arccos has no value.
    const double ratio = std::clamp(dx / std::sqrt(len2), -1.0, 1.0);
    double a = std::acos(ratio) * 180 / std::numbers::pi;
    if (dLat < 0)
        a = 360 - a;
    const double h = 360 - (a + 90);
    return h < 0 ? h + 360 : h;
}

// Heading of the step from (lat0, lon0) to (lat1, lon1); the differences
// are taken in extended precision, which keeps the digits of a short step.
inline Float80 StepHeadingDeg(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1,
                              Float80 previous) {
    return StepHeadingFromDeltas(static_cast<double>(lon1 - lon0),
                                 static_cast<double>(lat1 - lat0), static_cast<double>(lat1),
                                 static_cast<double>(previous));
}

// Mean of two headings along the shorter arc, in [0, 360].
inline double CircularMeanDeg(double h, double p) {
    double mean = std::fabs(h - p) > 180 ? (h + p + 360) / 2 : (h + p) / 2;
    return mean > 360 ? mean - 360 : mean;
}

// The walk over samples 0..n-1: for every sample j >= 1 moving faster than
// kHeadingMinKmh, sample j-1 gets the circular mean of the step into j and
// of the step taken before it (the step into sample 1 counts as its own
// predecessor), and the last sample gets the step into it. Slower samples
// are passed over and keep their heading. `lat(j)`, `lon(j)` and `spd(j)`
// read a sample; `heading(j)` is the value to write.
template <typename Lat, typename Lon, typename Spd, typename Heading>
void WalkTravelHeadings(size_t n, Lat lat, Lon lon, Spd spd, Heading heading) {
    double previous = 0;
    for (size_t j = 1; j < n; ++j) {
        if (!(spd(j) > kHeadingMinKmh))
            continue;
        const Float80 lat1 = lat(j);
        const double h = StepHeadingFromDeltas(static_cast<double>(lon(j) - lon(j - 1)),
                                               static_cast<double>(lat1 - lat(j - 1)),
                                               static_cast<double>(lat1), previous);
        if (j == 1)
            previous = h;
        heading(j - 1) = CircularMeanDeg(h, previous);
        if (j == n - 1)
            heading(j) = h;
        previous = h;
    }
}

}  // namespace qv
