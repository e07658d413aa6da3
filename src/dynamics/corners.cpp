#include "dynamics/corners.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dynamics/lap_path.h"

namespace qv {
namespace {

constexpr double kRadToDeg = 180 / std::numbers::pi;
constexpr double kGridM = 1;  // the path is resampled this finely by distance

struct Grid {
    double s0 = 0;
    std::vector<double> x, y;
    std::vector<double> chord;  // half length of the heading chord at each point
    size_t size() const { return x.size(); }
    double S(size_t k) const { return s0 + static_cast<double>(k) * kGridM; }
};

// The path every kGridM metres. Each point also gets the half length of the
// chord its heading is taken over: long enough to span the samples around
// it, so that a sparse log's noise does not read as turning.
Grid Resample(const LapPath& path) {
    Grid g;
    const size_t n = path.s.size();
    g.s0 = path.s.front();
    const double length = path.s.back() - g.s0;
    const auto count = static_cast<size_t>(std::floor(length / kGridM)) + 1;
    g.x.resize(count);
    g.y.resize(count);
    g.chord.resize(count);
    size_t i = 0;
    for (size_t k = 0; k < count; ++k) {
        const double s = g.S(k);
        while (i + 2 < n && path.s[i + 1] <= s)
            ++i;
        const double span = path.s[i + 1] - path.s[i];
        const double u = span > 0 ? std::clamp((s - path.s[i]) / span, 0.0, 1.0) : 0.0;
        g.x[k] = path.x[i] + u * (path.x[i + 1] - path.x[i]);
        g.y[k] = path.y[i] + u * (path.y[i + 1] - path.y[i]);
        g.chord[k] = span;
    }
    return g;
}

// Box mean over +-half points, the window shrinking at the ends.
std::vector<double> BoxMean(const std::vector<double>& v, size_t half) {
    const size_t n = v.size();
    std::vector<double> sum(n + 1, 0.0);
    for (size_t k = 0; k < n; ++k)
        sum[k + 1] = sum[k] + v[k];
    std::vector<double> out(n);
    for (size_t k = 0; k < n; ++k) {
        const size_t a = k >= half ? k - half : 0;
        const size_t b = std::min(n - 1, k + half);
        out[k] = (sum[b + 1] - sum[a]) / static_cast<double>(b - a + 1);
    }
    return out;
}

struct Curve {
    std::vector<double> heading;    // radians, unwrapped, counter-clockwise from east
    std::vector<double> curvature;  // 1/m, positive to the left
};

Curve Curvatures(const Grid& g, const CornerOptions& o) {
    const size_t n = g.size();
    const auto smooth = static_cast<size_t>(std::max(0.0, std::round(o.smoothingM / kGridM)));
    const std::vector<double> x = BoxMean(g.x, smooth);
    const std::vector<double> y = BoxMean(g.y, smooth);
    constexpr double kMinChordM = 5;
    constexpr double kChordPerSpacing = 1.5;
    auto half = [&](size_t k) {
        const double m = std::max(kMinChordM, kChordPerSpacing * g.chord[k]);
        return static_cast<size_t>(std::round(m / kGridM));
    };
    Curve c;
    c.heading.resize(n);
    double last = 0;
    for (size_t k = 0; k < n; ++k) {
        const size_t h = half(k);
        const size_t a = k >= h ? k - h : 0;
        const size_t b = std::min(n - 1, k + h);
        double hd = last;
        if (b > a && (x[b] != x[a] || y[b] != y[a]))
            hd = std::atan2(y[b] - y[a], x[b] - x[a]);
        // Unwrapped, so that a stretch's turn is the difference of its ends.
        if (k > 0) {
            while (hd - last > std::numbers::pi)
                hd -= 2 * std::numbers::pi;
            while (hd - last < -std::numbers::pi)
                hd += 2 * std::numbers::pi;
        }
        c.heading[k] = hd;
        last = hd;
    }
    c.curvature.assign(n, 0.0);
    for (size_t k = 0; k < n; ++k) {
        const size_t h = half(k);
        const size_t a = k >= h ? k - h : 0;
        const size_t b = std::min(n - 1, k + h);
        if (b > a)
            c.curvature[k] = (c.heading[b] - c.heading[a]) / (static_cast<double>(b - a) * kGridM);
    }
    return c;
}

struct Stretch {
    size_t from = 0, to = 0;  // grid points, inclusive
    int sign = 0;
};

// Stretches turning one way harder than the radius allows. Bends of the
// same way with a short easing between them run into each other and are
// one corner (a double apex). Bends of opposite ways stay apart, however
// close: a chicane is two corners, because a corner has one direction and
// the driver's time in a chicane is usually lost in one of its halves (a
// poor first apex spoils the second), which two rows show and one hides.
std::vector<Stretch> TurningStretches(const Curve& c, const CornerOptions& o) {
    const double limit = 1 / std::max(1.0, o.minRadiusM);
    std::vector<Stretch> out;
    const size_t n = c.curvature.size();
    size_t k = 0;
    while (k < n) {
        const double kap = c.curvature[k];
        if (std::abs(kap) <= limit) {
            ++k;
            continue;
        }
        Stretch st{k, k, kap > 0 ? 1 : -1};
        while (k < n && std::abs(c.curvature[k]) > limit && (c.curvature[k] > 0) == (st.sign > 0))
            st.to = k++;
        if (!out.empty() && out.back().sign == st.sign &&
            static_cast<double>(st.from - out.back().to) * kGridM <= o.mergeGapM)
            out.back().to = st.to;
        else
            out.push_back(st);
    }
    return out;
}

struct LatLonD {
    double lat = 0, lon = 0;
};

LatLonD PositionAt(const LapPath& path, double m) {
    const size_t n = path.s.size();
    size_t i = std::upper_bound(path.s.begin(), path.s.end(), m) - path.s.begin();
    i = std::clamp<size_t>(i, 1, n - 1);
    const double span = path.s[i] - path.s[i - 1];
    const double u = span > 0 ? std::clamp((m - path.s[i - 1]) / span, 0.0, 1.0) : 0.0;
    const double x = path.x[i - 1] + u * (path.x[i] - path.x[i - 1]);
    const double y = path.y[i - 1] + u * (path.y[i] - path.y[i - 1]);
    return {path.frame.Lat(y), path.frame.Lon(x)};
}

void FillPositions(Corner& c, const LapPath& path) {
    const LatLonD e = PositionAt(path, c.entryM), a = PositionAt(path, c.apexM),
                  x = PositionAt(path, c.exitM);
    c.entryLat = e.lat;
    c.entryLon = e.lon;
    c.apexLat = a.lat;
    c.apexLon = a.lon;
    c.exitLat = x.lat;
    c.exitLon = x.lon;
}

}  // namespace

SlowestPoint SlowestBetween(const TLapDtRec& lap, const std::vector<double>& distM, double fromM,
                            double toM, double plateauKmh) {
    SlowestPoint out;
    const size_t n = std::min(distM.size(), lap.Elm.size());
    if (n == 0)
        return out;
    auto kmh = [&](size_t i) { return static_cast<double>(Float80(lap.Elm[i].Spd)); };
    size_t lo = std::lower_bound(distM.begin(), distM.begin() + n, fromM) - distM.begin();
    size_t hi = std::upper_bound(distM.begin(), distM.begin() + n, toM) - distM.begin();
    lo = std::min(lo, n - 1);
    hi = std::max(hi, lo + 1);
    size_t best = lo;
    for (size_t i = lo; i < hi; ++i)
        if (kmh(i) < kmh(best))
            best = i;
    size_t a = best, b = best;
    while (a > lo && kmh(a - 1) <= kmh(best) + plateauKmh)
        --a;
    while (b + 1 < hi && kmh(b + 1) <= kmh(best) + plateauKmh)
        ++b;
    out.m = (distM[a] + distM[b]) / 2;
    out.kmh = kmh(best);
    out.index = best;
    return out;
}

std::vector<Corner> FindCorners(const TLapDtRec& lap, const CornerOptions& options) {
    std::vector<Corner> corners;
    if (lap.Elm.size() < 3)
        return corners;
    const LapPath path = SmoothedLapPath(lap);
    if (!(path.s.back() > path.s.front()))
        return corners;
    const Grid grid = Resample(path);
    if (grid.size() < 3)
        return corners;
    const Curve curve = Curvatures(grid, options);
    for (const Stretch& st : TurningStretches(curve, options)) {
        const double turn = (curve.heading[st.to] - curve.heading[st.from]) * kRadToDeg;
        if (std::abs(turn) < options.minTurnDeg)
            continue;
        Corner c;
        c.number = static_cast<int>(corners.size()) + 1;
        c.direction = turn > 0 ? TurnDirection::kLeft : TurnDirection::kRight;
        c.turnDeg = turn;
        c.entryM = grid.S(st.from);
        c.exitM = grid.S(st.to);
        const SlowestPoint apex =
            SlowestBetween(lap, path.s, c.entryM, c.exitM, options.plateauKmh);
        c.apexM = std::clamp(apex.m, c.entryM, c.exitM);
        c.apexKmh = apex.kmh;
        FillPositions(c, path);
        corners.push_back(c);
    }
    return corners;
}

std::vector<Corner> MatchCorners(const std::vector<Corner>& reference, const TLapDtRec& lap,
                                 const CornerOptions& options) {
    std::vector<Corner> out;
    if (lap.Elm.size() < 2 || reference.empty())
        return out;
    const LapPath path = SmoothedLapPath(lap);
    std::vector<double> px, py;
    for (const Corner& c : reference) {
        px.push_back(path.frame.X(c.entryLon));
        py.push_back(path.frame.Y(c.entryLat));
        px.push_back(path.frame.X(c.exitLon));
        py.push_back(path.frame.Y(c.exitLat));
    }
    const std::vector<double> at = ProjectMonotone(path, px, py);
    // A corner past the lap's end projects onto its last point.
    constexpr double kReachedM = 5;
    for (size_t k = 0; k < reference.size(); ++k) {
        Corner c = reference[k];
        c.entryM = at[2 * k];
        c.exitM = at[2 * k + 1];
        const double gapAtEnd =
            std::hypot(px[2 * k + 1] - path.x.back(), py[2 * k + 1] - path.y.back());
        if (c.exitM <= c.entryM || (c.exitM >= path.s.back() && gapAtEnd > kReachedM))
            continue;
        const SlowestPoint apex =
            SlowestBetween(lap, path.s, c.entryM, c.exitM, options.plateauKmh);
        c.apexM = std::clamp(apex.m, c.entryM, c.exitM);
        c.apexKmh = apex.kmh;
        FillPositions(c, path);
        out.push_back(c);
    }
    return out;
}

}  // namespace qv
