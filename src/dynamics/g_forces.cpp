#include "dynamics/g_forces.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "dynamics/smoothed_track.h"
#include "dynamics/turn_radius.h"
#include "geometry/plane.h"

namespace qv {
namespace {

double DegToRad(double deg) {
    return deg * std::numbers::pi / 180;
}

void PlaceOnPlane(std::span<const Float80> smLat, std::span<const Float80> smLon,
                  std::span<TGCalRec> g) {
    // Offsets from the first position in extended precision keep the digits
    // of a short lap; the rest in double, as for every ground distance.
    constexpr double kRadius = static_cast<double>(EarthRadius);
    for (size_t k = 1; k < g.size(); ++k) {
        const double cosLat = std::cos(DegToRad(static_cast<double>(smLat[k])));
        g[k].X = cosLat * kRadius * DegToRad(static_cast<double>(smLon[k] - smLon[0]));
        g[k].Y = kRadius * DegToRad(static_cast<double>(smLat[k] - smLat[0]));
    }
}

void RawRadii(std::span<TGCalRec> g) {
    for (size_t k = 1; k + 1 < g.size(); ++k)
        g[k].r = ThreePointRadius(g[k - 1].X, g[k - 1].Y, g[k].X, g[k].Y, g[k + 1].X, g[k + 1].Y);
}

void GValues(std::span<const TLapElmRec> samples, std::span<TGCalRec> g) {
    for (size_t k = 1; k + 1 < g.size(); ++k) {
        g[k].r2 = std::min(g[k].r2, kStraightRadiusM);
        const double v = static_cast<double>(samples[k].Spd) / kKmhPerMps;
        const double vPrev = static_cast<double>(samples[k - 1].Spd) / kKmhPerMps;
        g[k].lateG = g[k].r2 > 0 ? v * v / g[k].r2 / kStandardGravity * g[k].rl : 0;
        const double dt = static_cast<double>(Float80(samples[k].Sec) - Float80(samples[k - 1].Sec));
        g[k].logiG = dt > 0 ? (v - vPrev) / dt / kStandardGravity : 0;
    }
}

template <double TGCalRec::*Field>
double MeanAround(std::span<const TGCalRec> g, size_t k) {
    const size_t last = g.size() - 2;
    if (k == 1)
        return (g[k].*Field + g[k + 1].*Field) / 2;
    if (k == last)
        return (g[k].*Field + g[k - 1].*Field) / 2;
    return (g[k - 1].*Field + g[k].*Field + g[k + 1].*Field) / 3;
}

void DisplayValues(std::span<TGCalRec> g, LogRate rate) {
    for (size_t k = 1; k + 1 < g.size(); ++k) {
        if (rate == LogRate::kCoarse) {
            g[k].r2_3 = g[k].r2;
            g[k].lateG3 = g[k].lateG;
            g[k].logiG3 = g[k].logiG;
        } else {
            g[k].r2_3 = MeanAround<&TGCalRec::r2>(g, k);
            g[k].lateG3 = MeanAround<&TGCalRec::lateG>(g, k);
            g[k].logiG3 = MeanAround<&TGCalRec::logiG>(g, k);
        }
        g[k].XYG = std::sqrt(g[k].lateG3 * g[k].lateG3 + g[k].logiG3 * g[k].logiG3);
    }
}

}  // namespace

int32_t TurnDirection(Float80 h, Float80 hp) {
    if (h > 270 && hp < 90)
        return 1;
    if (hp > 270 && h < 90)
        return -1;
    return hp >= h ? 1 : -1;
}

void CalcGRecords(std::span<const TLapElmRec> samples, std::span<const Float80> smLat,
                  std::span<const Float80> smLon, std::span<const Float80> trHd,
                  std::span<TGCalRec> gElm) {
    const size_t n =
        std::min({samples.size(), smLat.size(), smLon.size(), trHd.size(), gElm.size()});
    const std::span<TGCalRec> g = gElm.first(n);
    for (size_t k = 0; k < n; ++k) {
        g[k] = TGCalRec{};
        g[k].spd2 = samples[k].Spd;
        if (k >= 1 && k + 1 < n)
            g[k].rl = TurnDirection(trHd[k], trHd[k - 1]);
    }
    if (n == 0)
        return;
    PlaceOnPlane(smLat, smLon, g);
    RawRadii(g);
    const LogRate rate = LogRateOf(samples.first(n));
    MedianStage(g, rate);
    AveragingStage(g, rate);
    GValues(samples, g);
    DisplayValues(g, rate);
}

void CalcGElm(std::span<const TLapElmRec> samples, std::span<TGCalRec> gElm) {
    const size_t n = std::min(samples.size(), gElm.size());
    std::vector<Float80> smLat(n), smLon(n), trHd(n);
    SmoothPositions(samples.first(n), smLat, smLon);
    TravelHeadings(samples.first(n), smLat, smLon, trHd);
    CalcGRecords(samples.first(n), smLat, smLon, trHd, gElm.first(n));
}

void SetGElm(TLapDtRec& lap) {
    // CalcGRecords writes every record of the first n; the rest stay zero.
    const size_t n = std::min(lap.Elm.size(), static_cast<size_t>(std::max(lap.ElmNum, 0)));
    lap.GElm.resize(lap.Elm.size());
    std::fill(lap.GElm.begin() + static_cast<std::ptrdiff_t>(n), lap.GElm.end(), TGCalRec{});
    CalcGElm(std::span<const TLapElmRec>(lap.Elm).first(n), std::span<TGCalRec>(lap.GElm).first(n));
}

}  // namespace qv
