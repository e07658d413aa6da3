// The automatic video tie end to end: in-car videos made from a synthetic
// drive, started at a known moment of the lap, read back and tied to it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/auto_sync_job.h"
#include "app/video_auto_sync.h"
#include "support/incar_video.h"
#include "support/temp_dir.h"
#include "synth/drive.h"
#include "synth/lap_files.h"
#include "video/video_motion.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;  // UTC as local time

struct DriveLap {
    synth::Drive drive;
    TLapDtRec lap;
    double lapStartUtcMs = 0;
};

DriveLap LapOf(const synth::Circuit& circuit) {
    DriveLap d;
    synth::DriveOptions options;
    options.laps = 2;
    d.drive = synth::SynthesizeDrive(circuit, options);
    std::vector<synth::SynthFix> fixes;
    for (const synth::SynthFix& f : d.drive.fixes) {
        if (f.utcMs >= d.drive.crossingUtcMs[0] && f.utcMs <= d.drive.crossingUtcMs[1])
            fixes.push_back(f);
    }
    d.lap.Elm = synth::LapSamplesOfFixes(fixes, kBase);
    d.lap.ElmNum = static_cast<int32_t>(d.lap.Elm.size());
    d.lapStartUtcMs = static_cast<double>(fixes.front().utcMs);
    return d;
}

const DriveLap& DemoLap() {
    static const DriveLap lap = LapOf(synth::DemoCircuit());
    return lap;
}

struct TieCase {
    const char* name;
    int fps;
    int width, height;
    double lapStartInVideo;  // s: the truth planted in the video
    uint32_t seed;
    const char* codec = "-c:v libx264 -preset ultrafast -crf 23";
    bool skipNonReference = false;
    bool skipBidirectional = false;
    const char* pixelFormat = "yuv420p";
};

class VideoAutoSync : public ::testing::TestWithParam<TieCase> {};

TEST_P(VideoAutoSync, TiesWithinOneFrameOfThePlantedMoment) {
    const TieCase& c = GetParam();
    const DriveLap& d = DemoLap();
    test::TempDir dir;
    test::InCarVideo v;
    v.fps = c.fps;
    v.width = c.width;
    v.height = c.height;
    v.seed = c.seed;
    v.codec = c.codec;
    v.pixelFormat = c.pixelFormat;
    v.startUtcMs = d.lapStartUtcMs - 1000 * c.lapStartInVideo;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "car.mp4", test::DriveHeading(d.drive), v));

    double lastShare = -1;
    bool ascending = true;
    VideoMotionOptions options;
    options.skipNonReference = c.skipNonReference;
    options.skipBidirectional = c.skipBidirectional;
    const VideoMotion motion =
        ReadVideoMotion((dir / "car.mp4").string(), options, [&](double share) {
            ascending = ascending && share > lastShare;
            lastShare = share;
        });
    ASSERT_TRUE(motion.ok()) << motion.error;
    EXPECT_EQ(motion.signal.source, MotionSignal::Source::Picture);
    EXPECT_NEAR(motion.signal.frameInterval, 1.0 / c.fps, 1e-6);
    EXPECT_TRUE(ascending);
    EXPECT_GT(lastShare, 0.9);
    const double frames = v.seconds * v.fps;
    if (c.skipBidirectional)
        EXPECT_LT(static_cast<double>(motion.signal.times.size()), 0.4 * frames);
    else if (c.skipNonReference)
        EXPECT_LT(static_cast<double>(motion.signal.times.size()), 0.75 * frames);
    else
        EXPECT_EQ(static_cast<double>(motion.signal.times.size()), frames - 1);

    const AutoSyncResult r = AutoSyncToLap(d.lap, motion.signal);
    ASSERT_TRUE(r.tied) << r.match.why << " peak " << r.peak << " sharpness " << r.sharpness;
    EXPECT_NEAR(r.lapStartInVideo, c.lapStartInVideo, 1.0 / c.fps);
    EXPECT_LT(r.plusMinus, 1.0 / c.fps);
    EXPECT_FALSE(r.driftApplied);
    // Video time 0 is the planted start on the lap's clock.
    EXPECT_NEAR((d.lap.Elm.front().DtTm - r.videoStartTime) * 86400, c.lapStartInVideo,
                1.0 / c.fps);
}

INSTANTIATE_TEST_SUITE_P(
    InCar, VideoAutoSync,
    ::testing::Values(TieCase{"StartsBeforeTheLap30fps", 30, 192, 108, 4.321, 7},
                      TieCase{"StartsInTheLap60fps", 60, 160, 90, -2.5, 11},
                      // B-frames left undecoded: fewer, uneven samples.
                      TieCase{"BFramesSkipped30fps", 30, 192, 108, 6.05, 5,
                              "-c:v libx264 -preset superfast -crf 23 -bf 3 -b_strategy 0", true},
                      // Every B-frame left undecoded, those others refer to
                      // too: a sample every fourth frame or so.
                      TieCase{"OnlyIAndPFrames30fps", 30, 192, 108, 3.71, 9,
                              "-c:v libx264 -preset superfast -crf 23 -bf 3 -b_strategy 0", false,
                              true},
                      // Luma of two bytes a sample, and a picture of no luma
                      // plane at all, scaled to grey first.
                      TieCase{"TenBitLuma30fps", 30, 192, 108, 5.2, 17,
                              "-c:v libx264 -preset ultrafast -crf 23", false, false,
                              "yuv420p10le"},
                      TieCase{"RgbPicture30fps", 30, 192, 108, 1.9, 19,
                              "-c:v libx264rgb -preset ultrafast -crf 23", false, false, "bgr0"}),
    [](const auto& info) { return std::string(info.param.name); });

// The tie as the window and the command line run it: key frames every
// second, then spans, on a video long enough for two passes.
class VideoAutoSyncTwoPasses : public ::testing::TestWithParam<TieCase> {};

TEST_P(VideoAutoSyncTwoPasses, TiesFromKeyFramesAndSpansWithinOneFrame) {
    const TieCase& c = GetParam();
    const DriveLap& d = DemoLap();
    test::TempDir dir;
    test::InCarVideo v;
    v.seconds = 50;
    v.fps = c.fps;
    v.width = c.width;
    v.height = c.height;
    v.seed = c.seed;
    v.codec = c.codec;
    v.startUtcMs = d.lapStartUtcMs - 1000 * c.lapStartInVideo;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "car.mp4", test::DriveHeading(d.drive), v));

    std::vector<MotionReadRequest::Kind> asked;
    const MotionReader file = VideoFileMotionReader((dir / "car.mp4").string());
    const MotionReader reader = [&](const MotionReadRequest& request,
                                    const MotionProgress& progress,
                                    const std::atomic<bool>* cancel) {
        asked.push_back(request.kind);
        return file(request, progress, cancel);
    };
    double lastShare = 0;
    const std::atomic<bool> cancel{false};
    const AutoSyncResult r = RunAutoSync(
        d.lap, reader, [&](double share) { lastShare = share; }, cancel);
    ASSERT_TRUE(r.tied) << r.match.why << " peak " << r.peak;
    EXPECT_TRUE(r.twoPasses);
    EXPECT_EQ(asked, (std::vector<MotionReadRequest::Kind>{MotionReadRequest::Kind::KeyFrames,
                                                           MotionReadRequest::Kind::Spans}));
    EXPECT_EQ(r.source, MotionSignal::Source::Picture);
    EXPECT_NEAR(r.lapStartInVideo, c.lapStartInVideo, 1.0 / c.fps);
    EXPECT_DOUBLE_EQ(lastShare, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Videos, VideoAutoSyncTwoPasses,
    ::testing::Values(TieCase{"BFrames30fps", 30, 192, 108, 4.321, 7,
                              "-c:v libx264 -preset superfast -crf 23 -bf 3 -g 30"},
                      // Another panorama and frame rate.
                      TieCase{"OnlyIAndPFrames60fps", 60, 160, 90, 6.55, 29,
                              "-c:v libx264 -preset superfast -crf 23 -bf 0 -g 30"}),
    [](const ::testing::TestParamInfo<TieCase>& info) { return info.param.name; });

// A camera that split its recording into two chapter files of 20 s each,
// the lap running on across the joint: the first chapter reads as the
// whole recording.
TEST(VideoAutoSyncChapters, TheLapTiesAcrossTheJointOfTwoChapters) {
    const DriveLap& d = DemoLap();
    constexpr double kLapStartInVideo = 2.37;
    constexpr double kChapterSeconds = 20;
    test::TempDir dir;
    test::InCarVideo v;
    v.seconds = kChapterSeconds;
    v.startUtcMs = d.lapStartUtcMs - 1000 * kLapStartInVideo;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "GX010042.MP4", test::DriveHeading(d.drive), v));
    v.startUtcMs += 1000 * kChapterSeconds;
    v.seed = 8;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "GX020042.MP4", test::DriveHeading(d.drive), v));

    const VideoMotion motion = ReadVideoMotion((dir / "GX010042.MP4").string());
    ASSERT_TRUE(motion.ok()) << motion.error;
    EXPECT_NEAR(motion.signal.duration, 2 * kChapterSeconds, 0.05);
    const double frame = 1.0 / v.fps;
    ASSERT_EQ(motion.signal.times.size(), static_cast<size_t>(2 * kChapterSeconds * v.fps) - 1);
    // The second chapter's frames follow the first's one frame apart.
    for (size_t i = 1; i < motion.signal.times.size(); ++i)
        ASSERT_NEAR(motion.signal.times[i] - motion.signal.times[i - 1], frame, 1e-3) << i;

    const AutoSyncResult r = AutoSyncToLap(d.lap, motion.signal);
    ASSERT_TRUE(r.tied) << r.match.why;
    EXPECT_NEAR(r.lapStartInVideo, kLapStartInVideo, frame);
    EXPECT_LT(r.plusMinus, frame);

    // The second chapter opened alone is a video of its own.
    const VideoMotion second = ReadVideoMotion((dir / "GX020042.MP4").string());
    ASSERT_TRUE(second.ok()) << second.error;
    EXPECT_NEAR(second.signal.duration, kChapterSeconds, 0.05);
    EXPECT_LT(second.signal.times.back(), kChapterSeconds);
}

// A car spinning at 150 deg/s: with only I- and P-frames read, a step spans
// four frames and the picture moves about 36 columns of 160 in it, beyond
// one frame's search range; the rate read must still be the spin's.
TEST(VideoMotionInput, AFastTurnReadsTheSameWithBFramesSkipped) {
    constexpr double kDegPerS = 150;
    synth::Drive spin;
    for (int k = 0; k <= 80; ++k) {
        synth::SynthFix f;
        f.utcMs = 100 * k;
        f.compassDeg = static_cast<float>(std::fmod(kDegPerS * k / 10.0, 360.0));
        spin.fixes.push_back(f);
    }
    test::TempDir dir;
    test::InCarVideo v;
    v.seconds = 6;
    v.codec = "-c:v libx264 -preset superfast -crf 23 -bf 3 -b_strategy 0";
    ASSERT_TRUE(test::MakeInCarVideo(dir / "spin.mp4", test::DriveHeading(spin), v));

    const auto medianRate = [&](bool skipB) {
        VideoMotionOptions options;
        options.skipBidirectional = skipB;
        VideoMotion m = ReadVideoMotion((dir / "spin.mp4").string(), options);
        EXPECT_TRUE(m.ok()) << m.error;
        std::vector<double>& r = m.signal.values;
        if (r.empty())
            return 0.0;
        std::nth_element(r.begin(), r.begin() + r.size() / 2, r.end());
        return r[r.size() / 2];
    };
    const double everyFrame = medianRate(false), iAndP = medianRate(true);
    const double columnsPerS = kDegPerS * 160 / v.fieldOfViewDeg;
    EXPECT_NEAR(std::fabs(everyFrame), columnsPerS, 0.1 * columnsPerS);
    EXPECT_NEAR(iAndP, everyFrame, 0.05 * std::fabs(everyFrame));
}

TEST(VideoAutoSyncRefusal, AVideoOfAnotherLapIsNotTied) {
    const DriveLap& d = DemoLap();
    const DriveLap other = LapOf(synth::FigureEightCircuit());
    test::TempDir dir;
    test::InCarVideo v;
    v.startUtcMs = other.lapStartUtcMs;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "other.mp4", test::DriveHeading(other.drive), v));
    const VideoMotion motion = ReadVideoMotion((dir / "other.mp4").string());
    ASSERT_TRUE(motion.ok()) << motion.error;
    const AutoSyncResult r = AutoSyncToLap(d.lap, motion.signal);
    EXPECT_FALSE(r.tied) << "tied at " << r.lapStartInVideo;
    EXPECT_EQ(r.message, kAutoSyncRefused);

    // With the whole signal's peak let through, the windows still refuse it.
    MotionMatchOptions lenient;
    lenient.minPeak = 0.2;
    lenient.minSharpness = 0;
    EXPECT_FALSE(AutoSyncToLap(d.lap, motion.signal, lenient).tied);

    // Nor does the two-pass job the window and the command line run.
    const std::atomic<bool> cancel{false};
    const AutoSyncResult job = RunAutoSync(
        d.lap, VideoFileMotionReader((dir / "other.mp4").string()), [](double) {}, cancel);
    EXPECT_FALSE(job.tied) << "tied at " << job.lapStartInVideo;
    EXPECT_EQ(job.message, kAutoSyncRefused);
}

TEST(VideoMotionInput, BadFilesAndCancelGiveNoSignal) {
    test::TempDir dir;
    test::WriteText(dir / "not a video.mp4", "just some text, no video at all");
    const VideoMotion missing = ReadVideoMotion((dir / "absent.mp4").string());
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error.empty());
    const VideoMotion text = ReadVideoMotion((dir / "not a video.mp4").string());
    EXPECT_FALSE(text.ok());
    EXPECT_TRUE(text.signal.empty());

    test::InCarVideo v;
    v.seconds = 2;
    v.startUtcMs = DemoLap().lapStartUtcMs;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "short.mp4", test::DriveHeading(DemoLap().drive), v));
    std::atomic<bool> cancel{true};
    const VideoMotion cancelled = ReadVideoMotion((dir / "short.mp4").string(), {}, {}, &cancel);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.ok());
}

TEST(VideoMotionInput, TheCameraGyroIsPreferredToThePicture) {
    test::TempDir dir;
    test::InCarVideo v;
    v.seconds = 1;
    v.startUtcMs = DemoLap().lapStartUtcMs;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "car.mp4", test::DriveHeading(DemoLap().drive), v));
    // STRM { SCAL s 1000, GYRO s x3 of four samples }: the second axis turns
    // most, at +-1 and +-0.5 rad/s.
    const std::vector<uint8_t> klv = {
        'S',  'T',  'R', 'M', 0,   1,   0,    44,   'S', 'C', 'A', 'L', 's',  2,    0, 1,  3, 0xE8,
        0,    0,    'G', 'Y', 'R', 'O', 's',  6,    0,   4,   0,   0,   0x03, 0xE8, 0, 0,  0, 0,
        0xFC, 0x18, 0,   0,   0,   10,  0x01, 0xF4, 0,   0,   0,   0,   0xFE, 0x0C, 0, 10, 0, 0};
    test::WriteBytes(dir / "gyro.bin", klv);
    const std::string mux =
        "ffmpeg -hide_banner -loglevel error -nostdin -y -i \"" + (dir / "car.mp4").string() +
        "\" -f data -i \"" + (dir / "gyro.bin").string() +
        "\" -map 0:v -map 1 -c copy -tag:d gpmd -f mov \"" + (dir / "car.mov").string() + "\"";
    ASSERT_EQ(std::system(mux.c_str()), 0);

    const VideoMotion gyro = ReadVideoMotion((dir / "car.mov").string());
    ASSERT_TRUE(gyro.ok()) << gyro.error;
    EXPECT_EQ(gyro.signal.source, MotionSignal::Source::Gyro);
    EXPECT_FALSE(gyro.signal.signKnown);
    const double radian = 180 / 3.14159265358979;
    const std::vector<double> expected = {1 * radian, -1 * radian, 0.5 * radian, -0.5 * radian};
    ASSERT_EQ(gyro.signal.values.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(gyro.signal.values[i], expected[i], 1e-9) << i;
    for (size_t i = 1; i < gyro.signal.times.size(); ++i)
        EXPECT_GT(gyro.signal.times[i], gyro.signal.times[i - 1]);

    VideoMotionOptions pictureOnly;
    pictureOnly.preferGyro = false;
    const VideoMotion picture = ReadVideoMotion((dir / "car.mov").string(), pictureOnly);
    ASSERT_TRUE(picture.ok()) << picture.error;
    EXPECT_EQ(picture.signal.source, MotionSignal::Source::Picture);
}

TEST(VideoAutoSyncText, TieAndPlusMinusInMilliseconds) {
    struct Case {
        double at, plusMinus;
        const char* text;
    } cases[] = {{12.345, 0.02, "tied at +12.345 s \xC2\xB1 0.020 s"},
                 {-2.5004, 0.0016, "tied at -2.500 s \xC2\xB1 0.002 s"}};
    for (const Case& c : cases) {
        AutoSyncResult r;
        r.tied = true;
        r.lapStartInVideo = c.at;
        r.plusMinus = c.plusMinus;
        EXPECT_EQ(AutoSyncTieText(r), c.text);
    }
}

}  // namespace
}  // namespace qv
