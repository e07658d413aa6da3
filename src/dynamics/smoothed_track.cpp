#include "dynamics/smoothed_track.h"

#include <algorithm>
#include <cmath>

#include "geometry/plane.h"

namespace qv {
namespace {

constexpr int kHalfWindow = 3;
constexpr Float80 kWeights[2 * kHalfWindow + 1] = {0.25L, 0.5L, 0.75L, 1, 0.75L, 0.5L, 0.25L};

Float80 DegToRad(Float80 deg) {
    return deg * kPi / 180;
}

}  // namespace

void SmoothPositions(std::span<const TLapElmRec> samples, std::span<Float80> smLat,
                     std::span<Float80> smLon) {
    const long n = static_cast<long>(std::min({samples.size(), smLat.size(), smLon.size()}));
    for (long i = 0; i < n; ++i) {
        // Offsets from the centre keep the digits of small moves and leave a
        // run of equal positions exactly equal, so a straight along a
        // parallel or a meridian stays exactly on it.
        const Float80 lat = samples[i].Ido;
        const Float80 lon = samples[i].Kdo;
        Float80 sumLat = 0;
        Float80 sumLon = 0;
        Float80 sumWeight = 1;
        for (long j = std::max(0L, i - kHalfWindow); j <= std::min(n - 1, i + kHalfWindow); ++j) {
            if (j == i)
                continue;
            const Float80 earlier = samples[std::min(i, j)].DtTm;
            const Float80 later = samples[std::max(i, j)].DtTm;
            if (!(later - earlier < kSmoothingWindowDays))
                continue;
            const Float80 w = kWeights[j - i + kHalfWindow];
            sumLat += w * (Float80(samples[j].Ido) - lat);
            sumLon += w * (Float80(samples[j].Kdo) - lon);
            sumWeight += w;
        }
        smLat[i] = lat + sumLat / sumWeight;
        smLon[i] = lon + sumLon / sumWeight;
    }
}

Float80 StepHeadingDeg(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1, Float80 previous) {
    const Float80 dx = (lon1 - lon0) * std::cos(DegToRad(lat1));
    const Float80 dy = lat1 - lat0;
    const Float80 len2 = dx * dx + dy * dy;
    if (!(len2 > 0) || !std::isfinite(len2))
        return previous;
    // Rounding can push the ratio a hair past 1, where arccos has no value.
    Float80 a = std::acos(std::clamp(dx / std::sqrt(len2), -1.0L, 1.0L)) * 180 / kPi;
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

void TravelHeadings(std::span<const TLapElmRec> samples, std::span<const Float80> smLat,
                    std::span<const Float80> smLon, std::span<Float80> trHd) {
    const size_t n = std::min({samples.size(), smLat.size(), smLon.size(), trHd.size()});
    for (size_t j = 0; j < n; ++j)
        trHd[j] = samples[j].Dir;
    Float80 previous = 0;
    for (size_t j = 1; j < n; ++j) {
        if (!(Float80(samples[j].Spd) > kHeadingMinKmh))
            continue;
        const Float80 h = StepHeadingDeg(smLat[j - 1], smLon[j - 1], smLat[j], smLon[j], previous);
        if (j == 1)
            previous = h;
        trHd[j - 1] = CircularMeanDeg(h, previous);
        if (j == n - 1)
            trHd[j] = h;
        previous = h;
    }
}

}  // namespace qv
