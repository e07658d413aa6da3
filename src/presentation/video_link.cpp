#include "presentation/video_link.h"

#include <cmath>
#include <limits>

namespace qv {
namespace {

constexpr Float80 kResyncTolerance = 0.1L;  // s between cursor and video before a seek

int64_t SaturatingTrunc(Float80 v) {
    constexpr Float80 kLimit = static_cast<Float80>(std::numeric_limits<int64_t>::max() / 2);
    if (std::isnan(v))
        return 0;
    if (v >= kLimit)
        return std::numeric_limits<int64_t>::max() / 2;
    if (v <= -kLimit)
        return -(std::numeric_limits<int64_t>::max() / 2);
    return static_cast<int64_t>(v);
}

bool SyncUsable(const PlayContext& ctx) {
    const VideoStatus& v = ctx.video;
    return v.loaded() && v.syncOn && ctx.videoTabShowing && v.syncEnd >= 0 &&
           v.syncStart <= v.duration;
}

}  // namespace

int64_t MappedVideoTime(const VideoStatus& video, Float80 playTime) {
    return video.syncStart + SaturatingTrunc(playTime * kUsPerSecond);
}

Float80 VideoPlayTime(const VideoStatus& video) {
    return static_cast<Float80>(video.currentTime - video.syncStart) / kUsPerSecond;
}

bool VideoTiedAt(const PlayContext& ctx, Float80 playTime) {
    if (!SyncUsable(ctx))
        return false;
    const int64_t mapped = MappedVideoTime(ctx.video, playTime);
    return mapped >= 0 && mapped <= ctx.video.duration;
}

bool VideoDrivesClock(const PlayContext& ctx) {
    const VideoStatus& v = ctx.video;
    return ctx.videoTabShowing && v.loaded() && v.syncOn && v.syncEnd > 0 &&
           v.syncStart < v.duration && !v.paused && v.syncStart <= v.currentTime &&
           v.currentTime <= v.syncEnd;
}

bool VideoFollowsCursor(const PlayContext& ctx, Float80 playTime) {
    return ctx.slotAOccupied() && VideoTiedAt(ctx, playTime);
}

bool CheckVideoFollows(const PlayContext& ctx, Float80 playTime, StepList& steps) {
    if (VideoFollowsCursor(ctx, playTime))
        return true;
    if (ctx.video.loaded() && ctx.video.syncOn && ctx.video.playing)
        steps.push_back({StepKind::kVideoPause});
    return false;
}

void AppendSynchroniseVideo(PresentationState& state, const PlayContext& ctx, StepList& steps) {
    if (!VideoTiedAt(ctx, state.playTime))
        return;
    if (!state.playing) {
        steps.push_back({StepKind::kVideoSetSeekPending});
        steps.push_back({StepKind::kVideoPause});
        return;
    }
    if (state.playSpeed != PlaySpeed::kX1) {
        state.playSpeed = PlaySpeed::kX1;
        steps.push_back({StepKind::kShowPlaySpeed});
    }
    if (state.playTime != 0) {
        if (std::fabs(VideoPlayTime(ctx.video) - state.playTime) > kResyncTolerance)
            steps.push_back(SeekStep(MappedVideoTime(ctx.video, state.playTime), false));
    } else {
        steps.push_back(SeekStep(ctx.video.syncStart, true));
    }
    steps.push_back({StepKind::kVideoResume});
}

void AppendSeekVideoToCursor(const PresentationState& state, const PlayContext& ctx,
                             StepList& steps) {
    const int64_t target = MappedVideoTime(ctx.video, state.playTime);
    if (state.playing) {
        steps.push_back(SeekStep(target, true));
        if (!ctx.video.playing)
            steps.push_back({StepKind::kVideoResume});
        Step timer{StepKind::kVideoStartTimer};
        timer.intervalMs = kVideoCatchUpMs;
        steps.push_back(timer);
    } else {
        steps.push_back({StepKind::kVideoSetSeekPending});
        steps.push_back(SeekStep(target, false));
    }
}

void AppendVideoFrameForward(const VideoStatus& video, StepList& steps) {
    if (!video.loaded() || !video.syncOn || video.playing)
        return;
    if (video.currentTime < video.syncEnd) {
        steps.push_back({StepKind::kVideoStepFrame});
        steps.push_back({StepKind::kVideoSetSeekPending});
    }
}

void AppendVideoFrameBackward(const VideoStatus& video, StepList& steps) {
    if (!video.loaded() || !video.syncOn || video.playing)
        return;
    if (video.currentTime < video.syncStart)
        return;
    const int64_t target = video.currentTime - video.backStep;
    if (target < video.syncStart)
        steps.push_back(SeekStep(video.syncStart, true));
    else
        steps.push_back(SeekStep(target, false));
    steps.push_back({StepKind::kVideoSetSeekPending});
}

}  // namespace qv
