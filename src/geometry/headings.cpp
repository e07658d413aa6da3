#include "geometry/headings.h"

#include <algorithm>
#include <cmath>

#include "geometry/plane.h"

namespace qv {

Float80 StepHeadingDeg(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1, Float80 previous) {
    // Cosine and arccosine in double precision: the long double ones cost
    // several times as much, three walks a lap take one of each per sample,
    // and the heading moves by less than 1e-12 degrees.
    const Float80 dx = (lon1 - lon0) * std::cos(static_cast<double>(lat1 / 180 * kPi));
    const Float80 dy = lat1 - lat0;
    const Float80 len2 = dx * dx + dy * dy;
    if (!(len2 > 0) || !std::isfinite(len2))
        return previous;
    // Rounding can push the ratio a hair past 1, where arccos has no value.
    const double ratio = static_cast<double>(std::clamp(dx / std::sqrt(len2), -1.0L, 1.0L));
    Float80 a = std::acos(ratio) * 180 / kPi;
    if (dy < 0)
        a = 360 - a;
    Float80 h = 360 - (a + 90);
    if (h < 0)
        h += 360;
    return h;
}

Float80 CircularMeanDeg(Float80 h, Float80 p) {
    Float80 mean = std::fabs(h - p) > 180 ? (h + p + 360) / 2 : (h + p) / 2;
    if (mean > 360)
        mean -= 360;
    return mean;
}

}  // namespace qv
