#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "support/temp_dir.h"
#include "video/player.h"
#include "video/test_videos.h"

namespace qv::test {
namespace {

// The videos are made once for all the tests of the process.
class PlayerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // A device that plays in real time with no sound card.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        dir_ = new TempDir;
        h264_ = (*dir_ / "counter.mp4").string();
        mpeg4_ = (*dir_ / "counter_mpeg4.mp4").string();
        // Transport streams seek anywhere, not to key frames; in both
        // these containers the sound starts before the first picture.
        ts_ = (*dir_ / "counter.ts").string();
        mkv_ = (*dir_ / "counter.mkv").string();
        made_ = MakeTestVideo(h264_, kH264) && MakeTestVideo(mpeg4_, kMpeg4) &&
                MakeTestVideo(ts_, kH264) && MakeTestVideo(mkv_, kMpeg4);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(made_) << "ffmpeg could not make the test videos"; }

    // Takes the player's events until `done` holds; false after 5 s.
    bool PumpUntil(const std::function<bool()>& done) {
        for (int k = 0; k < 500; ++k) {
            if (done())
                return true;
            queue_.Wait(std::chrono::milliseconds(10));
            for (PlayerEvent& e : queue_.TakeAll()) {
                if (e.kind == PlayerEventKind::kPosition && e.image)
                    image_ = e.image;
                if (e.kind == PlayerEventKind::kState)
                    states_.push_back(e.state);
                if (e.kind == PlayerEventKind::kFileOpen)
                    opened_ = e;
                ++positions_;
            }
        }
        return done();
    }
    bool SawState(PlayerState s) const {
        return std::find(states_.begin(), states_.end(), s) != states_.end();
    }
    int Shown() const { return image_ ? FrameNumberOf(*image_) : -1; }
    // Seeks and waits for the frame it lands on.
    int SeekTo(SeekFlag flag, int64_t time) {
        image_.reset();
        player_.Seek(flag, time);
        EXPECT_TRUE(PumpUntil([&] { return image_ != nullptr; }));
        return Shown();
    }
    void OpenPaused(const std::string& file) {
        image_.reset();
        ASSERT_TRUE(player_.Open(file, true));
        ASSERT_TRUE(PumpUntil([&] { return image_ != nullptr; }));
    }

    static TempDir* dir_;
    static std::string h264_;
    static std::string mpeg4_;
    static std::string ts_;
    static std::string mkv_;
    static bool made_;
    PlayerEventQueue queue_;
    LiveFilterValues live_;  // outlives the player, which reads it
    Player player_{queue_};
    std::shared_ptr<const VideoImage> image_;
    std::vector<PlayerState> states_;
    std::optional<PlayerEvent> opened_;
    int positions_ = 0;
};

TempDir* PlayerTest::dir_ = nullptr;
std::string PlayerTest::h264_;
std::string PlayerTest::mpeg4_;
std::string PlayerTest::ts_;
std::string PlayerTest::mkv_;
bool PlayerTest::made_ = false;

TEST_F(PlayerTest, OpensPausedOnTheFirstFrameWithItsDurationAndSize) {
    for (const std::string* file : {&h264_, &mpeg4_, &ts_, &mkv_}) {
        SCOPED_TRACE(*file);
        states_.clear();
        OpenPaused(*file);
        ASSERT_TRUE(opened_.has_value());
        EXPECT_NEAR(static_cast<double>(opened_->time), 3e6, 50000);
        EXPECT_EQ(opened_->frameWidth, 320);
        EXPECT_EQ(opened_->frameHeight, 240);
        EXPECT_EQ(player_.Duration(), opened_->time);
        EXPECT_EQ(Shown(), 0);
        EXPECT_EQ(player_.CurrentPTS(), 0);
        EXPECT_TRUE(player_.Paused());
        EXPECT_EQ(player_.State(), PlayerState::psPause);
        EXPECT_TRUE(AVLibLoaded());
        // A smaller picture gets the same frame again, scaled to fit it.
        image_.reset();
        player_.UpdateScreenPosition(160, 160);
        ASSERT_TRUE(PumpUntil([&] { return image_ != nullptr; }));
        EXPECT_EQ(image_->width, 160);
        EXPECT_EQ(image_->height, 120);
        EXPECT_EQ(Shown(), 0);
        player_.UpdateScreenPosition(0, 0);
    }
}

TEST_F(PlayerTest, PreciseSeekLandsOnTheFrameShowingAtTheTimeAndAnyOnTheKeyFrameBefore) {
    for (const std::string* file : {&h264_, &mpeg4_, &ts_, &mkv_}) {
        SCOPED_TRACE(*file);
        OpenPaused(*file);
        // Frames around the key frames (those of the MPEG-4 files lead
        // their B-frames by a varying number of frames) and between them,
        // going back and forth between groups.
        for (int frame : {37, 12, 60, 3,  0,  23, 24, 25, 26, 27, 28, 47,
                          48, 49, 50, 51, 52, 1,  70, 71, 72, 73, 74}) {
            EXPECT_EQ(SeekTo(SeekFlag::kPrecise, frame * kFrameUs), frame);
            EXPECT_EQ(player_.CurrentPTS(), frame * kFrameUs);
            EXPECT_LE(SeekTo(SeekFlag::sfAny, frame * kFrameUs), frame);
        }
        for (int frame : {37, 12, 60})
            EXPECT_EQ(SeekTo(SeekFlag::kPrecise, frame * kFrameUs + kFrameUs / 2), frame);
        // Beyond the end: the last frame.
        EXPECT_EQ(SeekTo(SeekFlag::kPrecise, 10'000'000), kFrames - 1);
    }
    // x264 puts its key frames exactly every 25 frames.
    OpenPaused(h264_);
    EXPECT_EQ(SeekTo(SeekFlag::sfAny, 37 * kFrameUs), 25);
    EXPECT_EQ(SeekTo(SeekFlag::sfAny, 24 * kFrameUs), 0);
    EXPECT_EQ(SeekTo(SeekFlag::sfAny, 50 * kFrameUs), 50);
}

TEST_F(PlayerTest, AVideoStoredTurnedIsShownUpright) {
    const std::filesystem::path half = *dir_ / "half.mp4";
    const std::filesystem::path quarter = *dir_ / "quarter.mp4";
    ASSERT_TRUE(TurnedCopy(h264_, half, 2) && TurnedCopy(h264_, quarter, 1));
    // Frame 1 has only stripe 0 white, at the left of the stored picture:
    // half a turn puts it at the right, where the stripes read 128.
    OpenPaused(half.string());
    EXPECT_EQ(SeekTo(SeekFlag::kPrecise, kFrameUs), 128);
    // A quarter turn clockwise stands the picture up, stripe 0 at the top.
    OpenPaused(quarter.string());
    ASSERT_TRUE(opened_.has_value());
    EXPECT_EQ(opened_->frameWidth, 240);
    EXPECT_EQ(opened_->frameHeight, 320);
    SeekTo(SeekFlag::kPrecise, kFrameUs);
    ASSERT_EQ(image_->width, 240);
    ASSERT_EQ(image_->height, 320);
    const auto green = [&](int x, int y) {
        return image_->pixels[static_cast<size_t>(y) * image_->stride + x * 4 + 1];
    };
    EXPECT_GT(green(120, 20), 128);
    EXPECT_LT(green(120, 300), 128);
}

TEST_F(PlayerTest, LiveFilterValuesShowOnTheNextFrameAndZeroShowsItAsDecoded) {
    LiveFilterValues& live = live_;
    player_.vfilters = VideoFilterText(0, 0, 0, 0);
    player_.liveFilters = &live;
    OpenPaused(h264_);
    // Frame 1 has stripe 0 white and the other stripes black.
    const auto blackLevel = [&] {
        const VideoImage& im = *image_;
        return im.pixels[static_cast<size_t>(im.height / 2) * im.stride + (im.width * 7 / 8) * 4];
    };
    ASSERT_EQ(SeekTo(SeekFlag::kPrecise, kFrameUs), 1);
    const int asDecoded = blackLevel();
    live.brightness = 30;
    ASSERT_EQ(SeekTo(SeekFlag::kPrecise, kFrameUs), 1);
    EXPECT_GT(blackLevel(), asDecoded + 40);
    live.brightness = 0;
    ASSERT_EQ(SeekTo(SeekFlag::kPrecise, kFrameUs), 1);
    EXPECT_EQ(blackLevel(), asDecoded);
}

TEST_F(PlayerTest, FrameStepAdvancesByExactlyOneFrame) {
    OpenPaused(h264_);
    ASSERT_EQ(SeekTo(SeekFlag::kPrecise, 23 * kFrameUs), 23);
    for (int expected = 24; expected <= 27; ++expected) {  // across a key frame
        image_.reset();
        states_.clear();
        player_.StepToNextFrame();
        ASSERT_TRUE(PumpUntil([&] { return image_ != nullptr && SawState(PlayerState::psStep); }));
        EXPECT_EQ(Shown(), expected);
        EXPECT_EQ(player_.CurrentPTS(), expected * kFrameUs);
        EXPECT_EQ(player_.State(), PlayerState::psStep);
    }
}

TEST_F(PlayerTest, PauseAndResumeReportTheirStatesAndPlayingReachesTheEnd) {
    OpenPaused(h264_);
    player_.Resume();
    EXPECT_FALSE(player_.Paused());
    ASSERT_TRUE(PumpUntil([&] { return Shown() >= 5; }));
    EXPECT_TRUE(SawState(PlayerState::psResume));
    player_.Pause();
    ASSERT_TRUE(PumpUntil([&] { return SawState(PlayerState::psPause); }));
    EXPECT_TRUE(player_.Paused());
    EXPECT_EQ(player_.State(), PlayerState::psPause);
    const int64_t stopped = player_.CurrentPTS();
    queue_.Wait(std::chrono::milliseconds(150));
    EXPECT_EQ(player_.CurrentPTS(), stopped);

    player_.Seek(SeekFlag::kPrecise, 2'800'000);
    player_.TogglePause();
    ASSERT_TRUE(PumpUntil([&] { return SawState(PlayerState::psEnd); }));
    EXPECT_EQ(Shown(), kFrames - 1);
    EXPECT_TRUE(player_.Paused());
    player_.Stop();
    ASSERT_TRUE(PumpUntil([&] { return SawState(PlayerState::psStop); }));
    EXPECT_EQ(player_.Duration(), 0);
}

TEST_F(PlayerTest, SoundPassesTheHookOnBothChannelsWhileItPlays) {
    std::atomic<int> blocks{0};
    std::atomic<int> channels{0};
    std::atomic<bool> leftHeard{false};
    std::atomic<bool> rightHeard{false};
    player_.onAudioHook = [&](int64_t, int16_t* samples, int bytes, int, int ch) {
        channels = ch;
        for (int k = 0; k + 1 < bytes / 2; k += ch) {
            leftHeard = leftHeard || samples[k] != 0;
            rightHeard = rightHeard || (ch == 2 && samples[k + 1] != 0);
        }
        ++blocks;
    };
    OpenPaused(h264_);
    if (!player_.HasAudio())
        GTEST_SKIP() << "no audio device, not even SDL's dummy one";
    player_.Resume();
    ASSERT_TRUE(PumpUntil([&] { return blocks > 4 && Shown() >= 5; }));
    player_.Pause();
    EXPECT_EQ(channels, 2);
    EXPECT_TRUE(leftHeard);
    EXPECT_TRUE(rightHeard);
}

TEST_F(PlayerTest, WhatIsNotAPlayableVideoFailsToOpenAndLeavesThePlayerUsable) {
    TempDir scratch;
    WriteText(scratch / "notes.mp4", "this is not a video\n");
    const std::vector<uint8_t> whole = ReadBytes(h264_);
    WriteBytes(scratch / "half.mp4",
               std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2));
    WriteBytes(scratch / "empty.mp4", {});
    for (const char* name : {"notes.mp4", "half.mp4", "empty.mp4", "missing.mp4"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(player_.Open((scratch / name).string(), true));
        EXPECT_EQ(player_.Duration(), 0);
        player_.Seek(SeekFlag::sfAny, 0);
        player_.Resume();
        player_.StepToNextFrame();
    }
    OpenPaused(mpeg4_);
    EXPECT_EQ(Shown(), 0);
}

}  // namespace
}  // namespace qv::test
