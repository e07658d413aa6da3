#pragma once
// Plane geometry on latitude/longitude. Crossings and interpolation ratios
// work in the unscaled degree plane (x = longitude, y = latitude); lengths
// use the equirectangular approximation on a sphere of `EarthRadius`.
// Headings: north 180, east 270, south 0, west 90 degrees.

#include "core/ext80.h"

namespace qv {

inline constexpr Float80 EarthRadius = 6367444.5L;  // m
inline constexpr Float80 kPi = 3.141592653589793238462643383279502884L;
inline constexpr Float80 kCrossEps = 1e-15L;  // the one tolerance of CrossPoint

struct Point2 {
    Float80 x = 0;  // longitude
    Float80 y = 0;  // latitude
};

Float80 Dist2D(Float80 x1, Float80 y1, Float80 x2, Float80 y2);

// Does the step c->d cross the fixed segment a->b? On a crossing `at` gets
// the crossing point. A step with an end on the segment (within the
// tolerance) reports that end, c first, as the crossing; an end on the
// line's extension beyond a or b is no crossing.
bool CrossPoint(Point2 a, Point2 b, Point2 c, Point2 d, Point2& at);

// Linear interpolation at x between (x0, y0) and (x1, y1); x0 != x1.
Float80 InterpVal(Float80 x, Float80 x0, Float80 x1, Float80 y0, Float80 y1);

struct Pair80 {
    Float80 a = 0;
    Float80 b = 0;
};
Pair80 InterpPair(Float80 x, Float80 x0, Float80 x1, Float80 a0, Float80 b0, Float80 a1,
                  Float80 b1);

// Heading at x along the shorter arc from h0 to h1, in [0, 360).
Float80 InterpDeg(Float80 x, Float80 x0, Float80 x1, Float80 h0, Float80 h1);

// Ground distance in km between two fixes, the east component scaled by the
// cosine of `cosLatDeg`.
Float80 StepDistKm(Float80 lat0, Float80 lon0, Float80 lat1, Float80 lon1, Float80 cosLatDeg);

Float80 MToLatDeg(Float80 metres);
Float80 MToLonDeg(Float80 metres, Float80 refLatDeg);

struct GateEnds {
    Point2 left;   // at heading + 90 degrees: left of the direction of travel
    Point2 right;  // at heading + 270 degrees
};
// A segment of 2 * halfLengthM metres centred on (lat, lon), perpendicular
// to `headingDeg`.
GateEnds GatePoints(Float80 lat, Float80 lon, Float80 headingDeg, Float80 halfLengthM);

// Ratio of a crossing point p along the step s0->s1, from the distances in
// the degree plane; 0 when both samples coincide with p.
Float80 CrossingRatio(Point2 s0, Point2 s1, Point2 p);

}  // namespace qv
