#include "decode/smooth_speeds.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/date_time.h"
#include "core/ext80.h"

namespace qv {
namespace {

constexpr double kNearDays = 210.0 / kMsPerDay;

// Either direction counts, so that a jump back in time is a gap as well.
bool Near(TDateTime a, TDateTime b) {
    return std::fabs(a - b) < kNearDays;
}

// The speeds and times of the fix store, and the direction of each speed
// change: step[k] compares fix k with fix k + 1.
struct Track {
    std::vector<float> spd;
    std::vector<TDateTime> time;
    std::vector<int8_t> step;
};

// The weights are decimal fractions; the extended-precision sum is the
// reference every stored speed was made with.
template <typename Real>
struct Sum {
    Real value = 0;
    Real weight = 0;
    void Add(float spd, Float80 w) {
        value += static_cast<Real>(w) * spd;
        weight += static_cast<Real>(w);
    }
};

// Adds the neighbours of fix i on one side (Dir -1 before it, +1 after it),
// `count` of which exist.
template <int Dir, typename Real>
void AddSide(const Track& t, int i, int count, Sum<Real>& sum) {
    const TDateTime now = t.time[i];
    auto at = [&](int d) { return i + Dir * d; };
    // The speed change between the neighbours d - 1 and d away, seen from i.
    auto step = [&](int d) {
        const int8_t s = t.step[Dir < 0 ? i - d : i + d - 1];
        return static_cast<int8_t>(Dir < 0 ? -s : s);
    };
    if (count < 1)
        return;
    if (Near(t.time[at(1)], now))
        sum.Add(t.spd[at(1)], 0.5L);
    if (count < 2)
        return;
    const int8_t first = step(1);
    // Strictly monotonic from the fix out to the neighbour looked at.
    bool run = first != 0 && step(2) == first;
    if (Near(t.time[at(2)], now))
        sum.Add(t.spd[at(2)], run ? 0.4L : 0.35L);
    if (count < 3 || !Near(t.time[at(3)], now))
        return;
    run = run && step(3) == first;
    sum.Add(t.spd[at(3)], run ? 0.3L : 0.2L);
    // The fourth neighbour is admitted by the third one's time; it must still
    // follow the third without a gap, or a fix of an earlier run would be
    // mixed in.
    if (count < 4 || !Near(t.time[at(4)], t.time[at(3)]))
        return;
    run = run && step(4) == first;
    sum.Add(t.spd[at(4)], run ? 0.3L : 0.1L);
}

template <typename Real>
Real SmoothedAt(const Track& t, int i, int n) {
    Sum<Real> back, ahead;
    AddSide<-1>(t, i, std::min(i, 4), back);
    AddSide<1>(t, i, std::min(n - 1 - i, 4), ahead);
    const Real value = static_cast<Real>(1.8L) * t.spd[i] + back.value + ahead.value;
    const Real weight = static_cast<Real>(1.8L) + back.weight + ahead.weight;
    return value / weight;
}

// Whether rounding `r` (>= 0) to float gives what the extended-precision sum
// would: true when r lies clearly inside its float's rounding interval. The
// margin (2^-40 of the value) is far above the error of either sum, whose
// nine non-negative terms each carry a few units of the last place.
bool RoundsLikeExtended(double r, float f) {
    if (r == 0)
        return true;  // only a sum of zeros, exact either way
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    const double below = std::bit_cast<float>(bits - 1);
    const double above = std::bit_cast<float>(bits + 1);
    const double lo = (static_cast<double>(f) + below) / 2;
    const double hi = (static_cast<double>(f) + above) / 2;
    const double margin = r * 0x1p-40;
    return r - lo > margin && hi - r > margin;
}

}  // namespace

void SmoothSpeeds(LogStore& log) {
    const int n = log.LogItemNum;
    if (n <= 1)
        return;
    Track t;
    t.spd.resize(static_cast<size_t>(n));
    t.time.resize(static_cast<size_t>(n));
    t.step.resize(static_cast<size_t>(n - 1));
    // Doubles round like the extended sum only while no term can cancel
    // another; any negative or non-finite speed keeps the whole store on the
    // extended path.
    bool doublesHold = true;
    for (int i = 0; i < n; ++i) {
        t.spd[i] = log.LogItems[i].Spd;
        t.time[i] = log.LogItems[i].DtTm;
        doublesHold = doublesHold && std::isfinite(t.spd[i]) && t.spd[i] >= 0;
    }
    for (int k = 0; k + 1 < n; ++k)
        t.step[k] = t.spd[k] < t.spd[k + 1] ? 1 : (t.spd[k] > t.spd[k + 1] ? -1 : 0);

    for (int i = 0; i < n; ++i) {
        float smoothed;
        if (doublesHold) {
            const double r = SmoothedAt<double>(t, i, n);
            smoothed = static_cast<float>(r);
            if (!RoundsLikeExtended(r, smoothed))
                smoothed = static_cast<float>(SmoothedAt<Float80>(t, i, n));
        } else {
            smoothed = static_cast<float>(SmoothedAt<Float80>(t, i, n));
        }
        log.LogItems[i].Spd = smoothed;
    }
}

}  // namespace qv
