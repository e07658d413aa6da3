#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "core/text_file.h"
#include "presentation/playback.h"
#include "support/child_run.h"
#include "support/manual_timers.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "video/test_videos.h"
#include "video/video_commands.h"

namespace qv::test {
namespace {

TDateTime At(int h, int n, int s, int ms) {
    return EncodeDate(2024, 5, 18) + EncodeTime(h, n, s, ms);
}

TEST(VideoSync, SyncAnchorsTheVideoStartAndTheLapOnTheVideo) {
    VideoSyncState s;
    s.duration = 300'000'000;
    const SlotALap lap{true, At(10, 0, 0, 0), 65.25};
    ASSERT_TRUE(SyncVideoAt(s, lap, 12.3L, 45'000'000));
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", s.videoStartTime), "09:59:27.300");
    EXPECT_EQ(s.syncStart, 32'700'000);
    EXPECT_EQ(s.syncEnd, 32'700'000 + 65'250'000);
    EXPECT_EQ(VideoStartText(s), "2024/05/18 09:59:27.300 ->");
    EXPECT_EQ(VideoStartHint(s), "2024/05/18 09:59:27.300 - 10:04:27.300");

    // The lap's end is cut at the video's.
    s.duration = 60'000'000;
    ASSERT_TRUE(SyncVideoAt(s, lap, 12.3L, 45'000'000));
    EXPECT_EQ(s.syncEnd, 60'000'000);

    // Another lap in slot A, 20 s later: it starts 20 s later in the video.
    ReanchorVideo(s, SlotALap{true, At(10, 0, 20, 0), 65.25});
    EXPECT_EQ(s.syncStart, 52'700'000);
    EXPECT_EQ(s.syncEnd, 60'000'000);

    VideoSyncState refused;
    refused.duration = 1;
    EXPECT_FALSE(SyncVideoAt(refused, SlotALap{}, 1, 0));
    EXPECT_FALSE(SyncVideoAt(refused, lap, 65.2506L, 0));
    EXPECT_TRUE(SyncVideoAt(refused, lap, 65.2504L, 0));  // equal in whole ms
}

TEST(VideoSync, BarBackStepAndTimeLabel) {
    EXPECT_EQ(VideoBarClickTime(300'000'000, 408, 204), 150'000'000);
    EXPECT_EQ(VideoBarClickTime(300'000'000, 408, 4), 0);
    EXPECT_EQ(VideoBarClickTime(300'000'000, 408, 3), std::nullopt);
    EXPECT_EQ(VideoBarClickTime(300'000'000, 408, 405), std::nullopt);
    EXPECT_EQ(VideoBarFillRight(150'000'000, 300'000'000, 408), 204);
    EXPECT_EQ(BackStepAt(99'000), 330'000);
    EXPECT_EQ(BackStepAt(500'000), 600'000);
    EXPECT_EQ(VideoTimeText(1'500'000, 3'000'000), "1.500000 / 3.000000 sec");
}

TEST(VideoSync, VsyTextAndItsReading) {
    const TDateTime start = At(9, 59, 27, 300);
    const std::string text = VsyFileText("/v/in car.mp4", start);
    EXPECT_EQ(text, "/v/in car.mp4\r\n2024/05/18 09:59:27.300\r\n");
    const std::optional<VsyContents> read = ParseVsyLines(SplitTextLines(text));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->videoPath, "/v/in car.mp4");
    ASSERT_TRUE(ParseVideoStart(read->startText).has_value());
    EXPECT_EQ(RoundToMs(*ParseVideoStart(read->startText)), RoundToMs(start));
    EXPECT_FALSE(ParseVsyLines(SplitTextLines(text + "extra\r\n")).has_value());
    EXPECT_FALSE(ParseVideoStart("18.05.2024 09:59").has_value());
    EXPECT_FALSE(ParseVideoStart("2024/13/18 09:59:27").has_value());
    // A day its month does not have, a year no file holds, a NUL inside.
    EXPECT_FALSE(ParseVideoStart("2023/02/29 09:59:27").has_value());
    EXPECT_TRUE(ParseVideoStart("2024/02/29 09:59:27").has_value());
    EXPECT_FALSE(ParseVideoStart("20202444/11/03 08:23:49.3").has_value());
    EXPECT_FALSE(ParseVideoStart(std::string("2024/11/03 08:23:49.3\0\0", 23)).has_value());
}

TEST(VideoSync, TheAudioHookLeavesBothChannelsAsDecoded) {
    for (int64_t time : {7'000'000, 12'000'000}) {
        std::vector<int16_t> block = {100, -200, 300, -400, 500, -600};
        const std::vector<int16_t> decoded = block;
        PassAudioThrough(time, block.data(), static_cast<int>(block.size() * 2), 44100, 2);
        EXPECT_EQ(block, decoded) << time;
    }
}

// The commands on a real player, with manual timers and scripted dialogs;
// the player's events are delivered as the window's queued calls would.
class VideoCommandsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        dir_ = new TempDir;
        video_ = (*dir_ / "counter.mp4").string();
        made_ = MakeTestVideo(video_, kH264);
    }
    static void TearDownTestSuite() { delete dir_; }
    void SetUp() override {
        ASSERT_TRUE(made_);
        VideoCommands::Host host;
        host.slotA = [this] { return lap_; };
        host.playTime = [this] { return state_.playTime; };
        host.lapPlaying = [this] { return state_.playing; };
        host.videoTabShowing = [] { return true; };
        host.videoMovedCursor = [this] {
            moved_ = true;
            VideoMovedCursor(state_, 1000, Context());
        };
        host.now = [] { return At(12, 0, 0, 0); };
        commands_ = std::make_unique<VideoCommands>(prompter_, timers_, queue_, std::move(host),
                                                    dir_->path());
    }
    PlayContext Context() const {
        PlayContext ctx;
        ctx.lapDtNum = lap_.occupied ? 1 : 0;
        ctx.videoTabShowing = true;
        ctx.video = commands_->Status();
        return ctx;
    }
    // Delivers the player's events and moves the manual clock until `done`.
    bool Run(const std::function<bool()>& done) {
        for (int k = 0; k < 500; ++k) {
            if (done())
                return true;
            queue_.Wait(std::chrono::milliseconds(10));
            for (const PlayerEvent& e : queue_.TakeAll())
                commands_->Deliver(e);
            timers_.Advance(10);
        }
        return done();
    }
    void RunSteps(const StepList& steps) {
        for (const Step& step : steps)
            commands_->RunStep(step);
    }
    void OpenVideo() {
        prompter_.files.push_back(video_);
        commands_->OpenVideo();
        // Opening nudges the picture on and measures the back step.
        ASSERT_TRUE(Run([&] {
            const VideoSyncState& s = commands_->state();
            return s.loaded() && !s.firstPosition && !s.secondPosition && timers_.Running() == 1;
        }));
    }
    int64_t Pts() { return commands_->player().CurrentPTS(); }

    static TempDir* dir_;
    static std::string video_;
    static bool made_;
    ScriptedPrompter prompter_;
    ManualTimers timers_;
    PlayerEventQueue queue_;
    SlotALap lap_{true, At(10, 0, 0, 0), 10.0};
    PresentationState state_;
    bool moved_ = false;
    std::unique_ptr<VideoCommands> commands_;
};

TempDir* VideoCommandsTest::dir_ = nullptr;
std::string VideoCommandsTest::video_;
bool VideoCommandsTest::made_ = false;

TEST_F(VideoCommandsTest, OpeningShowsTheFileAndCalibratesTheBackStep) {
    OpenVideo();
    const VideoSyncState& s = commands_->state();
    EXPECT_EQ(s.fileName, video_);
    EXPECT_FALSE(s.firstPosition);
    EXPECT_FALSE(s.secondPosition);
    // Nudged 66 ms on: the frame at 40 ms, so the smallest back step.
    EXPECT_EQ(Pts(), kFrameUs);
    EXPECT_EQ(s.backStep, 330'000);
    EXPECT_EQ(commands_->view().timeLabel, "0.040000 / 3.000000 sec");
    ASSERT_TRUE(commands_->view().image);
    EXPECT_EQ(FrameNumberOf(*commands_->view().image), 1);
}

TEST_F(VideoCommandsTest, TiedVideoFollowsTheCursorAndDrivesIt) {
    OpenVideo();
    state_.playTime = 0.5L;
    commands_->SyncFree();  // video at 0.04 s is the cursor at 0.5 s
    ASSERT_TRUE(commands_->state().syncOn);
    EXPECT_EQ(commands_->state().syncStart, kFrameUs - 500'000);
    EXPECT_FALSE(commands_->view().free);

    // A click puts the cursor at 1.5 s: the video goes to 1.04 s, and once
    // it is there the cursor is taken from it.
    state_.playTime = 1.5L;
    RunSteps(CursorMovedByView(state_, Context()));
    EXPECT_TRUE(commands_->state().seekPending);
    ASSERT_TRUE(Run([&] { return moved_; }));
    EXPECT_EQ(Pts(), 26 * kFrameUs);
    EXPECT_FALSE(commands_->state().seekPending);
    EXPECT_DOUBLE_EQ(static_cast<double>(state_.playTime), 1.5);

    // Playing from there, the video's clock becomes the cursor's.
    commands_->player().Resume();
    ASSERT_TRUE(Run([&] { return Pts() >= 40 * kFrameUs; }));
    state_.playing = true;
    const PlayContext ctx = Context();
    ASSERT_TRUE(VideoDrivesClock(ctx));
    PlaybackTick(state_, 1000, At(12, 0, 0, 0), ctx);
    EXPECT_NEAR(static_cast<double>(state_.playTime), (ctx.video.currentTime + 460'000) / 1e6,
                1e-9);
    commands_->player().Pause();
}

TEST_F(VideoCommandsTest, SyncInformationRoundTripsThroughAVsyFile) {
    OpenVideo();
    state_.playTime = 1.0L;
    commands_->SyncFree();
    ASSERT_TRUE(commands_->state().syncOn);
    const TDateTime start = commands_->state().videoStartTime;
    prompter_.files.push_back((*dir_ / "tie").string());
    commands_->SaveSyncInfo();
    const std::filesystem::path vsy = *dir_ / "tie.vsy";
    ASSERT_TRUE(std::filesystem::exists(vsy));
    EXPECT_EQ(SplitTextLines(ReadText(vsy)).size(), 2u);

    commands_->RemoveVideo();
    EXPECT_FALSE(commands_->state().loaded());
    lap_.startDtTm += 10.0 / 86400;  // another lap, 10 s later
    prompter_.files.push_back(vsy.string());
    commands_->OpenSyncInfo();
    const VideoSyncState& s = commands_->state();
    EXPECT_TRUE(s.syncOn);
    EXPECT_EQ(s.fileName, video_);
    EXPECT_EQ(RoundToMs(s.videoStartTime), RoundToMs(start));
    // From two date-times, each good to about a microsecond.
    EXPECT_NEAR(static_cast<double>(s.syncStart), kFrameUs - 1'000'000 + 10'000'000, 1);
    EXPECT_TRUE(prompter_.Messages().empty());
}

TEST_F(VideoCommandsTest, ASyncFileThatCannotBeWrittenWholeLeavesThePreviousOne) {
    const std::filesystem::path folder = *dir_ / "full-disk";
    std::filesystem::create_directories(folder);
    const std::filesystem::path vsy = folder / "tie.vsy";
    WriteText(vsy, "the previous tie\r\n");
    // In a child, where the file-size limit stays; the player starts there.
    const test::ChildRun run = test::RunInChild([&] {
        OpenVideo();
        state_.playTime = 1.0L;
        commands_->SyncFree();
        test::LimitFileSize(8);
        prompter_.files.push_back(vsy.string());
        prompter_.answers = {true};  // replace it
        commands_->SaveSyncInfo();
        test::LiftFileSizeLimit();
        std::string files;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            files += entry.path().filename().string() + "\n";
        return std::vector<std::string>{prompter_.LastMessage(), files, ReadText(vsy)};
    });
    ASSERT_TRUE(run.exitedNormally);
    ASSERT_EQ(run.fields.size(), 3u);
    EXPECT_NE(run.fields[0].find(std::strerror(EFBIG)), std::string::npos) << run.fields[0];
    EXPECT_EQ(run.fields[1], "tie.vsy\n");
    EXPECT_EQ(run.fields[2], "the previous tie\r\n");
}

TEST_F(VideoCommandsTest, BadSyncFilesAreIgnoredOrExplained) {
    WriteText(*dir_ / "three.vsy", video_ + "\r\n2024/05/18 10:00:00.000\r\nmore\r\n");
    WriteText(*dir_ / "gone.vsy", (*dir_ / "gone.mp4").string() + "\r\n2024/05/18 10:00:00\r\n");
    WriteText(*dir_ / "junk.mp4", "not a video");
    WriteText(*dir_ / "junk.vsy", (*dir_ / "junk.mp4").string() + "\r\nwhenever\r\n");
    prompter_.files.push_back((*dir_ / "three.vsy").string());
    commands_->OpenSyncInfo();
    EXPECT_TRUE(prompter_.Messages().empty());
    EXPECT_FALSE(commands_->state().loaded());
    prompter_.files.push_back((*dir_ / "gone.vsy").string());
    commands_->OpenSyncInfo();
    EXPECT_EQ(prompter_.LastMessage(), "Video file not found.");
    prompter_.files.push_back((*dir_ / "junk.vsy").string());
    commands_->OpenSyncInfo();
    EXPECT_EQ(prompter_.LastMessage(), "Failed to read video file.");
    EXPECT_FALSE(commands_->state().loaded());
    EXPECT_FALSE(commands_->state().syncOn);
}

// Whatever failed to open, the tab is left with no video: nothing to tie
// the laps to, no check timer, and the user is told.
TEST_F(VideoCommandsTest, AVideoThatDoesNotOpenLeavesNoVideoBehind) {
    const std::filesystem::path broken = *dir_ / "broken.mp4";
    WriteText(broken, "not a video");
    WriteText(*dir_ / "broken.vsy", broken.string() + "\r\n2024/05/18 10:00:00.000\r\n");
    const std::function<void()> failures[] = {
        [&] {
            prompter_.files.push_back(broken.string());
            commands_->OpenVideo();
        },
        [&] {
            prompter_.files.push_back((*dir_ / "broken.vsy").string());
            commands_->OpenSyncInfo();
        },
        [&] {  // a video spoiled since it was opened
            prompter_.files.push_back(broken.string());
            std::filesystem::copy_file(video_, broken,
                                       std::filesystem::copy_options::overwrite_existing);
            commands_->OpenVideo();
            WriteText(broken, "not a video");
            commands_->ReloadVideo();
        },
    };
    for (size_t k = 0; k < std::size(failures); ++k) {
        OpenVideo();
        prompter_.shown.clear();
        failures[k]();
        int ticks = 0;  // the waits and late events of the closed video
        Run([&ticks] { return ++ticks > 50; });
        EXPECT_EQ(prompter_.Messages(), std::vector<std::string>{"Failed to read video file."})
            << k;
        EXPECT_EQ(commands_->state().duration, 0) << k;
        EXPECT_EQ(commands_->state().fileName, "") << k;
        EXPECT_EQ(timers_.Running(), 0u) << k;
        commands_->SyncFree();
        EXPECT_FALSE(commands_->state().syncOn) << k;
    }
}

TEST_F(VideoCommandsTest, EachSyncDialogOffersTheFileTheOtherUsed) {
    const auto offered = [this] { return prompter_.shown.back().request.proposedName; };
    std::filesystem::remove(*dir_ / "offered.vsy");
    OpenVideo();
    commands_->SyncFree();
    prompter_.files.push_back((*dir_ / "offered").string());
    commands_->SaveSyncInfo();
    EXPECT_EQ(offered(), "");
    prompter_.files.push_back(std::nullopt);
    commands_->OpenSyncInfo();
    EXPECT_EQ(offered(), "offered.vsy");

    std::filesystem::copy_file(*dir_ / "offered.vsy", *dir_ / "copied.vsy",
                               std::filesystem::copy_options::overwrite_existing);
    commands_->SyncFree();
    prompter_.files.push_back((*dir_ / "copied.vsy").string());
    commands_->OpenSyncInfo();
    ASSERT_TRUE(commands_->state().syncOn);
    prompter_.files.push_back(std::nullopt);
    commands_->SaveSyncInfo();
    EXPECT_EQ(offered(), "copied.vsy");
}

TEST_F(VideoCommandsTest, AnAutomaticTieIsTheOneSyncMakesWithThePictureAtTheCursor) {
    OpenVideo();
    struct Case {
        Float80 cursor;             // play time when the tie comes
        int64_t lapStartVideoTime;  // where the analysis put the lap's start
        int64_t shownFrame;         // the frame the player is brought to
    };
    // The lap starting before the video, and after its start.
    const Case cases[] = {{0.5L, kFrameUs - 500'000, 1}, {1.5L, 220'000, 43}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lapStartVideoTime);
        // "Sync" pressed at the same moment by hand.
        ASSERT_TRUE(Run([&] { return commands_->player().Paused(); }));
        commands_->player().Seek(SeekFlag::kPrecise,
                                 c.lapStartVideoTime + static_cast<int64_t>(c.cursor * 1e6));
        ASSERT_TRUE(Run([&] { return Pts() == c.shownFrame * kFrameUs; }));
        state_.playTime = c.cursor;
        commands_->SyncFree();
        ASSERT_TRUE(commands_->state().syncOn);
        const VideoSyncState byHand = commands_->state();
        commands_->SyncFree();
        ASSERT_FALSE(commands_->state().syncOn);
        commands_->player().Seek(SeekFlag::kPrecise, 0);
        ASSERT_TRUE(Run([&] { return Pts() == 0; }));

        ASSERT_TRUE(commands_->TieLapStartAt(c.lapStartVideoTime));
        const VideoSyncState& s = commands_->state();
        EXPECT_TRUE(s.syncOn);
        EXPECT_EQ(s.syncStart, byHand.syncStart);
        EXPECT_EQ(s.syncEnd, byHand.syncEnd);
        EXPECT_EQ(VsyFileText(s.fileName, s.videoStartTime),
                  VsyFileText(byHand.fileName, byHand.videoStartTime));
        EXPECT_FALSE(commands_->view().free);
        EXPECT_TRUE(commands_->view().saveSyncEnabled);
        EXPECT_EQ(commands_->view().startLabel, VideoStartText(byHand));
        ASSERT_TRUE(Run([&] { return Pts() == c.shownFrame * kFrameUs; }));
        EXPECT_TRUE(commands_->player().Paused());
        commands_->SyncFree();
    }
}

TEST_F(VideoCommandsTest, AnAutomaticTieNeedsAVideoAndALapAndOtherwiseLeavesTheTie) {
    EXPECT_FALSE(commands_->TieLapStartAt(0));
    EXPECT_FALSE(commands_->state().syncOn);
    OpenVideo();
    state_.playTime = 1.0L;
    commands_->SyncFree();
    const int64_t tiedAt = commands_->state().syncStart;
    lap_.occupied = false;
    EXPECT_FALSE(commands_->TieLapStartAt(2'000'000));
    EXPECT_TRUE(commands_->state().syncOn);
    EXPECT_EQ(commands_->state().syncStart, tiedAt);
}

}  // namespace
}  // namespace qv::test
