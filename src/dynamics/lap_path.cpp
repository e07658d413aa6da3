#include "dynamics/lap_path.h"

#include <algorithm>
#include <cmath>

#include "dynamics/smoothed_track.h"
#include "geometry/plane.h"

namespace qv {

LocalFrame FrameAt(double lat0, double lon0) {
    LocalFrame f;
    f.lat0 = lat0;
    f.lon0 = lon0;
    f.metresPerDegLat = static_cast<double>(EarthRadius * kPi / 180);
    f.metresPerDegLon = f.metresPerDegLat * std::cos(lat0 * static_cast<double>(kPi) / 180);
    return f;
}

LapPath SmoothedLapPath(const TLapDtRec& lap) {
    if (lap.Elm.empty())
        return {};
    return SmoothedLapPath(lap, FrameAt(lap.Elm[0].Ido, lap.Elm[0].Kdo));
}

LapPath SmoothedLapPath(const TLapDtRec& lap, const LocalFrame& frame) {
    LapPath path;
    path.frame = frame;
    const size_t n = lap.Elm.size();
    if (n == 0)
        return path;
    std::vector<Float80> smLat(n), smLon(n);
    SmoothPositions(lap.Elm, smLat, smLon);
    path.x.resize(n);
    path.y.resize(n);
    path.s.resize(n);
    double last = 0;
    for (size_t i = 0; i < n; ++i) {
        path.x[i] = frame.X(static_cast<double>(smLon[i]));
        path.y[i] = frame.Y(static_cast<double>(smLat[i]));
        const double s = static_cast<double>(Float80(lap.Elm[i].Dist)) * 1000;
        // A damaged file may step back or hold no number; the path must not.
        last = std::isfinite(s) ? std::max(last, s) : last;
        path.s[i] = last;
    }
    return path;
}

std::vector<double> ProjectMonotone(const LapPath& path, const std::vector<double>& px,
                                    const std::vector<double>& py, bool densePoints) {
    const size_t m = std::min(px.size(), py.size());
    std::vector<double> out(m, 0.0);
    const size_t n = path.x.size();
    if (n == 0)
        return out;
    if (n == 1)
        return std::vector<double>(m, path.s[0]);
    // The search runs forwards from the last projection over at least this
    // much path, and further for points far apart (a long corner's arc is
    // longer than its chord, and a scattered log's distance longer than the
    // road), so that a sparse log or a skipped stretch still finds its
    // place; not so far that it reaches across a figure of eight.
    constexpr double kMinReachM = 300;
    constexpr double kReachPerStep = 10;
    size_t seg = 0;
    double t = 0;
    double prevX = path.x[0], prevY = path.y[0];
    for (size_t k = 0; k < m; ++k) {
        const double qx = px[k], qy = py[k];
        const double reach =
            std::max(kMinReachM, kReachPerStep * std::hypot(qx - prevX, qy - prevY));
        const double limit = path.s[seg] + reach;
        double best = INFINITY;
        size_t bestSeg = seg;
        double bestT = t;
        // For points close behind each other: once well past the best so
        // far (a few times its distance off the path, and some), nothing
        // further on is taken, the lap has gone on. Points far apart (the
        // ends of a hairpin) search the whole reach.
        constexpr double kPastBestM = 20;
        constexpr double kPastBestPerOff = 3;
        double bestS = path.s[seg];
        for (size_t i = seg; i + 1 < n; ++i) {
            if (i > seg &&
                (path.s[i] > limit ||
                 (densePoints && path.s[i] > bestS + kPastBestM + kPastBestPerOff * best)))
                break;
            const double ax = path.x[i], ay = path.y[i];
            const double dx = path.x[i + 1] - ax, dy = path.y[i + 1] - ay;
            const double len2 = dx * dx + dy * dy;
            double u = len2 > 0 ? ((qx - ax) * dx + (qy - ay) * dy) / len2 : 0;
            u = std::clamp(u, i == seg ? t : 0.0, 1.0);
            const double d2 = std::hypot(ax + u * dx - qx, ay + u * dy - qy);
            if (d2 < best) {
                best = d2;
                bestSeg = i;
                bestT = u;
                bestS = path.s[i];
            }
        }
        seg = bestSeg;
        t = bestT;
        out[k] = path.s[seg] + t * (path.s[seg + 1] - path.s[seg]);
        prevX = qx;
        prevY = qy;
    }
    return out;
}

}  // namespace qv
