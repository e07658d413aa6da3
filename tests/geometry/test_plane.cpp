#include "geometry/plane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace qv {
namespace {

Float80 Cross(Point2 u, Point2 v) {
    return u.x * v.y - u.y * v.x;
}
Point2 Sub(Point2 p, Point2 q) {
    return {p.x - q.x, p.y - q.y};
}

// Intersection of the lines a-b and c-d by the parametric form along c-d.
Point2 ReferenceIntersection(Point2 a, Point2 b, Point2 c, Point2 d) {
    const Point2 gate = Sub(b, a);
    const Float80 s = Cross(Sub(a, c), gate) / Cross(Sub(d, c), gate);
    return {c.x + s * (d.x - c.x), c.y + s * (d.y - c.y)};
}

void ExpectPointNear(Point2 got, Point2 want, Float80 tol) {
    EXPECT_LE(std::fabs(got.x - want.x), tol) << "x " << static_cast<double>(got.x);
    EXPECT_LE(std::fabs(got.y - want.y), tol) << "y " << static_cast<double>(got.y);
}

void ExpectPointEq(Point2 got, Point2 want) {
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
}

// A gate across a track, about 16 m long, at realistic coordinates.
constexpr Point2 kGateA{139.75012L, 35.62031L};
constexpr Point2 kGateB{139.75029L, 35.62019L};

TEST(CrossPointTest, ProperCrossingMatchesIndependentIntersection) {
    const std::pair<Point2, Point2> steps[] = {
        {{139.75010L, 35.62018L}, {139.75031L, 35.62032L}},
        {{139.75021L, 35.62010L}, {139.75019L, 35.62040L}},
        {{139.75000L, 35.62025L}, {139.75040L, 35.62026L}},
        {{139.750205L, 35.620245L}, {139.750215L, 35.620255L}},  // a short 10 Hz step
    };
    for (const auto& [c, d] : steps) {
        Point2 at;
        ASSERT_TRUE(CrossPoint(kGateA, kGateB, c, d, at));
        ExpectPointNear(at, ReferenceIntersection(kGateA, kGateB, c, d), 1e-13L);
        const Float80 r = CrossingRatio(c, d, at);
        EXPECT_GT(r, 0);
        EXPECT_LT(r, 1);
    }
}

TEST(CrossPointTest, DirectionOfStepAndGateDoesNotMatter) {
    const Point2 c{139.75010L, 35.62018L};
    const Point2 d{139.75031L, 35.62032L};
    Point2 forward;
    ASSERT_TRUE(CrossPoint(kGateA, kGateB, c, d, forward));
    Point2 other;
    ASSERT_TRUE(CrossPoint(kGateA, kGateB, d, c, other));
    ExpectPointNear(other, forward, 1e-13L);
    ASSERT_TRUE(CrossPoint(kGateB, kGateA, c, d, other));
    ExpectPointNear(other, forward, 1e-13L);
    ASSERT_TRUE(CrossPoint(kGateB, kGateA, d, c, other));
    ExpectPointNear(other, forward, 1e-13L);
}

TEST(CrossPointTest, AxisParallelPerpendicularPairsCrossWherever) {
    Point2 at;
    // Horizontal gate, vertical step: a1 is zero, so the second solve is taken.
    ASSERT_TRUE(CrossPoint({1.0L, 2.0L}, {3.0L, 2.0L}, {2.5L, 1.0L}, {2.5L, 4.0L}, at));
    ExpectPointNear(at, {2.5L, 2.0L}, 1e-18L);
    // Vertical gate, horizontal step.
    ASSERT_TRUE(CrossPoint({1.0L, 2.0L}, {1.0L, 5.0L}, {0.0L, 3.25L}, {4.0L, 3.25L}, at));
    ExpectPointNear(at, {1.0L, 3.25L}, 1e-18L);
    // Horizontal gate, oblique step.
    ASSERT_TRUE(CrossPoint({0.0L, 0.0L}, {4.0L, 0.0L}, {1.0L, -1.0L}, {3.0L, 3.0L}, at));
    ExpectPointNear(at, {1.5L, 0.0L}, 1e-18L);
}

TEST(CrossPointTest, ParallelAndMissingStepsDoNotCross) {
    Point2 at{7.0L, 7.0L};
    // Oblique, offset.
    EXPECT_FALSE(CrossPoint({0.0L, 0.0L}, {2.0L, 1.0L}, {0.0L, 0.5L}, {2.0L, 1.5L}, at));
    // Both horizontal, both vertical.
    EXPECT_FALSE(CrossPoint({0.0L, 0.0L}, {2.0L, 0.0L}, {0.0L, 1.0L}, {2.0L, 1.0L}, at));
    EXPECT_FALSE(CrossPoint({0.0L, 0.0L}, {0.0L, 2.0L}, {1.0L, 0.0L}, {1.0L, 2.0L}, at));
    // Crossing the line beyond the segment, and stopping short of it.
    EXPECT_FALSE(CrossPoint({0.0L, 0.0L}, {2.0L, 0.0L}, {3.0L, -1.0L}, {3.0L, 1.0L}, at));
    EXPECT_FALSE(CrossPoint({0.0L, 0.0L}, {2.0L, 0.0L}, {1.0L, -2.0L}, {1.0L, -1.0L}, at));
    ExpectPointEq(at, {7.0L, 7.0L});
}

TEST(CrossPointTest, IllConditionedProperCrossingIsRefused) {
    // Exactly these four points cross properly, but both lines are within the
    // tolerance of horizontal; the solve must not be attempted, and the
    // on-line fallback (which would accept C here) must not be reached either.
    const Point2 a{0.0L, 0.0L};
    const Point2 b{1.0L, 1e-16L};
    const Point2 c{0.5L, -1e-17L};
    const Point2 d{0.6L, 1e-16L};
    Point2 at;
    EXPECT_FALSE(CrossPoint(a, b, c, d, at));
}

TEST(CrossPointTest, TouchingTheLineCountsOnBothSteps) {
    // Diagonal gate; the car reaches its midpoint and then drives on.
    const Point2 a{139.5L, 35.25L};
    const Point2 b{139.75L, 35.5L};
    const Point2 before{139.5L, 35.5L};
    const Point2 onLine{139.625L, 35.375L};
    const Point2 after{139.75L, 35.25L};
    const Point2 back{139.5L, 35.625L};

    Point2 at;
    ASSERT_TRUE(CrossPoint(a, b, before, onLine, at));
    ExpectPointEq(at, onLine);
    EXPECT_EQ(CrossingRatio(before, onLine, at), 1);

    ASSERT_TRUE(CrossPoint(a, b, onLine, after, at));
    ExpectPointEq(at, onLine);
    EXPECT_EQ(CrossingRatio(onLine, after, at), 0);

    // Returning to the side it came from is still a crossing at C.
    ASSERT_TRUE(CrossPoint(a, b, onLine, back, at));
    ExpectPointEq(at, onLine);
}

TEST(CrossPointTest, OnLineTestsKeepToTheSegment) {
    const Point2 a{0.0L, 0.0L};
    const Point2 b{1.0L, 1.0L};
    Point2 at{7.0L, 7.0L};
    // Collinear with the gate, far beyond B; starting, and ending, on the
    // line's extension (as a lap starting on a control line may).
    EXPECT_FALSE(CrossPoint(a, b, {50.0L, 50.0L}, {51.0L, 51.0L}, at));
    EXPECT_FALSE(CrossPoint(a, b, {-2.0L, -2.0L}, {-3.0L, -1.0L}, at));
    EXPECT_FALSE(CrossPoint(a, b, {-3.0L, -1.0L}, {-2.0L, -2.0L}, at));
    ExpectPointEq(at, {7.0L, 7.0L});
    // Collinear, overlapping the gate: the end that lies on it.
    ASSERT_TRUE(CrossPoint(a, b, {-0.5L, -0.5L}, {0.5L, 0.5L}, at));
    ExpectPointEq(at, {0.5L, 0.5L});
    // An end point of the gate still counts, and so does a sample past it by
    // less than the tolerance.
    ASSERT_TRUE(CrossPoint(a, b, {1.0L, 1.0L}, {2.0L, 0.0L}, at));
    ExpectPointEq(at, {1.0L, 1.0L});
    ASSERT_TRUE(CrossPoint(a, b, {-2.0L, 0.0L}, {-1e-16L, -1e-16L}, at));
    ExpectPointEq(at, {-1e-16L, -1e-16L});
    EXPECT_FALSE(CrossPoint(a, b, {-2.0L, 0.0L}, {-1e-14L, -1e-14L}, at));
}

TEST(CrossPointTest, StepThroughAnEndPointIsNotCrossed) {
    const Point2 a{0.0L, 0.0L};
    const Point2 b{2.0L, 0.0L};
    Point2 at;
    EXPECT_FALSE(CrossPoint(a, b, {-1.0L, -1.0L}, {1.0L, 1.0L}, at));
    EXPECT_FALSE(CrossPoint(a, b, {1.0L, 1.0L}, {3.0L, -1.0L}, at));
    EXPECT_FALSE(CrossPoint(a, b, {2.0L, -0.5L}, {2.0L, 0.5L}, at));
}

TEST(CrossPointTest, CoincidentSamplesNeverCrossProperly) {
    const Point2 a{0.0L, 0.0L};
    const Point2 b{2.0L, 2.0L};
    Point2 at;
    EXPECT_FALSE(CrossPoint(a, b, {1.0L, 0.5L}, {1.0L, 0.5L}, at));
    EXPECT_FALSE(CrossPoint(a, b, {139.75L, 35.5L}, {139.75L, 35.5L}, at));
    // Standing still on the line is the touching case, reported at C.
    ASSERT_TRUE(CrossPoint(a, b, {1.0L, 1.0L}, {1.0L, 1.0L}, at));
    ExpectPointEq(at, {1.0L, 1.0L});
}

TEST(CrossingRatioTest, RatioAlongTheStep) {
    const Point2 s0{139.0L, 35.0L};
    const Point2 s1{139.0004L, 35.0003L};
    const Point2 quarter{139.0001L, 35.000075L};
    EXPECT_NEAR(static_cast<double>(CrossingRatio(s0, s1, quarter)), 0.25, 1e-12);
    EXPECT_NEAR(static_cast<double>(CrossingRatio(s1, s0, quarter)), 0.75, 1e-12);
    EXPECT_EQ(CrossingRatio(s0, s0, s0), 0);
}

TEST(InterpolationTest, LinearValuesFollowTheAbscissa) {
    EXPECT_EQ(InterpVal(12.5L, 10.0L, 20.0L, 100.0L, 60.0L), 90.0L);
    EXPECT_EQ(InterpVal(30.0L, 10.0L, 20.0L, 100.0L, 60.0L), 20.0L);
    const Pair80 p = InterpPair(0.75L, 0.5L, 1.5L, 1.0L, 10.0L, 5.0L, -10.0L);
    EXPECT_EQ(p.a, 2.0L);
    EXPECT_EQ(p.b, 5.0L);
}

TEST(InterpDegTest, ShortArcThroughNorthAndSouth) {
    EXPECT_EQ(InterpDeg(0.5L, 0, 1, 350, 10), 0);
    EXPECT_EQ(InterpDeg(0.5L, 0, 1, 10, 350), 0);
    EXPECT_EQ(InterpDeg(15, 10, 20, 350, 10), 0);
    EXPECT_NEAR(static_cast<double>(InterpDeg(0.25L, 0, 1, 350, 10)), 355, 1e-15);
    EXPECT_NEAR(static_cast<double>(InterpDeg(0.75L, 0, 1, 350, 10)), 5, 1e-15);
    EXPECT_NEAR(static_cast<double>(InterpDeg(0.25L, 0, 1, 10, 350)), 5, 1e-15);
    EXPECT_NEAR(static_cast<double>(InterpDeg(0.75L, 0, 1, 10, 350)), 355, 1e-15);
    // A difference of exactly 180 degrees interpolates linearly.
    EXPECT_EQ(InterpDeg(0.5L, 0, 1, 90, 270), 180);
    EXPECT_EQ(InterpDeg(0.25L, 0, 1, 270, 90), 225);
    EXPECT_EQ(InterpDeg(0.5L, 0, 1, 100, 200), 150);
}

TEST(InterpDegTest, ResultsStayBelow360) {
    const Float80 pairs[][2] = {{350, 10}, {10, 350}, {0, 359}, {359, 0}, {181, 0}, {0, 181}};
    for (const auto& hp : pairs) {
        for (int i = 0; i <= 64; ++i) {
            const Float80 h = InterpDeg(i, 0, 64, hp[0], hp[1]);
            EXPECT_GE(h, 0) << hp[0] << "->" << hp[1] << " step " << i;
            EXPECT_LT(h, 360) << hp[0] << "->" << hp[1] << " step " << i;
        }
    }
    // The downward arc lands a hair below zero; adding 360 rounds to 360 itself.
    const Float80 h = InterpDeg(2e-25L, 0, 1, 1e-25L, 359);
    EXPECT_GE(h, 0);
    EXPECT_LT(h, 360);
}

TEST(StepDistKmTest, KnownLengths) {
    const Float80 oneMilliDegreeKm = EarthRadius * kPi / 180 * 0.001L / 1000;
    EXPECT_NEAR(static_cast<double>(StepDistKm(35.0L, 139.0L, 35.001L, 139.0L, 35.0L)), 0.1111329,
                5e-8);
    EXPECT_NEAR(static_cast<double>(StepDistKm(35.0L, 139.0L, 35.001L, 139.0L, 35.0L)),
                static_cast<double>(oneMilliDegreeKm), 1e-12);
    // The east component uses the caller's latitude, not either fix's.
    EXPECT_NEAR(static_cast<double>(StepDistKm(0, 139.0L, 0, 139.001L, 60)),
                static_cast<double>(oneMilliDegreeKm / 2), 1e-12);
    EXPECT_NEAR(static_cast<double>(StepDistKm(0, 139.0L, 0, 139.001L, 0)),
                static_cast<double>(oneMilliDegreeKm), 1e-12);
    // East 3 and north 4 units make 5.
    EXPECT_NEAR(static_cast<double>(StepDistKm(35.0L, 139.0L, 35.004L, 139.006L, 60)),
                static_cast<double>(5 * oneMilliDegreeKm), 1e-12);
    EXPECT_NEAR(static_cast<double>(StepDistKm(35.004L, 139.006L, 35.0L, 139.0L, 60)),
                static_cast<double>(5 * oneMilliDegreeKm), 1e-12);
    EXPECT_EQ(StepDistKm(35.5L, 139.5L, 35.5L, 139.5L, 35.5L), 0);
}

TEST(MetreConversionTest, KnownValuesAndRoundTrip) {
    EXPECT_NEAR(static_cast<double>(MToLatDeg(0.5L)), 4.49912e-6, 5e-12);
    EXPECT_NEAR(static_cast<double>(MToLonDeg(0.5L, 35)), 5.49241e-6, 5e-12);
    EXPECT_NEAR(static_cast<double>(MToLonDeg(0.5L, 0)), static_cast<double>(MToLatDeg(0.5L)),
                1e-20);
    for (const Float80 lat : {0.0L, 35.6L, -33.9L, 52.1L}) {
        const Float80 metres = 250;
        const Float80 north = StepDistKm(lat, 10, lat + MToLatDeg(metres), 10, lat) * 1000;
        const Float80 east = StepDistKm(lat, 10, lat, 10 + MToLonDeg(metres, lat), lat) * 1000;
        EXPECT_NEAR(static_cast<double>(north), 250, 1e-9) << static_cast<double>(lat);
        EXPECT_NEAR(static_cast<double>(east), 250, 1e-9) << static_cast<double>(lat);
    }
}

TEST(GatePointsTest, LengthCentreAndPerpendicular) {
    const Float80 lat = 35.3677L;
    const Float80 lon = 139.2583L;
    const Float80 metresPerDegLat = EarthRadius * kPi / 180;
    const Float80 metresPerDegLon = std::cos(lat / 180 * kPi) * metresPerDegLat;
    for (const Float80 heading : {0.0L, 33.3L, 90.0L, 180.0L, 211.0L, 270.0L, 359.5L}) {
        const GateEnds g = GatePoints(lat, lon, heading, 7.5L);
        const Float80 lengthM = StepDistKm(g.left.y, g.left.x, g.right.y, g.right.x, lat) * 1000;
        EXPECT_NEAR(static_cast<double>(lengthM), 15, 1e-9) << static_cast<double>(heading);
        EXPECT_NEAR(static_cast<double>((g.left.x + g.right.x) / 2), static_cast<double>(lon),
                    1e-12);
        EXPECT_NEAR(static_cast<double>((g.left.y + g.right.y) / 2), static_cast<double>(lat),
                    1e-12);

        // In metres east/north; travel along heading h is (-sin h, -cos h).
        const Float80 h = heading / 180 * kPi;
        const Point2 travel{-std::sin(h), -std::cos(h)};
        const Point2 toLeft{(g.left.x - lon) * metresPerDegLon, (g.left.y - lat) * metresPerDegLat};
        const Float80 dot = travel.x * toLeft.x + travel.y * toLeft.y;
        EXPECT_NEAR(static_cast<double>(dot), 0, 1e-9) << static_cast<double>(heading);
        EXPECT_NEAR(static_cast<double>(Cross(travel, toLeft)), 7.5, 1e-9)
            << static_cast<double>(heading);
    }
}

TEST(GatePointsTest, LeftEndForTheCardinalHeadings) {
    const Float80 lat = 35.0L;
    const Float80 lon = 139.0L;
    const Float80 dLat = MToLatDeg(10);
    const Float80 dLon = MToLonDeg(10, lat);
    const Float80 tol = 1e-15L;

    const GateEnds north = GatePoints(lat, lon, 180, 10);
    ExpectPointNear(north.left, {lon - dLon, lat}, tol);
    ExpectPointNear(north.right, {lon + dLon, lat}, tol);
    const GateEnds east = GatePoints(lat, lon, 270, 10);
    ExpectPointNear(east.left, {lon, lat + dLat}, tol);
    ExpectPointNear(east.right, {lon, lat - dLat}, tol);
    const GateEnds south = GatePoints(lat, lon, 0, 10);
    ExpectPointNear(south.left, {lon + dLon, lat}, tol);
    const GateEnds west = GatePoints(lat, lon, 90, 10);
    ExpectPointNear(west.left, {lon, lat - dLat}, tol);
}

TEST(GatePointsTest, GateBuiltAtAPositionIsCrossedThere) {
    const Float80 lat = 35.62L;
    const Float80 lon = 139.75L;
    const GateEnds g = GatePoints(lat, lon, 211, 8);
    // A step along heading 211 through the centre, 0.1 s at about 90 km/h.
    const Float80 h = 211.0L / 180 * kPi;
    const Float80 stepM = 2.5L;
    const Point2 dir{-std::sin(h) * MToLonDeg(stepM, lat), -std::cos(h) * MToLatDeg(stepM)};
    const Point2 s0{lon - 0.3L * dir.x, lat - 0.3L * dir.y};
    const Point2 s1{lon + 0.7L * dir.x, lat + 0.7L * dir.y};
    Point2 at;
    ASSERT_TRUE(CrossPoint(g.left, g.right, s0, s1, at));
    ExpectPointNear(at, {lon, lat}, 1e-13L);
    EXPECT_NEAR(static_cast<double>(CrossingRatio(s0, s1, at)), 0.3, 1e-9);
}

TEST(CrossPointTest, ZeroLengthGateIsNeverCrossed) {
    // A gate built with a half length of 0 collapses to a point; the on-line
    // test must not report every step near it as a crossing.
    const Point2 a{138.9, 35.3};
    Point2 at;
    EXPECT_FALSE(CrossPoint(a, a, {138.8, 35.2}, {139.0, 35.4}, at));
    EXPECT_FALSE(CrossPoint(a, a, {138.9, 35.3}, {139.0, 35.4}, at));
}

}  // namespace
}  // namespace qv
