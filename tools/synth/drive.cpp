#include "synth/drive.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace qv::synth {

namespace {

constexpr double kEarthRadiusM = 6367444.5;
constexpr double kGravity = 9.80665;
constexpr double kPi = std::numbers::pi;
constexpr double kDegPerRad = 180.0 / kPi;

// Longer lead-ins would not fit on a small test circuit; below this lap
// length the run-up, run-out and stop offset shrink with the lap.
constexpr double kFullSizeLapM = 400;
constexpr double kRunUpM = 200;
constexpr double kRunOutM = 150;
constexpr double kStopOffsetM = 100;

// The speed profile is solved on nodes at most this far apart, so that the
// constant acceleration assumed between two nodes stays close to the truth.
constexpr double kNodeSpacingM = 2;

struct Vec2 {
    double x = 0;  // east, m
    double y = 0;  // north, m
};

Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
Vec2 operator*(double k, Vec2 a) {
    return {k * a.x, k * a.y};
}
double Cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}
double Length(Vec2 a) {
    return std::hypot(a.x, a.y);
}

// Equirectangular metres around one reference point: good to well under a
// millimetre across a circuit.
struct LocalFrame {
    LatLon origin;
    double metresPerDegLat = 0;
    double metresPerDegLon = 0;

    explicit LocalFrame(LatLon o) : origin(o) {
        metresPerDegLat = kEarthRadiusM / kDegPerRad;
        metresPerDegLon = metresPerDegLat * std::cos(o.lat / kDegPerRad);
    }
    Vec2 ToMetres(LatLon p) const {
        return {(p.lon - origin.lon) * metresPerDegLon, (p.lat - origin.lat) * metresPerDegLat};
    }
    LatLon ToLatLon(Vec2 v) const {
        return {origin.lat + v.y / metresPerDegLat, origin.lon + v.x / metresPerDegLon};
    }
};

// ---------------------------------------------------------------------------
// The demo circuit is traced from sections whose curvature varies linearly
// along their length: straights, arcs, and clothoid transitions between them,
// so that the lateral acceleration of a car following it never jumps.

struct Piece {
    double length = 0;
    double k0 = 0;  // curvature at the start, 1/m, positive to the left
    double k1 = 0;  // at the end
};

struct Section {
    double lengthM = 0;      // straights only
    double turnDeg = 0;      // corners only; positive to the left
    double radiusM = 0;      // of the arc at the apex
    double transitionM = 0;  // clothoid at each end of the corner
    bool stretch = false;    // one of the two straights lengthened to close the loop
};

Section Straight(double lengthM, bool stretch = false) {
    return {lengthM, 0, 0, 0, stretch};
}
Section Corner(double turnDeg, double radiusM, double transitionM) {
    return {0, turnDeg, radiusM, transitionM, false};
}

std::vector<Piece> ToPieces(const Section& s) {
    if (s.turnDeg == 0)
        return {{s.lengthM, 0, 0}};
    const double turn = std::abs(s.turnDeg) / kDegPerRad;
    const double k = std::copysign(1.0 / s.radiusM, s.turnDeg);
    // The two transitions turn by transitionM / radiusM together; the arc
    // takes the rest, so the corner turns by exactly turnDeg.
    const double arcLength = (turn - s.transitionM / s.radiusM) * s.radiusM;
    return {{s.transitionM, 0, k}, {arcLength, k, k}, {s.transitionM, k, 0}};
}

struct Trace {
    std::vector<Vec2> points;
    Vec2 end;
    std::vector<Vec2> stretchDirections;
};

Trace TraceSections(const std::vector<Section>& sections, double spacingM) {
    constexpr int kSubsteps = 16;
    Trace trace;
    Vec2 pos;
    double heading = 0;  // radians from east, counter-clockwise
    trace.points.push_back(pos);
    for (const Section& section : sections) {
        if (section.stretch)
            trace.stretchDirections.push_back({std::cos(heading), std::sin(heading)});
        for (const Piece& piece : ToPieces(section)) {
            if (piece.length <= 0)
                continue;
            auto headingAt = [&](double s) {
                return heading + piece.k0 * s + (piece.k1 - piece.k0) * s * s / (2 * piece.length);
            };
            const int steps = std::max(1, static_cast<int>(std::ceil(piece.length / spacingM)));
            const double step = piece.length / steps;
            for (int i = 0; i < steps; ++i) {
                for (int j = 0; j < kSubsteps; ++j) {
                    const double h = step / kSubsteps;
                    const double mid = headingAt(i * step + (j + 0.5) * h);
                    pos = pos + h * Vec2{std::cos(mid), std::sin(mid)};
                }
                trace.points.push_back(pos);
            }
            heading = headingAt(piece.length);
        }
    }
    trace.end = pos;
    return trace;
}

}  // namespace

Circuit DemoCircuit() {
    // Clockwise from the start/finish line, which sits 150 m after the
    // hairpin on the main straight; the main straight ends in a hard right,
    // the back straight in the hairpin.
    std::vector<Section> sections = {
        Straight(450, true),  Corner(-90, 45, 20),  Straight(70),         Corner(45, 120, 25),
        Straight(50),         Corner(-135, 55, 20), Straight(60),         Corner(-40, 180, 30),
        Corner(35, 200, 30),  Straight(60),         Corner(40, 25, 8),    Straight(6),
        Corner(-40, 25, 8),   Straight(50),         Corner(-25, 110, 20), Straight(380, true),
        Corner(-150, 15, 10), Straight(150),
    };
    constexpr double kSpacingM = 2;

    // Everything after a straight moves with its length, so the end point
    // is linear in the two stretch lengths: one 2x2 solve closes the loop.
    const Trace first = TraceSections(sections, kSpacingM);
    const Vec2 d0 = first.stretchDirections[0];
    const Vec2 d1 = first.stretchDirections[1];
    const double det = Cross(d0, d1);
    const Vec2 miss = Vec2{} - first.end;
    const double extra0 = Cross(miss, d1) / det;
    const double extra1 = Cross(d0, miss) / det;
    int stretched = 0;
    for (Section& s : sections) {
        if (s.stretch)
            s.lengthM += stretched++ == 0 ? extra0 : extra1;
    }
    Trace trace = TraceSections(sections, kSpacingM);
    trace.points.pop_back();  // the loop's end is its start

    // The main straight runs towards east-north-east.
    const double rotation = 18 / kDegPerRad;
    const double c = std::cos(rotation), s = std::sin(rotation);
    const LocalFrame frame({35.3712, 138.9268});
    Circuit circuit;
    circuit.name = "Demo Circuit";
    circuit.points.reserve(trace.points.size());
    for (Vec2 p : trace.points) {
        circuit.points.push_back(frame.ToLatLon({c * p.x - s * p.y, s * p.x + c * p.y}));
    }
    const Vec2 left{-s, c};  // the main straight's direction turned a quarter left
    circuit.lineA = frame.ToLatLon(15.0 * left);
    circuit.lineB = frame.ToLatLon(-15.0 * left);
    return circuit;
}

Circuit FigureEightCircuit() {
    // x = a sin t, y = b sin 2t: the two branches cross at the origin at
    // about 44 degrees, and the car is fastest there.
    constexpr double a = 300, b = 60, kSpacingM = 2;
    constexpr double t0 = 0.35;  // the start/finish line, 110 m from the crossing
    auto at = [](double t) { return Vec2{a * std::sin(t), b * std::sin(2 * t)}; };
    const LocalFrame frame({49.0, 16.5});
    Circuit circuit;
    circuit.name = "Figure Eight";
    constexpr int kFine = 20000;
    Vec2 last = at(t0);
    circuit.points.push_back(frame.ToLatLon(last));
    for (int k = 1; k < kFine; ++k) {
        const Vec2 p = at(t0 + 2 * kPi * k / kFine);
        if (Length(p - last) >= kSpacingM) {
            circuit.points.push_back(frame.ToLatLon(p));
            last = p;
        }
    }
    const Vec2 along = at(t0 + 1e-4) - at(t0);
    const Vec2 left = (1 / Length(along)) * Vec2{-along.y, along.x};
    circuit.lineA = frame.ToLatLon(at(t0) + 15.0 * left);
    circuit.lineB = frame.ToLatLon(at(t0) - 15.0 * left);
    return circuit;
}

namespace {

// ---------------------------------------------------------------------------
// The centre line as the car follows it: a periodic cubic spline through the
// points, parameterised by the distance along them. Its curvature is
// continuous, so the lateral acceleration of the car is too.

// Second derivatives of the periodic cubic spline through (s[j], v[j]) with
// period `length`: a cyclic tridiagonal system, solved by the Thomas
// algorithm with the Sherman-Morrison correction for the corners.
std::vector<double> PeriodicSplineMoments(const std::vector<double>& s,
                                          const std::vector<double>& v, double length) {
    const size_t n = s.size();
    auto h = [&](size_t j) { return (j + 1 < n ? s[j + 1] : length) - s[j]; };
    auto at = [&](size_t j) { return v[j % n]; };
    std::vector<double> sub(n), diag(n), sup(n), rhs(n);
    for (size_t j = 0; j < n; ++j) {
        const double hPrev = h((j + n - 1) % n), hNext = h(j);
        sub[j] = hPrev;
        diag[j] = 2 * (hPrev + hNext);
        sup[j] = hNext;
        rhs[j] = 6 * ((at(j + 1) - v[j]) / hNext - (v[j] - at(j + n - 1)) / hPrev);
    }
    auto solve = [&](std::vector<double> a, std::vector<double> b, std::vector<double> c,
                     std::vector<double> r) {
        for (size_t j = 1; j < n; ++j) {
            const double m = a[j] / b[j - 1];
            b[j] -= m * c[j - 1];
            r[j] -= m * r[j - 1];
        }
        r[n - 1] /= b[n - 1];
        for (size_t j = n - 1; j-- > 0;)
            r[j] = (r[j] - c[j] * r[j + 1]) / b[j];
        return r;
    };
    const double gamma = -diag[0];
    const double corner = sub[0];         // couples row 0 to the last unknown
    const double cornerEnd = sup[n - 1];  // couples the last row to unknown 0
    std::vector<double> b = diag;
    b[0] -= gamma;
    b[n - 1] -= corner * cornerEnd / gamma;
    std::vector<double> u(n, 0.0);
    u[0] = gamma;
    u[n - 1] = cornerEnd;
    const std::vector<double> x = solve(sub, b, sup, rhs);
    const std::vector<double> z = solve(sub, b, sup, u);
    const double factor =
        (x[0] + corner * x[n - 1] / gamma) / (1 + z[0] + corner * z[n - 1] / gamma);
    std::vector<double> moments(n);
    for (size_t j = 0; j < n; ++j)
        moments[j] = x[j] - factor * z[j];
    return moments;
}

struct Track {
    LocalFrame frame{{}};
    std::vector<Vec2> p;
    std::vector<double> s;  // distance of each point from points[0]
    std::vector<Vec2> m;    // spline second derivatives at the points
    double length = 0;

    size_t Next(size_t j) const { return j + 1 < p.size() ? j + 1 : 0; }

    // The segment containing distance `d` (any real) and the distance into it.
    std::pair<size_t, double> Locate(double d) const {
        d = std::fmod(d, length);
        if (d < 0)
            d += length;
        const auto it = std::upper_bound(s.begin(), s.end(), d);
        const size_t j = static_cast<size_t>(it - s.begin()) - 1;
        return {j, std::clamp(d - s[j], 0.0, SegmentLength(j))};
    }
    double SegmentLength(size_t j) const { return (j + 1 < s.size() ? s[j + 1] : length) - s[j]; }

    struct Pose {
        Vec2 pos, d1, d2;  // position and its first two derivatives along the distance
    };
    Pose PoseAt(double d) const {
        const auto [j, t] = Locate(d);
        const double h = SegmentLength(j);
        const Vec2 p0 = p[j], p1 = p[Next(j)], m0 = m[j], m1 = m[Next(j)];
        const Vec2 slope = (1 / h) * (p1 - p0) - (h / 6) * (2.0 * m0 + m1);
        const Vec2 jerk = (1 / h) * (m1 - m0);
        Pose pose;
        pose.pos = p0 + t * slope + (t * t / 2) * m0 + (t * t * t / 6) * jerk;
        pose.d1 = slope + t * m0 + (t * t / 2) * jerk;
        pose.d2 = m0 + t * jerk;
        return pose;
    }

    double CurvatureAt(double d) const {
        const Pose pose = PoseAt(d);
        const double speed = Length(pose.d1);
        return speed > 0 ? std::abs(Cross(pose.d1, pose.d2)) / (speed * speed * speed) : 0;
    }

    // A few metres of rise and fall, periodic over the lap.
    double ElevationAt(double d, double mean) const {
        const double phase = 2 * kPi * d / length;
        return mean + 3.0 * std::sin(phase) + 1.2 * std::sin(3 * phase + 0.7);
    }
};

bool BuildTrack(const Circuit& circuit, Track& track) {
    if (circuit.points.empty())
        return false;
    track.frame = LocalFrame(circuit.points.front());
    for (const LatLon& ll : circuit.points) {
        const Vec2 v = track.frame.ToMetres(ll);
        if (track.p.empty() || Length(v - track.p.back()) > 1e-6)
            track.p.push_back(v);
    }
    while (track.p.size() > 1 && Length(track.p.back() - track.p.front()) <= 1e-6) {
        track.p.pop_back();
    }
    const size_t n = track.p.size();
    if (n < 3)
        return false;
    track.s.resize(n);
    double d = 0;
    for (size_t j = 0; j < n; ++j) {
        track.s[j] = d;
        d += Length(track.p[track.Next(j)] - track.p[j]);
    }
    track.length = d;
    std::vector<double> xs(n), ys(n);
    for (size_t j = 0; j < n; ++j) {
        xs[j] = track.p[j].x;
        ys[j] = track.p[j].y;
    }
    const std::vector<double> mx = PeriodicSplineMoments(track.s, xs, d);
    const std::vector<double> my = PeriodicSplineMoments(track.s, ys, d);
    track.m.resize(n);
    for (size_t j = 0; j < n; ++j)
        track.m[j] = {mx[j], my[j]};
    return true;
}

// ---------------------------------------------------------------------------
// The drive is laid out on one unrolled distance axis `u` from the standing
// start (u = 0) to the stop at the end of the in-lap.

struct Node {
    double u = 0;
    double vLimit = 0;  // m/s
    double dwellS = 0;  // standing here
    double pitS = 0;    // the logged part of the dwell; the rest is a gap
    double v = 0;
    double arriveS = 0;  // since the start
    bool crossing = false;
};

double SizeScale(const Track& track) {
    return std::min(1.0, track.length / kFullSizeLapM);
}
double RunUp(const Track& track) {
    return kRunUpM * SizeScale(track);
}

std::vector<Node> LayOutNodes(const Track& track, const DriveOptions& o, double vmax, double aLat) {
    const double scale = SizeScale(track);
    const double runUp = RunUp(track);
    const double total = runUp + o.laps * track.length + kRunOutM * scale;
    auto limitAt = [&](double curvature) {
        return curvature > 0 ? std::min(vmax, std::sqrt(aLat / curvature)) : vmax;
    };

    std::vector<Node> nodes;
    nodes.push_back({0, 0});
    for (int lap = -1; lap <= o.laps + 1; ++lap) {
        const double lapStart = runUp + lap * track.length;
        for (size_t j = 0; j < track.p.size(); ++j) {
            const double segEnd = j + 1 < track.s.size() ? track.s[j + 1] : track.length;
            const double segLength = segEnd - track.s[j];
            const int parts = std::max(1, static_cast<int>(std::ceil(segLength / kNodeSpacingM)));
            for (int k = 0; k < parts; ++k) {
                const double u = lapStart + track.s[j] + segLength * k / parts;
                if (u <= 0 || u >= total)
                    continue;
                Node node;
                node.u = u;
                node.vLimit = limitAt(track.CurvatureAt(u - runUp));
                node.crossing = j == 0 && k == 0;
                nodes.push_back(node);
            }
        }
    }
    // Every lap gets a node at the stop position, used or not, so that adding
    // a stop changes nothing but the stop.
    for (int lap = 0; lap <= o.laps; ++lap) {
        Node node;
        node.u = runUp + lap * track.length + kStopOffsetM * scale;
        node.vLimit = limitAt(track.CurvatureAt(node.u - runUp));
        double pit = 0, gap = 0;
        for (const Stop& st : o.pitStops) {
            if (st.afterLap == lap && st.seconds > 0)
                pit += st.seconds;
        }
        for (const Stop& st : o.gaps) {
            if (st.afterLap == lap && st.seconds > 0)
                gap += st.seconds;
        }
        if (pit + gap > 0)
            node.vLimit = 0;
        node.dwellS = pit + gap;
        node.pitS = pit;
        nodes.push_back(node);
    }
    nodes.push_back({total, 0});

    std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) { return a.u < b.u; });
    std::vector<Node> merged;
    for (const Node& node : nodes) {
        if (!merged.empty() && node.u - merged.back().u < 1e-6) {
            Node& m = merged.back();
            m.vLimit = std::min(m.vLimit, node.vLimit);
            m.dwellS += node.dwellS;
            m.pitS += node.pitS;
            m.crossing = m.crossing || node.crossing;
        } else {
            merged.push_back(node);
        }
    }
    return merged;
}

// The fastest profile within the limits: accelerate out of each slow point,
// brake into the next. `brake` gives the deceleration allowed on the segment
// that starts at node i.
template <typename BrakeFn>
void SolveSpeeds(std::vector<Node>& nodes, double accel, BrakeFn brake) {
    nodes[0].v = nodes[0].vLimit;
    for (size_t i = 1; i < nodes.size(); ++i) {
        const double du = nodes[i].u - nodes[i - 1].u;
        nodes[i].v =
            std::min(nodes[i].vLimit, std::sqrt(nodes[i - 1].v * nodes[i - 1].v + 2 * accel * du));
    }
    for (size_t i = nodes.size() - 1; i-- > 0;) {
        const double du = nodes[i + 1].u - nodes[i].u;
        nodes[i].v =
            std::min(nodes[i].v, std::sqrt(nodes[i + 1].v * nodes[i + 1].v + 2 * brake(i) * du));
    }
}

void SolveProfile(std::vector<Node>& nodes, double accel, double brakeMax) {
    size_t lastCrossing = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].crossing)
            lastCrossing = i;
    }
    // The in-lap eases off to stop exactly at the end, as hard as it must
    // but no harder: first find the speed the car would carry over the line
    // if it did not have to stop.
    Node& end = nodes.back();
    end.vLimit = nodes[nodes.size() - 2].vLimit;
    SolveSpeeds(nodes, accel, [&](size_t) { return brakeMax; });
    const double vLine = nodes[lastCrossing].v;
    const double runOut = end.u - nodes[lastCrossing].u;
    // A hair above the exact value so that rounding cannot slow the last
    // flying lap down.
    const double easy = std::clamp(vLine * vLine / (2 * runOut) * (1 + 1e-9), 0.01, brakeMax);
    end.vLimit = 0;
    SolveSpeeds(nodes, accel, [&](size_t i) { return i >= lastCrossing ? easy : brakeMax; });

    double t = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (i > 0) {
            // Constant acceleration between nodes. Zero-speed nodes (start,
            // stops, end) are never neighbours, so the sum stays positive.
            const double du = nodes[i].u - nodes[i - 1].u;
            t += nodes[i - 1].dwellS + 2 * du / (nodes[i - 1].v + nodes[i].v);
        }
        nodes[i].arriveS = t;
    }
}

struct Motion {
    double u = 0;
    double v = 0;
};

// Walks forward through the nodes; queries must come in increasing time.
class MotionCursor {
  public:
    explicit MotionCursor(const std::vector<Node>& nodes) : nodes_(nodes) {}

    Motion At(double t) {
        while (i_ + 1 < nodes_.size() && nodes_[i_ + 1].arriveS <= t)
            ++i_;
        const Node& a = nodes_[i_];
        if (i_ + 1 == nodes_.size())
            return {a.u, 0};
        const double depart = a.arriveS + a.dwellS;
        if (t <= depart)
            return {a.u, a.v};
        const Node& b = nodes_[i_ + 1];
        const double dt = b.arriveS - depart;
        const double accel = (b.v - a.v) / dt;
        const double tau = std::min(t - depart, dt);
        const double u = std::min(b.u, a.u + a.v * tau + 0.5 * accel * tau * tau);
        return {u, std::max(0.0, a.v + accel * tau)};
    }

  private:
    const std::vector<Node>& nodes_;
    size_t i_ = 0;
};

int64_t SampleTimeMs(int64_t k, double rateHz) {
    return std::llround(static_cast<double>(k) * 1000.0 / rateHz);
}

// One sample's standard normal draws.
struct SampleNoise {
    double east = 0;
    double north = 0;
    double speed = 0;
};

// What the logger records of the car at centre-line distance `d`, standing
// at `pos` and moving along `tangent` at `mps`: position and speed with the
// noise the options ask for, the direction as a compass bearing.
template <typename Options>
SynthFix LoggedFix(const Track& track, const Options& o, int64_t utcMs, double d, Vec2 pos,
                   Vec2 tangent, double mps, const SampleNoise& noise) {
    if (o.noiseM > 0)
        pos = pos + o.noiseM * Vec2{noise.east, noise.north};
    double kmh = mps * 3.6;
    if (o.speedNoiseKmh > 0)
        kmh = std::max(0.0, kmh + o.speedNoiseKmh * noise.speed);
    double bearing = std::atan2(tangent.x, tangent.y) * kDegPerRad;
    if (bearing < 0)
        bearing += 360;

    const LatLon ll = track.frame.ToLatLon(pos);
    SynthFix fix;
    fix.utcMs = utcMs;
    fix.lat = ll.lat;
    fix.lon = ll.lon;
    fix.elv = static_cast<float>(track.ElevationAt(d, o.elevationM));
    fix.spd = static_cast<float>(kmh);
    fix.compassDeg = static_cast<float>(bearing >= 360 ? bearing - 360 : bearing);
    fix.satUsed = o.satUsed;
    fix.satView = o.satView;
    return fix;
}

}  // namespace

Drive SynthesizeDrive(const Circuit& circuit, const DriveOptions& options) {
    Drive drive;
    Track track;
    if (!BuildTrack(circuit, track))
        return drive;
    drive.lapLengthKm = track.length / 1000;

    DriveOptions o = options;
    o.rateHz = std::clamp(o.rateHz, 1.0, 50.0);
    o.laps = std::max(0, o.laps);
    constexpr double kMinG = 0.01;
    const double vmax = std::max(1.0, o.vmaxKmh) / 3.6;
    const double aLat = std::max(kMinG, o.maxLateralG) * kGravity;
    const double aBrake = std::max(kMinG, o.maxBrakeG) * kGravity;
    const double aAccel = std::max(kMinG, o.maxAccelG) * kGravity;

    std::vector<Node> nodes = LayOutNodes(track, o, vmax, aLat);
    SolveProfile(nodes, aAccel, aBrake);

    const double startMs = static_cast<double>(o.startUtcMs);
    for (const Node& node : nodes) {
        const double arriveMs = startMs + node.arriveS * 1000;
        if (node.crossing)
            drive.crossingUtcMs.push_back(arriveMs);
        if (node.pitS > 0)
            drive.pitStopUtcMs.push_back({arriveMs, arriveMs + node.pitS * 1000});
        if (node.dwellS > node.pitS) {
            drive.gapUtcMs.push_back({arriveMs + node.pitS * 1000, arriveMs + node.dwellS * 1000});
        }
    }

    // Track distance is measured from points[0]; the start lies the run-up before it.
    const double startDistance = -RunUp(track);
    const double endUtcMs = startMs + nodes.back().arriveS * 1000;

    std::mt19937 rng(o.seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    MotionCursor cursor(nodes);
    size_t gapIndex = 0;

    int64_t k = static_cast<int64_t>(std::floor(startMs * o.rateHz / 1000));
    while (SampleTimeMs(k, o.rateHz) < o.startUtcMs)
        ++k;
    while (SampleTimeMs(k - 1, o.rateHz) >= o.startUtcMs)
        --k;
    for (;; ++k) {
        // The last fix is the first one with the car standing at the end.
        if (static_cast<double>(SampleTimeMs(k - 1, o.rateHz)) >= endUtcMs)
            break;
        const int64_t utcMs = SampleTimeMs(k, o.rateHz);
        // Drawn for every sample, logged or not, so that a gap leaves the
        // noise of the other fixes as it was.
        const SampleNoise noise{gauss(rng), gauss(rng), gauss(rng)};
        const auto utc = static_cast<double>(utcMs);
        while (gapIndex < drive.gapUtcMs.size() && drive.gapUtcMs[gapIndex].toUtcMs <= utc) {
            ++gapIndex;
        }
        if (gapIndex < drive.gapUtcMs.size() && drive.gapUtcMs[gapIndex].fromUtcMs <= utc)
            continue;

        const Motion m = cursor.At((utc - startMs) / 1000);
        const double d = startDistance + m.u;
        const Track::Pose pose = track.PoseAt(d);
        drive.fixes.push_back(LoggedFix(track, o, utcMs, d, pose.pos, pose.d1, m.v, noise));
    }
    return drive;
}

// ---------------------------------------------------------------------------
// A session: the car follows the centre line shifted sideways, into the pit
// lane and onto the driver's line through each corner, and its speed profile
// is solved along the path it actually drives.

namespace {

// 0 up to a, 1 from b on, half a cosine between.
double Blend(double x, double a, double b) {
    if (x <= a)
        return 0;
    if (x >= b)
        return 1;
    return 0.5 - 0.5 * std::cos(kPi * (x - a) / (b - a));
}

double PitOffset(const PitLane& pit, double x) {
    return pit.sideM * (Blend(x, pit.entryM, pit.laneFromM) - Blend(x, pit.laneToM, pit.exitM));
}

bool PitLaneFits(const PitLane& pit, double lapLength) {
    return pit.entryM < pit.laneFromM && pit.laneFromM <= pit.laneToM && pit.laneToM < pit.exitM &&
           pit.entryM <= pit.limitFromM && pit.limitFromM <= pit.boxM && pit.boxM <= pit.limitToM &&
           pit.limitToM <= pit.exitM && pit.exitM - pit.entryM < lapLength && pit.limitKmh > 0;
}

double SignedCurvatureAt(const Track& track, double d) {
    const Track::Pose pose = track.PoseAt(d);
    const double speed = Length(pose.d1);
    return speed > 0 ? Cross(pose.d1, pose.d2) / (speed * speed * speed) : 0;
}

// A stretch of the lap tighter than a fast kink, with its net turn.
struct CornerSpan {
    double from = 0;  // distance along the lap
    double to = 0;
    double turn = 0;  // radians, positive to the left
};

std::vector<CornerSpan> FindCorners(const Track& track) {
    constexpr double kStepM = 1;
    constexpr double kCornerRadiusM = 400;
    constexpr double kJoinM = 25;  // a chicane is one corner
    std::vector<CornerSpan> corners;
    bool inside = false;
    CornerSpan span;
    for (double d = 0;; d += kStepM) {
        const bool end = d >= track.length;
        const double k = end ? 0 : SignedCurvatureAt(track, d);
        if (std::abs(k) * kCornerRadiusM > 1) {
            if (!inside)
                span = {d, d, 0};
            inside = true;
            span.turn += k * kStepM;
        } else if (inside) {
            inside = false;
            span.to = d;
            if (!corners.empty() && span.from - corners.back().to < kJoinM) {
                corners.back().to = span.to;
                corners.back().turn += span.turn;
            } else {
                corners.push_back(span);
            }
        }
        if (end)
            break;
    }
    return corners;
}

// How the driver takes a corner on one lap.
struct CornerTake {
    double grip = 1;   // share of the lateral grip used
    double brake = 1;  // share of the braking grip used on the way in
    double lineM = 0;  // at the apex, towards the inside of the turn; negative runs wide
    double brakeEarlierM = 0;
};

// The pace of a whole lap; a flying lap adds its corner takes.
struct LapPace {
    double grip = 1;
    double brake = 1;
    double accel = 1;
    double top = 1;  // share of the top speed
    std::vector<CornerTake> takes;
};

// A driver a few tenths off the limit, more in some corners and on some
// laps than on others.
CornerTake DrawTake(double form, std::mt19937& rng) {
    std::normal_distribution<double> gauss(0.0, 1.0);
    CornerTake take;
    take.grip = std::clamp(0.975 + form + 0.015 * gauss(rng), 0.93, 1.0);
    take.brake = std::clamp(0.9 + 0.05 * gauss(rng), 0.78, 1.0);
    take.lineM = std::clamp(0.8 * gauss(rng), -2.0, 2.0);
    return take;
}

LapPace FlyingLapPace(size_t corners, std::mt19937& rng) {
    std::normal_distribution<double> gauss(0.0, 1.0);
    LapPace pace;
    const double form = 0.008 * gauss(rng);
    for (size_t c = 0; c < corners; ++c)
        pace.takes.push_back(DrawTake(form, rng));
    return pace;
}

LapPace PlannedLapPace(const std::vector<CornerPlan>& plan, size_t corners) {
    LapPace pace;
    for (size_t c = 0; c < corners; ++c) {
        const CornerPlan p = c < plan.size() ? plan[c] : CornerPlan{};
        pace.takes.push_back({p.grip, p.brake, p.lineM, std::max(0.0, p.brakeEarlierM)});
    }
    return pace;
}

// Cold tyres after the pit lane, until the last corner, which starts the
// first flying lap.
LapPace OutLapPace(size_t corners, std::mt19937& rng) {
    LapPace pace{0.8, 0.7, 1, 0.9, std::vector<CornerTake>(corners, CornerTake{0.8, 0.7})};
    if (corners > 0)
        pace.takes.back() = DrawTake(0, rng);
    return pace;
}

// Cooling down before the pit lane.
const LapPace kInLapPace{0.6, 0.4, 0.5, 0.6, {}};

// One stint on an unrolled centre-line distance D: from the box (D = boxM,
// before or after the first pass of the line) through the out-lap, which
// ends at D = lap length, the flying laps and the in-lap to the box again.
class StintPath {
  public:
    StintPath(const Track& track, const PitLane& pit, const std::vector<CornerSpan>& corners,
              std::vector<LapPace> laps)
        : track_(track), pit_(pit), corners_(corners), laps_(std::move(laps)) {}

    double From() const { return pit_.boxM; }
    double To() const { return static_cast<double>(laps_.size()) * track_.length + pit_.boxM; }
    int LapAt(double d) const {
        const auto lap = static_cast<int>(std::floor(d / track_.length));
        return std::clamp(lap, 0, static_cast<int>(laps_.size()) - 1);
    }
    const LapPace& PaceAt(double d) const { return laps_[static_cast<size_t>(LapAt(d))]; }
    const std::vector<LapPace>& Laps() const { return laps_; }
    const std::vector<CornerSpan>& Corners() const { return corners_; }
    double LapLength() const { return track_.length; }
    // Distance along the lap, and the corner there (or -1).
    double AlongLap(double d) const { return d - std::floor(d / track_.length) * track_.length; }
    int CornerAt(double d) const {
        const double along = AlongLap(d);
        for (size_t c = 0; c < corners_.size(); ++c) {
            if (along >= corners_[c].from && along < corners_[c].to)
                return static_cast<int>(c);
        }
        return -1;
    }

    // Where the pit lane applies, the distance from the line it is laid out by.
    std::optional<double> PitDistance(double d) const {
        if (d < pit_.exitM)
            return d;
        const double inLapLine = static_cast<double>(laps_.size()) * track_.length;
        if (d > inLapLine + pit_.entryM)
            return d - inLapLine;
        return std::nullopt;
    }

    double OffsetAt(double d) const {
        if (const std::optional<double> x = PitDistance(d))
            return PitOffset(pit_, *x);
        const LapPace& pace = PaceAt(d);
        double offset = 0;
        const double along = AlongLap(d);
        for (size_t c = 0; c < pace.takes.size() && c < corners_.size(); ++c) {
            // The line leaves the centre well before the corner and comes back after it.
            constexpr double kLeadM = 30;
            const CornerSpan& span = corners_[c];
            const double apex = (span.from + span.to) / 2;
            const double bump =
                Blend(along, span.from - kLeadM, apex) - Blend(along, apex, span.to + kLeadM);
            offset += std::copysign(pace.takes[c].lineM, span.turn) * bump;
        }
        return offset;
    }

    Vec2 PositionAt(double d) const {
        const Track::Pose pose = track_.PoseAt(d);
        const double speed = Length(pose.d1);
        const Vec2 left = speed > 0 ? (1 / speed) * Vec2{-pose.d1.y, pose.d1.x} : Vec2{};
        return pose.pos + OffsetAt(d) * left;
    }

  private:
    const Track& track_;
    const PitLane& pit_;
    const std::vector<CornerSpan>& corners_;
    std::vector<LapPace> laps_;
};

double MengerCurvature(Vec2 a, Vec2 b, Vec2 c) {
    const double d = Length(b - a) * Length(c - b) * Length(c - a);
    return d > 0 ? 2 * std::abs(Cross(b - a, c - a)) / d : 0;
}

double SpeedAtU(const std::vector<Node>& nodes, double u) {
    const auto next = std::upper_bound(nodes.begin(), nodes.end(), u,
                                       [](double x, const Node& node) { return x < node.u; });
    const size_t b = std::clamp<size_t>(next - nodes.begin(), 1, nodes.size() - 1);
    const Node& na = nodes[b - 1];
    const Node& nb = nodes[b];
    if (!(nb.u > na.u))
        return na.v;
    // Constant acceleration between nodes: the square of the speed is linear.
    const double r = std::clamp((u - na.u) / (nb.u - na.u), 0.0, 1.0);
    return std::sqrt(na.v * na.v + r * (nb.v * nb.v - na.v * na.v));
}

// Planned early braking: the braking into the corner moved back by the
// planned distance at the same deceleration, the corner's lowest speed held
// from where that braking reaches it up to the apex. Limits the nodes of a
// solved profile; true when any was limited, so that it is solved again.
bool BrakeEarlier(const StintPath& path, const std::vector<double>& d,
                  const std::vector<double>& brakeAt, std::vector<Node>& nodes) {
    bool limited = false;
    const std::vector<LapPace>& laps = path.Laps();
    for (size_t lap = 0; lap < laps.size(); ++lap) {
        for (size_t c = 0; c < laps[lap].takes.size() && c < path.Corners().size(); ++c) {
            const double early = laps[lap].takes[c].brakeEarlierM;
            if (!(early > 0))
                continue;
            const double base = static_cast<double>(lap) * path.LapLength();
            const CornerSpan& span = path.Corners()[c];
            size_t apex = nodes.size();
            for (size_t i = 0; i < nodes.size(); ++i) {
                if (d[i] >= base + span.from && d[i] <= base + span.to &&
                    (apex == nodes.size() || nodes[i].v < nodes[apex].v))
                    apex = i;
            }
            if (apex == nodes.size())
                continue;
            // Back through the corner's slowest part (its speed wavers by a
            // hair along the arc), then through the braking.
            constexpr double kPlateauMps = 0.1;
            size_t top = apex;
            while (top > 0 && nodes[top - 1].v <= nodes[apex].v + kPlateauMps)
                --top;
            while (top > 0 && nodes[top - 1].v > nodes[top].v)
                --top;
            const double from = nodes[top].u - early;
            const double vFrom = SpeedAtU(nodes, from);
            const double vApex = nodes[apex].v;
            for (size_t i = 0; i <= apex; ++i) {
                if (nodes[i].u < from)
                    continue;
                const double v2 = vFrom * vFrom - 2 * brakeAt[i] * (nodes[i].u - from);
                const double cap = std::max(vApex, std::sqrt(std::max(0.0, v2)));
                if (cap < nodes[i].vLimit) {
                    nodes[i].vLimit = cap;
                    limited = true;
                }
            }
        }
    }
    return limited;
}

struct StintProfile {
    std::vector<Node> nodes;  // u: distance driven from the box
    std::vector<double> d;    // the centre-line distance of each node
};

StintProfile SolveStint(const StintPath& path, const Track& track, const PitLane& pit,
                        const SessionOptions& o, double lineHalfLengthM) {
    const double lateral = std::max(0.01, o.maxLateralG) * kGravity;
    const double braking = std::max(0.01, o.maxBrakeG) * kGravity;
    const double accel = std::max(0.01, o.maxAccelG) * kGravity;
    const double vmax = std::max(1.0, o.vmaxKmh) / 3.6;
    const double pitLimit = pit.limitKmh / 3.6;

    StintProfile profile;
    std::vector<bool> lapStart;
    const int parts = static_cast<int>(std::ceil(track.length / kNodeSpacingM));
    profile.d.push_back(path.From());
    lapStart.push_back(false);
    const auto firstLap = static_cast<int>(std::floor(path.From() / track.length));
    const auto lastLap = static_cast<int>(std::floor(path.To() / track.length));
    for (int lap = firstLap; lap <= lastLap; ++lap) {
        for (int j = 0; j < parts; ++j) {
            const double d = (lap + static_cast<double>(j) / parts) * track.length;
            if (d > profile.d.back() + 1e-6 && d < path.To() - 1e-6) {
                profile.d.push_back(d);
                lapStart.push_back(j == 0);
            }
        }
    }
    profile.d.push_back(path.To());
    lapStart.push_back(false);

    const size_t n = profile.d.size();
    std::vector<Vec2> points(n);
    for (size_t i = 0; i < n; ++i)
        points[i] = path.PositionAt(profile.d[i]);
    std::vector<double> accelAt(n), brakeAt(n);
    profile.nodes.resize(n);
    double carriedBrake = kInLapPace.brake;
    for (size_t i = n; i-- > 0;) {
        const double d = profile.d[i];
        const LapPace& pace = path.PaceAt(d);
        const int corner = path.CornerAt(d);
        const bool taken = corner >= 0 && static_cast<size_t>(corner) < pace.takes.size();
        const CornerTake take =
            taken ? pace.takes[static_cast<size_t>(corner)] : CornerTake{pace.grip, pace.brake};
        if (corner >= 0)
            carriedBrake = take.brake;
        brakeAt[i] = carriedBrake * braking;
        accelAt[i] = pace.accel * accel;

        Node& node = profile.nodes[i];
        // The sharpest bend up to halfway to the next nodes, so that the
        // lateral limit holds between the nodes too.
        double k = 0;
        for (double at = d - 1; at <= d + 1; at += 0.25) {
            constexpr double kStencilM = 0.5;
            k = std::max(k, MengerCurvature(path.PositionAt(at - kStencilM), path.PositionAt(at),
                                            path.PositionAt(at + kStencilM)));
        }
        const double top = pace.top * vmax;
        node.vLimit = k > 0 ? std::min(top, std::sqrt(take.grip * lateral / k)) : top;
        const std::optional<double> x = path.PitDistance(d);
        if (x && *x >= pit.limitFromM && *x <= pit.limitToM)
            node.vLimit = std::min(node.vLimit, pitLimit);
        node.crossing = lapStart[i] && std::abs(path.OffsetAt(d)) < lineHalfLengthM;
    }
    profile.nodes.front().vLimit = pitLimit;  // rolling off at the limit
    profile.nodes.back().vLimit = 0;          // standing in the box
    for (size_t i = 1; i < n; ++i)
        profile.nodes[i].u = profile.nodes[i - 1].u + Length(points[i] - points[i - 1]);

    std::vector<Node>& nodes = profile.nodes;
    auto solve = [&] {
        nodes[0].v = nodes[0].vLimit;
        for (size_t i = 1; i < n; ++i) {
            const double du = nodes[i].u - nodes[i - 1].u;
            nodes[i].v = std::min(nodes[i].vLimit, std::sqrt(nodes[i - 1].v * nodes[i - 1].v +
                                                             2 * accelAt[i - 1] * du));
        }
        for (size_t i = n - 1; i-- > 0;) {
            const double du = nodes[i + 1].u - nodes[i].u;
            nodes[i].v = std::min(nodes[i].v,
                                  std::sqrt(nodes[i + 1].v * nodes[i + 1].v + 2 * brakeAt[i] * du));
        }
    };
    solve();
    if (BrakeEarlier(path, profile.d, brakeAt, nodes))
        solve();
    double t = 0;
    for (size_t i = 1; i < n; ++i) {
        t += 2 * (nodes[i].u - nodes[i - 1].u) / (nodes[i - 1].v + nodes[i].v);
        nodes[i].arriveS = t;
    }
    return profile;
}

}  // namespace

Drive SynthesizeSession(const Circuit& circuit, const PitLane& pitLane,
                        const SessionOptions& options) {
    Drive drive;
    Track track;
    if (!BuildTrack(circuit, track) || !PitLaneFits(pitLane, track.length) ||
        options.stints.empty())
        return drive;
    drive.lapLengthKm = track.length / 1000;
    const double rateHz = std::clamp(options.rateHz, 1.0, 50.0);
    const double lineHalfLengthM =
        Length(track.frame.ToMetres(circuit.lineA) - track.frame.ToMetres(circuit.lineB)) / 2;
    const std::vector<CornerSpan> corners = FindCorners(track);

    // The driver's laps are drawn apart from the logged noise, so that a
    // noisier log of the same seed is the same drive.
    std::seed_seq driverSeed{options.seed, 1u};
    std::mt19937 driver(driverSeed);
    std::mt19937 rng(options.seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    double stintStartMs = static_cast<double>(options.startUtcMs);
    for (size_t stint = 0; stint < options.stints.size(); ++stint) {
        std::vector<LapPace> laps = {OutLapPace(corners.size(), driver)};
        for (int lap = 0; lap < std::max(0, options.stints[stint]); ++lap) {
            const auto k = static_cast<size_t>(lap);
            if (options.plannedLaps.empty())
                laps.push_back(FlyingLapPace(corners.size(), driver));
            else
                laps.push_back(PlannedLapPace(k < options.plannedLaps.size()
                                                  ? options.plannedLaps[k]
                                                  : std::vector<CornerPlan>{},
                                              corners.size()));
        }
        laps.push_back(kInLapPace);
        const StintPath path(track, pitLane, corners, std::move(laps));
        const StintProfile profile = SolveStint(path, track, pitLane, options, lineHalfLengthM);
        const std::vector<Node>& nodes = profile.nodes;
        for (const Node& node : nodes) {
            if (node.crossing)
                drive.crossingUtcMs.push_back(stintStartMs + node.arriveS * 1000);
        }
        const double endUtcMs = stintStartMs + nodes.back().arriveS * 1000;

        MotionCursor cursor(nodes);
        int64_t k = static_cast<int64_t>(std::floor(stintStartMs * rateHz / 1000));
        while (static_cast<double>(SampleTimeMs(k, rateHz)) < stintStartMs)
            ++k;
        for (;; ++k) {
            // The last fix is the first one with the car standing in the box.
            if (static_cast<double>(SampleTimeMs(k - 1, rateHz)) >= endUtcMs)
                break;
            const int64_t utcMs = SampleTimeMs(k, rateHz);
            const SampleNoise noise{gauss(rng), gauss(rng), gauss(rng)};
            const Motion m = cursor.At((static_cast<double>(utcMs) - stintStartMs) / 1000);
            // Back from the distance driven to the centre-line distance.
            const auto next =
                std::upper_bound(nodes.begin(), nodes.end(), m.u,
                                 [](double u, const Node& node) { return u < node.u; });
            const size_t b = std::clamp<size_t>(next - nodes.begin(), 1, nodes.size() - 1);
            const Node& na = nodes[b - 1];
            const Node& nb = nodes[b];
            const double ratio =
                nb.u > na.u ? std::clamp((m.u - na.u) / (nb.u - na.u), 0.0, 1.0) : 0.0;
            const double d = profile.d[b - 1] + ratio * (profile.d[b] - profile.d[b - 1]);

            const Vec2 tangent = path.PositionAt(d + 0.5) - path.PositionAt(d - 0.5);
            drive.fixes.push_back(
                LoggedFix(track, options, utcMs, d, path.PositionAt(d), tangent, m.v, noise));
        }
        if (stint + 1 < options.stints.size()) {
            const double afterLastMs = static_cast<double>(drive.fixes.back().utcMs) + 1;
            stintStartMs = std::max(afterLastMs, endUtcMs + std::max(0.0, options.breakS) * 1000);
            drive.gapUtcMs.push_back({afterLastMs, stintStartMs});
        }
    }
    return drive;
}

}  // namespace qv::synth
