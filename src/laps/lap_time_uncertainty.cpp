#include "laps/lap_time_uncertainty.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "geometry/plane.h"

namespace qv {
namespace {

constexpr double kMovingKmh = 10;
constexpr double kMinSpeedMs = 1;
constexpr double kZ95 = 1.96;

double MedianOf(std::vector<double>& v) {
    if (v.empty())
        return 0;
    const size_t m = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(m), v.end());
    return v[m];
}

// MedianOf for values known to be non-negative and finite, whose bit
// patterns order as the values do: one counting pass narrows the search to
// the values sharing the median's leading bits, a small part of a long log.
double MedianOfNonNegative(std::vector<double>& v) {
    if (v.empty())
        return 0;
    const size_t m = v.size() / 2;
    constexpr int kShift = 48;
    std::vector<uint32_t> counts(size_t{1} << (64 - kShift), 0);
    for (const double x : v)
        ++counts[std::bit_cast<uint64_t>(x) >> kShift];
    size_t below = 0;
    uint64_t bucket = 0;
    while (below + counts[bucket] <= m)
        below += counts[bucket++];
    size_t kept = 0;
    for (const double x : v)
        if (std::bit_cast<uint64_t>(x) >> kShift == bucket)
            v[kept++] = x;
    const auto nth = v.begin() + static_cast<long>(m - below);
    std::nth_element(v.begin(), nth, v.begin() + static_cast<long>(kept));
    return *nth;
}

// Variance in s² of one crossing's interpolated time.
double CrossingVariance(const CrossingStep& c, const TimingNoise& noise) {
    const double r = std::clamp(c.ratio, 0.0, 1.0);
    const double h = std::max(c.stepSec, 0.0);
    const double kmh = c.kmhBefore + (c.kmhAfter - c.kmhBefore) * r;
    const double v = std::max(kmh / 3.6, kMinSpeedMs);
    // Both fixes' errors along the track move the crossing, weighted by
    // how near each one lies.
    const double weight = r * r + (1 - r) * (1 - r);
    const double position = noise.positionM * noise.positionM * weight / (v * v);
    const double stamps = noise.resolutionSec * noise.resolutionSec / 12 * weight;
    // Interpolating as if the speed were constant over the step misses by
    // up to this when the car speeds up or brakes through it; taken as
    // evenly spread within that bound.
    const double accel = h > 0 ? (c.kmhAfter - c.kmhBefore) / 3.6 / h : 0;
    const double bias = std::abs(accel) * h * h * r * (1 - r) / (2 * v);
    return position + stamps + bias * bias / 3;
}

// Whether a stamp in whole milliseconds uses the last digit, or the last two.
struct StampDigits {
    bool millis = false;
    bool centis = false;
};

StampDigits DigitsOf(double ms) {
    // Integer remainders cost a fraction of fmod's; they agree with it on
    // every whole number an int64 holds, so only absurd stamps take fmod.
    if (std::fabs(ms) < 0x1p62) {
        const int64_t withinSecond = static_cast<int64_t>(ms) % 1000;
        return {withinSecond % 10 != 0, withinSecond % 100 != 0};
    }
    const double withinSecond = std::fmod(ms, 1000.0);
    return {std::fmod(withinSecond, 10.0) != 0, std::fmod(withinSecond, 100.0) != 0};
}

}  // namespace

TimingNoise EstimateTimingNoise(const LogStore& log) {
    TimingNoise noise;
    struct Fix {
        double sec, x, y;
        bool moving;
    };
    std::vector<Fix> fixes;
    fixes.reserve(static_cast<size_t>(std::max(log.LogItemNum, 0)));
    bool anyCentis = false, anyMillis = false;
    double mPerDegLat = 0, mPerDegLon = 0;
    for (int i = 0; i < log.LogItemNum; ++i) {
        const TLogItem& fix = log.LogItems[i];
        if (!fix.Act || !std::isfinite(fix.Ido) || !std::isfinite(fix.Kdo) ||
            !std::isfinite(fix.DtTm))
            continue;
        const double ms = std::round(fix.DtTm * 86400000.0);
        const StampDigits digits = DigitsOf(ms);
        anyMillis |= digits.millis;
        anyCentis |= digits.centis;
        if (fixes.empty()) {
            mPerDegLat = static_cast<double>(1 / MToLatDeg(1));
            mPerDegLon = static_cast<double>(1 / MToLonDeg(1, fix.Ido));
        }
        // A standing car's fixes wander; they would read as noise.
        fixes.push_back(
            {ms / 1000, fix.Kdo * mPerDegLon, fix.Ido * mPerDegLat, fix.Spd >= kMovingKmh});
    }
    noise.resolutionSec = anyMillis ? 0.001 : anyCentis ? 0.01 : 0.1;
    // Fixes on a regular beat are stamped on it, whatever digits the stamps
    // use; only a beat that the digits cannot hold (14 Hz in hundredths)
    // is rounded.
    std::vector<double> steps;
    steps.reserve(fixes.size());
    for (size_t i = 1; i < fixes.size(); ++i)
        steps.push_back(std::round((fixes[i].sec - fixes[i - 1].sec) * 1000));
    if (!steps.empty()) {
        const double beat = MedianOf(steps);
        const auto onBeat = std::count(steps.begin(), steps.end(), beat);
        if (static_cast<double>(onBeat) >= 0.99 * static_cast<double>(steps.size()))
            noise.resolutionSec = 0;
    }
    std::vector<double> second;
    second.reserve(2 * fixes.size());
    for (size_t i = 1; i + 1 < fixes.size(); ++i) {
        const Fix &a = fixes[i - 1], &b = fixes[i], &c = fixes[i + 1];
        if (!a.moving || !b.moving || !c.moving)
            continue;
        const double h0 = b.sec - a.sec, h1 = c.sec - b.sec;
        if (h0 <= 0 || std::abs(h1 - h0) > 0.25 * h0)
            continue;  // a gap or an uneven step: its second difference is motion
        // Absurd coordinates can overflow to a NaN, which has no median.
        for (const double d : {c.x - 2 * b.x + a.x, c.y - 2 * b.y + a.y})
            if (std::isfinite(d))
                second.push_back(std::abs(d));
    }
    // White noise of sigma in each fix gives a second difference of sigma
    // times sqrt(6); the median absolute value of a normal one is 0.6745 of
    // its sigma.
    noise.positionM = MedianOfNonNegative(second) / 0.6745 / std::sqrt(6.0);
    return noise;
}

double LapTimeUncertaintyMs(const std::optional<CrossingStep>& start,
                            const std::optional<CrossingStep>& end, const TimingNoise& noise) {
    const double plainFix = noise.resolutionSec * noise.resolutionSec / 12;
    const double variance = (start ? CrossingVariance(*start, noise) : plainFix) +
                            (end ? CrossingVariance(*end, noise) : plainFix);
    return kZ95 * std::sqrt(variance) * 1000;
}

std::string UncertaintyMsText(Float80 uncertaintyMs) {
    if (!(uncertaintyMs >= 0))
        return {};
    return std::to_string(static_cast<long long>(std::ceil(static_cast<double>(uncertaintyMs))));
}

}  // namespace qv
