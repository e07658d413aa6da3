#include "presentation/video_link.h"

#include <gtest/gtest.h>

#include "presentation/playback.h"

namespace qv {
namespace {

using K = StepKind;

// A 300 s video tied so that play time 0 is video time 32.7 s, with a 90 s
// lap: the tied range is 32.7 s ... 122.7 s.
PlayContext Tied() {
    PlayContext ctx;
    ctx.lapDtNum = 2;
    ctx.videoTabShowing = true;
    ctx.video.duration = 300'000'000;
    ctx.video.syncOn = true;
    ctx.video.syncStart = 32'700'000;
    ctx.video.syncEnd = 122'700'000;
    ctx.video.currentTime = 40'000'000;
    ctx.video.backStep = 330'000;
    return ctx;
}

TEST(VideoTimes, MappingBothWays) {
    const PlayContext ctx = Tied();
    EXPECT_EQ(MappedVideoTime(ctx.video, 12.3456789L), 32'700'000 + 12'345'678);
    EXPECT_EQ(MappedVideoTime(ctx.video, 0), 32'700'000);
    EXPECT_EQ(VideoPlayTime(ctx.video), 7.3L);
    // Absurd play times saturate instead of overflowing.
    EXPECT_GT(MappedVideoTime(ctx.video, 1e30L), 0);
}

TEST(VideoFollowsCursor, EveryConditionCounts) {
    EXPECT_TRUE(VideoFollowsCursor(Tied(), 10));
    PlayContext c = Tied();
    c.lapDtNum = 0;
    EXPECT_FALSE(VideoFollowsCursor(c, 10));
    c = Tied();
    c.videoTabShowing = false;
    EXPECT_FALSE(VideoFollowsCursor(c, 10));
    c = Tied();
    c.video.syncOn = false;
    EXPECT_FALSE(VideoFollowsCursor(c, 10));
    c = Tied();
    c.video.syncEnd = -1;  // tie made without a lap
    EXPECT_FALSE(VideoFollowsCursor(c, 10));
    // Mapped time beyond the video: 32.7 + 268 > 300 s.
    EXPECT_TRUE(VideoFollowsCursor(Tied(), 267.3L));
    EXPECT_FALSE(VideoFollowsCursor(Tied(), 267.31L));
}

TEST(VideoDrivesClock, OnlyWhilePlayingInsideTheTie) {
    PlayContext c = Tied();
    c.video.paused = false;
    EXPECT_TRUE(VideoDrivesClock(c));
    c.video.currentTime = 122'700'001;
    EXPECT_FALSE(VideoDrivesClock(c));
    c.video.currentTime = 32'699'999;
    EXPECT_FALSE(VideoDrivesClock(c));
    c = Tied();
    EXPECT_FALSE(VideoDrivesClock(c));  // paused
}

TEST(VideoDrivesClock, TickTakesVideoPosition) {
    PlayContext c = Tied();
    c.video.paused = false;
    PresentationState state;
    state.playing = true;
    state.lastTick = 45000.0;
    state.playSpeed = PlaySpeed::kX8;
    PlaybackTick(state, 90, 45000.0 + 0.066 / 86400, c);
    EXPECT_EQ(state.playTime, 7.3L);
}

TEST(SynchroniseVideo, StartPlaybackSeeksAndResumesAtRealSpeed) {
    PresentationState state;
    state.playSpeed = PlaySpeed::kX4;
    state.playTime = 10;  // video at 7.3 s: more than 0.1 s apart
    const StepList steps = PlayPause(state, 90, 45000.0, Tied());
    EXPECT_EQ(state.playSpeed, PlaySpeed::kX1);
    // The buttons are told, as the speed changed under them.
    EXPECT_EQ(steps,
              (StepList{{K::kShowPlaySpeed}, SeekStep(42'700'000, false), {K::kVideoResume}}));

    state = {};
    state.playTime = 7.35L;  // within 0.1 s: no seek
    EXPECT_EQ(PlayPause(state, 90, 45000.0, Tied()), StepList{{K::kVideoResume}});

    state = {};  // from 0: fast seek to the tie point
    EXPECT_EQ(PlayPause(state, 90, 45000.0, Tied()),
              (StepList{SeekStep(32'700'000, true), {K::kVideoResume}}));
}

TEST(SynchroniseVideo, PausingMarksSeekPending) {
    PresentationState state;
    state.playing = true;
    state.playTime = 20;
    EXPECT_EQ(PlayPause(state, 90, 45000.0, Tied()),
              (StepList{{K::kVideoSetSeekPending}, {K::kVideoPause}}));
    PlayContext untied = Tied();
    untied.video.syncOn = false;
    EXPECT_TRUE(PlayPause(state, 90, 45000.0, untied).empty());
}

TEST(StopPlayback, PausesOnlyATiedVideoThatPlays) {
    VideoStatus playing = Tied().video;
    playing.playing = true;
    playing.paused = false;
    VideoStatus free = playing;
    free.syncOn = false;
    for (const auto& [video, pauses] :
         {std::pair{playing, true}, std::pair{Tied().video, false}, std::pair{free, false}}) {
        PresentationState state;
        state.playing = true;
        EXPECT_EQ(StopPlayback(state, video), pauses ? StepList{{K::kVideoPause}} : StepList{});
        EXPECT_FALSE(state.playing);
    }
}

TEST(FrameStepsWithVideo, MoveTheVideoNotTheDisplay) {
    PresentationState state;
    state.playTime = 5;
    EXPECT_EQ(FrameForward(state, 90, Tied()),
              (StepList{{K::kVideoStepFrame}, {K::kVideoSetSeekPending}}));
    EXPECT_NEAR(static_cast<double>(state.playTime), 5.1, 1e-12);

    // Backward: one back step (0.33 s) from 40 s.
    EXPECT_EQ(FrameBackward(state, Tied()),
              (StepList{SeekStep(39'670'000, false), {K::kVideoSetSeekPending}}));
    // Near the tie start the target is held at it, with a fast seek.
    PlayContext c = Tied();
    c.video.currentTime = 32'800'000;
    EXPECT_EQ(FrameBackward(state, c),
              (StepList{SeekStep(32'700'000, true), {K::kVideoSetSeekPending}}));
    // While the player plays, frame steps leave it alone.
    c.video.playing = true;
    EXPECT_TRUE(FrameForward(state, 90, c).empty());
    // At the tie end the video does not step on.
    c = Tied();
    c.video.currentTime = c.video.syncEnd;
    EXPECT_TRUE(FrameForward(state, 90, c).empty());
}

TEST(FrameStepsWithVideo, LostTiePausesAPlayingVideo) {
    PresentationState state;
    PlayContext c = Tied();
    c.videoTabShowing = false;
    c.video.playing = true;
    const StepList steps = FrameForward(state, 90, c);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), Step{K::kVideoPause});
    EXPECT_EQ(steps.back(), Step{K::kRepaintDriftCursor});
}

TEST(CursorMovedByView, SeeksVideoOrRefreshes) {
    PresentationState state;
    state.playTime = 20;
    EXPECT_EQ(CursorMovedByView(state, Tied()),
              (StepList{{K::kVideoSetSeekPending}, SeekStep(52'700'000, false)}));
    state.playing = true;
    Step timer{K::kVideoStartTimer};
    timer.intervalMs = 264;
    EXPECT_EQ(CursorMovedByView(state, Tied()),
              (StepList{SeekStep(52'700'000, true), {K::kVideoResume}, timer}));
    PlayContext noVideo = Tied();
    noVideo.video.duration = 0;
    const StepList refresh = CursorMovedByView(state, noVideo);
    ASSERT_FALSE(refresh.empty());
    EXPECT_EQ(refresh.front(), SampleStep(0));
}

TEST(ToStartWithVideo, PausesAndSeeksToTheTie) {
    SectRes slotA;
    PresentationState state;
    state.playTime = 30;
    PlayContext c = Tied();
    c.video.playing = true;
    const StepList steps = ToStart(state, 0, slotA, c);
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[steps.size() - 2], Step{K::kVideoPause});
    EXPECT_EQ(steps.back(), SeekStep(32'700'000, true));
}

}  // namespace
}  // namespace qv
