#include "dynamics/motion_match.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <optional>

namespace qv {
namespace {

// Both signals are compared on one grid of this step, after a moving mean
// that takes the frame-to-frame jitter of the picture shift away.
constexpr double kStep = 0.05;
constexpr int kSmoothHalf = 4;  // samples either side: a 0.45 s mean

// The fine pass's short windows scatter more than long ones: a drift is
// applied only when it stands clearer of that scatter.
constexpr double kShortWindowDriftSigmas = 3;
constexpr double kSecondsPerFineWindow = 30;
constexpr int kMostFineWindows = 20;

struct Grid {
    double start = 0;  // time of values[0], a whole multiple of kStep
    std::vector<double> values;
    // Which points hold a value; empty when all do. A point in a gap of
    // the signal holds none, rather than a line drawn across the gap.
    std::vector<uint8_t> present;

    double end() const { return start + kStep * static_cast<double>(values.size() - 1); }
    bool at(size_t k) const { return present.empty() || present[k] != 0; }
};

// The signal on the grid, each point between the two samples about it;
// points between samples more than `maxGap` apart hold nothing.
Grid Resample(const MotionSignal& s, double maxGap = std::numeric_limits<double>::infinity()) {
    Grid g;
    const size_t n = std::min(s.times.size(), s.values.size());
    if (n < 2)
        return g;
    const long first = std::lround(std::ceil(s.times.front() / kStep));
    const long last = std::lround(std::floor(s.times[n - 1] / kStep));
    if (last <= first)
        return g;
    g.start = static_cast<double>(first) * kStep;
    g.values.resize(static_cast<size_t>(last - first + 1));
    const bool gaps = std::isfinite(maxGap);
    if (gaps)
        g.present.assign(g.values.size(), 1);
    size_t j = 0;
    for (size_t k = 0; k < g.values.size(); ++k) {
        const double t = static_cast<double>(first + static_cast<long>(k)) * kStep;
        while (j + 2 < n && s.times[j + 1] < t)
            ++j;
        const double t0 = s.times[j], t1 = s.times[j + 1];
        const double v0 = std::isfinite(s.values[j]) ? s.values[j] : 0;
        const double v1 = std::isfinite(s.values[j + 1]) ? s.values[j + 1] : 0;
        const double u = t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0, 1.0) : 0;
        g.values[k] = v0 + u * (v1 - v0);
        if (gaps && t1 - t0 > maxGap)
            g.present[k] = 0;
    }
    std::vector<double> smooth(g.values.size());
    for (size_t k = 0; k < g.values.size(); ++k) {
        const size_t from = k >= kSmoothHalf ? k - kSmoothHalf : 0;
        const size_t to = std::min(g.values.size(), k + kSmoothHalf + 1);
        if (!gaps) {
            smooth[k] = std::accumulate(g.values.begin() + static_cast<long>(from),
                                        g.values.begin() + static_cast<long>(to), 0.0) /
                        static_cast<double>(to - from);
            continue;
        }
        double sum = 0;
        int count = 0;
        for (size_t i = from; i < to; ++i) {
            if (g.present[i]) {
                sum += g.values[i];
                ++count;
            }
        }
        smooth[k] = count > 0 ? sum / count : 0;
    }
    g.values = std::move(smooth);
    return g;
}

// A sparse signal, a sample every second or so: each sample on its nearest
// point, nothing between.
Grid Place(const MotionSignal& s) {
    Grid g;
    const size_t n = std::min(s.times.size(), s.values.size());
    if (n < 2)
        return g;
    const long first = std::lround(s.times.front() / kStep);
    const long last = std::lround(s.times[n - 1] / kStep);
    if (last <= first)
        return g;
    g.start = static_cast<double>(first) * kStep;
    g.values.assign(static_cast<size_t>(last - first + 1), 0);
    g.present.assign(g.values.size(), 0);
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(s.values[i]))
            continue;
        const size_t k = static_cast<size_t>(std::lround(s.times[i] / kStep) - first);
        g.values[k] = s.values[i];
        g.present[k] = 1;
    }
    return g;
}

// Pearson correlation of log[i] with video[i + lag] for i in [from, to),
// over the pairs that exist; 0 when fewer than `minPairs`.
double Correlation(const Grid& log, const Grid& video, long lagSteps, long from, long to,
                   long minPairs) {
    const long base = std::lround((log.start - video.start) / kStep) + lagSteps;
    from = std::max({from, 0L, -base});
    to = std::min(
        {to, static_cast<long>(log.values.size()), static_cast<long>(video.values.size()) - base});
    if (to - from < std::max(minPairs, 2L))
        return 0;
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    long n = 0;
    const bool gaps = !log.present.empty() || !video.present.empty();
    for (long i = from; i < to; ++i) {
        if (gaps && (!log.at(static_cast<size_t>(i)) || !video.at(static_cast<size_t>(i + base))))
            continue;
        const double x = log.values[static_cast<size_t>(i)];
        const double y = video.values[static_cast<size_t>(i + base)];
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
        ++n;
    }
    if (n < std::max(minPairs, 2L))
        return 0;
    const double dn = static_cast<double>(n);
    const double vx = sxx - sx * sx / dn, vy = syy - sy * sy / dn;
    if (vx <= 1e-12 || vy <= 1e-12)
        return 0;
    return (sxy - sx * sy / dn) / std::sqrt(vx * vy);
}

// The parabola through three equally spaced values: where its top lies,
// from -0.5 to 0.5 steps off the middle one.
double ParabolaTop(double a, double b, double c) {
    const double curve = a - 2 * b + c;
    if (curve >= 0)
        return 0;
    return std::clamp(0.5 * (a - c) / curve, -0.5, 0.5);
}

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

// A window of the log: grid points [from, to).
struct LogWindow {
    long from = 0;
    long to = 0;
};

// Each window's own peak within `reach` steps of `centreLag`, below one
// step; the drift from their slope and the ± from their spread. `m` is
// found when they agree. Short windows each see a corner or two, and one
// where the log's track and the picture part ways (a GPS glitch, a jolt of
// the camera) would sink the tie: those that find no peak, or one away from
// the others', are left out while three remain, and a drift must stand
// clearer of their scatter.
void CheckWindows(const Grid& log, const Grid& video, const MotionSignal& videoSignal, double sign,
                  long centreLag, long reach, const std::vector<LogWindow>& windows,
                  const MotionMatchOptions& options, bool shortWindows, MotionMatch& m) {
    const double frame = videoSignal.frameInterval > 0 ? videoSignal.frameInterval : kStep;
    const double videoSpan = video.end() - video.start;
    const double tolerance = std::max(options.agreeSeconds, 2 * frame);
    for (const LogWindow& window : windows) {
        const long from = window.from, to = window.to;
        const long pairs = (to - from) * 3 / 4;
        std::vector<double> local(static_cast<size_t>(2 * reach + 1));
        for (long d = -reach; d <= reach; ++d)
            local[static_cast<size_t>(d + reach)] =
                sign * Correlation(log, video, centreLag + d, from, to, pairs);
        const size_t top =
            static_cast<size_t>(std::max_element(local.begin(), local.end()) - local.begin());
        if (top == 0 || top + 1 == local.size() || local[top] < options.minPeak) {
            if (shortWindows)
                continue;
            m.why = "a window finds no peak of its own";
            m.windows.clear();
            return;
        }
        const double lag = static_cast<double>(centreLag) + static_cast<double>(top) -
                           static_cast<double>(reach) +
                           ParabolaTop(local[top - 1], local[top], local[top + 1]);
        WindowMatch wm;
        wm.logTime = log.start + kStep * 0.5 * static_cast<double>(from + to - 1);
        // Lag L pairs log time t with video time t + L steps.
        wm.offset = kStep * lag;
        wm.peak = local[top];
        m.windows.push_back(wm);
    }

    if (shortWindows) {
        std::vector<double> offsets;
        for (const WindowMatch& w : m.windows)
            offsets.push_back(w.offset);
        const double median = offsets.empty() ? 0 : Median(offsets);
        for (double& o : offsets)
            o = std::abs(o - median);
        // Four robust standard deviations of the others, but never less
        // than a frame.
        const double stray =
            offsets.empty() ? tolerance
                            : std::min(tolerance, std::max(frame, 4 * 1.4826 * Median(offsets)));
        std::erase_if(m.windows,
                      [&](const WindowMatch& w) { return std::abs(w.offset - median) > stray; });
    }
    if (m.windows.size() < 3) {
        m.why = "too few windows agree";
        m.windows.clear();
        return;
    }

    // The drift is the slope of the window offsets over the log's time.
    const double n = static_cast<double>(m.windows.size());
    double meanT = 0, meanO = 0;
    for (const WindowMatch& w : m.windows) {
        meanT += w.logTime / n;
        meanO += w.offset / n;
    }
    double stt = 0, sto = 0;
    for (const WindowMatch& w : m.windows) {
        stt += (w.logTime - meanT) * (w.logTime - meanT);
        sto += (w.logTime - meanT) * (w.offset - meanO);
    }
    const double slope = stt > 0 ? sto / stt : 0;
    m.driftPpm = slope * 1e6;
    double residuals = 0;
    for (const WindowMatch& w : m.windows) {
        const double off = w.offset - (meanO + slope * (w.logTime - meanT));
        residuals += off * off;
        if (std::abs(off) > tolerance) {
            m.why = "the windows disagree";
            return;
        }
    }
    if (std::abs(m.driftPpm) > options.maxDriftPpm) {
        m.why = "the windows disagree";
        return;
    }
    // Applied when it moves the picture by more than a frame over the video
    // and over the windows themselves (less cannot be told from their
    // scatter), and stands clear of what the scatter alone would give.
    const double scatter = std::sqrt(residuals / std::max(n - 2, 1.0));
    const double slopeError = stt > 0 ? scatter / std::sqrt(stt) : 0;
    const double videoLength = videoSignal.duration > 0 ? videoSignal.duration : videoSpan;
    const double windowSpan = m.windows.back().logTime - m.windows.front().logTime;
    m.driftApplied = std::abs(slope) * videoLength > frame &&
                     std::abs(slope) * windowSpan > frame &&
                     std::abs(slope) > (shortWindows ? kShortWindowDriftSigmas : 2) * slopeError;
    const double appliedSlope = m.driftApplied ? slope : 0;
    std::vector<double> atZero;
    for (const WindowMatch& w : m.windows)
        atZero.push_back(w.offset - appliedSlope * w.logTime);
    m.offset = Median(atZero);
    const double mean = std::accumulate(atZero.begin(), atZero.end(), 0.0) / n;
    double spread = 0;
    for (double v : atZero)
        spread += (v - mean) * (v - mean);
    spread = std::sqrt(spread / (n - 1));
    // Never claim better than a millisecond.
    m.plusMinus = std::max(1.96 * spread, 0.001);
    m.found = true;
}

// The lag of the best peak of `log` against `video` over every lag where
// they overlap by `minSpan` points and `minPairs` pairs, and the sign that turns it up; nothing
// (`m` says why, or is cancelled) when the peak is flat.
struct Peak {
    long lag = 0;  // puts log[i] on video[i + logToVideo + lag]
    double sign = 1;
};

std::optional<Peak> SearchAllLags(const Grid& log, const Grid& video, long minSpan, long minPairs,
                                  bool signKnown, const MotionMatchOptions& options,
                                  const std::atomic<bool>* cancel, MotionMatch& m) {
    const long logN = static_cast<long>(log.values.size());
    const long videoN = static_cast<long>(video.values.size());
    const long logToVideo = std::lround((log.start - video.start) / kStep);

    // The whole log against every lag; lag L puts log[i] on video[i + logToVideo + L].
    const long lagFrom = -logToVideo - logN + minSpan;
    const long lagTo = -logToVideo + videoN - minSpan;
    if (lagTo < lagFrom) {
        m.why = "the video and the log overlap too little";
        return std::nullopt;
    }
    std::vector<double> curve(static_cast<size_t>(lagTo - lagFrom + 1));
    for (long lag = lagFrom; lag <= lagTo; ++lag) {
        if ((lag & 255) == 0 && Cancelled(cancel)) {
            m.cancelled = true;
            return std::nullopt;
        }
        curve[static_cast<size_t>(lag - lagFrom)] = Correlation(log, video, lag, 0, logN, minPairs);
    }
    double sign = 1;
    if (!signKnown) {
        const auto [lo, hi] = std::minmax_element(curve.begin(), curve.end());
        if (-*lo > *hi) {
            sign = -1;
            for (double& r : curve)
                r = -r;
        }
    }
    const size_t best =
        static_cast<size_t>(std::max_element(curve.begin(), curve.end()) - curve.begin());
    m.peak = curve[best];
    // The peak's own lobe runs down to the nearest minimum on each side;
    // the best value beyond is its rival.
    size_t left = best, right = best;
    while (left > 0 && curve[left - 1] <= curve[left])
        --left;
    while (right + 1 < curve.size() && curve[right + 1] <= curve[right])
        ++right;
    double rival = std::min(curve[left], curve[right]);
    for (size_t k = 0; k < curve.size(); ++k) {
        if (k < left || k > right)
            rival = std::max(rival, curve[k]);
    }
    m.sharpness = m.peak - rival;
    if (m.peak < options.minPeak || m.sharpness < options.minSharpness) {
        m.why = "the peak is flat";
        return std::nullopt;
    }
    return Peak{lagFrom + static_cast<long>(best), sign};
}

}  // namespace

MotionMatch MatchMotion(const MotionSignal& logSignal, const MotionSignal& videoSignal,
                        const MotionMatchOptions& options, const std::atomic<bool>* cancel) {
    MotionMatch m;
    const Grid log = Resample(logSignal);
    const Grid video = Resample(videoSignal);
    if (log.values.size() < 3 || video.values.size() < 3) {
        m.why = "too little motion to compare";
        return m;
    }
    const double logSpan = log.end() - log.start;
    const double videoSpan = video.end() - video.start;
    const double minOverlap =
        std::max(options.minOverlapSeconds, 0.5 * std::min(logSpan, videoSpan));
    const long minPairs = std::lround(minOverlap / kStep);
    const std::optional<Peak> peak =
        SearchAllLags(log, video, minPairs, minPairs, videoSignal.signKnown, options, cancel, m);
    if (!peak)
        return m;
    const double sign = peak->sign;
    m.turnedOver = sign < 0;
    const long logN = static_cast<long>(log.values.size());
    const long videoN = static_cast<long>(video.values.size());
    const long logToVideo = std::lround((log.start - video.start) / kStep);

    // Windows over the part of the log the video covers at that peak.
    const long peakLag = peak->lag;
    const long coveredFrom = std::max(0L, -(logToVideo + peakLag));
    const long coveredTo = std::min(logN, videoN - (logToVideo + peakLag));
    const double covered = kStep * static_cast<double>(coveredTo - coveredFrom);
    const int windows = std::min(
        options.windows, static_cast<int>(covered / std::max(options.minWindowSeconds, 1.0)));
    if (windows < 3) {
        m.why = "the video covers too little of the log to check";
        return m;
    }
    std::vector<LogWindow> spread;
    for (int w = 0; w < windows; ++w) {
        // Each window overlaps its neighbours by half: twice the data of
        // disjoint ones, for a steadier peak.
        spread.push_back({coveredFrom + (coveredTo - coveredFrom) * w / (windows + 1),
                          coveredFrom + (coveredTo - coveredFrom) * (w + 2) / (windows + 1)});
    }
    CheckWindows(log, video, videoSignal, sign, peakLag,
                 std::lround(options.windowSearchSeconds / kStep), spread, options, false, m);
    return m;
}

MotionMatch MatchMotionCoarse(const MotionSignal& logSignal, const MotionSignal& keyFrames,
                              const MotionMatchOptions& options, const std::atomic<bool>* cancel) {
    MotionMatch m;
    const Grid log = Resample(logSignal);
    const Grid video = Place(keyFrames);
    const long samples = std::count(video.present.begin(), video.present.end(), 1);
    if (log.values.size() < 3 || samples < 3) {
        m.why = "too little motion to compare";
        return m;
    }
    const double logSpan = log.end() - log.start;
    const double videoSpan = video.end() - video.start;
    const double minOverlap =
        std::max(options.minOverlapSeconds, 0.5 * std::min(logSpan, videoSpan));
    const double spacing = videoSpan / static_cast<double>(samples - 1);
    const long minPairs = std::max(3L, std::lround(std::floor(minOverlap / spacing)) - 1);
    const std::optional<Peak> peak =
        SearchAllLags(log, video, std::lround(minOverlap / kStep), minPairs, keyFrames.signKnown,
                      options, cancel, m);
    if (!peak)
        return m;
    m.offset = kStep * static_cast<double>(peak->lag);
    m.turnedOver = peak->sign < 0;
    m.found = true;
    return m;
}

std::vector<MotionSpan> FineWindows(const MotionSignal& logSignal, double videoDuration,
                                    double offset, const MotionMatchOptions& options) {
    const Grid log = Resample(logSignal);
    if (log.values.size() < 3 || options.fineWindowSeconds <= 0)
        return {};
    // The windows keep clear of the video's ends by what their search and
    // the smoothing reach.
    const double margin = options.fineSearchSeconds + (kSmoothHalf + 1) * kStep;
    const double from = std::max(log.start, margin - offset);
    const double to = std::min(log.end(), videoDuration - margin - offset);
    // More windows over a long stretch, so that a drift of the camera's
    // clock stands out of their scatter.
    const int wanted =
        std::clamp(static_cast<int>((to - from) / kSecondsPerFineWindow), options.fineWindows,
                   std::max(options.fineWindows, kMostFineWindows));
    const int windows = std::min(wanted, static_cast<int>((to - from) / options.fineWindowSeconds));
    if (windows < 3)
        return {};
    // Prefix sums of the log's steps and their squares: a window whose turn
    // rate changes most has the sharpest peak (a steady turn, or a steady
    // change of it, matches itself at any shift).
    const size_t steps = log.values.size() - 1;
    std::vector<double> sum(steps + 1, 0), square(steps + 1, 0);
    for (size_t k = 0; k < steps; ++k) {
        const double d = log.values[k + 1] - log.values[k];
        sum[k + 1] = sum[k] + d;
        square[k + 1] = square[k] + d * d;
    }
    const long length = std::lround(options.fineWindowSeconds / kStep);
    const auto index = [&](double t) {
        return std::clamp(std::lround((t - log.start) / kStep), 0L, static_cast<long>(steps));
    };
    std::vector<MotionSpan> out;
    for (int w = 0; w < windows; ++w) {
        // In each share of the covered log, the window where the car's
        // turning changes most: a straight has nothing to match.
        const long shareFrom = index(from + (to - from) * w / windows);
        const long shareTo = index(from + (to - from) * (w + 1) / windows);
        long best = shareFrom;
        double bestChange = -1;
        for (long k = shareFrom; k + length <= shareTo; ++k) {
            const double n = static_cast<double>(length);
            const double s1 = sum[static_cast<size_t>(k + length)] - sum[static_cast<size_t>(k)];
            const double s2 =
                square[static_cast<size_t>(k + length)] - square[static_cast<size_t>(k)];
            const double change = s2 / n - (s1 / n) * (s1 / n);
            if (change > bestChange) {
                bestChange = change;
                best = k;
            }
        }
        const double start = log.start + kStep * static_cast<double>(best);
        out.push_back({start, start + kStep * static_cast<double>(length)});
    }
    return out;
}

std::vector<MotionSpan> FineSpans(const std::vector<MotionSpan>& windows, double offset,
                                  const MotionMatchOptions& options) {
    const double margin = options.fineSearchSeconds + (kSmoothHalf + 1) * kStep;
    std::vector<MotionSpan> spans;
    for (const MotionSpan& w : windows)
        spans.push_back({w.from + offset - margin, w.to + offset + margin});
    return spans;
}

MotionMatch MatchMotionWindows(const MotionSignal& logSignal, const MotionSignal& videoSpans,
                               const MotionMatch& coarse, const std::vector<MotionSpan>& windows,
                               const MotionMatchOptions& options, const std::atomic<bool>* cancel) {
    MotionMatch m;
    m.peak = coarse.peak;
    m.sharpness = coarse.sharpness;
    m.turnedOver = coarse.turnedOver;
    if (Cancelled(cancel)) {
        m.cancelled = true;
        return m;
    }
    // Frames come a few hundredths of a second apart inside a span; the
    // gaps between spans are seconds.
    std::vector<double> steps;
    for (size_t i = 1; i < videoSpans.times.size(); ++i)
        steps.push_back(videoSpans.times[i] - videoSpans.times[i - 1]);
    const double maxGap = steps.empty() ? 0.5 : std::max(0.5, 4 * Median(steps));
    const Grid log = Resample(logSignal);
    const Grid video = Resample(videoSpans, maxGap);
    if (log.values.size() < 3 || video.values.size() < 3 || windows.size() < 3) {
        m.why = "too little motion to compare";
        return m;
    }
    std::vector<LogWindow> onGrid;
    for (const MotionSpan& w : windows) {
        const long from = std::max(0L, std::lround((w.from - log.start) / kStep));
        const long to =
            std::min(static_cast<long>(log.values.size()), std::lround((w.to - log.start) / kStep));
        if (to - from >= 4)
            onGrid.push_back({from, to});
    }
    if (onGrid.size() < 3) {
        m.why = "the video covers too little of the log to check";
        return m;
    }
    CheckWindows(
        log, video, videoSpans, coarse.turnedOver ? -1 : 1, std::lround(coarse.offset / kStep),
        std::max(2L, std::lround(options.fineSearchSeconds / kStep)), onGrid, options, true, m);
    return m;
}

}  // namespace qv
