#include "dynamics/g_forces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "core/date_time.h"
#include "dynamics/smoothed_track.h"
#include "dynamics/turn_radius.h"
#include "geometry/plane.h"

namespace qv {
namespace {

const TDateTime kStart = EncodeDateTime({2024, 5, 3, 9, 12, 30, 250});
constexpr Float80 kG = 9.80665L;
constexpr Float80 kCircleG = 400 / (50 * kG);  // 72 km/h on 50 m: v^2 / (r g)

struct Motion {
    Float80 x = 0, y = 0;  // m east / north of the origin
    Float80 kmh = 0;
};

double D(Float80 v) {
    return static_cast<double>(v);
}

// Samples timed as lap extraction times them (Sec from date-time doubles);
// longitude scaled by each sample's own latitude, as the local plane is.
std::vector<TLapElmRec> LapOf(int count, double rateHz, const std::function<Motion(Float80)>& at) {
    std::vector<TLapElmRec> lap(count);
    for (int i = 0; i < count; ++i) {
        const Motion m = at(Float80(i) / rateHz);
        TLapElmRec& s = lap[i];
        s.DtTm = kStart + i / rateHz / kSecondsPerDay;
        s.Tm = s.DtTm - kStart;
        s.Sec = Float80(s.Tm) * kSecondsPerDay;
        const Float80 lat = 35.3L + m.y / EarthRadius * 180 / kPi;
        s.Ido = lat;
        s.Kdo = 138.9L + m.x / (EarthRadius * std::cos(lat * kPi / 180)) * 180 / kPi;
        s.Spd = m.kmh;
        s.Dist = Float80(i) / rateHz * m.kmh / 3600;
    }
    return lap;
}

// 72 km/h round a 50 m circle, starting off the axes so no chord lies along one.
std::vector<TLapElmRec> CircleLap(double rateHz, bool ccw, Float80 seconds, Float80 noiseM = 0) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, static_cast<double>(noiseM));
    const Float80 omega = (ccw ? 1 : -1) * 20 / 50.0L;
    return LapOf(static_cast<int>(seconds * rateHz) + 1, rateHz, [&](Float80 t) {
        const Float80 a = 0.3L + omega * t;
        const Float80 ex = noiseM > 0 ? noise(random) : 0;
        const Float80 ey = noiseM > 0 ? noise(random) : 0;
        return Motion{50 * std::cos(a) + ex, 50 * std::sin(a) + ey, 72};
    });
}

TLapDtRec Loaded(std::vector<TLapElmRec> samples) {
    TLapDtRec lap;
    lap.ElmNum = static_cast<int32_t>(samples.size());
    lap.Elm = std::move(samples);
    SetGElm(lap);
    return lap;
}

TEST(GForcesTest, FiftyMetreCircleAtEveryLoggingRate) {
    ASSERT_NEAR(D(kCircleG), 0.8157, 1e-4);
    for (const double rateHz : {4.0, 5.0, 10.0, 20.0}) {
        // The weighted mean of points j steps apart on a circle lies inside it
        // by the weighted mean of cos(j * step), over the neighbours < 210 ms away.
        const Float80 w[] = {1, 0.75L, 0.5L, 0.25L};
        Float80 sum = 1, sumCos = 1;
        for (int j = 1; j <= 3 && j / rateHz < 0.21; ++j) {
            sum += 2 * w[j];
            sumCos += 2 * w[j] * std::cos(j * 0.4L / rateHz);
        }
        const Float80 rEff = 50 * sumCos / sum;
        ASSERT_GT(rEff, 49.9L);  // at most 0.2 % inside, at 5 Hz
        for (const bool ccw : {true, false}) {
            SCOPED_TRACE(testing::Message() << rateHz << " Hz, ccw " << ccw);
            const TLapDtRec lap = Loaded(CircleLap(rateHz, ccw, 20));
            const Float80 sign = ccw ? 1 : -1;
            // Away from the lap ends, which cut the windows. The plane measures
            // from the first point's longitude with each point's own cosine,
            // which bends a 100 m circle by about 1e-5 of its size.
            for (int k = 10; k < lap.ElmNum - 10; ++k) {
                const TGCalRec& g = lap.GElm[k];
                EXPECT_EQ(g.rl, ccw ? 1 : -1) << k;
                EXPECT_NEAR(D(g.r2_3), D(rEff), 1e-3) << k;
                EXPECT_NEAR(D(g.lateG), D(sign * 400 / (rEff * kG)), 2e-5) << k;
                EXPECT_NEAR(D(g.lateG3), D(sign * kCircleG), D(0.002 * kCircleG)) << k;
                EXPECT_NEAR(D(g.logiG3), 0, 1e-9) << k;
                EXPECT_NEAR(D(g.XYG), D(400 / (rEff * kG)), 2e-5) << k;
            }
        }
    }
}

TEST(GForcesTest, NoisyCircleStaysNearTheTrueLateralG) {
    // 2 cm of white noise per axis on points 1 to 4 m apart, where the middle
    // of three lies only 2.5 to 40 cm off the chord. Over 30 seeds the worst
    // lap mean was 1.5 % off and the worst single value 5, 7 and 23 % (5, 10,
    // 20 Hz: the faster, the closer the points); the bounds are twice that.
    const std::pair<double, double> cases[] = {{5, 0.1}, {10, 0.15}, {20, 0.45}};
    for (const auto& [rateHz, singleTolerance] : cases) {
        for (const bool ccw : {true, false}) {
            SCOPED_TRACE(testing::Message() << rateHz << " Hz, ccw " << ccw);
            const TLapDtRec lap = Loaded(CircleLap(rateHz, ccw, 30, 0.02L));
            const Float80 truth = (ccw ? 1 : -1) * kCircleG;
            Float80 sum = 0;
            for (int k = 10; k < lap.ElmNum - 10; ++k) {
                sum += lap.GElm[k].lateG3;
                EXPECT_NEAR(D(lap.GElm[k].lateG3 / truth), 1, singleTolerance) << k;
            }
            EXPECT_NEAR(D(sum / (lap.ElmNum - 20) / truth), 1, 0.03);
        }
    }
}

TEST(GForcesTest, StraightsAndAcceleration) {
    // Diagonal, along a parallel (Y steps exactly 0), along a meridian (X steps 0).
    const std::pair<Float80, Float80> directions[] = {{0.6L, 0.8L}, {1, 0}, {0, 1}};
    for (const auto& direction : directions) {
        const Float80 ux = direction.first, uy = direction.second;
        SCOPED_TRACE(D(ux));
        const TLapDtRec lap = Loaded(LapOf(80, 10, [&](Float80 t) {
            return Motion{20 * t * ux, 20 * t * uy, 72};
        }));
        for (int k = 1; k < lap.ElmNum - 1; ++k) {
            EXPECT_EQ(lap.GElm[k].r, kStraightRadiusM) << k;
            EXPECT_NEAR(D(lap.GElm[k].r2_3), 9999.9, 1e-9) << k;
            EXPECT_NEAR(D(std::fabs(lap.GElm[k].lateG)), 400 / 9999.9 / 9.80665, 1e-9) << k;
        }
    }
    // 3 m/s^2 from 36 km/h. Sec is good to about a microsecond (date-time
    // doubles), 1e-5 of a 0.1 s step.
    const TLapDtRec lap = Loaded(LapOf(60, 10, [](Float80 t) {
        const Float80 s = 10 * t + 1.5L * t * t;
        return Motion{0.6L * s, 0.8L * s, (10 + 3 * t) * 3.6L};
    }));
    for (int k = 1; k < lap.ElmNum - 1; ++k) {
        EXPECT_NEAR(D(lap.GElm[k].logiG), 3 / 9.80665, 1e-5) << k;
        EXPECT_NEAR(D(lap.GElm[k].logiG3), 3 / 9.80665, 1e-5) << k;
    }
    // 50 to 54 km/h in 0.1 s: (15 - 13.889) / 0.1 / 9.80665, then back down.
    std::vector<TLapElmRec> jump = LapOf(5, 10, [](Float80 t) { return Motion{0, 2 * t, 50}; });
    jump[2].Spd = 54;
    std::vector<TGCalRec> g(5);
    CalcGElm(jump, g);
    EXPECT_NEAR(D(g[2].logiG), 1.133, 5e-4);
    EXPECT_NEAR(D(g[3].logiG), -1.133, 5e-4);
}

TEST(GForcesTest, ShortLapsHaveNoRadiusAtTheirEnds) {
    const std::vector<TLapElmRec> circle = CircleLap(10, true, 2);
    for (int n = 0; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const TLapDtRec lap = Loaded({circle.begin(), circle.begin() + n});
        ASSERT_EQ(lap.GElm.size(), static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) {
            const TGCalRec& g = lap.GElm[k];
            EXPECT_EQ(g.spd2, 72);
            if (k >= 1 && k + 1 < n) {
                EXPECT_GT(g.lateG3, 0);  // three points of a left-hand circle
            } else {
                EXPECT_EQ(g.rl, 0);
                EXPECT_EQ(g.r, 0);
                EXPECT_EQ(g.lateG + g.logiG + g.XYG, 0);
            }
        }
        if (n >= 2) {
            EXPECT_EQ(lap.GElm[0].X, 0);
            EXPECT_NE(lap.GElm[n - 1].X, 0);  // the last record keeps its place
        }
    }
    // ElmNum beyond the samples is clamped; samples beyond ElmNum stay zero.
    TLapDtRec lap;
    lap.Elm = circle;
    lap.ElmNum = 1000;
    SetGElm(lap);
    EXPECT_NEAR(D(lap.GElm[10].lateG), 0.8157, 0.005);
    lap.ElmNum = 5;
    SetGElm(lap);
    ASSERT_EQ(lap.GElm.size(), circle.size());
    EXPECT_EQ(lap.GElm[4].lateG, 0);
    EXPECT_EQ(lap.GElm[10].spd2, 0);
}

TEST(GForcesTest, RepeatedPositionsAndFrozenClockStayFinite) {
    std::vector<TLapElmRec> lap = CircleLap(10, true, 5);
    for (int k = 20; k < 26; ++k) {
        lap[k].Ido = Float80(lap[19].Ido);
        lap[k].Kdo = Float80(lap[19].Kdo);
    }
    const TLapDtRec parked = Loaded(lap);
    EXPECT_EQ(parked.GElm[22].r, kStraightRadiusM);  // its whole window stands still
    for (TLapElmRec& s : lap) {
        s.DtTm = kStart;
        s.Sec = 0;
        s.Ido = Float80(lap[0].Ido);
        s.Kdo = Float80(lap[0].Kdo);
    }
    lap[10].Spd = 90;  // a jump in speed over no time
    const TLapDtRec frozen = Loaded(lap);
    for (const TLapDtRec* l : {&parked, &frozen}) {
        for (int k = 1; k < l->ElmNum - 1; ++k) {
            const TGCalRec& g = l->GElm[k];
            EXPECT_TRUE(std::isfinite(g.r2_3) && std::isfinite(g.lateG3) && std::isfinite(g.XYG));
            EXPECT_GT(g.r2_3, 0);
            EXPECT_LE(g.r2_3, kStraightRadiusM);
            if (l == &frozen) {
                EXPECT_EQ(g.r, kStraightRadiusM) << k;
                EXPECT_EQ(g.logiG, 0) << k;
            }
        }
    }
}

TEST(GForcesStagesTest, ThreePointRadiusByHand) {
    EXPECT_NEAR(D(ThreePointRadius(4, 6, -3, 5, -4, 2)), 5, 1e-12);  // circle r 5 about (1, 2)
    EXPECT_NEAR(D(ThreePointRadius(-4, 2, -3, 5, 4, 6)), 5, 1e-12);  // clockwise
    // First step due north takes the bisector slope 1 through (0, 5); it meets
    // the bisector y = 20 - x of the second step at (7.5, 12.5), 7.906 from
    // (0, 10), where the true circle has radius 15.8.
    EXPECT_NEAR(D(ThreePointRadius(0, 0, 0, 10, 10, 20)), std::sqrt(62.5), 1e-12);
    EXPECT_EQ(ThreePointRadius(1, 1, 1, 1, 5, 7), kStraightRadiusM);         // repeated point
    EXPECT_EQ(ThreePointRadius(0, 0, 3, 4, 3, 9), kStraightRadiusM);         // second step north
    EXPECT_EQ(ThreePointRadius(0, 0, 3, 4, 8, 4), kStraightRadiusM);         // second step east
    EXPECT_EQ(ThreePointRadius(0, 0, 2, 1, 6, 3), kStraightRadiusM);         // collinear
    EXPECT_EQ(ThreePointRadius(0, 0, 10, 0.001L, 20, 0), kStraightRadiusM);  // r = 50 km
}

TEST(GForcesStagesTest, LogRateAndFilters) {
    auto timed = [](Float80 step) {
        return LapOf(6, static_cast<double>(1 / step), [](Float80) { return Motion{}; });
    };
    EXPECT_EQ(LogRateOf(timed(0.05L)), LogRate::kFine);
    EXPECT_EQ(LogRateOf(timed(0.1L)), LogRate::kFine);
    EXPECT_EQ(LogRateOf(timed(0.2L)), LogRate::kMedium);
    EXPECT_EQ(LogRateOf(timed(0.25L)), LogRate::kCoarse);
    std::vector<TLapElmRec> ends = timed(0.5L);
    ends[5].Sec = ends[4].Sec;  // the last step does not count
    EXPECT_EQ(LogRateOf(ends), LogRate::kCoarse);
    EXPECT_EQ(LogRateOf(std::span(ends).first(3)), LogRate::kCoarse);  // no inner step

    // A spike is voted out; at 5 Hz a point tighter than its four
    // neighbours passes, and the averaging weights it double.
    std::vector<TGCalRec> g(11);
    const Float80 radii[] = {0, 50, 50, 50, 50, 20, 50, 50, 50, 50, 0};
    for (size_t k = 0; k < g.size(); ++k)
        g[k].r = radii[k];
    MedianStage(g, LogRate::kFine);
    EXPECT_EQ(g[5].r1, 50);
    MedianStage(g, LogRate::kMedium);
    EXPECT_EQ(g[5].r1, 20);
    AveragingStage(g, LogRate::kMedium);
    EXPECT_EQ(g[5].r2, 35);  // (50 + 2 * 20 + 50) / 4
    EXPECT_EQ(g[4].r2, 40);  // (50 + 50 + 20) / 3
}

TEST(GForcesStagesTest, MedianOfFiveOverEveryOrderAndTie) {
    // Every arrangement of five values from {0..4}, ties included, against
    // the middle of the sorted five.
    std::vector<TGCalRec> g(9);
    for (int code = 0; code < 5 * 5 * 5 * 5 * 5; ++code) {
        std::array<double, 5> v{};
        for (int i = 0, c = code; i < 5; ++i, c /= 5)
            v[static_cast<size_t>(i)] = c % 5;
        for (size_t i = 0; i < 5; ++i)
            g[2 + i].r = v[i];
        MedianStage(g, LogRate::kFine);
        std::sort(v.begin(), v.end());
        ASSERT_EQ(g[4].r1, v[2]) << "code " << code;
    }
}

TEST(GForcesStagesTest, SmoothingGapAndHeadings) {
    // The window width per logging rate shows in the circle radii; here a
    // gap of a second at 10 Hz: sample 5 keeps only its left half,
    // (25 + 0.75 * 16 + 0.5 * 9) / 2.25, for values i^2.
    std::vector<TLapElmRec> track = LapOf(12, 10, [](Float80) { return Motion{}; });
    for (int i = 0; i < 12; ++i) {
        track[i].Ido = Float80(i) * i;
        if (i > 5)
            track[i].DtTm = track[i].DtTm + 1 / kSecondsPerDay;
    }
    std::vector<Float80> smLat(12), smLon(12);
    SmoothPositions(track, smLat, smLon);
    EXPECT_NEAR(D(smLat[5]), 41.5 / 2.25, 1e-12);
    EXPECT_NEAR(D(smLat[8]), 64 + 5.5 / 3.5, 1e-12);  // whole window: + sum(w d^2) / sum(w)

    // East, then north: the corner sample points north-east (225). Slow
    // samples keep their logged heading (123) unless the next one moves.
    std::vector<TLapElmRec> s(6);
    for (TLapElmRec& e : s) {
        e.Spd = 30;
        e.Dir = 123;
    }
    s[4].Spd = 1.5L;
    const std::vector<Float80> lat = {0, 0, 0.001L, 0.002L, 0.003L, 0.004L};
    const std::vector<Float80> lon = {0, 0.001L, 0.001L, 0.001L, 0.001L, 0.001L};
    std::vector<Float80> heading(6);
    TravelHeadings(s, lat, lon, heading);
    const double want[] = {270, 225, 180, 123, 180, 180};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(D(heading[i]), want[i], 1e-6) << i;
    EXPECT_EQ(CircularMeanDeg(10, 350), 360);
    EXPECT_EQ(CircularMeanDeg(350, 20), 5);
}

}  // namespace
}  // namespace qv
