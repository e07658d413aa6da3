#include "laps/lap_time_uncertainty.h"

#include <algorithm>
#include <cmath>
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

}  // namespace

TimingNoise EstimateTimingNoise(const LogStore& log) {
    TimingNoise noise;
    struct Fix {
        double sec, x, y;
        bool moving;
    };
    std::vector<Fix> fixes;
    bool anyCentis = false, anyMillis = false;
    double mPerDegLat = 0, mPerDegLon = 0;
    for (int i = 0; i < log.LogItemNum; ++i) {
        const TLogItem& fix = log.LogItems[i];
        if (!fix.Act || !std::isfinite(fix.Ido) || !std::isfinite(fix.Kdo) ||
            !std::isfinite(fix.DtTm))
            continue;
        const double ms = std::round(fix.DtTm * 86400000.0);
        const double withinSecond = std::fmod(ms, 1000.0);
        anyMillis |= std::fmod(withinSecond, 10.0) != 0;
        anyCentis |= std::fmod(withinSecond, 100.0) != 0;
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
    for (size_t i = 1; i < fixes.size(); ++i)
        steps.push_back(std::round((fixes[i].sec - fixes[i - 1].sec) * 1000));
    if (!steps.empty()) {
        const double beat = MedianOf(steps);
        const auto onBeat = std::count(steps.begin(), steps.end(), beat);
        if (static_cast<double>(onBeat) >= 0.99 * static_cast<double>(steps.size()))
            noise.resolutionSec = 0;
    }
    std::vector<double> second;
    for (size_t i = 1; i + 1 < fixes.size(); ++i) {
        const Fix &a = fixes[i - 1], &b = fixes[i], &c = fixes[i + 1];
        if (!a.moving || !b.moving || !c.moving)
            continue;
        const double h0 = b.sec - a.sec, h1 = c.sec - b.sec;
        if (h0 <= 0 || std::abs(h1 - h0) > 0.25 * h0)
            continue;  // a gap or an uneven step: its second difference is motion
        second.push_back(std::abs(c.x - 2 * b.x + a.x));
        second.push_back(std::abs(c.y - 2 * b.y + a.y));
    }
    // White noise of sigma in each fix gives a second difference of sigma
    // times sqrt(6); the median absolute value of a normal one is 0.6745 of
    // its sigma.
    noise.positionM = MedianOf(second) / 0.6745 / std::sqrt(6.0);
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
