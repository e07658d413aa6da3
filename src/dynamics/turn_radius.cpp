#include "dynamics/turn_radius.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qv {
namespace {

constexpr Float80 kFineStepS = 0.1L;
constexpr Float80 kMediumStepS = 0.2L;
constexpr Float80 kNoStepS = 9.9L;
// Sec comes from differences of date-time doubles, which carry rounding of
// about a microsecond; a 5 Hz log must not turn coarse because of it.
constexpr Float80 kStepRoundingS = 1e-4L;

// Slope of the perpendicular bisector of a step and its intercept.
struct Bisector {
    double m = 0;
    double c = 0;
};

Bisector BisectorOf(double x0, double y0, double dx, double dy, double slopeOnAxis) {
    Bisector b;
    b.m = (dx == 0 || dy == 0) ? slopeOnAxis : -1 / (dy / dx);
    b.c = b.m == 0 ? 0 : (dy / 2 + y0) - (dx / 2 + x0) * b.m;
    return b;
}

double Med3(double a, double b, double c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// The median of five by a selection network: no sort for every sample.
double Med5(std::span<const TGCalRec> g, long k) {
    double a = g[k - 2].r, b = g[k - 1].r, c = g[k].r, d = g[k + 1].r, e = g[k + 2].r;
    if (a > b)
        std::swap(a, b);
    if (d > e)
        std::swap(d, e);
    if (a > d) {  // a is below three others: not the median
        std::swap(a, d);
        std::swap(b, e);
    }
    // Now a <= b, a <= d <= e: a is out; the median of five is the
    // second smallest of b, c, d, e, with d <= e.
    if (c > b)
        std::swap(b, c);  // c <= b
    if (c > d) {
        std::swap(c, d);
        std::swap(b, e);
    }
    // c <= b, c <= d <= e: c is the smallest of the four; the answer is the
    // smaller of b and d.
    return std::min(b, d);
}

bool TighterThanFourNeighbours(std::span<const TGCalRec> g, long k) {
    const double r = g[k].r;
    return r < g[k - 2].r && r < g[k - 1].r && r < g[k + 1].r && r < g[k + 2].r;
}

void CopyRaw(std::span<TGCalRec> g) {
    for (size_t k = 1; k + 1 < g.size(); ++k) {
        g[k].r1 = g[k].r;
        g[k].r2 = g[k].r;
    }
}

}  // namespace

double ThreePointRadius(double x0, double y0, double x1, double y1, double x2, double y2) {
    const double d1x = x1 - x0;
    const double d1y = y1 - y0;
    const double d2x = x2 - x1;
    const double d2y = y2 - y1;
    if (d1x == 0 && d1y == 0)
        return kStraightRadiusM;
    if (d2x == 0 || d2y == 0)
        return kStraightRadiusM;
    const Bisector b1 = BisectorOf(x0, y0, d1x, d1y, 1.0);
    const Bisector b2 = BisectorOf(x1, y1, d2x, d2y, 1.0);
    if (b1.m == b2.m)
        return kStraightRadiusM;
    const double xc = (b1.c - b2.c) / (b2.m - b1.m);
    const double yc = b1.m * xc + b1.c;
    const double r = std::hypot(xc - x1, yc - y1);
    // Also catches a NaN from positions that were no numbers.
    return r <= kStraightRadiusM ? r : kStraightRadiusM;
}

LogRate LogRateOf(std::span<const TLapElmRec> samples) {
    const long n = static_cast<long>(samples.size());
    Float80 dtMin = kNoStepS;
    for (long k = 1; k <= n - 3; ++k) {
        dtMin = std::min(dtMin, Float80(samples[k + 1].Sec) - Float80(samples[k].Sec));
        // The shortest step only gets shorter: one fine step decides.
        if (dtMin <= kFineStepS + kStepRoundingS)
            return LogRate::kFine;
    }
    if (dtMin <= kFineStepS + kStepRoundingS)
        return LogRate::kFine;
    if (dtMin <= kMediumStepS + kStepRoundingS)
        return LogRate::kMedium;
    return LogRate::kCoarse;
}

void MedianStage(std::span<TGCalRec> g, LogRate rate) {
    const long n = static_cast<long>(g.size());
    // Fewer than two radii leave nothing to filter; such laps are coarse anyway.
    if (rate == LogRate::kCoarse || n < 4) {
        CopyRaw(g);
        return;
    }
    auto r = [&g](long k) -> double { return g[k].r; };
    g[1].r1 = (r(1) + r(2)) / 2;
    g[2].r1 = Med3(r(1), r(2), r(3));
    for (long k = 3; k <= n - 4; ++k) {
        g[k].r1 = Med5(g, k);
        if (rate == LogRate::kMedium && TighterThanFourNeighbours(g, k))
            g[k].r1 = r(k);
    }
    g[n - 3].r1 = Med3(r(n - 4), r(n - 3), r(n - 2));
    g[n - 2].r1 = (r(n - 3) + r(n - 2)) / 2;
}

void AveragingStage(std::span<TGCalRec> g, LogRate rate) {
    const long n = static_cast<long>(g.size());
    if (rate == LogRate::kCoarse || n < 4) {
        CopyRaw(g);
        return;
    }
    auto r1 = [&g](long k) -> double { return g[k].r1; };
    g[1].r2 = (r1(1) + r1(2)) / 2;
    if (rate == LogRate::kFine) {
        g[2].r2 = (r1(1) + r1(2) + r1(3)) / 3;
        for (long k = 3; k <= n - 4; ++k)
            g[k].r2 = (r1(k - 2) / 2 + r1(k - 1) + r1(k) + r1(k + 1) + r1(k + 2) / 2) / 4;
        g[n - 3].r2 = (r1(n - 4) + r1(n - 3) + r1(n - 2)) / 3;
    } else {
        for (long k = 2; k <= n - 3; ++k) {
            const bool localMin = r1(k) < r1(k - 1) && r1(k) < r1(k + 1);
            g[k].r2 = localMin ? (r1(k - 1) + 2 * r1(k) + r1(k + 1)) / 4
                               : (r1(k - 1) + r1(k) + r1(k + 1)) / 3;
        }
    }
    g[n - 2].r2 = (r1(n - 3) + r1(n - 2)) / 2;
}

}  // namespace qv
