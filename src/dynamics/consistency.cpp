#include "dynamics/consistency.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace qv {

Consistency ComputeConsistency(const std::vector<double>& lapSeconds, double flyingRatio) {
    Consistency c;
    std::vector<double> times;
    for (const double t : lapSeconds) {
        if (t > 0 && std::isfinite(t))
            times.push_back(t);
    }
    c.laps = static_cast<int>(times.size());
    if (times.empty())
        return c;
    std::sort(times.begin(), times.end());
    c.bestSeconds = times.front();
    const double limit = c.bestSeconds * flyingRatio;
    const auto flyingEnd = std::upper_bound(times.begin(), times.end(), limit);
    const std::vector<double> flying(times.begin(), flyingEnd);
    c.flyingLaps = static_cast<int>(flying.size());
    const double n = static_cast<double>(flying.size());
    c.meanSeconds = std::accumulate(flying.begin(), flying.end(), 0.0) / n;
    if (flying.size() > 1) {
        double squares = 0;
        for (const double t : flying)
            squares += (t - c.meanSeconds) * (t - c.meanSeconds);
        c.stdDevSeconds = std::sqrt(squares / (n - 1));
    }
    c.bestFiveCount = std::min(kBestLapsAveraged, c.flyingLaps);
    c.bestFiveSeconds =
        std::accumulate(flying.begin(), flying.begin() + c.bestFiveCount, 0.0) / c.bestFiveCount;
    return c;
}

}  // namespace qv
