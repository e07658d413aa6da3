// Reads of part of a video's motion: one sample per key frame, and only the
// samples inside given spans, on small videos that ffmpeg makes, read by one
// decoder or shared among several.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "support/incar_video.h"
#include "support/temp_dir.h"
#include "synth/drive.h"
#include "video/video_motion.h"

namespace qv {
namespace {

using Kind = MotionReadRequest::Kind;

constexpr int kFps = 30;
constexpr int kGop = 15;  // a key frame every half second
constexpr double kSpinDegPerS = 120;
const std::string kCodec = "-c:v libx264 -preset superfast -crf 23 -bf 3 -b_strategy 0 -g " +
                           std::to_string(kGop) + " -keyint_min " + std::to_string(kGop) +
                           " -sc_threshold 0";

// A car turning steadily, so that every sample has one true rate.
synth::Drive Spin(double seconds) {
    synth::Drive spin;
    for (int k = 0; k <= seconds * 10 + 10; ++k) {
        synth::SynthFix f;
        f.utcMs = 100 * k;
        f.compassDeg = static_cast<float>(std::fmod(kSpinDegPerS * k / 10.0, 360.0));
        spin.fixes.push_back(f);
    }
    return spin;
}

// Chapters of `seconds` each, named as a camera names them; the first's path.
std::filesystem::path MakeSpin(const std::filesystem::path& dir, double seconds, int chapters = 1) {
    std::filesystem::create_directories(dir);
    const synth::Drive spin = Spin(seconds * chapters);
    test::InCarVideo v;
    v.seconds = seconds;
    v.fps = kFps;
    v.codec = kCodec;
    for (int c = 0; c < chapters; ++c) {
        const std::filesystem::path p = dir / ("GX0" + std::to_string(c + 1) + "0042.MP4");
        EXPECT_TRUE(test::MakeInCarVideo(p, test::DriveHeading(spin), v));
        v.startUtcMs += 1000 * seconds;
        v.seed += 1;
    }
    return dir / "GX010042.MP4";
}

VideoMotion Read(const std::filesystem::path& path, const MotionReadRequest& request, int readers) {
    VideoMotionOptions options;
    options.partReaders = readers;
    VideoMotion m = ReadVideoMotion(path.string(), request, options);
    EXPECT_TRUE(m.ok()) << m.error;
    return m;
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// The whole read's samples inside `spans`, which a read of the spans must
// give exactly: the same frames, paired the same way.
MotionSignal WholeInside(const MotionSignal& whole, const std::vector<MotionSpan>& spans) {
    MotionSignal s;
    for (size_t i = 0; i < whole.times.size(); ++i) {
        const double t = whole.times[i];
        if (std::any_of(spans.begin(), spans.end(),
                        [t](const MotionSpan& p) { return t >= p.from && t < p.to; })) {
            s.times.push_back(t);
            s.values.push_back(whole.values[i]);
        }
    }
    return s;
}

void ExpectSameSamples(const MotionSignal& got, const MotionSignal& want, const char* name) {
    ASSERT_EQ(got.times.size(), want.times.size()) << name;
    for (size_t i = 0; i < want.times.size(); ++i) {
        EXPECT_NEAR(got.times[i], want.times[i], 1e-9) << name << " " << i;
        EXPECT_NEAR(got.values[i], want.values[i], 1e-9) << name << " " << i;
    }
}

TEST(VideoMotionParts, OneSamplePerKeyFrameAtTheSpinsRate) {
    test::TempDir dir;
    constexpr double kSeconds = 8;
    const std::filesystem::path video = MakeSpin(dir / "", kSeconds);
    const double whole = Median(Read(video, {}, 1).signal.values);
    ASSERT_GT(std::fabs(whole), 100);
    for (int readers : {1, 2, 3}) {
        const VideoMotion m = Read(video, {Kind::KeyFrames, {}}, readers);
        const MotionSignal& s = m.signal;
        EXPECT_EQ(s.source, MotionSignal::Source::Picture);
        EXPECT_NEAR(s.duration, kSeconds, 0.05);
        const size_t keyFrames = static_cast<size_t>(kSeconds * kFps / kGop);
        ASSERT_EQ(s.times.size(), keyFrames) << readers << " readers";
        for (size_t k = 0; k < keyFrames; ++k) {
            // Halfway from the key frame to the P-frame at most four frames on.
            const double key = static_cast<double>(k * kGop) / kFps;
            EXPECT_GT(s.times[k], key) << readers << " readers, key frame " << k;
            EXPECT_LE(s.times[k], key + 2.0 / kFps + 1e-6)
                << readers << " readers, key frame " << k;
            EXPECT_NEAR(s.values[k], whole, 0.1 * std::fabs(whole))
                << readers << " readers, key frame " << k;
        }
    }
}

TEST(VideoMotionParts, SpansGiveTheWholeReadsSamplesInsideThemAndNoOthers) {
    test::TempDir dir;
    const std::filesystem::path one = MakeSpin(dir / "one", 8);
    const std::filesystem::path chapters = MakeSpin(dir / "two", 4, 2);
    struct Case {
        const char* name;
        std::filesystem::path video;
        std::vector<MotionSpan> spans;
        int readers;
    } cases[] = {
        {"two spans, one reader", one, {{5.3, 6.1}, {1.0, 2.2}}, 1},
        {"overlapping spans cut between two readers", one, {{1.0, 2.2}, {2.0, 2.5}, {5.3, 7.9}}, 2},
        {"a span past the end", one, {{6.9, 20}}, 2},
        {"a span across the joint of two chapters", chapters, {{3.2, 4.9}}, 2},
    };
    for (const Case& c : cases) {
        const MotionSignal whole = Read(c.video, {}, 1).signal;
        const VideoMotion m = Read(c.video, {Kind::Spans, c.spans}, c.readers);
        ASSERT_GT(m.signal.times.size(), 10u) << c.name;
        ExpectSameSamples(m.signal, WholeInside(whole, c.spans), c.name);
    }
}

TEST(VideoMotionParts, TheKeyFramesOfChaptersRunOnOneClock) {
    test::TempDir dir;
    const std::filesystem::path first = MakeSpin(dir / "", 4, 2);
    const VideoMotion m = Read(first, {Kind::KeyFrames, {}}, 2);
    EXPECT_NEAR(m.signal.duration, 8, 0.05);
    ASSERT_EQ(m.signal.times.size(), static_cast<size_t>(8 * kFps / kGop));
    for (size_t k = 0; k < m.signal.times.size(); ++k)
        EXPECT_NEAR(m.signal.times[k], static_cast<double>(k * kGop) / kFps, 2.0 / kFps) << k;
}

TEST(VideoMotionParts, ACancelledReadGivesNoSignal) {
    test::TempDir dir;
    const std::filesystem::path video = MakeSpin(dir / "", 2);
    std::atomic<bool> cancel{true};
    for (const MotionReadRequest& request :
         {MotionReadRequest{Kind::KeyFrames, {}}, MotionReadRequest{Kind::Spans, {{0.5, 1.5}}}}) {
        const VideoMotion m = ReadVideoMotion(video.string(), request, {}, {}, &cancel);
        EXPECT_TRUE(m.cancelled);
        EXPECT_FALSE(m.ok());
    }
}

}  // namespace
}  // namespace qv
