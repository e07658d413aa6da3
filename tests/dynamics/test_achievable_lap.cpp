#include "dynamics/achievable_lap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "geometry/plane.h"
#include "synth/drive.h"
#include "synth/drive_laps.h"

namespace qv {
namespace {

using Samples = std::vector<TLapElmRec>;

// The first flying lap of a clean drive round the demo circuit.
const Samples& BaseLap() {
    static const Samples lap = [] {
        synth::DriveOptions options;
        options.rateHz = 10;
        options.laps = 1;
        return synth::LapsBetweenCrossings(synth::SynthesizeDrive(synth::DemoCircuit(), options))
            .at(0);
    }();
    return lap;
}

double SecOf(const TLapElmRec& e) {
    return static_cast<double>(Float80(e.Sec));
}

// The lap time, from its first sample to its last.
double LapSeconds(const Samples& lap) {
    return SecOf(lap.back()) - SecOf(lap.front());
}

// Metres travelled at each sample.
std::vector<double> Travelled(const Samples& lap) {
    std::vector<double> s{0};
    for (size_t i = 1; i < lap.size(); ++i) {
        s.push_back(s.back() +
                    1000 * static_cast<double>(StepDistKm(lap[i - 1].Ido, lap[i - 1].Kdo,
                                                          lap[i].Ido, lap[i].Kdo, lap[i].Ido)));
    }
    return s;
}

// The sample halfway round by distance travelled.
size_t HalfwayIndex(const Samples& lap) {
    const std::vector<double> s = Travelled(lap);
    size_t i = 0;
    while (s[i] < s.back() / 2)
        ++i;
    return i;
}

// The same path driven `first` times as long up to the halfway sample and
// `second` times as long after it.
Samples Paced(const Samples& base, double first, double second) {
    const double half = SecOf(base[HalfwayIndex(base)]);
    Samples out = base;
    for (TLapElmRec& e : out) {
        const double t = SecOf(e);
        e.Sec = t <= half ? t * first : half * first + (t - half) * second;
    }
    return out;
}

// The path moved sideways by `metres` (to the left of travel), every point.
Samples Beside(const Samples& base, double metres) {
    Samples out = base;
    const double lat0 = static_cast<double>(Float80(base[0].Ido));
    const double kLat = static_cast<double>(EarthRadius) * kPi / 180;
    const double kLon = kLat * std::cos(lat0 * static_cast<double>(kPi) / 180);
    for (size_t i = 0; i < base.size(); ++i) {
        const TLapElmRec& a = base[i == 0 ? 0 : i - 1];
        const TLapElmRec& b = base[i + 1 < base.size() ? i + 1 : i];
        const double dx = (Float80(b.Kdo) - Float80(a.Kdo)) * kLon;
        const double dy = (Float80(b.Ido) - Float80(a.Ido)) * kLat;
        const double len = std::hypot(dx, dy);
        out[i].Kdo = Float80(base[i].Kdo) + (-dy / len * metres) / kLon;
        out[i].Ido = Float80(base[i].Ido) + (dx / len * metres) / kLat;
    }
    return out;
}

AchievableLap Find(const std::vector<Samples>& laps) {
    const std::vector<std::span<const TLapElmRec>> spans(laps.begin(), laps.end());
    return FindAchievableLap(spans);
}

// Planted drives of one path: each half paced faster in one of two laps,
// the second lap moved sideways, or an in-lap of the first half only.
TEST(AchievableLap, JoinsTheFastestPiecesOfLapsThatPassCloseTogether) {
    const Samples& base = BaseLap();
    const Samples firstFast = Paced(base, 0.98, 1.02);
    const Samples secondFast = Paced(base, 1.02, 0.98);
    const double bestOfTwo = std::min(LapSeconds(firstFast), LapSeconds(secondFast));
    Samples inLap = Paced(base, 0.97, 0.97);
    inLap.resize(HalfwayIndex(base) + 1);
    struct Case {
        const char* name;
        std::vector<Samples> laps;
        double bestLap;              // the fastest lap from line to line
        std::vector<int> pieceLaps;  // none: not joined, the best lap whole
        bool samePath;
    };
    const Case cases[] = {
        {"on one path", {firstFast, secondFast}, bestOfTwo, {0, 1}, true},
        {"0.6 m left", {firstFast, Beside(secondFast, 0.6)}, bestOfTwo, {0, 1}, false},
        {"0.6 m right", {firstFast, Beside(secondFast, -0.6)}, bestOfTwo, {0, 1}, false},
        {"3 m left", {firstFast, Beside(secondFast, 3)}, bestOfTwo, {}, false},
        {"3 m right", {firstFast, Beside(secondFast, -3)}, bestOfTwo, {}, false},
        {"an in-lap 3 % faster", {base, inLap}, LapSeconds(base), {1, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AchievableLap a = Find(c.laps);
        ASSERT_TRUE(a.found);
        ASSERT_GE(a.referenceLap, 0);
        EXPECT_NEAR(LapSeconds(c.laps.at(a.referenceLap)), c.bestLap, 1e-9);
        if (c.pieceLaps.empty()) {
            EXPECT_EQ(a.pieces.size(), 1u);
            EXPECT_EQ(a.seconds, a.referenceSeconds);
            EXPECT_NEAR(a.seconds, c.bestLap, 1e-9);
            continue;
        }
        ASSERT_EQ(a.pieces.size(), c.pieceLaps.size());
        double sum = 0;
        for (size_t k = 0; k < a.pieces.size(); ++k) {
            EXPECT_EQ(a.pieces[k].lap, c.pieceLaps[k]) << k;
            EXPECT_EQ(a.pieces[k].fromM, k == 0 ? 0 : a.pieces[k - 1].toM) << k;
            sum += a.pieces[k].seconds;
        }
        EXPECT_EQ(a.pieces.back().toM, a.lengthM);
        EXPECT_NEAR(sum, a.seconds, 1e-9);
        EXPECT_LT(a.seconds, c.bestLap - 0.5);
        if (c.samePath) {
            EXPECT_NEAR(a.lengthM, Travelled(base).back(), 1);  // as the lap list shows it
            EXPECT_NEAR(a.pieces[0].toM, a.lengthM / 2, 25);
            // Both halves at 98 %, less the little lost by switching at a
            // cut rather than exactly halfway.
            EXPECT_NEAR(a.seconds, 0.98 * LapSeconds(base), 0.03);
        }
    }
}

// Laps of one drive at one pace on one line, logged with white noise on
// every fix.
std::vector<Samples> NoisyEqualLaps(double rateHz, double noiseM) {
    synth::DriveOptions options;
    options.rateHz = rateHz;
    options.laps = 5;
    options.noiseM = noiseM;
    options.seed = 7;
    return synth::LapsBetweenCrossings(synth::SynthesizeDrive(synth::DemoCircuit(), options));
}

TEST(AchievableLap, NoiseOfSingleFixesGainsLittle) {
    struct Case {
        double rateHz, noiseM;
    };
    const Case cases[] = {{10, 0.5}, {10, 1.0}, {20, 0.5}, {20, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rateHz << " Hz, " << c.noiseM << " m");
        const std::vector<Samples> laps = NoisyEqualLaps(c.rateHz, c.noiseM);
        ASSERT_EQ(laps.size(), 5u);
        const AchievableLap a = Find(laps);
        ASSERT_TRUE(a.found);
        // Every lap took the same time; whatever is gained comes from where
        // the fixes fell.
        EXPECT_LE(a.seconds, a.referenceSeconds);
        EXPECT_GT(a.seconds, a.referenceSeconds - 0.1);
    }
}

TEST(AchievableLap, NeedsALapToCompareWith) {
    const Samples& base = BaseLap();
    Samples half = base;
    half.resize(HalfwayIndex(base));
    // Faster everywhere, but one fix is no number: the lap takes no part.
    Samples broken = Paced(base, 0.9, 0.9);
    broken[0].Ido = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<Samples> laps;
        bool found;
    };
    const Case cases[] = {
        {"no laps", {}, false},
        {"an empty lap", {Samples{}}, false},
        {"half a lap", {half}, true},
        {"one sample", {Samples{base[0]}}, false},
        {"one lap", {base}, true},
        {"a broken lap beside it", {broken, base}, true},
        {"a broken lap alone", {broken}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AchievableLap a = Find(c.laps);
        EXPECT_EQ(a.found, c.found);
        if (a.found) {
            EXPECT_EQ(a.pieces.size(), 1u);
            EXPECT_EQ(a.seconds, LapSeconds(c.laps.back()));
        }
    }
}

}  // namespace
}  // namespace qv
