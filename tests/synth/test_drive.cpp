#include "synth/drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace qv::synth {
namespace {

constexpr double kEarthRadiusM = 6367444.5;
constexpr double kGravity = 9.80665;
constexpr double kPi = std::numbers::pi;

struct Xy {
    double x = 0;
    double y = 0;
};

Xy Metres(double lat, double lon, const LatLon& ref) {
    const double k = kPi / 180 * kEarthRadiusM;
    return {(lon - ref.lon) * k * std::cos(ref.lat * kPi / 180), (lat - ref.lat) * k};
}
Xy Metres(const LatLon& p, const LatLon& ref) {
    return Metres(p.lat, p.lon, ref);
}
Xy Metres(const SynthFix& f, const LatLon& ref) {
    return Metres(f.lat, f.lon, ref);
}

double Dist(Xy a, Xy b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
double Cross(Xy o, Xy a, Xy b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double Curvature(Xy a, Xy b, Xy c) {
    const double d = Dist(a, b) * Dist(b, c) * Dist(c, a);
    return d > 0 ? 2 * std::abs(Cross(a, b, c)) / d : 0;
}

// Where the step c->d meets the segment a-b, as a ratio along the step; -1
// when it does not. A point on the line counts as being past it, so a track
// through a point on the line crosses once, not twice or never.
double StepCrossing(Xy a, Xy b, Xy c, Xy d) {
    const double sc = Cross(a, b, c), sd = Cross(a, b, d);
    if ((sc < 0) == (sd < 0))
        return -1;
    const double r = sc / (sc - sd);
    const Xy x{c.x + (d.x - c.x) * r, c.y + (d.y - c.y) * r};
    const double along = ((x.x - a.x) * (b.x - a.x) + (x.y - a.y) * (b.y - a.y)) /
                         ((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
    return along >= 0 && along <= 1 ? r : -1;
}

const Circuit& Demo() {
    static const Circuit circuit = DemoCircuit();
    return circuit;
}

double CentreLineLength(const Circuit& c) {
    double sum = 0;
    for (size_t i = 0; i < c.points.size(); ++i) {
        sum += Dist(Metres(c.points[i], c.points[0]),
                    Metres(c.points[(i + 1) % c.points.size()], c.points[0]));
    }
    return sum;
}

std::vector<double> LapTimesMs(const Drive& d) {
    std::vector<double> laps;
    for (size_t i = 1; i < d.crossingUtcMs.size(); ++i) {
        laps.push_back(d.crossingUtcMs[i] - d.crossingUtcMs[i - 1]);
    }
    return laps;
}

bool SameFixes(const Drive& a, const Drive& b) {
    return std::equal(a.fixes.begin(), a.fixes.end(), b.fixes.begin(), b.fixes.end(),
                      [](const SynthFix& f, const SynthFix& g) {
                          return f.utcMs == g.utcMs && f.lat == g.lat && f.lon == g.lon &&
                                 f.elv == g.elv && f.spd == g.spd && f.compassDeg == g.compassDeg;
                      });
}

// Distance from p to the nearest vertex of the demo centre line.
double OffTrack(Xy p) {
    const Circuit& c = Demo();
    double best = 1e18;
    for (const LatLon& v : c.points)
        best = std::min(best, Dist(Metres(v, c.points[0]), p));
    return best;
}

// Distance along the demo centre line of the vertex nearest to p.
double AlongTrack(Xy p) {
    const Circuit& c = Demo();
    double best = 1e18, along = 0, s = 0;
    for (size_t i = 0; i < c.points.size(); ++i) {
        const Xy v = Metres(c.points[i], c.points[0]);
        if (i > 0)
            s += Dist(v, Metres(c.points[i - 1], c.points[0]));
        if (Dist(v, p) < best) {
            best = Dist(v, p);
            along = s;
        }
    }
    return along;
}

TEST(DemoCircuit, IsAClosedLoopOfAbout2400MetresWithALongStraightAndAHairpin) {
    const Circuit& c = Demo();
    const size_t n = c.points.size();
    ASSERT_GT(n, 500u);
    EXPECT_NEAR(c.points[0].lat, 35.37, 0.02);
    EXPECT_NEAR(c.points[0].lon, 138.93, 0.02);
    double turning = 0, longestStraight = 0, straight = 0, tightest = 1e9;
    for (size_t i = 0; i < 2 * n; ++i) {
        const Xy a = Metres(c.points[i % n], c.points[0]);
        const Xy b = Metres(c.points[(i + 1) % n], c.points[0]);
        const Xy e = Metres(c.points[(i + 2) % n], c.points[0]);
        if (i < n) {
            EXPECT_GT(Dist(a, b), 1.0) << i;
            EXPECT_LT(Dist(a, b), 2.5) << i;  // also the closing step back to points[0]
            turning +=
                std::atan2(Cross(a, b, e), (b.x - a.x) * (e.x - b.x) + (b.y - a.y) * (e.y - b.y));
        }
        const double k = Curvature(a, b, e);
        straight = k < 1e-5 ? straight + Dist(a, b) : 0;
        longestStraight = std::max(longestStraight, straight);
        if (k > 0)
            tightest = std::min(tightest, 1 / k);
    }
    EXPECT_NEAR(std::abs(turning), 2 * kPi, 1e-9);  // one simple loop
    EXPECT_GT(longestStraight, 600);
    EXPECT_GT(tightest, 10);
    EXPECT_LT(tightest, 25);
    const double length = CentreLineLength(c);
    EXPECT_GT(length, 2300);
    EXPECT_LT(length, 2500);
    EXPECT_NEAR(SynthesizeDrive(c, {}).lapLengthKm * 1000, length, 1e-6);
}

TEST(DemoCircuit, LineCrossesTheTrackOnlyAtTheFirstPointAndSquarely) {
    const Circuit& c = Demo();
    const LatLon ref = c.points[0];
    const Xy a = Metres(c.lineA, ref), b = Metres(c.lineB, ref), p1 = Metres(c.points[1], ref);
    EXPECT_NEAR(Dist(a, b), 30, 1);
    EXPECT_NEAR((a.x + b.x) / 2, 0, 1e-3);
    EXPECT_NEAR((a.y + b.y) / 2, 0, 1e-3);
    EXPECT_NEAR(((b.x - a.x) * p1.x + (b.y - a.y) * p1.y) / (Dist(a, b) * Dist({}, p1)), 0, 1e-9);

    int crossings = 0;
    double s = 0;
    const double length = CentreLineLength(c);
    for (size_t i = 0; i < c.points.size(); ++i) {
        const Xy from = Metres(c.points[i], ref);
        const Xy to = Metres(c.points[(i + 1) % c.points.size()], ref);
        if (StepCrossing(a, b, from, to) >= 0)
            ++crossings;
        // Away from the line the track keeps clear of it, noise or not.
        if (s > 100 && s < length - 100) {
            EXPECT_GT(std::min({Dist(from, a), Dist(from, b), Dist(from, {})}), 40) << i;
        }
        s += Dist(from, to);
    }
    EXPECT_EQ(crossings, 1);
}

class DriveAtRate : public testing::TestWithParam<int> {};

TEST_P(DriveAtRate, FixesLieOnWholePeriodsAndFollowTheLine) {
    DriveOptions o;
    o.rateHz = GetParam();
    o.laps = 3;
    const Drive d = SynthesizeDrive(Demo(), o);
    const double period = 1000.0 / GetParam();
    ASSERT_GT(d.fixes.size(), 100u);
    EXPECT_EQ(d.fixes.front().utcMs, o.startUtcMs);
    for (size_t i = 0; i < d.fixes.size(); ++i) {
        // The nearest millisecond to a whole multiple of the period.
        const auto t = static_cast<double>(d.fixes[i].utcMs);
        EXPECT_EQ(d.fixes[i].utcMs, std::llround(std::round(t / period) * period)) << i;
        if (i > 0) {
            EXPECT_NEAR(t - static_cast<double>(d.fixes[i - 1].utcMs), period, 0.7) << i;
        }
    }
    EXPECT_EQ(d.fixes.front().spd, 0);
    EXPECT_EQ(d.fixes.back().spd, 0);

    // The logged track cuts the line once per crossing, at the true time up
    // to the error of interpolating between two fixes.
    ASSERT_EQ(d.crossingUtcMs.size(), 4u);
    const LatLon ref = Demo().points[0];
    const Xy a = Metres(Demo().lineA, ref), b = Metres(Demo().lineB, ref);
    std::vector<double> seen;
    for (size_t i = 1; i < d.fixes.size(); ++i) {
        const double r = StepCrossing(a, b, Metres(d.fixes[i - 1], ref), Metres(d.fixes[i], ref));
        if (r >= 0)
            seen.push_back(static_cast<double>(d.fixes[i - 1].utcMs) +
                           r * static_cast<double>(d.fixes[i].utcMs - d.fixes[i - 1].utcMs));
    }
    ASSERT_EQ(seen.size(), d.crossingUtcMs.size());
    // Straight-line interpolation misses by about accel * period^2 / (8 v).
    const double tolMs = std::max(0.05, 0.03 * period * period / 1000);
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_NEAR(seen[i], d.crossingUtcMs[i], tolMs) << i;
}

INSTANTIATE_TEST_SUITE_P(CommonRates, DriveAtRate, testing::Values(1, 3, 5, 10, 20, 50));

TEST(Drive, StartsAndEndsStandingAndCrossesOncePerLapWithEqualLapTimes) {
    for (int laps : {0, 1, 6}) {
        DriveOptions o;
        o.laps = laps;
        const Drive d = SynthesizeDrive(Demo(), o);
        ASSERT_EQ(d.crossingUtcMs.size(), static_cast<size_t>(laps + 1));
        const double outLapS = (d.crossingUtcMs[0] - static_cast<double>(o.startUtcMs)) / 1000;
        EXPECT_GT(outLapS, 5);
        EXPECT_LT(outLapS, 30);
        const std::vector<double> lapMs = LapTimesMs(d);
        for (double ms : lapMs) {
            EXPECT_GT(ms, 45000);
            EXPECT_LT(ms, 100000);
            EXPECT_NEAR(ms, lapMs[0], 1e-3);
        }
        // Standing 200 m before the line at the start and 150 m after it at the end.
        const LatLon ref = Demo().points[0];
        EXPECT_NEAR(AlongTrack(Metres(d.fixes.front(), ref)), CentreLineLength(Demo()) - 200, 2);
        EXPECT_NEAR(AlongTrack(Metres(d.fixes.back(), ref)), 150, 2);
        EXPECT_EQ(d.fixes.back().spd, 0);
        EXPECT_GT(static_cast<double>(d.fixes.back().utcMs), d.crossingUtcMs.back() + 5000);
        // The in-lap eases off from the line on; it does not sprint and brake.
        float previous = 1e9f;
        for (const SynthFix& f : d.fixes) {
            if (static_cast<double>(f.utcMs) > d.crossingUtcMs.back()) {
                EXPECT_LE(f.spd, previous + 1e-3f);
                previous = f.spd;
            }
        }
    }
}

TEST(Drive, CircleLapTimeFollowsFromTheGripLimit) {
    const double radius = 120;
    Circuit circle;
    const LatLon centre{35.37, 138.93};
    for (int i = 0; i < 400; ++i) {
        const double a = 2 * kPi * i / 400;
        circle.points.push_back({centre.lat + radius * std::sin(a) / kEarthRadiusM * 180 / kPi,
                                 centre.lon + radius * std::cos(a) / kEarthRadiusM * 180 / kPi /
                                                  std::cos(centre.lat * kPi / 180)});
    }
    DriveOptions o;
    o.laps = 3;
    o.maxLateralG = 0.9;
    const Drive d = SynthesizeDrive(circle, o);
    const double vCorner = std::sqrt(0.9 * kGravity * radius);
    ASSERT_EQ(d.crossingUtcMs.size(), 4u);
    for (double ms : LapTimesMs(d))
        EXPECT_NEAR(ms / 1000, 2 * kPi * radius / vCorner, 0.005);
    for (const SynthFix& f : d.fixes) {
        const auto t = static_cast<double>(f.utcMs);
        if (t > d.crossingUtcMs.front() && t < d.crossingUtcMs.back()) {
            EXPECT_NEAR(f.spd / 3.6, vCorner, 0.01);
        }
    }
}

struct Limits {
    double vmaxKmh, lateralG, brakeG, accelG;
};

class DriveWithin : public testing::TestWithParam<Limits> {};

TEST_P(DriveWithin, SpeedsAndAccelerationsStayInsideTheLimitsAndUseThem) {
    const Limits lim = GetParam();
    DriveOptions o;
    o.rateHz = 20;
    o.laps = 2;
    o.vmaxKmh = lim.vmaxKmh;
    o.maxLateralG = lim.lateralG;
    o.maxBrakeG = lim.brakeG;
    o.maxAccelG = lim.accelG;
    const Drive d = SynthesizeDrive(Demo(), o);
    const LatLon ref = Demo().points[0];
    double topKmh = 0, topLateral = 0, topAccel = 0, topBrake = 0;
    for (size_t i = 1; i + 1 < d.fixes.size(); ++i) {
        const SynthFix &p = d.fixes[i - 1], &f = d.fixes[i], &n = d.fixes[i + 1];
        const double v = f.spd / 3.6;
        topKmh = std::max(topKmh, static_cast<double>(f.spd));
        if (f.spd > 5) {
            topLateral = std::max(
                topLateral, v * v * Curvature(Metres(p, ref), Metres(f, ref), Metres(n, ref)));
        }
        const double dv = (n.spd - f.spd) / 3.6 / 0.05;
        topAccel = std::max(topAccel, dv);
        topBrake = std::max(topBrake, -dv);
    }
    EXPECT_LE(topKmh, lim.vmaxKmh + 1e-3);
    EXPECT_GT(topKmh, lim.vmaxKmh - 1);
    EXPECT_LE(topLateral, lim.lateralG * kGravity * 1.02);
    EXPECT_GT(topLateral, lim.lateralG * kGravity * 0.95);
    EXPECT_LE(topAccel, lim.accelG * kGravity * 1.01);
    EXPECT_GT(topAccel, lim.accelG * kGravity * 0.95);
    EXPECT_LE(topBrake, lim.brakeG * kGravity * 1.01);
    EXPECT_GT(topBrake, lim.brakeG * kGravity * 0.95);
}

INSTANTIATE_TEST_SUITE_P(TwoCars, DriveWithin,
                         testing::Values(Limits{220, 1.2, 1.1, 0.45}, Limits{150, 0.8, 0.7, 0.3}));

TEST(Drive, DistanceBetweenFixesAgreesWithTheSpeeds) {
    for (double rate : {5.0, 20.0}) {
        DriveOptions o;
        o.rateHz = rate;
        o.laps = 2;
        const Drive d = SynthesizeDrive(Demo(), o);
        const LatLon ref = Demo().points[0];
        // The mean of two speeds misses most where the car switches from
        // full acceleration to full braking between the fixes.
        const double tolM = (o.maxAccelG + o.maxBrakeG) * kGravity / (8 * rate * rate);
        for (size_t i = 1; i < d.fixes.size(); ++i) {
            const double step = Dist(Metres(d.fixes[i - 1], ref), Metres(d.fixes[i], ref));
            const double expected = (d.fixes[i - 1].spd + d.fixes[i].spd) / 2 / 3.6 / rate;
            ASSERT_NEAR(step, expected, tolM + 0.002 * expected) << rate << " Hz, fix " << i;
        }
    }
}

// Speed at the tightest vertex of a flying lap, and the braking that leads to it.
struct HairpinEntry {
    double apexKmh = 0;
    double brakingStartKmh = 0;
    double brakingDistM = 0;
};

HairpinEntry MeasureHairpin(double brakeG) {
    const Circuit& c = Demo();
    const LatLon ref = c.points[0];
    const size_t n = c.points.size();
    Xy apex;
    double tightest = 0;
    for (size_t i = 0; i < n; ++i) {
        const Xy b = Metres(c.points[i], ref);
        const double k = Curvature(Metres(c.points[(i + n - 1) % n], ref), b,
                                   Metres(c.points[(i + 1) % n], ref));
        if (k > tightest) {
            tightest = k;
            apex = b;
        }
    }
    DriveOptions o;
    o.laps = 2;
    o.maxBrakeG = brakeG;
    const Drive d = SynthesizeDrive(c, o);
    size_t at = 0;
    double nearest = 1e9;
    for (size_t i = 0; i < d.fixes.size(); ++i) {
        const auto t = static_cast<double>(d.fixes[i].utcMs);
        const double dist = Dist(Metres(d.fixes[i], ref), apex);
        if (t > d.crossingUtcMs[1] && t < d.crossingUtcMs[2] && dist < nearest) {
            nearest = dist;
            at = i;
        }
    }
    HairpinEntry e;
    e.apexKmh = d.fixes[at].spd;
    // Braking starts at the fastest point of the back straight; from there
    // on the speed only falls.
    size_t peak = at;
    for (size_t j = at; j-- > 0 && d.fixes[at].utcMs - d.fixes[j].utcMs < 20000;) {
        if (d.fixes[j].spd > d.fixes[peak].spd)
            peak = j;
    }
    for (size_t j = peak; j < at; ++j) {
        EXPECT_LE(d.fixes[j + 1].spd, d.fixes[j].spd + 0.01) << j;
        e.brakingDistM += Dist(Metres(d.fixes[j], ref), Metres(d.fixes[j + 1], ref));
    }
    e.brakingStartKmh = d.fixes[peak].spd;
    return e;
}

TEST(Drive, BrakesBeforeTheHairpinAsHardAsAllowed) {
    const HairpinEntry hard = MeasureHairpin(1.1);
    EXPECT_NEAR(hard.apexKmh / 3.6, std::sqrt(1.2 * kGravity * 15), 0.5);
    EXPECT_GT(hard.brakingStartKmh, 3 * hard.apexKmh);
    EXPECT_GT(hard.brakingDistM, 100);
    // Part of the run-down is the entry curve, where less speed is shed.
    const double v0 = hard.brakingStartKmh / 3.6, v1 = hard.apexKmh / 3.6;
    const double meanDecel = (v0 * v0 - v1 * v1) / (2 * hard.brakingDistM);
    EXPECT_GT(meanDecel, 0.8 * 1.1 * kGravity);
    EXPECT_LT(meanDecel, 1.01 * 1.1 * kGravity);

    const HairpinEntry soft = MeasureHairpin(0.6);
    EXPECT_NEAR(soft.apexKmh, hard.apexKmh, 0.5);
    EXPECT_GT(soft.brakingDistM, 1.3 * hard.brakingDistM);
}

TEST(Drive, PitStopStandsStillAtOnePlaceForItsTime) {
    DriveOptions o;
    o.laps = 3;
    const Drive plain = SynthesizeDrive(Demo(), o);
    o.pitStops = {{1, 20}, {99, 5}};  // the second lies beyond the drive and is ignored
    const Drive d = SynthesizeDrive(Demo(), o);
    ASSERT_EQ(d.pitStopUtcMs.size(), 1u);
    const Span stop = d.pitStopUtcMs[0];
    EXPECT_NEAR(stop.toUtcMs - stop.fromUtcMs, 20000, 1e-6);
    EXPECT_GT(stop.fromUtcMs, d.crossingUtcMs[1]);
    EXPECT_TRUE(d.gapUtcMs.empty());

    const LatLon ref = Demo().points[0];
    std::vector<const SynthFix*> standing;
    for (const SynthFix& f : d.fixes) {
        const auto t = static_cast<double>(f.utcMs);
        if (t >= stop.fromUtcMs && t <= stop.toUtcMs)
            standing.push_back(&f);
    }
    ASSERT_GE(standing.size(), 200u);
    ASSERT_LE(standing.size(), 201u);
    for (const SynthFix* f : standing) {
        EXPECT_EQ(f->spd, 0);
        EXPECT_EQ(f->lat, standing[0]->lat);
        EXPECT_EQ(f->lon, standing[0]->lon);
    }
    EXPECT_NEAR(Dist(Metres(*standing[0], ref), {}), 100, 0.01);  // still on the straight

    const std::vector<double> before = LapTimesMs(plain), after = LapTimesMs(d);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NEAR(after[0], before[0], 1e-3);
    EXPECT_NEAR(after[2], before[2], 1e-3);
    EXPECT_GT(after[1] - before[1], 20000);
    EXPECT_LT(after[1] - before[1], 35000);
}

TEST(Drive, GapLeavesNoFixesWhileTheCarWaits) {
    DriveOptions o;
    o.laps = 3;
    const Drive plain = SynthesizeDrive(Demo(), o);
    o.gaps = {{2, 30}};
    const Drive d = SynthesizeDrive(Demo(), o);
    ASSERT_EQ(d.gapUtcMs.size(), 1u);
    const Span gap = d.gapUtcMs[0];
    EXPECT_NEAR(gap.toUtcMs - gap.fromUtcMs, 30000, 1e-6);
    EXPECT_GT(gap.fromUtcMs, d.crossingUtcMs[2]);
    EXPECT_TRUE(d.pitStopUtcMs.empty());

    size_t firstAfter = 0;
    for (size_t i = 0; i < d.fixes.size(); ++i) {
        const auto t = static_cast<double>(d.fixes[i].utcMs);
        EXPECT_FALSE(t >= gap.fromUtcMs && t < gap.toUtcMs) << i;
        if (t >= gap.toUtcMs && firstAfter == 0)
            firstAfter = i;
    }
    ASSERT_GT(firstAfter, 0u);
    const SynthFix &last = d.fixes[firstAfter - 1], &next = d.fixes[firstAfter];
    EXPECT_GT(static_cast<double>(last.utcMs), gap.fromUtcMs - 100);
    EXPECT_LT(static_cast<double>(next.utcMs), gap.toUtcMs + 100);
    const LatLon ref = Demo().points[0];
    EXPECT_LT(Dist(Metres(last, ref), Metres(next, ref)), 0.5);
    EXPECT_LT(last.spd, 5);
    EXPECT_LT(next.spd, 5);

    // Up to the line before the stop the drive is the same as without it.
    ASSERT_EQ(d.crossingUtcMs.size(), 4u);
    for (size_t i = 0; i < plain.fixes.size(); ++i) {
        if (static_cast<double>(plain.fixes[i].utcMs) > plain.crossingUtcMs[2])
            break;
        EXPECT_EQ(d.fixes[i].lat, plain.fixes[i].lat) << i;
        EXPECT_EQ(d.fixes[i].spd, plain.fixes[i].spd) << i;
    }
    EXPECT_GT(LapTimesMs(d)[2] - LapTimesMs(plain)[2], 30000);
}

TEST(Drive, SeedDecidesTheNoiseAndNothingElse) {
    DriveOptions o;
    o.laps = 1;
    const Drive clean1 = SynthesizeDrive(Demo(), o);
    o.seed = 7;
    const Drive clean7 = SynthesizeDrive(Demo(), o);
    o.noiseM = 1.5;
    o.speedNoiseKmh = 1;
    const Drive noisy7 = SynthesizeDrive(Demo(), o);
    const Drive again7 = SynthesizeDrive(Demo(), o);
    o.seed = 8;
    const Drive noisy8 = SynthesizeDrive(Demo(), o);

    EXPECT_TRUE(SameFixes(clean1, clean7));
    EXPECT_TRUE(SameFixes(noisy7, again7));
    EXPECT_FALSE(SameFixes(noisy7, noisy8));
    EXPECT_FALSE(SameFixes(noisy7, clean7));
    EXPECT_EQ(noisy8.crossingUtcMs, clean1.crossingUtcMs);
}

TEST(Drive, NoiseHasTheRequestedSpread) {
    DriveOptions o;
    o.laps = 3;
    o.pitStops = {{1, 20}};
    const Drive clean = SynthesizeDrive(Demo(), o);
    o.noiseM = 2;
    o.speedNoiseKmh = 1.5;
    o.seed = 42;
    const Drive noisy = SynthesizeDrive(Demo(), o);
    ASSERT_EQ(clean.fixes.size(), noisy.fixes.size());

    const LatLon ref = Demo().points[0];
    double sumE = 0, sumN = 0, sqE = 0, sqN = 0, sqV = 0;
    size_t moving = 0, standing = 0, standingAtZero = 0;
    const auto count = static_cast<double>(clean.fixes.size());
    for (size_t i = 0; i < clean.fixes.size(); ++i) {
        const Xy a = Metres(clean.fixes[i], ref), b = Metres(noisy.fixes[i], ref);
        sumE += b.x - a.x;
        sumN += b.y - a.y;
        sqE += (b.x - a.x) * (b.x - a.x);
        sqN += (b.y - a.y) * (b.y - a.y);
        EXPECT_GE(noisy.fixes[i].spd, 0);
        if (clean.fixes[i].spd > 20) {
            const double dv = noisy.fixes[i].spd - clean.fixes[i].spd;
            sqV += dv * dv;
            ++moving;
        } else if (clean.fixes[i].spd == 0) {
            ++standing;
            if (noisy.fixes[i].spd == 0)
                ++standingAtZero;
        }
    }
    EXPECT_NEAR(sumE / count, 0, 0.1);
    EXPECT_NEAR(sumN / count, 0, 0.1);
    EXPECT_NEAR(std::sqrt(sqE / count), 2, 0.1);
    EXPECT_NEAR(std::sqrt(sqN / count), 2, 0.1);
    EXPECT_NEAR(std::sqrt(sqV / static_cast<double>(moving)), 1.5, 0.08);
    // Clamped at zero: about half the fixes of a standing car read zero.
    ASSERT_GT(standing, 150u);
    EXPECT_GT(standingAtZero, standing * 3 / 10);
    EXPECT_LT(standingAtZero, standing * 7 / 10);
}

TEST(Drive, HeadingFollowsTheTravelAndElevationVariesALittle) {
    DriveOptions o;
    o.laps = 1;
    o.elevationM = 300;
    const Drive d = SynthesizeDrive(Demo(), o);
    const LatLon ref = Demo().points[0];
    float low = 1e9, high = -1e9;
    for (size_t i = 1; i + 1 < d.fixes.size(); ++i) {
        low = std::min(low, d.fixes[i].elv);
        high = std::max(high, d.fixes[i].elv);
        if (d.fixes[i].spd < 20)
            continue;
        const Xy a = Metres(d.fixes[i - 1], ref), b = Metres(d.fixes[i + 1], ref);
        const double bearing = std::atan2(b.x - a.x, b.y - a.y) * 180 / kPi;
        double diff = std::fmod(d.fixes[i].compassDeg - bearing + 540, 360) - 180;
        EXPECT_LT(std::abs(diff), 1.0) << i;
        EXPECT_GE(d.fixes[i].compassDeg, 0);
        EXPECT_LT(d.fixes[i].compassDeg, 360);
    }
    EXPECT_GT(low, 290);
    EXPECT_LT(high, 310);
    EXPECT_GT(high - low, 3);
}

TEST(Session, StintsLeaveAndReturnThroughThePitLaneAndTheFlyingLapsVary) {
    SessionOptions o;
    o.rateHz = 10;
    o.stints = {4, 3};
    o.breakS = 600;
    const PitLane pit;
    const Drive d = SynthesizeSession(Demo(), pit, o);
    ASSERT_EQ(d.crossingUtcMs.size(), 9u);  // the out-lap's end and each flying lap's
    ASSERT_EQ(d.gapUtcMs.size(), 1u);
    const LatLon ref = Demo().points[0];
    const double length = CentreLineLength(Demo());
    const double period = 1000 / o.rateHz;

    std::vector<size_t> firsts = {0}, lasts;
    for (size_t i = 1; i < d.fixes.size(); ++i) {
        if (static_cast<double>(d.fixes[i].utcMs - d.fixes[i - 1].utcMs) > 1.5 * period) {
            lasts.push_back(i - 1);
            firsts.push_back(i);
        }
    }
    lasts.push_back(d.fixes.size() - 1);
    ASSERT_EQ(firsts.size(), 2u);
    EXPECT_EQ(d.fixes[0].utcMs, o.startUtcMs);
    // The logger is off from the stop in the box to the next start.
    const double breakMs = static_cast<double>(d.fixes[firsts[1]].utcMs - d.fixes[lasts[0]].utcMs);
    EXPECT_GT(breakMs, o.breakS * 1000 - period);
    EXPECT_LT(breakMs, o.breakS * 1000 + period);
    EXPECT_GT(d.gapUtcMs[0].fromUtcMs, static_cast<double>(d.fixes[lasts[0]].utcMs));
    EXPECT_LE(d.gapUtcMs[0].toUtcMs, static_cast<double>(d.fixes[firsts[1]].utcMs));
    for (size_t stint = 0; stint < 2; ++stint) {
        const SynthFix& first = d.fixes[firsts[stint]];
        const SynthFix& last = d.fixes[lasts[stint]];
        EXPECT_NEAR(first.spd, pit.limitKmh, 0.5);
        EXPECT_EQ(last.spd, 0);
        for (const SynthFix* f : {&first, &last}) {
            EXPECT_NEAR(OffTrack(Metres(*f, ref)), pit.sideM, 1);
            EXPECT_NEAR(AlongTrack(Metres(*f, ref)), length + pit.boxM, 2);
        }
    }

    // Beside the line the pit lane is out of its reach: the logged track
    // crosses it at the true crossings only. In the lane the car keeps the
    // limit, and nowhere does it go beyond the car's limits.
    const Xy a = Metres(Demo().lineA, ref), b = Metres(Demo().lineB, ref);
    std::vector<double> seen;
    double topLateral = 0, topAccel = 0, topBrake = 0;
    for (size_t i = 1; i < d.fixes.size(); ++i) {
        const SynthFix &p = d.fixes[i - 1], &f = d.fixes[i];
        if (static_cast<double>(f.utcMs - p.utcMs) > 1.5 * period)
            continue;
        const double r = StepCrossing(a, b, Metres(p, ref), Metres(f, ref));
        if (r >= 0) {
            seen.push_back(static_cast<double>(p.utcMs) +
                           r * static_cast<double>(f.utcMs - p.utcMs));
        }
        const Xy at = Metres(f, ref);
        if (OffTrack(at) > 20) {
            double along = AlongTrack(at);
            along -= along > length / 2 ? length : 0;
            if (along > pit.limitFromM + 2 && along < pit.limitToM - 2) {
                EXPECT_LE(f.spd, pit.limitKmh + 0.01) << i;
            }
        }
        const double dv = (f.spd - p.spd) / 3.6 * o.rateHz;
        topAccel = std::max(topAccel, dv);
        topBrake = std::max(topBrake, -dv);
        if (i + 1 < d.fixes.size() && f.spd > 5) {
            const double v = f.spd / 3.6;
            topLateral = std::max(
                topLateral, v * v * Curvature(Metres(p, ref), at, Metres(d.fixes[i + 1], ref)));
        }
        const double step = Dist(Metres(p, ref), at);
        const double expected = (p.spd + f.spd) / 2 / 3.6 / o.rateHz;
        const double tolM = (o.maxAccelG + o.maxBrakeG) * kGravity / (8 * o.rateHz * o.rateHz);
        EXPECT_NEAR(step, expected, tolM + 0.003 * expected) << i;
    }
    ASSERT_EQ(seen.size(), d.crossingUtcMs.size());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_NEAR(seen[i], d.crossingUtcMs[i], 0.3) << i;
    EXPECT_LE(topLateral, o.maxLateralG * kGravity * 1.03);
    EXPECT_LE(topAccel, o.maxAccelG * kGravity * 1.01);
    EXPECT_LE(topBrake, o.maxBrakeG * kGravity * 1.01);

    // Out-laps and in-laps are slow; flying laps differ by some tenths, and
    // none beats the car driven at its limits on the centre line.
    const std::vector<double>& c = d.crossingUtcMs;
    const auto utc = [&](size_t fix) { return static_cast<double>(d.fixes[fix].utcMs); };
    const std::vector<double> slowMs = {c[0] - utc(firsts[0]), utc(lasts[0]) - c[4],
                                        c[5] - utc(firsts[1]), utc(lasts[1]) - c[8]};
    std::vector<double> flyingMs;
    for (size_t i = 1; i < c.size(); ++i) {
        if (i != 5)
            flyingMs.push_back(c[i] - c[i - 1]);
    }
    const auto [fastest, slowest] = std::minmax_element(flyingMs.begin(), flyingMs.end());
    EXPECT_GT(*std::min_element(slowMs.begin(), slowMs.end()), *slowest + 10000);
    EXPECT_GT(*slowest - *fastest, 200);
    EXPECT_LT(*slowest - *fastest, 1500);
    DriveOptions limit;
    limit.laps = 1;
    EXPECT_GT(*fastest, LapTimesMs(SynthesizeDrive(Demo(), limit))[0]);
}

TEST(Session, FollowsFromTheSeedNotTheNoiseAndNeedsAPitLaneThatFits) {
    SessionOptions o;
    o.rateHz = 5;
    o.stints = {2};
    const Drive d = SynthesizeSession(Demo(), {}, o);
    ASSERT_EQ(d.crossingUtcMs.size(), 3u);
    EXPECT_TRUE(SameFixes(d, SynthesizeSession(Demo(), {}, o)));
    // Noise on the log leaves the drive as it was.
    SessionOptions noisy = o;
    noisy.noiseM = 1;
    noisy.speedNoiseKmh = 1;
    EXPECT_EQ(SynthesizeSession(Demo(), {}, noisy).crossingUtcMs, d.crossingUtcMs);
    SessionOptions other = o;
    other.seed = 2;
    EXPECT_NE(SynthesizeSession(Demo(), {}, other).crossingUtcMs, d.crossingUtcMs);

    PitLane backwards;
    backwards.exitM = backwards.entryM - 10;
    PitLane longerThanALap;
    longerThanALap.exitM = CentreLineLength(Demo());
    SessionOptions noStint = o;
    noStint.stints.clear();
    EXPECT_TRUE(SynthesizeSession(Demo(), backwards, o).fixes.empty());
    EXPECT_TRUE(SynthesizeSession(Demo(), longerThanALap, o).fixes.empty());
    EXPECT_TRUE(SynthesizeSession(Demo(), {}, noStint).fixes.empty());
}

TEST(Drive, TooFewPointsGiveAnEmptyDrive) {
    Circuit line;
    line.points = {{35.37, 138.93}, {35.371, 138.93}};
    const Drive d = SynthesizeDrive(line, {});
    EXPECT_TRUE(d.fixes.empty());
    EXPECT_TRUE(d.crossingUtcMs.empty());
}

}  // namespace
}  // namespace qv::synth
