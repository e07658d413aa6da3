#include "dynamics/corners.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dynamics/lap_path.h"

namespace qv {
namespace {

constexpr double kRadToDeg = 180 / std::numbers::pi;
constexpr double kGridM = 1;  // the path is resampled this finely by distance

double D80(const Ext80& v) {
    return static_cast<double>(Float80(v));
}

struct Grid {
    std::vector<double> x, y;
    std::vector<double> half;  // points each side that the smoothing and the chords span
    std::vector<double> dist;  // the lap's own distance (m) at each point
    size_t size() const { return x.size(); }
};

// Distance driven from the logged speeds: GPS positions scatter by metres
// from fix to fix, so a distance summed from them grows with the noise and
// the logging rate, while the speed does not. The lap's own distances when
// it logged no speed.
std::vector<double> DrivenDistance(const TLapDtRec& lap, const LapPath& path) {
    const size_t n = lap.Elm.size();
    std::vector<double> u(n, 0.0);
    for (size_t i = 1; i < n; ++i) {
        const double dt = D80(lap.Elm[i].Sec) - D80(lap.Elm[i - 1].Sec);
        const double v = (D80(lap.Elm[i].Spd) + D80(lap.Elm[i - 1].Spd)) / 2 / 3.6;
        const double step = dt > 0 && v > 0 && std::isfinite(dt * v) ? dt * v : 0;
        u[i] = u[i - 1] + step;
    }
    if (!(u.back() > 0))
        return path.s;
    return u;
}

// The path every kGridM metres of driven distance. Each point's smoothing
// reaches over at least a few fixes either side, so that a sparse log's
// scatter does not read as turning, and never less than the options say.
Grid Resample(const LapPath& path, const std::vector<double>& u, double minHalfM) {
    constexpr double kFixesEachSide = 3;
    Grid g;
    const size_t n = u.size();
    const auto count = static_cast<size_t>(std::floor((u.back() - u.front()) / kGridM)) + 1;
    g.x.resize(count);
    g.y.resize(count);
    g.half.resize(count);
    g.dist.resize(count);
    size_t i = 0;
    for (size_t k = 0; k < count; ++k) {
        const double s = u.front() + static_cast<double>(k) * kGridM;
        while (i + 2 < n && u[i + 1] <= s)
            ++i;
        const double span = u[i + 1] - u[i];
        const double f = span > 0 ? std::clamp((s - u[i]) / span, 0.0, 1.0) : 0.0;
        g.x[k] = path.x[i] + f * (path.x[i + 1] - path.x[i]);
        g.y[k] = path.y[i] + f * (path.y[i + 1] - path.y[i]);
        g.dist[k] = path.s[i] + f * (path.s[i + 1] - path.s[i]);
        g.half[k] = std::round(std::max(minHalfM, kFixesEachSide * span) / kGridM);
    }
    return g;
}

// Mean over +-half[k] points, the window shrinking at the ends.
std::vector<double> WindowMean(const std::vector<double>& v, const std::vector<double>& half) {
    const size_t n = v.size();
    std::vector<double> sum(n + 1, 0.0);
    for (size_t k = 0; k < n; ++k)
        sum[k + 1] = sum[k] + v[k];
    std::vector<double> out(n);
    for (size_t k = 0; k < n; ++k) {
        const auto h = static_cast<size_t>(half[k]);
        const size_t a = k >= h ? k - h : 0;
        const size_t b = std::min(n - 1, k + h);
        out[k] = (sum[b + 1] - sum[a]) / static_cast<double>(b - a + 1);
    }
    return out;
}

struct Curve {
    std::vector<double> heading;    // radians, unwrapped, counter-clockwise from east
    std::vector<double> curvature;  // 1/m, positive to the left
};

Curve Curvatures(const Grid& g) {
    const size_t n = g.size();
    const std::vector<double> x = WindowMean(g.x, g.half);
    const std::vector<double> y = WindowMean(g.y, g.half);
    auto ends = [&](size_t k) {
        const auto h = static_cast<size_t>(g.half[k]);
        return std::pair<size_t, size_t>{k >= h ? k - h : 0, std::min(n - 1, k + h)};
    };
    Curve c;
    c.heading.resize(n);
    double last = 0;
    for (size_t k = 0; k < n; ++k) {
        const auto [a, b] = ends(k);
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
        const auto [a, b] = ends(k);
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
    const std::vector<double>& kap = c.curvature;
    const size_t n = kap.size();
    auto sign = [&](size_t k) { return kap[k] > limit ? 1 : kap[k] < -limit ? -1 : 0; };
    std::vector<Stretch> out;
    size_t k = 0;
    while (k < n) {
        const int sg = sign(k);
        if (sg == 0) {
            ++k;
            continue;
        }
        Stretch st{k, k, sg};
        while (k < n && sign(k) == sg)
            st.to = k++;
        // Once turning, a corner lasts while the curvature stays above half
        // the limit, so that scatter around the limit does not cut it up.
        const size_t floor = out.empty() ? 0 : out.back().to + 1;
        while (st.from > floor && kap[st.from - 1] * sg > limit / 2)
            --st.from;
        while (st.to + 1 < n && kap[st.to + 1] * sg > limit / 2 && sign(st.to + 1) != -sg)
            ++st.to;
        k = std::max(k, st.to + 1);
        if (!out.empty() && out.back().sign == st.sign &&
            static_cast<double>(st.from - out.back().to) * kGridM <= o.mergeGapM)
            out.back().to = st.to;
        else
            out.push_back(st);
    }
    return out;
}

// The turn of stretch `i` counts the easing in and out as well, which the
// radius limit leaves outside the corner, up to halfway to its neighbours:
// a sweeper's turn then does not hang on where its transitions cross the
// limit.
double TurnOf(const std::vector<Stretch>& all, size_t i, const Curve& c, const CornerOptions& o) {
    const double easing = 1 / std::max(1.0, o.minRadiusM) / 4;
    const Stretch& st = all[i];
    const size_t n = c.curvature.size();
    const size_t lo = i == 0 ? 0 : (all[i - 1].to + st.from) / 2;
    const size_t hi = i + 1 == all.size() ? n - 1 : (st.to + all[i + 1].from) / 2;
    size_t from = st.from, to = st.to;
    while (from > lo && c.curvature[from - 1] * st.sign > easing)
        --from;
    while (to < hi && c.curvature[to + 1] * st.sign > easing)
        ++to;
    return (c.heading[to] - c.heading[from]) * kRadToDeg;
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
    // The samples that span the stretch: from the last at or before its
    // start to the first at or after its end.
    size_t lo = std::upper_bound(distM.begin(), distM.begin() + n, fromM) - distM.begin();
    lo = lo > 0 ? std::min(lo - 1, n - 1) : 0;
    size_t hi = std::lower_bound(distM.begin(), distM.begin() + n, toM) - distM.begin();
    hi = std::max(std::min(hi + 1, n), lo + 1);
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
    const std::vector<double> driven = DrivenDistance(lap, path);
    // A damaged file's times can make a lap of any length; no real lap
    // comes near this.
    constexpr double kLongestLapM = 1e6;
    if (!(driven.back() > driven.front()) || !(driven.back() - driven.front() < kLongestLapM))
        return corners;
    const Grid grid = Resample(path, driven, options.smoothingM);
    if (grid.size() < 3)
        return corners;
    const Curve curve = Curvatures(grid);
    const std::vector<Stretch> stretches = TurningStretches(curve, options);
    for (size_t i = 0; i < stretches.size(); ++i) {
        const Stretch& st = stretches[i];
        const double turn = TurnOf(stretches, i, curve, options);
        if (std::abs(turn) < options.minTurnDeg)
            continue;
        Corner c;
        c.number = static_cast<int>(corners.size()) + 1;
        c.direction = turn > 0 ? TurnDirection::kLeft : TurnDirection::kRight;
        c.turnDeg = turn;
        c.entryM = grid.dist[st.from];
        c.exitM = grid.dist[st.to];
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
