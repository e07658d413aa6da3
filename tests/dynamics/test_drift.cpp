#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/date_time.h"
#include "dynamics/drift_angle.h"
#include "dynamics/drift_scan.h"
#include "geometry/plane.h"
#include "laps/lap_file.h"

namespace qv {
namespace {

constexpr double kStart = 45400.375;
constexpr double kLat0 = 35.0;
constexpr double kLon0 = 139.0;
const Float80 kMetresPerDegLat = EarthRadius * kPi / 180;

double D(Float80 v) {
    return static_cast<double>(v);
}

Float80 Wrap360(Float80 h) {
    h = std::fmod(h, 360.0L);
    return h < 0 ? h + 360 : h;
}

// From heading b to heading a the short way round.
Float80 Turn(Float80 a, Float80 b) {
    const Float80 d = Wrap360(a - b);
    return d > 180 ? d - 360 : d;
}

// A sample `eastM`/`northM` metres from the origin, `sec` into the lap.
TLapElmRec At(double sec, double eastM, double northM, Float80 spd, Float80 dir) {
    TLapElmRec s;
    s.DtTm = kStart + sec / kSecondsPerDay;
    s.Sec = sec;
    const Float80 lat = kLat0 + northM / kMetresPerDegLat;
    s.Ido = lat;
    s.Kdo = kLon0 + eastM / (kMetresPerDegLat * std::cos(lat * kPi / 180));
    s.Spd = spd;
    s.Dir = dir;
    return s;
}

// A straight drive on `heading` (north 180, east 270, south 0, west 90) at
// 10 Hz, the car pointing `angle` degrees off its travel.
std::vector<TLapElmRec> Straight(int n, Float80 heading, Float80 angle, Float80 kmh = 50) {
    const double bearing = D((heading - 180) * kPi / 180);
    const double stepM = D(kmh / 36);
    std::vector<TLapElmRec> lap;
    for (int i = 0; i < n; ++i)
        lap.push_back(At(0.1 * i, stepM * i * std::sin(bearing), stepM * i * std::cos(bearing), kmh,
                         Wrap360(heading + angle)));
    return lap;
}

// More than a full turn of 60 m radius at 45 km/h and 10 Hz.
std::vector<TLapElmRec> Circle(bool leftTurn, Float80 angle) {
    const double radius = 60;
    const double omega = 12.5 / radius * (leftTurn ? 1 : -1);
    std::vector<TLapElmRec> lap;
    for (int i = 0; i < 350; ++i) {
        const double phi = omega * 0.1 * i;
        const Float80 compass =
            std::atan2(-omega * std::sin(phi), omega * std::cos(phi)) * 180 / kPi;
        lap.push_back(At(0.1 * i, radius * std::cos(phi), radius * std::sin(phi), 45,
                         Wrap360(compass + 180 + angle)));
    }
    return lap;
}

TEST(DriftAngle, TravelHeadingFollowsTheHeadingConvention) {
    for (Float80 heading : {180.0L, 270.0L, 0.0L, 90.0L, 225.0L}) {
        const auto lap = Straight(8, heading, 0);
        std::vector<TDriftRec> d(lap.size());
        CalcGpsDir(lap, d);
        for (const TDriftRec& x : d)
            EXPECT_NEAR(D(Turn(x.GpsDir, heading)), 0, 1e-3) << D(heading);
    }
}

TEST(DriftAngle, KnownAngleComesBackOnStraightsAndCircles) {
    for (Float80 angle : {25.0L, -40.0L}) {
        std::vector<TDriftRec> d;
        EXPECT_TRUE(CalcDriftAngles(Straight(30, 225, angle), d));
        for (const TDriftRec& x : d)
            EXPECT_NEAR(D(x.DAngle), D(angle), 1e-3);
        for (bool left : {true, false}) {
            EXPECT_TRUE(CalcDriftAngles(Circle(left, angle), d));
            // The first and last chord headings lag the tangent.
            for (size_t i = 4; i + 4 < d.size(); ++i)
                ASSERT_NEAR(D(d[i].DAngle), D(angle), 0.01) << i << (left ? " left" : " right");
        }
    }
}

TEST(DriftAngle, RawAngleCutsSlowSamplesAndWraps) {
    const Float80 dirs[] = {350, 20, 100, 200, 100};
    const Float80 gpsDirs[] = {160, 220, 80, 20, 80};
    const Float80 speeds[] = {50, 50, 7, 50, 7.01L};
    std::vector<TLapElmRec> lap(5);
    std::vector<TDriftRec> gps(5);
    for (size_t i = 0; i < 5; ++i) {
        lap[i].Dir = dirs[i];
        lap[i].Spd = speeds[i];
        gps[i].GpsDir = gpsDirs[i];
    }
    const auto raw = RawDriftAngles(lap, gps);
    EXPECT_NEAR(D(raw[0]), -170, 1e-12);
    EXPECT_NEAR(D(raw[1]), 160, 1e-12);
    EXPECT_EQ(raw[2], 0);
    EXPECT_NEAR(D(raw[3]), 180, 1e-12);
    EXPECT_NEAR(D(raw[4]), 20, 1e-12);
}

TEST(DriftAngle, DetectionNeedsSixConsecutiveInnerSamples) {
    auto run = [](int n, int from, int count, Float80 angle, Float80 spd, int calmAt = -1) {
        std::vector<TLapElmRec> lap(static_cast<size_t>(n));
        std::vector<Float80> raw(static_cast<size_t>(n), 0);
        for (int i = from; i < from + count; ++i) {
            raw[static_cast<size_t>(i)] = i == calmAt ? 3 : angle;
            lap[static_cast<size_t>(i)].Spd = spd;
        }
        return IsDriftRun(lap, raw);
    };
    EXPECT_TRUE(run(12, 3, 6, 11, 16));
    EXPECT_FALSE(run(12, 3, 5, 11, 16));
    EXPECT_TRUE(run(12, 3, 6, -11, 16));
    EXPECT_FALSE(run(12, 3, 6, 10, 16));
    EXPECT_FALSE(run(12, 3, 6, 11, 15));
    EXPECT_FALSE(run(12, 0, 6, 20, 30));  // the first sample never counts
    EXPECT_TRUE(run(12, 0, 7, 20, 30));
    EXPECT_FALSE(run(8, 2, 6, 20, 30));  // nor the last
    EXPECT_FALSE(run(12, 1, 10, 20, 30, 6));
}

TEST(DriftAngle, SmoothingCountsOnlyNeighboursWithin210Ms) {
    auto smooth = [](double stepSec, const std::vector<Float80>& raw) {
        std::vector<TLapElmRec> lap;
        for (size_t i = 0; i < raw.size(); ++i)
            lap.push_back(At(stepSec * static_cast<double>(i), 0, 0, 50, 0));
        std::vector<TDriftRec> d(raw.size());
        SmoothDriftAngles(lap, raw, d);
        std::vector<double> out;
        for (const auto& x : d)
            out.push_back(D(x.DAngle));
        return out;
    };
    const std::vector<Float80> pulse{0, 0, 0, 10, 0, 0, 0};
    // At 10 Hz three samples away is 300 ms: weights 0.2 0.3 1 0.3 0.2.
    auto d = smooth(0.1, pulse);
    EXPECT_NEAR(d[3], 10 / 2.0, 1e-12);
    EXPECT_NEAR(d[1], 2 / 1.8, 1e-12);
    EXPECT_NEAR(d[0], 0, 1e-12);
    d = smooth(0.05, pulse);
    EXPECT_NEAR(d[3], 10 / 2.2, 1e-12);
    EXPECT_NEAR(d[6], 1 / 1.6, 1e-12);
    EXPECT_NEAR(smooth(0.209, {0, 10})[0], 3 / 1.3, 1e-12);
    EXPECT_NEAR(smooth(0.211, {0, 10})[0], 0, 1e-12);
    EXPECT_NEAR(smooth(0, {30, 0, 0})[2], 6 / 1.5, 1e-12);
}

TEST(DriftAngle, SetDElmNeverClearsTheFlag) {
    TLapDtRec lap;
    lap.Elm = Straight(20, 90, -30);
    lap.ElmNum = 20;
    SetDElm(lap);
    ASSERT_EQ(lap.DElm.size(), 20u);
    EXPECT_TRUE(lap.driftAct);
    EXPECT_NEAR(D(lap.DElm[10].GpsDir), 90, 1e-3);
    EXPECT_NEAR(D(TopDriftAngle(lap.DElm)), -30, 1e-3);
    lap.Elm = Straight(20, 90, 2);
    SetDElm(lap);
    EXPECT_TRUE(lap.driftAct);
    EXPECT_NEAR(D(lap.DElm[10].DAngle), 2, 1e-3);
}

TEST(DriftAngle, HeadingsWalkedAtLoadGiveTheSameRecordsWithoutTheWalk) {
    // A file without headings (north logged as 180 everywhere) on a curving
    // path with a standstill: the load walks them from the positions.
    std::vector<TLapElmRec> samples;
    for (int i = 0; i < 40; ++i) {
        const double a = i * 0.05;
        const Float80 spd = (i >= 20 && i < 24) ? 0 : 60;
        samples.push_back(At(0.1 * i, 100 * std::sin(a), 100 * (1 - std::cos(a)), spd, 180));
    }
    TLapDtRec loaded = MakeLapDt("0001", samples);
    ASSERT_TRUE(loaded.dirFromTrack);
    std::vector<TDriftRec> walked;
    EXPECT_FALSE(CalcDriftAngles(loaded.Elm, walked));
    SetDElm(loaded);
    EXPECT_FALSE(loaded.driftAct);
    ASSERT_EQ(loaded.DElm.size(), walked.size());
    for (size_t i = 0; i < walked.size(); ++i) {
        EXPECT_EQ(loaded.DElm[i].GpsDir, walked[i].GpsDir) << i;
        EXPECT_EQ(loaded.DElm[i].DAngle, walked[i].DAngle) << i;
    }
}

TEST(DriftAngle, DegenerateLapsStayFinite) {
    for (int n = 0; n <= 3; ++n) {
        std::vector<TDriftRec> d;
        EXPECT_FALSE(CalcDriftAngles(Straight(n, 180, 45), d));
        ASSERT_EQ(d.size(), static_cast<size_t>(n));
        for (const auto& x : d)
            EXPECT_TRUE(std::isfinite(x.DAngle) && std::isfinite(x.GpsDir));
    }
    // A car standing still repeats its position: the heading holds, and
    // below 1.5 km/h the logged one stays.
    auto lap = Straight(6, 180, 20);
    for (Float80 spd : {20.0L, 20.0L, 0.0L}) {
        lap.push_back(lap.back());
        lap.back().Spd = spd;
    }
    std::vector<TDriftRec> gps(lap.size());
    CalcGpsDir(lap, gps);
    EXPECT_NEAR(D(gps[6].GpsDir), 180, 1e-3);
    EXPECT_EQ(gps[8].GpsDir, lap[8].Dir);
    TLapDtRec broken;
    broken.Elm = Straight(3, 180, 20);
    broken.ElmNum = 50;
    SetDElm(broken);
    EXPECT_EQ(broken.DElm.size(), 3u);
}

// Samples 1e-4 degree of latitude and 0.1 s apart heading north, carrying
// the given smoothed angles; gates lie half way between two samples.
struct GateLap {
    std::vector<TLapElmRec> samples;
    std::vector<TDriftRec> drift;
};

GateLap NorthLap(const std::vector<Float80>& lats, const std::vector<Float80>& angles) {
    GateLap lap;
    for (size_t i = 0; i < angles.size(); ++i) {
        TLapElmRec s;
        s.Sec = 0.1L * static_cast<Float80>(i);
        s.Ido = kLat0 + 1e-4L * (lats.empty() ? static_cast<Float80>(i) : lats[i]);
        s.Kdo = kLon0 + 1e-7L * static_cast<Float80>(i);
        s.Spd = 50;
        lap.samples.push_back(s);
        lap.drift.push_back({180, static_cast<double>(angles[i])});
    }
    return lap;
}

SectGate GateAfter(Float80 sample, int passNo = 1) {
    const Float80 lat = kLat0 + 1e-4L * (sample + 0.5L);
    return {kLon0 - 1e-3L, kLon0 + 1e-3L, lat, lat, passNo};
}

class DriftScan : public ::testing::Test {
  protected:
    void SetUp() override {
        gates_.SectCount = 2;
        gates_.SectGates[0] = GateAfter(2);
        gates_.SectGates[1] = GateAfter(7);
        res_.SectMaxSpd = {60, 70, 80};
        res_.SectMinSpd = {20, 40, 30};
        res_.SectAveSpd = {45, 60, 50};
    }
    void Scan() { CalcSectorDrift(lap_.samples, lap_.drift, gates_, res_); }

    // Sector 1: 0 at the start, samples 1..2, 18 at gate 1 (step 3).
    // Sector 2: samples 3..7, 6 at gate 2 (step 8). Sector 3: samples 8..12.
    GateLap lap_ = NorthLap({}, {0, 5, 16, 20, 32, 35, 33, 31, -19, -25, 10, 22, 18});
    GateTable gates_;
    SectRes res_;
};

TEST_F(DriftScan, EvaluatesEverySectorFromHandComputedValues) {
    Scan();
    // Initiation over 0, 18, 5, 16; one rate step of 110 deg/s.
    EXPECT_NEAR(D(res_.SectDrPeak[0]), 18, 1e-12);
    EXPECT_EQ(res_.SectDrMaxIdx[0], 3);
    EXPECT_EQ(res_.SectDrMinIdx[0], -1);
    EXPECT_NEAR(D(res_.SectDrAve[0]), 9.75, 1e-12);
    EXPECT_NEAR(D(res_.SectDrDev[0]), std::sqrt(56.1875), 1e-12);
    EXPECT_EQ(res_.SectDrState[0], kDrInit);
    EXPECT_NEAR(D(res_.SectDrRate[0]), 110, 1e-9);
    EXPECT_NEAR(D(res_.SectDrScore[0]), 62.6, 1e-12);  // 188 / 3

    // Maintained over 18, 6, 20, 32, 35, 33, 31: mean 25.
    EXPECT_EQ(res_.SectDrMaxIdx[1], 5);
    EXPECT_NEAR(D(res_.SectDrDev[1]), std::sqrt(684.0 / 7), 1e-12);
    EXPECT_EQ(res_.SectDrState[1], kDrMaint);
    EXPECT_EQ(res_.SectDrRate[1], 0);
    EXPECT_NEAR(D(res_.SectDrScore[1]), 40.1, 1e-12);  // 25 + 25 - 9.885

    // Transition over 6, -19, -25, 10, 22, 18: rate steps 60, 350, 120, 40.
    EXPECT_NEAR(D(res_.SectDrPeak[2]), -25, 1e-12);
    EXPECT_EQ(res_.SectDrMaxIdx[2], 11);
    EXPECT_EQ(res_.SectDrMinIdx[2], 9);
    EXPECT_NEAR(D(res_.SectDrAve[2]), 2, 1e-12);
    EXPECT_EQ(res_.SectDrState[2], kDrTrans);
    EXPECT_NEAR(D(res_.SectDrRate[2]), 142.5, 1e-9);
    EXPECT_NEAR(D(res_.SectDrScore[2]), 103.9, 1e-12);  // 23 / 3 + 71.25 + 25

    EXPECT_NEAR(D(res_.DrScoreSum), 62.6 + 40.1 + 103.9, 1e-9);
    EXPECT_EQ(res_.SectDrMaxIdx[3], -1);
}

TEST_F(DriftScan, StateRulesOnTheEdges) {
    lap_.drift[4].DAngle = -1;  // no longer one-sided, too little for a transition
    Scan();
    EXPECT_EQ(res_.SectDrState[1], kDrNone);
    EXPECT_EQ(res_.SectDrScore[1], 0);
    lap_.drift[4].DAngle = -15;
    Scan();
    EXPECT_EQ(res_.SectDrState[1], kDrTrans);
    lap_.drift[4].DAngle = 32;
    res_.SectMinSpd[1] = 9.9L;
    Scan();
    EXPECT_EQ(res_.SectDrState[1], kDrNone);
    EXPECT_NEAR(D(res_.DrScoreSum), 62.6 + 103.9, 1e-9);

    // The first sector initiates on either side at any speed.
    lap_.drift[1].DAngle = -16;
    lap_.drift[2].DAngle = 3;
    res_.SectMinSpd[0] = 0;
    Scan();
    EXPECT_EQ(res_.SectDrState[0], kDrInit);
    EXPECT_NEAR(D(res_.SectDrPeak[0]), -16, 1e-12);
    EXPECT_EQ(res_.SectDrMinIdx[0], 1);
    lap_.drift[1].DAngle = -14;
    Scan();
    EXPECT_EQ(res_.SectDrState[0], kDrNone);
}

TEST_F(DriftScan, RateSkipsShortAndSlowSteps) {
    lap_.samples[10].Sec = Float80(lap_.samples[9].Sec) + 0.005L;
    lap_.drift[12].DAngle = 21;  // 10 deg/s
    Scan();
    EXPECT_NEAR(D(res_.SectDrRate[2]), (60 + 12 / 0.195) / 2, 1e-9);
}

TEST_F(DriftScan, PassNoDecidesWhereTheSectorEnds) {
    // Out, back past the start and out again: the gate after sample 1 is
    // crossed at steps 2, 9 and 12; the spike lies at sample 9.
    std::vector<Float80> angles(15, 1);
    angles[9] = 40;
    const GateLap lap = NorthLap({0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4}, angles);
    GateTable gates;
    gates.SectCount = 1;
    gates.SectGates[0] = GateAfter(1, 3);
    SectRes res;
    CalcSectorDrift(lap.samples, lap.drift, gates, res);
    EXPECT_EQ(res.SectDrMaxIdx[0], 9);
    EXPECT_EQ(res.SectDrMaxIdx[1], 11);  // the opening angle of the last sector
    gates.SectGates[0].PassNo = 1;
    CalcSectorDrift(lap.samples, lap.drift, gates, res);
    EXPECT_EQ(res.SectDrMaxIdx[0], 0);
    EXPECT_EQ(res.SectDrMaxIdx[1], 9);
    gates.SectGates[0].PassNo = 4;  // never reached: everything cleared
    CalcSectorDrift(lap.samples, lap.drift, gates, res);
    EXPECT_EQ(res.SectDrMaxIdx[0], -1);
    EXPECT_EQ(res.SectDrPeak[1], 0);
    EXPECT_EQ(res.DrScoreSum, 0);
}

TEST_F(DriftScan, BadInputLeavesResultsSane) {
    res_.SectDrScore[0] = 7;
    CalcSectorDrift(lap_.samples, lap_.drift, GateTable{}, res_);
    EXPECT_EQ(res_.SectDrScore[0], 7);  // without gates nothing is scanned
    lap_.drift.pop_back();
    Scan();
    EXPECT_EQ(res_.SectDrScore[0], 0);
    for (size_t n = 0; n <= 3; ++n) {
        const GateLap tiny = NorthLap({}, std::vector<Float80>(n, 50));
        CalcSectorDrift(tiny.samples, tiny.drift, gates_, res_);
        EXPECT_EQ(res_.DrScoreSum, 0);
    }
    // All samples at one moment: no rate rather than infinity.
    GateLap still = NorthLap({}, {0, 20, -20, 20, -20, 20, -20, 20, -20, 20});
    for (auto& s : still.samples)
        s.Sec = 0;
    CalcSectorDrift(still.samples, still.drift, gates_, res_);
    EXPECT_EQ(res_.SectDrState[1], kDrTrans);
    EXPECT_EQ(res_.SectDrRate[1], 0);
    EXPECT_TRUE(std::isfinite(res_.SectDrScore[1]));
}

TEST(DriftScore, TruncationAndStateTexts) {
    EXPECT_NEAR(D(TruncScore(57.49L)), 57.4, 1e-12);
    EXPECT_NEAR(D(TruncScore(-3.17L)), -3.1, 1e-12);
    EXPECT_EQ(TruncScore(NAN), 0);
    EXPECT_EQ(DriftStateText(kDrInit, 42.25L), "42.2 (INIT)");
    EXPECT_EQ(DriftStateText(kDrTrans, 7.06L), "7.1 (TRANS)");
    EXPECT_EQ(DriftStateText(kDrMaint, 50), "-.- (MAINT)");
    EXPECT_EQ(DriftStateText(17, 50), "-.- (--)");
}

}  // namespace
}  // namespace qv
