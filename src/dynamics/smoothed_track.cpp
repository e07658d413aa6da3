#include "dynamics/smoothed_track.h"

#include <algorithm>
#include <cmath>

#include "geometry/headings.h"
#include "geometry/plane.h"

namespace qv {
namespace {

constexpr int kHalfWindow = 3;
constexpr double kWeights[2 * kHalfWindow + 1] = {0.25, 0.5, 0.75, 1, 0.75, 0.5, 0.25};

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
        const double t = samples[i].DtTm;
        double sumLat = 0;
        double sumLon = 0;
        double sumWeight = 1;
        for (long j = std::max(0L, i - kHalfWindow); j <= std::min(n - 1, i + kHalfWindow); ++j) {
            if (j == i)
                continue;
            const double apart = j < i ? t - samples[j].DtTm : samples[j].DtTm - t;
            if (!(apart < kSmoothingWindowDays))
                continue;
            const double w = kWeights[j - i + kHalfWindow];
            sumLat += w * static_cast<double>(Float80(samples[j].Ido) - lat);
            sumLon += w * static_cast<double>(Float80(samples[j].Kdo) - lon);
            sumWeight += w;
        }
        smLat[i] = lat + sumLat / sumWeight;
        smLon[i] = lon + sumLon / sumWeight;
    }
}

void TravelHeadings(std::span<const TLapElmRec> samples, std::span<const Float80> smLat,
                    std::span<const Float80> smLon, std::span<Float80> trHd) {
    const size_t n = std::min({samples.size(), smLat.size(), smLon.size(), trHd.size()});
    for (size_t j = 0; j < n; ++j)
        trHd[j] = samples[j].Dir;
    WalkTravelHeadings(
        n, [&](size_t j) { return smLat[j]; }, [&](size_t j) { return smLon[j]; },
        [&](size_t j) { return Float80(samples[j].Spd); },
        [&](size_t j) -> Float80& { return trHd[j]; });
}

}  // namespace qv
