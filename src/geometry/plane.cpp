#include "geometry/plane.h"

#include <cmath>

namespace qv {

namespace {

Float80 DegToRad(Float80 deg) {
    return deg / 180 * kPi;
}

bool IsZero(Float80 v) {
    return std::fabs(v) < kCrossEps;
}

// Intersection of the two lines through a-b and c-d, already known to cross
// properly. Ill-conditioned pairs are refused rather than solved, because the
// division by a near-zero coefficient would throw the point far off the step.
bool SolveProperCrossing(Point2 a, Point2 b, Point2 c, Point2 d, Point2& at) {
    const Float80 a1 = b.y - a.y;
    const Float80 b1 = a.x - b.x;
    const Float80 c1 = a1 * a.x + b1 * a.y;
    const Float80 a2 = d.y - c.y;
    const Float80 b2 = c.x - d.x;
    const Float80 c2 = a2 * c.x + b2 * c.y;

    if (IsZero(a1) && IsZero(b1))
        return false;
    if (IsZero(a2) && IsZero(b2))
        return false;
    if (IsZero(a1) && IsZero(a2))
        return false;
    if (IsZero(b1) && IsZero(b2))
        return false;
    if (IsZero(a1 * b2 - a2 * b1))
        return false;

    if (std::fabs(a1) > kCrossEps) {
        at.y = (c2 - a2 * c1 / a1) / (b2 - a2 * b1 / a1);
        at.x = (c1 - b1 * at.y) / a1;
    } else {
        at.y = (c1 - a1 * c2 / a2) / (b1 - a1 * b2 / a2);
        at.x = (c2 - b2 * at.y) / a2;
    }
    return true;
}

// Twice the signed area of the triangle a, b, p: zero when p is on the
// (unbounded) line through a and b.
Float80 LineTest(Point2 a, Point2 b, Point2 p) {
    return (b.x - p.x) * a.y + (p.x - a.x) * b.y + (a.x - b.x) * p.y;
}

// Is p on the segment a-b? Both the distance from the line and the overshoot
// past either end are measured as products with the segment (degrees
// squared), so one tolerance serves for both.
bool OnSegment(Point2 a, Point2 b, Point2 p) {
    const Float80 v = LineTest(a, b, p);
    if (!(-kCrossEps < v && v < kCrossEps))
        return false;
    const Float80 fromA = (p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y);
    const Float80 fromB = (p.x - b.x) * (a.x - b.x) + (p.y - b.y) * (a.y - b.y);
    return fromA > -kCrossEps && fromB > -kCrossEps;
}

}  // namespace

Float80 Dist2D(Float80 x1, Float80 y1, Float80 x2, Float80 y2) {
    const Float80 dx = x2 - x1;
    const Float80 dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

bool CrossPoint(Point2 a, Point2 b, Point2 c, Point2 d, Point2& at) {
    const Float80 t1 = (a.x - b.x) * (c.y - a.y) + (a.y - b.y) * (a.x - c.x);
    const Float80 t2 = (a.x - b.x) * (d.y - a.y) + (a.y - b.y) * (a.x - d.x);
    const Float80 u1 = (c.x - d.x) * (a.y - c.y) + (c.y - d.y) * (c.x - a.x);
    const Float80 u2 = (c.x - d.x) * (b.y - c.y) + (c.y - d.y) * (c.x - b.x);

    if (t1 * t2 < 0 && u1 * u2 < 0)
        return SolveProperCrossing(a, b, c, d, at);

    // A gate of zero length has no line through it: without this, every
    // step would test as lying on it.
    if (IsZero(b.y - a.y) && IsZero(a.x - b.x))
        return false;

    // A sample lying on the gate counts as a crossing there, so that a step
    // ending exactly on it is not lost between two proper tests. Only the
    // segment counts: a lap starts on the control line, which may well lie
    // on the extension of a gate.
    if (OnSegment(a, b, c)) {
        at = c;
        return true;
    }
    if (OnSegment(a, b, d)) {
        at = d;
        return true;
    }
    return false;
}

Float80 InterpVal(Float80 x, Float80 x0, Float80 x1, Float80 y0, Float80 y1) {
    return y0 + (x - x0) / (x1 - x0) * (y1 - y0);
}

Pair80 InterpPair(Float80 x, Float80 x0, Float80 x1, Float80 a0, Float80 b0, Float80 a1,
                  Float80 b1) {
    const Float80 t = (x - x0) / (x1 - x0);
    return {a0 + t * (a1 - a0), b0 + t * (b1 - b0)};
}

Float80 InterpDeg(Float80 x, Float80 x0, Float80 x1, Float80 h0, Float80 h1) {
    const Float80 t = (x - x0) / (x1 - x0);
    if (std::fabs(h1 - h0) <= 180)
        return h0 + t * (h1 - h0);
    if (h0 < h1) {
        Float80 h = h0 - t * (h0 + 360 - h1);
        if (h < 0)
            h += 360;
        // A negative h smaller than half an ulp of 360 rounds up to 360 itself.
        if (h >= 360)
            h = 0;
        return h;
    }
    Float80 h = h0 + t * (h1 + 360 - h0);
    if (h >= 360)
        h -= 360;
    return h;
}

Float80 StepDistKm(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1, Float80 cosLatDeg) {
    const Float80 phi0 = DegToRad(lat0);
    const Float80 dPhi = DegToRad(lat1) - phi0;
    const Float80 dLambda = DegToRad(lon1) - DegToRad(lon0);
    // The cosine in double precision: the long double one costs several
    // times as much, and lap extraction takes one per fix, while the result
    // differs by less than 1e-16 of the distance.
    const Float80 cosLat = std::cos(static_cast<double>(DegToRad(cosLatDeg)));
    const Float80 east = cosLat * EarthRadius * dLambda;
    const Float80 north = EarthRadius * dPhi;
    return std::sqrt(east * east + north * north) / 1000;
}

Float80 MToLatDeg(Float80 metres) {
    return metres / (EarthRadius * kPi) * 180;
}

Float80 MToLonDeg(Float80 metres, Float80 refLatDeg) {
    return metres / (std::cos(DegToRad(refLatDeg)) * EarthRadius * kPi) * 180;
}

GateEnds GatePoints(Float80 lat, Float80 lon, Float80 headingDeg, Float80 halfLengthM) {
    const Float80 dLon = MToLonDeg(halfLengthM, lat);
    const Float80 dLat = MToLatDeg(halfLengthM);
    const Float80 h = DegToRad(headingDeg);
    GateEnds ends;
    ends.left.x = lon + std::sin(h + kPi / 2) * dLon;
    ends.left.y = lat + std::cos(h + kPi / 2) * dLat;
    ends.right.x = lon + std::sin(h + 3 * kPi / 2) * dLon;
    ends.right.y = lat + std::cos(h + 3 * kPi / 2) * dLat;
    return ends;
}

Float80 CrossingRatio(Point2 s0, Point2 s1, Point2 p) {
    const Float80 d0 = Dist2D(s0.x, s0.y, p.x, p.y);
    const Float80 d1 = Dist2D(s1.x, s1.y, p.x, p.y);
    if (d0 + d1 == 0)
        return 0;
    return d0 / (d0 + d1);
}

}  // namespace qv
