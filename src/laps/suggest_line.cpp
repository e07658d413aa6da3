#include "laps/suggest_line.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "geometry/plane.h"

namespace qv {
namespace {

// Over this much path either side a fix's heading is measured and its
// straightness judged; long enough to average out a few metres of noise.
constexpr double kHeadingBaseM = 25;
constexpr double kStraightBaseM = 35;
constexpr double kMaxBendDeg = 10;
// Every crossing of a usable line goes the way the car went at the
// candidate; a figure-eight's other branch or a hairpin's way back does not.
constexpr double kMaxCrossingTurnDeg = 25;
// A lap agrees with the others within four times the range of the closest
// half of them, but at least the timing noise and at most a share of the
// lap: tight enough that an out-lap or in-lap joined to part of a flying lap
// does not agree.
constexpr double kAgreeingMinSec = 0.1;
constexpr double kAgreeingMaxShare = 0.03;
// A line is as good as the best when its laps agree this nearly as often;
// the fastest of those is chosen.
constexpr double kNearlyAsConsistent = 0.8;
// A car this slow at a line may stand on it and cross it back and forth.
constexpr double kMinCrossingKmh = 10;
constexpr double kMinLapSec = 5;
constexpr double kCellM = 30;
// A step this long is a gap in the logging, never a crossing worth scoring.
constexpr double kMaxStepM = 200;
constexpr size_t kMaxCandidates = 3000;

struct V2 {
    double x = 0, y = 0;
};
V2 operator-(V2 a, V2 b) {
    return {a.x - b.x, a.y - b.y};
}
V2 operator+(V2 a, V2 b) {
    return {a.x + b.x, a.y + b.y};
}
V2 operator*(double k, V2 a) {
    return {k * a.x, k * a.y};
}
double Dot(V2 a, V2 b) {
    return a.x * b.x + a.y * b.y;
}
double Cross(V2 a, V2 b) {
    return a.x * b.y - a.y * b.x;
}
double Length(V2 a) {
    return std::hypot(a.x, a.y);
}

// The active fixes in a flat frame of metres around the first of them.
struct Track {
    double lat0 = 0, lon0 = 0, mPerDegLat = 0, mPerDegLon = 0;
    std::vector<V2> at;
    std::vector<double> sec;
    std::vector<double> kmh;  // as logged, or as moved when the log has no speeds
    std::vector<double> pathM;
    std::vector<V2> heading;  // unit vector; zero where the car did not move
    // From the positions around each fix, so that noise on a standing car
    // does not read as motion.
    std::vector<double> movingKmh;
    std::vector<bool> straight;

    LinePoint ToLatLon(V2 p) const { return {lat0 + p.y / mPerDegLat, lon0 + p.x / mPerDegLon}; }
};

Track BuildTrack(const LogStore& log) {
    Track t;
    bool first = true;
    for (int i = 0; i < log.LogItemNum; ++i) {
        const TLogItem& fix = log.LogItems[i];
        if (!fix.Act || !std::isfinite(fix.Ido) || !std::isfinite(fix.Kdo) ||
            !std::isfinite(fix.DtTm))
            continue;
        if (first) {
            t.lat0 = fix.Ido;
            t.lon0 = fix.Kdo;
            t.mPerDegLat = static_cast<double>(EarthRadius * kPi / 180);
            t.mPerDegLon = t.mPerDegLat * std::cos(t.lat0 * static_cast<double>(kPi) / 180);
            first = false;
        }
        t.at.push_back({(fix.Kdo - t.lon0) * t.mPerDegLon, (fix.Ido - t.lat0) * t.mPerDegLat});
        t.sec.push_back(static_cast<double>(fix.DtTm) * 86400.0);
        t.kmh.push_back(fix.Spd);
    }
    const size_t n = t.at.size();
    t.pathM.assign(n, 0);
    for (size_t i = 1; i < n; ++i) {
        const double step = Length(t.at[i] - t.at[i - 1]);
        t.pathM[i] = t.pathM[i - 1] + (step < kMaxStepM ? step : 0);
    }
    // The fix `base` metres of path before and after each one.
    auto around = [&](double base, std::vector<size_t>& back, std::vector<size_t>& ahead) {
        back.assign(n, 0);
        ahead.assign(n, n == 0 ? 0 : n - 1);
        size_t j = 0, k = 0;
        for (size_t i = 0; i < n; ++i) {
            while (j + 1 <= i && t.pathM[i] - t.pathM[j + 1] >= base)
                ++j;
            back[i] = t.pathM[i] - t.pathM[j] >= base ? j : i;
            k = std::max(k, i);
            while (k < n && t.pathM[k] - t.pathM[i] < base)
                ++k;
            ahead[i] = k < n ? k : i;
        }
    };
    std::vector<size_t> back, ahead;
    around(kHeadingBaseM, back, ahead);
    t.heading.assign(n, V2{});
    t.movingKmh.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const V2 d = t.at[ahead[i]] - t.at[back[i]];
        const double len = Length(d);
        const double sec = t.sec[ahead[i]] - t.sec[back[i]];
        if (sec > 0)
            t.movingKmh[i] = len / sec * 3.6;
        if (back[i] != i && ahead[i] != i && len > kHeadingBaseM)
            t.heading[i] = (1 / len) * d;
    }
    if (std::all_of(t.kmh.begin(), t.kmh.end(), [](double v) { return v == 0; }))
        t.kmh = t.movingKmh;
    around(kStraightBaseM, back, ahead);
    t.straight.assign(n, false);
    const double minCos = std::cos(kMaxBendDeg * static_cast<double>(kPi) / 180);
    for (size_t i = 0; i < n; ++i) {
        if (back[i] == i || ahead[i] == i)
            continue;
        const V2 in = t.at[i] - t.at[back[i]];
        const V2 out = t.at[ahead[i]] - t.at[i];
        const double lens = Length(in) * Length(out);
        t.straight[i] = lens > 0 && Dot(in, out) / lens >= minCos;
    }
    return t;
}

// The steps between consecutive fixes by the cells of a square grid they
// touch.
class StepGrid {
  public:
    explicit StepGrid(const Track& t) {
        for (size_t i = 0; i + 1 < t.at.size(); ++i) {
            const V2 a = t.at[i], b = t.at[i + 1];
            if (Length(b - a) >= kMaxStepM)
                continue;
            const long x0 = Cell(std::min(a.x, b.x)), x1 = Cell(std::max(a.x, b.x));
            const long y0 = Cell(std::min(a.y, b.y)), y1 = Cell(std::max(a.y, b.y));
            for (long x = x0; x <= x1; ++x) {
                for (long y = y0; y <= y1; ++y)
                    cells_[Key(x, y)].push_back(i);
            }
        }
    }

    // Every step touching the cells within one of p's, each once, in order.
    std::vector<size_t> Near(V2 p) const {
        std::vector<size_t> steps;
        const long cx = Cell(p.x), cy = Cell(p.y);
        for (long x = cx - 1; x <= cx + 1; ++x) {
            for (long y = cy - 1; y <= cy + 1; ++y) {
                const auto found = cells_.find(Key(x, y));
                if (found != cells_.end())
                    steps.insert(steps.end(), found->second.begin(), found->second.end());
            }
        }
        std::sort(steps.begin(), steps.end());
        steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
        return steps;
    }

  private:
    static long Cell(double v) { return static_cast<long>(std::floor(v / kCellM)); }
    static long long Key(long x, long y) {
        return (static_cast<long long>(x) << 32) ^ static_cast<unsigned long>(y);
    }
    std::unordered_map<long long, std::vector<size_t>> cells_;
};

struct Score {
    bool usable = false;
    int agreeing = 0;
    double lapSec = 0;
    double spread = 0;  // the range of the closest half of the laps
    double kmh = 0;
    V2 centre, along;  // the line scored
    V2 meanAt;         // the mean crossing point and direction
    V2 meanHeading;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 == 1 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// The line through `centre` across the direction `along`, and the laps it
// cuts.
Score ScoreLine(const Track& t, const StepGrid& grid, V2 centre, V2 along) {
    Score score;
    score.centre = centre;
    score.along = along;
    const V2 across{-along.y, along.x};
    const V2 a = centre - kSuggestedLineHalfM * across;
    const V2 b = centre + kSuggestedLineHalfM * across;
    const double minCos = std::cos(kMaxCrossingTurnDeg * static_cast<double>(kPi) / 180);
    std::vector<double> times, speeds;
    V2 sumAt, sumHeading;
    for (size_t i : grid.Near(centre)) {
        const V2 c = t.at[i], d = t.at[i + 1];
        const V2 step = d - c;
        const double denom = Cross(b - a, step);
        if (denom == 0)
            continue;
        const double u = Cross(c - a, step) / denom;   // along the line
        const double r = Cross(c - a, b - a) / denom;  // along the step
        if (u < 0 || u > 1 || r < 0 || r >= 1)
            continue;
        const V2 heading = Dot(t.heading[i], t.heading[i]) > 0 ? t.heading[i] : step;
        if (Dot(heading, along) < minCos * Length(heading) || Dot(step, along) <= 0 ||
            t.movingKmh[i] < kMinCrossingKmh)
            return score;
        times.push_back(t.sec[i] + r * (t.sec[i + 1] - t.sec[i]));
        speeds.push_back(t.kmh[i] + r * (t.kmh[i + 1] - t.kmh[i]));
        sumAt = sumAt + (c + r * step);
        sumHeading = sumHeading + (1 / Length(heading)) * heading;
    }
    if (times.size() < 3)
        return score;
    std::sort(times.begin(), times.end());
    std::vector<double> laps;
    for (size_t k = 1; k < times.size(); ++k)
        laps.push_back(times[k] - times[k - 1]);
    // The centre of the closest half of the laps, so that slow laps,
    // however many, do not pull it.
    std::vector<double> sorted = laps;
    std::sort(sorted.begin(), sorted.end());
    const size_t half = std::min(sorted.size(), std::max<size_t>(2, (sorted.size() + 1) / 2));
    size_t from = 0;
    for (size_t k = 1; k + half <= sorted.size(); ++k) {
        if (sorted[k + half - 1] - sorted[k] < sorted[from + half - 1] - sorted[from])
            from = k;
    }
    const double range = sorted[from + half - 1] - sorted[from];
    score.spread = range;
    score.lapSec = Median({sorted.begin() + static_cast<long>(from),
                           sorted.begin() + static_cast<long>(from + half)});
    if (score.lapSec < kMinLapSec)
        return score;
    const double tolerance =
        std::clamp(4 * range, kAgreeingMinSec, kAgreeingMaxShare * score.lapSec);
    for (double lap : laps)
        score.agreeing += std::abs(lap - score.lapSec) <= tolerance;
    score.usable = score.agreeing >= 2;
    score.kmh = Median(speeds);
    score.meanAt = (1.0 / static_cast<double>(times.size())) * sumAt;
    score.meanHeading = (1 / Length(sumHeading)) * sumHeading;
    return score;
}

bool Better(const Score& a, const Score& b) {
    if (a.kmh != b.kmh)
        return a.kmh > b.kmh;
    return a.agreeing > b.agreeing;
}

}  // namespace

std::optional<SuggestedLine> SuggestControlLine(const LogStore& log) {
    const Track t = BuildTrack(log);
    if (t.at.size() < 3)
        return std::nullopt;
    const StepGrid grid(t);

    // Candidates lie on straights, among the faster part of the driving.
    std::vector<double> straightKmh;
    for (size_t i = 0; i < t.at.size(); ++i) {
        if (t.straight[i])
            straightKmh.push_back(t.kmh[i]);
    }
    if (straightKmh.empty())
        return std::nullopt;
    const double fastKmh = Median(straightKmh);
    std::vector<size_t> candidates;
    for (size_t i = 0; i < t.at.size(); ++i) {
        if (t.straight[i] && t.kmh[i] >= fastKmh && Dot(t.heading[i], t.heading[i]) > 0)
            candidates.push_back(i);
    }
    const size_t stride = candidates.size() / kMaxCandidates + 1;

    std::vector<Score> usable;
    int mostAgreeing = 0;
    for (size_t k = 0; k < candidates.size(); k += stride) {
        const size_t i = candidates[k];
        Score score = ScoreLine(t, grid, t.at[i], t.heading[i]);
        if (!score.usable)
            continue;
        mostAgreeing = std::max(mostAgreeing, score.agreeing);
        usable.push_back(score);
    }
    if (usable.empty())
        return std::nullopt;
    const int enough =
        std::max(2, static_cast<int>(std::ceil(kNearlyAsConsistent * mostAgreeing - 1e-9)));
    Score best;
    for (const Score& score : usable) {
        if (score.agreeing >= enough && (!best.usable || Better(score, best)))
            best = score;
    }

    // Across the mean crossing in the mean direction, the line spans the
    // track evenly; kept only when it cuts the laps as well.
    const Score centred = ScoreLine(t, grid, best.meanAt, best.meanHeading);
    const bool keepCentred = centred.usable && centred.agreeing >= best.agreeing;
    const Score& chosen = keepCentred ? centred : best;
    const V2 across{-chosen.along.y, chosen.along.x};
    SuggestedLine suggestion;
    suggestion.line = {t.ToLatLon(chosen.centre - kSuggestedLineHalfM * across),
                       t.ToLatLon(chosen.centre + kSuggestedLineHalfM * across)};
    suggestion.laps = chosen.agreeing;
    suggestion.lapSec = chosen.lapSec;
    suggestion.speedKmh = chosen.kmh;
    return suggestion;
}

bool ShouldSuggestLine(const LineState& lines, SelCircuitOutcome search) {
    return !lines.controlLineSet && !lines.startLineSet && !lines.finishLineSet &&
           search == SelCircuitOutcome::NotFound;
}

}  // namespace qv
