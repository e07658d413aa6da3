// The match of two turn-rate signals on planted offsets, signs and clock
// drifts, and its refusals.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "dynamics/motion_match.h"

namespace qv {
namespace {

// A lap-like turn rate: corners of either hand, 1 to 4 s long, every 3 to
// 8 s, drawn from `seed`; deg/s.
class Corners {
  public:
    Corners(uint32_t seed, double seconds) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> gap(3, 8), width(0.5, 2), rate(15, 60);
        std::bernoulli_distribution left(0.5);
        for (double t = -10; t < seconds + 10; t += gap(random))
            corners_.push_back({t, width(random), left(random) ? -rate(random) : rate(random)});
    }
    double At(double t) const {
        double v = 0;
        for (const Corner& c : corners_) {
            const double u = (t - c.at) / c.width;
            if (std::abs(u) < 4)
                v += c.rate * std::exp(-0.5 * u * u);
        }
        return v;
    }

  private:
    struct Corner {
        double at, width, rate;
    };
    std::vector<Corner> corners_;
};

MotionSignal LogOf(const Corners& c, double seconds) {
    MotionSignal s;
    s.source = MotionSignal::Source::Log;
    for (double t = 0; t <= seconds; t += 0.1) {
        s.times.push_back(t);
        s.values.push_back(c.At(t));
    }
    return s;
}

struct VideoPlan {
    double offset = 0;  // video time at log time 0 on a true clock
    int fps = 30;
    double seconds = 60;
    double fastPpm = 0;
    double gain = 2.2;  // picture pixels per frame against deg/s
    bool signKnown = true;
    double noise = 5;  // deg/s, per frame
};

MotionSignal VideoOf(const Corners& c, const VideoPlan& p) {
    MotionSignal s;
    s.source = MotionSignal::Source::Picture;
    s.signKnown = p.signKnown;
    s.frameInterval = 1.0 / p.fps;
    s.duration = p.seconds;
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0, p.noise);
    for (int n = 0; n < p.seconds * p.fps; ++n) {
        const double videoTime = (n + 0.5) / p.fps;
        const double logTime = videoTime / (1 + p.fastPpm * 1e-6) - p.offset;
        s.times.push_back(videoTime);
        s.values.push_back(p.gain * (c.At(logTime) + noise(random)));
    }
    return s;
}

TEST(MotionMatch, FindsThePlantedOffsetWithinOneFrame) {
    struct Case {
        const char* name;
        double logSeconds;
        VideoPlan video;
    } cases[] = {
        {"video starts before the log", 90, {.offset = 4.321, .fps = 30, .gain = 2.2}},
        {"video starts inside the log", 90, {.offset = -12.5, .fps = 60, .seconds = 70}},
        {"gyro of unknown sign, turned over",
         90,
         {.offset = 7.77, .fps = 30, .gain = -0.03, .signKnown = false}},
        {"a long video around a short log", 60, {.offset = 95.04, .fps = 30, .seconds = 240}},
    };
    for (const Case& c : cases) {
        const Corners corners(5, std::max(c.logSeconds, c.video.seconds + 100));
        const MotionMatch m = MatchMotion(LogOf(corners, c.logSeconds), VideoOf(corners, c.video));
        ASSERT_TRUE(m.found) << c.name << ": " << m.why;
        EXPECT_NEAR(m.offset, c.video.offset, 1.0 / c.video.fps) << c.name;
        EXPECT_LT(m.plusMinus, 0.1) << c.name;
        EXPECT_GE(m.windows.size(), 3u) << c.name;
        EXPECT_GT(m.peak, 0.8) << c.name;
        EXPECT_FALSE(m.driftApplied) << c.name;
    }
}

TEST(MotionMatch, AFastCameraClockIsFoundAndApplied) {
    // Ten minutes with the camera's clock 100 ppm fast: 60 ms over the video.
    const Corners corners(8, 700);
    VideoPlan p{.offset = 3.2, .fps = 30, .seconds = 600, .fastPpm = 100};
    const MotionMatch m = MatchMotion(LogOf(corners, 610), VideoOf(corners, p));
    ASSERT_TRUE(m.found) << m.why;
    EXPECT_NEAR(m.driftPpm, 100, 20);
    EXPECT_TRUE(m.driftApplied);
    EXPECT_NEAR(m.offset, p.offset * (1 + 100e-6), 1.0 / p.fps);

    p.fastPpm = 0;
    const MotionMatch steady = MatchMotion(LogOf(corners, 610), VideoOf(corners, p));
    ASSERT_TRUE(steady.found) << steady.why;
    EXPECT_NEAR(steady.driftPpm, 0, 20);
    EXPECT_FALSE(steady.driftApplied);
}

TEST(MotionMatch, RefusesWhatDoesNotMatch) {
    const Corners corners(5, 200);
    const Corners elsewhere(6, 200);
    MotionSignal flat = VideoOf(corners, {});
    for (double& v : flat.values)
        v = 0;
    MotionSignal tooShort = VideoOf(corners, {.offset = 2, .seconds = 10});
    struct Case {
        const char* name;
        MotionSignal video;
    } cases[] = {
        {"another lap", VideoOf(elsewhere, {.offset = 4})},
        {"nothing turns", flat},
        {"too short to check", tooShort},
        {"no video", MotionSignal{}},
    };
    for (const Case& c : cases) {
        const MotionMatch m = MatchMotion(LogOf(corners, 90), c.video);
        EXPECT_FALSE(m.found) << c.name << " at " << m.offset;
        EXPECT_FALSE(m.why.empty()) << c.name;
    }
}

// The samples of `video` that `keep` lets through, as a pass reads them.
MotionSignal Kept(const MotionSignal& video, const std::function<bool(double)>& keep) {
    MotionSignal s = video;
    s.times.clear();
    s.values.clear();
    for (size_t i = 0; i < video.times.size(); ++i) {
        if (keep(video.times[i])) {
            s.times.push_back(video.times[i]);
            s.values.push_back(video.values[i]);
        }
    }
    return s;
}

// The sample nearest each key frame, one a second.
MotionSignal KeyFramesOf(const MotionSignal& video) {
    double next = 0;
    return Kept(video, [&next](double t) { return t >= next ? (next += 1.0, true) : false; });
}

MotionSignal InsideSpans(const MotionSignal& video, const std::vector<MotionSpan>& spans) {
    return Kept(video, [&spans](double t) {
        return std::any_of(spans.begin(), spans.end(),
                           [t](const MotionSpan& s) { return t >= s.from && t < s.to; });
    });
}

TEST(MotionMatch, TwoPassesFindThePlantedOffsetAndDriftFromKeyFramesAndSpans) {
    struct Case {
        const char* name;
        double logSeconds;
        VideoPlan video;
        bool drift;
    } cases[] = {
        {"video starts before the log", 90, {.offset = 4.321, .fps = 30, .seconds = 120}, false},
        {"a long video around a short log",
         60,
         {.offset = 95.04, .fps = 30, .seconds = 240},
         false},
        {"gyro of unknown sign, turned over",
         90,
         {.offset = 7.77, .fps = 30, .seconds = 120, .gain = -0.03, .signKnown = false},
         false},
        {"ten minutes, the camera's clock 100 ppm fast",
         610,
         {.offset = 3.2, .fps = 30, .seconds = 600, .fastPpm = 100},
         true},
    };
    for (const Case& c : cases) {
        const Corners corners(8, std::max(c.logSeconds, c.video.seconds + 100));
        const MotionSignal log = LogOf(corners, c.logSeconds);
        const MotionSignal video = VideoOf(corners, c.video);
        const MotionMatch coarse = MatchMotionCoarse(log, KeyFramesOf(video));
        ASSERT_TRUE(coarse.found) << c.name << ": " << coarse.why;
        EXPECT_NEAR(coarse.offset, c.video.offset, 0.25) << c.name;
        EXPECT_TRUE(coarse.windows.empty()) << c.name;

        const std::vector<MotionSpan> windows = FineWindows(log, c.video.seconds, coarse.offset);
        ASSERT_GE(windows.size(), 3u) << c.name;
        const std::vector<MotionSpan> spans = FineSpans(windows, coarse.offset);
        const MotionSignal fine = InsideSpans(video, spans);
        // Far less than the whole video, with gaps of seconds between.
        EXPECT_LT(static_cast<double>(fine.times.size()),
                  0.5 * static_cast<double>(video.times.size()))
            << c.name;

        const MotionMatch m = MatchMotionWindows(log, fine, coarse, windows);
        ASSERT_TRUE(m.found) << c.name << ": " << m.why;
        EXPECT_GE(m.windows.size(), 3u) << c.name;
        const double truth = c.video.offset * (1 + c.video.fastPpm * 1e-6);
        EXPECT_NEAR(m.offset, truth, 1.0 / c.video.fps) << c.name;
        EXPECT_LT(m.plusMinus, 0.1) << c.name;
        EXPECT_EQ(m.driftApplied, c.drift) << c.name << " drift " << m.driftPpm;
        if (c.drift) {
            EXPECT_NEAR(m.driftPpm, c.video.fastPpm, 20) << c.name;
        }
    }
}

TEST(MotionMatch, AWindowWhereThePictureGoesAstrayIsLeftOut) {
    // A jolt of the camera: for a few seconds the picture turns as another
    // lap does, inside one of the windows.
    const Corners corners(8, 300), elsewhere(6, 300);
    const VideoPlan p{.offset = 4.321, .fps = 30, .seconds = 120};
    const MotionSignal log = LogOf(corners, 90);
    MotionSignal video = VideoOf(corners, p);
    const MotionMatch coarse = MatchMotionCoarse(log, KeyFramesOf(video));
    ASSERT_TRUE(coarse.found) << coarse.why;
    const std::vector<MotionSpan> windows = FineWindows(log, p.seconds, coarse.offset);
    ASSERT_GE(windows.size(), 4u);
    const MotionSpan astray{windows[1].from + p.offset + 1, windows[1].to + p.offset - 1};
    const MotionSignal other = VideoOf(elsewhere, p);
    for (size_t i = 0; i < video.times.size(); ++i) {
        if (video.times[i] >= astray.from && video.times[i] < astray.to)
            video.values[i] = other.values[i];
    }
    const MotionMatch m = MatchMotionWindows(
        log, InsideSpans(video, FineSpans(windows, coarse.offset)), coarse, windows);
    ASSERT_TRUE(m.found) << m.why;
    EXPECT_NEAR(m.offset, p.offset, 1.0 / p.fps);
    EXPECT_LT(m.windows.size(), windows.size());
    for (const WindowMatch& w : m.windows)
        EXPECT_FALSE(w.logTime > windows[1].from && w.logTime < windows[1].to) << w.logTime;
}

TEST(MotionMatch, TheKeyFramesOfAnotherLapGiveNoPeak) {
    const Corners corners(5, 200), elsewhere(6, 200);
    const MotionMatch m = MatchMotionCoarse(
        LogOf(corners, 90), KeyFramesOf(VideoOf(elsewhere, {.offset = 4, .seconds = 120})));
    EXPECT_FALSE(m.found) << "at " << m.offset;
    EXPECT_FALSE(m.why.empty());
}

TEST(MotionMatch, CancelStopsIt) {
    const Corners corners(5, 200);
    std::atomic<bool> cancel{true};
    const MotionMatch m = MatchMotion(LogOf(corners, 90), VideoOf(corners, {}), {}, &cancel);
    EXPECT_TRUE(m.cancelled);
    EXPECT_FALSE(m.found);
}

}  // namespace
}  // namespace qv
