#include "decode/smooth_speeds.h"

#include <algorithm>
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

struct Sum {
    Float80 value = 0;
    Float80 weight = 0;
    void Add(float spd, Float80 w) {
        value += w * spd;
        weight += w;
    }
};

// Adds the neighbours of fix i on one side (dir -1 before it, +1 after it),
// `count` of which exist.
void AddSide(const Track& t, int i, int dir, int count, Sum& sum) {
    const TDateTime now = t.time[i];
    auto at = [&](int d) { return i + dir * d; };
    // The speed change between the neighbours d - 1 and d away, seen from i.
    auto step = [&](int d) {
        const int8_t s = t.step[dir < 0 ? i - d : i + d - 1];
        return static_cast<int8_t>(dir < 0 ? -s : s);
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

}  // namespace

void SmoothSpeeds(LogStore& log) {
    const int n = log.LogItemNum;
    if (n <= 1)
        return;
    Track t;
    t.spd.resize(static_cast<size_t>(n));
    t.time.resize(static_cast<size_t>(n));
    t.step.resize(static_cast<size_t>(n - 1));
    for (int i = 0; i < n; ++i) {
        t.spd[i] = log.LogItems[i].Spd;
        t.time[i] = log.LogItems[i].DtTm;
    }
    for (int k = 0; k + 1 < n; ++k)
        t.step[k] = t.spd[k] < t.spd[k + 1] ? 1 : (t.spd[k] > t.spd[k + 1] ? -1 : 0);

    for (int i = 0; i < n; ++i) {
        Sum back, ahead;
        AddSide(t, i, -1, std::min(i, 4), back);
        AddSide(t, i, 1, std::min(n - 1 - i, 4), ahead);
        const Float80 value = 1.8L * t.spd[i] + back.value + ahead.value;
        const Float80 weight = 1.8L + back.weight + ahead.weight;
        log.LogItems[i].Spd = static_cast<float>(value / weight);
    }
}

}  // namespace qv
