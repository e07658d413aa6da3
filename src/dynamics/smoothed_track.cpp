#include "dynamics/smoothed_track.h"

#include <algorithm>
#include <cmath>
#include <vector>

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
    if (n == 0)
        return;
    // Offsets from the first position, in double: exact to far below a
    // millimetre, and equal positions keep equal offsets, so a run of equal
    // positions stays exactly equal and a straight along a parallel or a
    // meridian stays exactly on it.
    const Float80 lat0 = samples[0].Ido;
    const Float80 lon0 = samples[0].Kdo;
    std::vector<double> dLat(static_cast<size_t>(n)), dLon(static_cast<size_t>(n));
    for (long i = 0; i < n; ++i) {
        dLat[i] = static_cast<double>(Float80(samples[i].Ido) - lat0);
        dLon[i] = static_cast<double>(Float80(samples[i].Kdo) - lon0);
    }
    constexpr double kWindow = static_cast<double>(kSmoothingWindowDays);
    for (long i = 0; i < n; ++i) {
        const double t = samples[i].DtTm;
        double sumLat = 0;
        double sumLon = 0;
        double sumWeight = 1;
        for (long j = std::max(0L, i - kHalfWindow); j <= std::min(n - 1, i + kHalfWindow); ++j) {
            if (j == i)
                continue;
            const double apart = j < i ? t - samples[j].DtTm : samples[j].DtTm - t;
            if (!(apart < kWindow))
                continue;
            const double w = kWeights[j - i + kHalfWindow];
            sumLat += w * (dLat[j] - dLat[i]);
            sumLon += w * (dLon[j] - dLon[i]);
            sumWeight += w;
        }
        smLat[i] = Float80(samples[i].Ido) + sumLat / sumWeight;
        smLon[i] = Float80(samples[i].Kdo) + sumLon / sumWeight;
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
