#include "presentation/playback.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "manual_clock.h"

namespace qv {
namespace {

bool Has(const StepList& steps, StepKind kind) {
    return std::any_of(steps.begin(), steps.end(),
                       [kind](const Step& s) { return s.kind == kind; });
}

PlayContext OneLap() {
    PlayContext ctx;
    ctx.lapDtNum = 1;
    return ctx;
}

TEST(PlaySpeed, StepsAndFactorsPerSpeed) {
    const PlaySpeed speeds[] = {PlaySpeed::kHalf, PlaySpeed::kX1, PlaySpeed::kX2, PlaySpeed::kX4,
                                PlaySpeed::kX8};
    const double steps[] = {0.05, 0.1, 0.2, 0.4, 0.8};
    const double factors[] = {0.5, 1, 2, 4, 8};
    for (int i = 0; i < kPlaySpeedCount; ++i) {
        EXPECT_NEAR(static_cast<double>(FrameStep(speeds[i])), steps[i], 1e-15);
        EXPECT_EQ(static_cast<double>(PlayFactor(speeds[i])), factors[i]);
    }
}

TEST(TickElapsed, KeepsSecondsAndMillisecondsOnly) {
    test::ManualClock clock;
    const TDateTime start = clock.now;
    clock.AdvanceMs(66);
    EXPECT_NEAR(static_cast<double>(TickElapsedSeconds(clock.now, start)), 0.066, 1e-12);
    // 2 min 3.25 s: the whole minutes are dropped.
    clock.AdvanceMs(123250 - 66);
    EXPECT_NEAR(static_cast<double>(TickElapsedSeconds(clock.now, start)), 3.25, 1e-12);
    EXPECT_EQ(TickElapsedSeconds(start, start), 0);
}

TEST(PlaybackTick, AdvancesByElapsedTimesSpeed) {
    struct Case {
        PlaySpeed speed;
        double perTick;
    };
    for (const Case c : {Case{PlaySpeed::kHalf, 0.033}, Case{PlaySpeed::kX1, 0.066},
                         Case{PlaySpeed::kX8, 0.528}}) {
        PresentationState state;
        state.playSpeed = c.speed;
        test::ManualClock clock;
        ASSERT_TRUE(PlayPause(state, 100, clock.now, OneLap()).empty());
        ASSERT_TRUE(state.playing);
        for (int i = 1; i <= 3; ++i) {
            clock.AdvanceMs(kPlayTickMs);
            const StepList steps = PlaybackTick(state, 100, clock.now, OneLap());
            EXPECT_NEAR(static_cast<double>(state.playTime), i * c.perTick, 1e-9);
            EXPECT_TRUE(Has(steps, StepKind::kSampleAtRefDist));
        }
    }
}

TEST(PlaybackTick, StopsAtPlaybackEnd) {
    PresentationState state;
    state.playTime = 59.5;
    test::ManualClock clock;
    PlayPause(state, 60, clock.now, OneLap());
    ASSERT_EQ(state.playTime, 59.5L);  // not at the end: no restart
    for (int i = 0; i < 7; ++i) {
        clock.AdvanceMs(kPlayTickMs);
        PlaybackTick(state, 60, clock.now, OneLap());
        EXPECT_TRUE(state.playing) << "tick " << i;
    }
    EXPECT_NEAR(static_cast<double>(state.playTime), 59.962, 1e-9);
    clock.AdvanceMs(kPlayTickMs);
    const StepList steps = PlaybackTick(state, 60, clock.now, OneLap());
    EXPECT_EQ(state.playTime, 60);
    EXPECT_FALSE(state.playing);
    EXPECT_TRUE(Has(steps, StepKind::kRepaintSpeedGraph));
    // Stopped: further ticks change nothing.
    clock.AdvanceMs(kPlayTickMs);
    EXPECT_TRUE(PlaybackTick(state, 60, clock.now, OneLap()).empty());
    EXPECT_EQ(state.playTime, 60);
}

TEST(PlayPause, FromTheEndRestartsAndTogglesBack) {
    PresentationState state;
    state.playTime = 80;
    test::ManualClock clock;
    PlayPause(state, 80, clock.now, OneLap());
    EXPECT_EQ(state.playTime, 0);
    EXPECT_TRUE(state.playing);
    ASSERT_TRUE(state.lastTick.has_value());
    EXPECT_EQ(*state.lastTick, clock.now);
    clock.AdvanceMs(kPlayTickMs);
    PlaybackTick(state, 80, clock.now, OneLap());
    PlayPause(state, 80, clock.now, OneLap());
    EXPECT_FALSE(state.playing);
    EXPECT_NEAR(static_cast<double>(state.playTime), 0.066, 1e-12);
}

TEST(PlayPause, ZeroLengthPlaybackNeverRuns) {
    // A lap with a playback end of 0 (a single sample) plays from 0 and the
    // first tick stops it again.
    PresentationState state;
    test::ManualClock clock;
    PlayPause(state, 0, clock.now, OneLap());
    clock.AdvanceMs(kPlayTickMs);
    PlaybackTick(state, 0, clock.now, OneLap());
    EXPECT_EQ(state.playTime, 0);
    EXPECT_FALSE(state.playing);
}

TEST(PlaybackCommands, IgnoredWithoutReferenceLap) {
    PresentationState state;
    state.playTime = 5;
    const PlayContext empty;
    test::ManualClock clock;
    EXPECT_TRUE(PlayPause(state, 10, clock.now, empty).empty());
    EXPECT_FALSE(state.playing);
    EXPECT_TRUE(FrameForward(state, 10, empty).empty());
    EXPECT_TRUE(FrameBackward(state, empty).empty());
    EXPECT_EQ(state.playTime, 5);
}

TEST(FrameSteps, SizesAndLimits) {
    PresentationState state;
    state.playSpeed = PlaySpeed::kHalf;
    FrameForward(state, 10, OneLap());
    EXPECT_NEAR(static_cast<double>(state.playTime), 0.05, 1e-15);

    state.playSpeed = PlaySpeed::kX1;
    state.playTime = 0.03L;
    const StepList back = FrameBackward(state, OneLap());
    EXPECT_EQ(state.playTime, 0);
    EXPECT_TRUE(Has(back, StepKind::kSampleAtTime));

    state.playSpeed = PlaySpeed::kX8;
    state.playTime = 9.5;
    state.playing = true;
    FrameForward(state, 10, OneLap());
    EXPECT_EQ(state.playTime, 10);
    EXPECT_FALSE(state.playing);
}

TEST(ToStart, SecondPressGoesToAlignmentGate) {
    SectRes slotA;
    slotA.SectPassTim[0] = 21.5L;
    slotA.SectPassTim[1] = 47.25L;
    PresentationState state;
    state.playTime = 33;
    state.playing = true;
    ToStart(state, 2, slotA, OneLap());
    EXPECT_EQ(state.playTime, 0);
    EXPECT_FALSE(state.playing);
    const StepList steps = ToStart(state, 2, slotA, OneLap());
    EXPECT_EQ(state.playTime, 47.25L);
    EXPECT_TRUE(Has(steps, StepKind::kRepaintCourseMap));
    // A third press leaves the gate for 0 again.
    ToStart(state, 2, slotA, OneLap());
    EXPECT_EQ(state.playTime, 0);
}

TEST(ToStart, WithoutGateOrLapStaysAtZero) {
    SectRes slotA;
    slotA.SectPassTim[0] = 21.5L;
    PresentationState state;
    ToStart(state, 0, slotA, OneLap());
    EXPECT_EQ(state.playTime, 0);
    ToStart(state, 1, slotA, PlayContext{});
    EXPECT_EQ(state.playTime, 0);
    // A gate number beyond the table is not read.
    ToStart(state, 9, slotA, OneLap());
    EXPECT_EQ(state.playTime, 0);
}

TEST(VideoMovedCursor, TakesVideoPositionWithinLimits) {
    PlayContext ctx = OneLap();
    ctx.video.duration = 100'000'000;
    ctx.video.syncStart = 30'000'000;
    PresentationState state;
    ctx.video.currentTime = 42'500'000;
    VideoMovedCursor(state, 60, ctx);
    EXPECT_EQ(state.playTime, 12.5L);
    ctx.video.currentTime = 10'000'000;  // before the sync start
    VideoMovedCursor(state, 60, ctx);
    EXPECT_EQ(state.playTime, 0);
    state.playing = true;
    ctx.video.currentTime = 99'000'000;  // beyond the playback end
    const StepList steps = VideoMovedCursor(state, 60, ctx);
    EXPECT_EQ(state.playTime, 60);
    EXPECT_FALSE(state.playing);
    EXPECT_TRUE(Has(steps, StepKind::kSetDataStr));
}

}  // namespace
}  // namespace qv
