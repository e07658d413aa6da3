#include "dynamics/drift_angle.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geometry/headings.h"
#include "geometry/plane.h"

namespace qv {
namespace {

constexpr Float80 kAngleCutKmh = 7.0L;
constexpr Float80 kDetectDeg = 10.0L;
constexpr Float80 kDetectKmh = 15.0L;
constexpr int kDetectRun = 5;  // consecutive samples needed beyond this count
constexpr double kNeighbourDays = 0.210 / kSecondsPerDay;
constexpr std::array<Float80, 7> kSmoothWeights{0.1L, 0.2L, 0.3L, 1.0L, 0.3L, 0.2L, 0.1L};

}  // namespace

void CalcGpsDir(std::span<const TLapElmRec> samples, std::span<TDriftRec> gpsDir) {
    const size_t n = std::min(samples.size(), gpsDir.size());
    for (size_t j = 0; j < n; ++j)
        gpsDir[j].GpsDir = Float80(samples[j].Dir);
    WalkTravelHeadings(
        n, [&](size_t j) { return Float80(samples[j].Ido); },
        [&](size_t j) { return Float80(samples[j].Kdo); },
        [&](size_t j) { return Float80(samples[j].Spd); },
        [&](size_t j) -> double& { return gpsDir[j].GpsDir; });
}

std::vector<Float80> RawDriftAngles(std::span<const TLapElmRec> samples,
                                    std::span<const TDriftRec> gpsDir) {
    const size_t n = std::min(samples.size(), gpsDir.size());
    std::vector<Float80> angles(samples.size(), 0);
    for (size_t i = 0; i < n; ++i) {
        if (!(Float80(samples[i].Spd) > kAngleCutKmh))
            continue;
        Float80 a = Float80(samples[i].Dir) - gpsDir[i].GpsDir;
        if (a > 180)
            a -= 360;
        else if (a < -180)
            a += 360;
        angles[i] = a;
    }
    return angles;
}

bool IsDriftRun(std::span<const TLapElmRec> samples, std::span<const Float80> rawAngles) {
    const size_t n = std::min(samples.size(), rawAngles.size());
    int run = 0;
    for (size_t i = 1; i + 1 < n; ++i) {
        if (std::fabs(rawAngles[i]) > kDetectDeg && Float80(samples[i].Spd) > kDetectKmh) {
            if (++run > kDetectRun)
                return true;
        } else {
            run = 0;
        }
    }
    return false;
}

void SmoothDriftAngles(std::span<const TLapElmRec> samples, std::span<const Float80> rawAngles,
                       std::span<TDriftRec> drift) {
    const int n = static_cast<int>(std::min({samples.size(), rawAngles.size(), drift.size()}));
    const int reach = static_cast<int>(kSmoothWeights.size() / 2);
    for (int i = 0; i < n; ++i) {
        Float80 sum = 0;
        Float80 weights = 0;
        for (int off = -reach; off <= reach; ++off) {
            const int k = i + off;
            if (k < 0 || k >= n)
                continue;
            const int earlier = std::min(i, k);
            const int later = std::max(i, k);
            if (off != 0 && !(samples[static_cast<size_t>(later)].DtTm -
                                  samples[static_cast<size_t>(earlier)].DtTm <
                              kNeighbourDays))
                continue;
            const Float80 w = kSmoothWeights[static_cast<size_t>(off + reach)];
            sum += w * rawAngles[static_cast<size_t>(k)];
            weights += w;
        }
        drift[static_cast<size_t>(i)].DAngle = sum / weights;
    }
}

bool CalcDriftAngles(std::span<const TLapElmRec> samples, std::vector<TDriftRec>& drift) {
    // Both fields of every record are written below.
    drift.resize(samples.size());
    CalcGpsDir(samples, drift);
    const std::vector<Float80> raw = RawDriftAngles(samples, drift);
    const bool driftRun = IsDriftRun(samples, raw);
    SmoothDriftAngles(samples, raw, drift);
    return driftRun;
}

void SetDElm(TLapDtRec& lap) {
    const size_t n =
        std::clamp<size_t>(static_cast<size_t>(std::max(lap.ElmNum, 0)), 0, lap.Elm.size());
    if (lap.dirFromTrack) {
        // The walk over the positions would give the headings back exactly,
        // and every drift angle would be zero.
        lap.DElm.resize(n);
        for (size_t i = 0; i < n; ++i)
            lap.DElm[i] = TDriftRec{static_cast<double>(Float80(lap.Elm[i].Dir)), 0};
        return;
    }
    if (CalcDriftAngles(std::span<const TLapElmRec>(lap.Elm.data(), n), lap.DElm))
        lap.driftAct = true;
}

Float80 TopDriftAngle(std::span<const TDriftRec> drift) {
    Float80 top = 0;
    for (const TDriftRec& d : drift)
        if (std::fabs(d.DAngle) > std::fabs(top))
            top = d.DAngle;
    return top;
}

}  // namespace qv
