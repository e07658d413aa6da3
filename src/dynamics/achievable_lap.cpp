#include "dynamics/achievable_lap.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/plane.h"

namespace qv {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDegToRad = static_cast<double>(kPi) / 180.0;
// The cut's direction is taken over this much reference path on each side,
// so that one noisy fix does not turn the line across the track.
constexpr double kDirectionSpanM = 5;
// A lap crosses a cut only while heading within 60 degrees of the reference
// path: the other leg of a hairpin or a figure eight passes the same place.
constexpr double kMinHeadingCos = 0.5;
// Where a lap may cross the next cut, beyond its last crossing: generous
// for a wider line, yet short of the next time the track comes by.
constexpr double kWindowPerCut = 1.5;
constexpr double kWindowSlackM = 50;

struct Xy {
    double x = 0;
    double y = 0;
};

Xy operator-(Xy a, Xy b) {
    return {a.x - b.x, a.y - b.y};
}
double Cross(Xy a, Xy b) {
    return a.x * b.y - a.y * b.x;
}
double Dot(Xy a, Xy b) {
    return a.x * b.x + a.y * b.y;
}
double Length(Xy a) {
    return std::hypot(a.x, a.y);
}

// A flat plane in metres around one point; ample for one circuit.
struct Plane {
    double lat0 = 0, lon0 = 0, metresPerDegLat = 0, metresPerDegLon = 0;

    explicit Plane(const TLapElmRec& origin) {
        lat0 = static_cast<double>(Float80(origin.Ido));
        lon0 = static_cast<double>(Float80(origin.Kdo));
        metresPerDegLat = static_cast<double>(EarthRadius) * kDegToRad;
        metresPerDegLon = metresPerDegLat * std::cos(lat0 * kDegToRad);
    }
    Xy At(const TLapElmRec& e) const {
        return {(static_cast<double>(Float80(e.Kdo)) - lon0) * metresPerDegLon,
                (static_cast<double>(Float80(e.Ido)) - lat0) * metresPerDegLat};
    }
};

struct Track {
    std::vector<Xy> p;
    std::vector<double> t;  // s
    std::vector<double> s;  // m travelled along its own points
    // m travelled along the fixes as logged: the distance the lap list shows.
    std::vector<double> logged;
};

// Each point the mean of the points around it, as many on either side;
// the ends stay where they are.
std::vector<Xy> Smoothed(const std::vector<Xy>& p, size_t side) {
    const size_t n = p.size();
    std::vector<Xy> sum(n + 1);
    for (size_t i = 0; i < n; ++i)
        sum[i + 1] = {sum[i].x + p[i].x, sum[i].y + p[i].y};
    std::vector<Xy> out(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t k = std::min({side, i, n - 1 - i});
        const double count = static_cast<double>(2 * k + 1);
        out[i] = {(sum[i + k + 1].x - sum[i - k].x) / count,
                  (sum[i + k + 1].y - sum[i - k].y) / count};
    }
    return out;
}

bool IsFinite(const TLapElmRec& e) {
    return std::isfinite(static_cast<double>(Float80(e.Ido))) &&
           std::isfinite(static_cast<double>(Float80(e.Kdo))) &&
           std::isfinite(static_cast<double>(Float80(e.Sec)));
}

// A lap with a fix of no number (a damaged file) gives an empty track, which
// takes no part.
Track ToTrack(std::span<const TLapElmRec> lap, const Plane& plane, double smoothingS) {
    Track track;
    for (const TLapElmRec& e : lap) {
        if (!IsFinite(e))
            return track;
    }
    track.p.reserve(lap.size());
    track.t.reserve(lap.size());
    track.logged.reserve(lap.size());
    for (const TLapElmRec& e : lap) {
        const Xy p = plane.At(e);
        track.logged.push_back(track.p.empty() ? 0
                                               : track.logged.back() + Length(p - track.p.back()));
        track.p.push_back(p);
        track.t.push_back(static_cast<double>(Float80(e.Sec)));
    }
    if (track.p.size() > 2 && track.t.back() > track.t.front() && smoothingS > 0) {
        const double step =
            (track.t.back() - track.t.front()) / static_cast<double>(track.p.size() - 1);
        const auto side = static_cast<size_t>(std::min(std::round(smoothingS / 2 / step), 25.0));
        if (side > 0)
            track.p = Smoothed(track.p, side);
    }
    track.s.reserve(track.p.size());
    for (size_t i = 0; i < track.p.size(); ++i)
        track.s.push_back(i == 0 ? 0 : track.s.back() + Length(track.p[i] - track.p[i - 1]));
    return track;
}

double Duration(const Track& track) {
    return track.t.back() - track.t.front();
}

// The point `s` metres along the track, clamped to its ends.
Xy PointAt(const Track& track, double s) {
    if (s <= 0)
        return track.p.front();
    if (s >= track.s.back())
        return track.p.back();
    const auto it = std::upper_bound(track.s.begin(), track.s.end(), s);
    const size_t j = static_cast<size_t>(it - track.s.begin());
    const double span = track.s[j] - track.s[j - 1];
    const double r = span > 0 ? (s - track.s[j - 1]) / span : 0;
    return {track.p[j - 1].x + r * (track.p[j].x - track.p[j - 1].x),
            track.p[j - 1].y + r * (track.p[j].y - track.p[j - 1].y)};
}

struct Cut {
    double s = 0;  // along the reference path
    Xy a, b;       // ends of the line across the track
    Xy dir;        // unit direction of travel
};

std::vector<Cut> LayCuts(const Track& ref, const AchievableOptions& options) {
    std::vector<Cut> cuts;
    const double length = ref.s.back();
    const double spacing = std::max(options.cutSpacingM, 0.5);
    for (double s = spacing; s <= length - spacing / 2; s += spacing) {
        Xy dir = PointAt(ref, s + kDirectionSpanM) - PointAt(ref, s - kDirectionSpanM);
        const double len = Length(dir);
        if (len <= 0)
            continue;
        dir = {dir.x / len, dir.y / len};
        const Xy c = PointAt(ref, s);
        const Xy side{-dir.y * options.cutHalfWidthM, dir.x * options.cutHalfWidthM};
        cuts.push_back({s, {c.x + side.x, c.y + side.y}, {c.x - side.x, c.y - side.y}, dir});
    }
    return cuts;
}

struct Crossing {
    bool hit = false;
    double t = 0;
    Xy at;
};

// The lap's passages of the start, every cut in order, and the end; a cut
// it does not pass in order is left unhit and the search goes on from the
// last cut it did pass.
std::vector<Crossing> CrossCuts(const Track& lap, const Track& ref, const std::vector<Cut>& cuts,
                                const AchievableOptions& options) {
    std::vector<Crossing> out(cuts.size() + 2);
    if (Length(lap.p.front() - ref.p.front()) <= options.cutHalfWidthM)
        out.front() = {true, lap.t.front(), lap.p.front()};
    if (Length(lap.p.back() - ref.p.back()) <= options.cutHalfWidthM)
        out.back() = {true, lap.t.back(), lap.p.back()};
    size_t seg = 0;
    double minU = 0;
    double lastS = 0;
    size_t lastCut = 0;
    const size_t n = lap.p.size();
    for (size_t c = 0; c < cuts.size(); ++c) {
        const Cut& cut = cuts[c];
        const double windowEnd =
            lastS + static_cast<double>(c + 1 - lastCut) * options.cutSpacingM * kWindowPerCut +
            kWindowSlackM;
        const Xy q = cut.b - cut.a;
        for (size_t j = seg; j + 1 < n && lap.s[j] <= windowEnd; ++j) {
            const Xy r = lap.p[j + 1] - lap.p[j];
            const double len = Length(r);
            if (len <= 0 || Dot(r, cut.dir) < kMinHeadingCos * len)
                continue;
            const double denom = Cross(r, q);
            if (denom == 0)
                continue;
            const Xy w = cut.a - lap.p[j];
            const double u = Cross(w, q) / denom;
            const double v = Cross(w, r) / denom;
            if (u < 0 || u >= 1 || v < 0 || v > 1 || (j == seg && u < minU))
                continue;
            out[c + 1] = {true,
                          lap.t[j] + u * (lap.t[j + 1] - lap.t[j]),
                          {lap.p[j].x + u * r.x, lap.p[j].y + u * r.y}};
            seg = j;
            minU = u;
            lastS = lap.s[j] + u * len;
            lastCut = c + 1;
            break;
        }
    }
    return out;
}

// The logged distance at `s` metres along the track's cut path.
double LoggedDistanceAt(const Track& track, double s) {
    if (s <= 0)
        return 0;
    if (s >= track.s.back())
        return track.logged.back();
    const auto it = std::upper_bound(track.s.begin(), track.s.end(), s);
    const size_t j = static_cast<size_t>(it - track.s.begin());
    const double span = track.s[j] - track.s[j - 1];
    const double r = span > 0 ? (s - track.s[j - 1]) / span : 0;
    return track.logged[j - 1] + r * (track.logged[j] - track.logged[j - 1]);
}

// The fastest lap from line to line; without one (runs from a start line
// to a finish line elsewhere), the fastest lap of all.
int PickReference(const std::vector<Track>& tracks, const AchievableOptions& options) {
    int best = -1, bestOpen = -1;
    for (size_t k = 0; k < tracks.size(); ++k) {
        const Track& t = tracks[k];
        if (t.p.size() < 2 || Duration(t) <= 0)
            continue;
        int& slot = Length(t.p.back() - t.p.front()) <= options.loopGapM ? best : bestOpen;
        if (slot < 0 || Duration(t) < Duration(tracks[static_cast<size_t>(slot)]))
            slot = static_cast<int>(k);
    }
    return best >= 0 ? best : bestOpen;
}

}  // namespace

AchievableLap FindAchievableLap(const std::vector<std::span<const TLapElmRec>>& laps,
                                const AchievableOptions& options) {
    AchievableLap result;
    const TLapElmRec* origin = nullptr;
    for (const auto& lap : laps) {
        for (const TLapElmRec& e : lap) {
            if (origin == nullptr && IsFinite(e))
                origin = &e;
        }
    }
    if (origin == nullptr)
        return result;
    const Plane plane(*origin);
    std::vector<Track> tracks;
    tracks.reserve(laps.size());
    for (const auto& lap : laps)
        tracks.push_back(ToTrack(lap, plane, options.smoothingS));
    const int refIndex = PickReference(tracks, options);
    if (refIndex < 0)
        return result;
    const Track& ref = tracks[static_cast<size_t>(refIndex)];
    const std::vector<Cut> cuts = LayCuts(ref, options);

    // Gate 0 is the start, gates 1..m-1 the cuts, gate m the end.
    const size_t m = cuts.size() + 1;
    const size_t count = tracks.size();
    std::vector<std::vector<Crossing>> cross(count);
    for (size_t k = 0; k < count; ++k) {
        if (tracks[k].p.size() >= 2)
            cross[k] = CrossCuts(tracks[k], ref, cuts, options);
        else
            cross[k].assign(m + 1, Crossing{});
    }

    // The fastest way to each gate on each lap, and which lap it came on.
    std::vector<double> cost(count, kInf), next(count);
    std::vector<std::vector<int>> cameOn(m, std::vector<int>(count, -1));
    for (size_t k = 0; k < count; ++k) {
        if (cross[k][0].hit)
            cost[k] = 0;
    }
    const double tolerance = options.joinToleranceM;
    for (size_t g = 0; g < m; ++g) {
        for (size_t k = 0; k < count; ++k) {
            const Crossing& from = cross[k][g];
            const Crossing& to = cross[k][g + 1];
            next[k] = kInf;
            if (!from.hit || !to.hit || to.t <= from.t)
                continue;
            double arrive = cost[k];
            int source = static_cast<int>(k);
            if (g > 0) {
                for (size_t o = 0; o < count; ++o) {
                    if (o == k || !(cost[o] + options.joinCostS < arrive))
                        continue;
                    if (Length(cross[o][g].at - from.at) <= tolerance) {
                        arrive = cost[o] + options.joinCostS;
                        source = static_cast<int>(o);
                    }
                }
            }
            if (arrive == kInf)
                continue;
            next[k] = arrive + (to.t - from.t);
            cameOn[g][k] = source;
        }
        cost.swap(next);
    }

    int last = refIndex;
    for (size_t k = 0; k < count; ++k) {
        if (cost[k] < cost[static_cast<size_t>(last)])
            last = static_cast<int>(k);
    }
    if (cost[static_cast<size_t>(last)] == kInf)
        return result;

    std::vector<int> lapOf(m);
    lapOf[m - 1] = last;
    for (size_t g = m - 1; g > 0; --g)
        lapOf[g - 1] = cameOn[g][static_cast<size_t>(lapOf[g])];
    const auto gateS = [&](size_t g) {
        return g == 0 ? 0.0 : g == m ? ref.logged.back() : LoggedDistanceAt(ref, cuts[g - 1].s);
    };
    // A piece's time is read between its own ends, so a lap taken whole
    // keeps its time to the last bit.
    size_t first = 0;
    for (size_t g = 0; g < m; ++g) {
        if (g + 1 < m && lapOf[g + 1] == lapOf[g])
            continue;
        const auto k = static_cast<size_t>(lapOf[g]);
        const double seconds = cross[k][g + 1].t - cross[k][first].t;
        result.pieces.push_back({lapOf[g], gateS(first), gateS(g + 1), seconds});
        result.seconds += seconds;
        first = g + 1;
    }
    result.found = true;
    result.referenceLap = refIndex;
    result.referenceSeconds = Duration(ref);
    result.lengthM = ref.logged.back();
    result.cuts = static_cast<int>(cuts.size());
    return result;
}

}  // namespace qv
