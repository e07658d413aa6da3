#include "presentation/playback.h"

#include <algorithm>
#include <cstdlib>

#include "presentation/refresh_sequence.h"

namespace qv {
namespace {

constexpr int64_t kMsPerMinute = 60000;

// True when the play time went past the end and was put back on it.
bool ClampAtEnd(PresentationState& state, Float80 playbackEnd) {
    if (!(state.playTime > playbackEnd))
        return false;
    state.playTime = playbackEnd;
    state.playing = false;
    return true;
}

}  // namespace

Float80 TickElapsedSeconds(TDateTime now, TDateTime lastTick) {
    const int64_t ms = std::llabs(RoundToMs(now - lastTick));
    return static_cast<Float80>(ms % kMsPerMinute) / 1000;
}

StepList PlayPause(PresentationState& state, Float80 playbackEnd, TDateTime now,
                   const PlayContext& ctx) {
    StepList steps;
    if (!ctx.slotAOccupied())
        return steps;
    if (state.playTime >= playbackEnd)
        state.playTime = 0;
    if (!state.playing) {
        state.lastTick = now;
        state.playing = true;
    } else {
        state.playing = false;
    }
    AppendSynchroniseVideo(state, ctx, steps);
    return steps;
}

StepList PlaybackTick(PresentationState& state, Float80 playbackEnd, TDateTime now,
                      const PlayContext& ctx) {
    StepList steps;
    if (!state.playing)
        return steps;
    const Float80 elapsed = state.lastTick ? TickElapsedSeconds(now, *state.lastTick) : 0;
    state.lastTick = now;
    if (VideoDrivesClock(ctx))
        state.playTime = VideoPlayTime(ctx.video);
    else
        state.playTime += elapsed * PlayFactor(state.playSpeed);
    if (ClampAtEnd(state, playbackEnd))
        AppendSynchroniseVideo(state, ctx, steps);
    AppendCursorRefresh(steps, ctx.lapDtNum);
    return steps;
}

StepList FrameForward(PresentationState& state, Float80 playbackEnd, const PlayContext& ctx) {
    StepList steps;
    if (!ctx.slotAOccupied())
        return steps;
    state.playTime += FrameStep(state.playSpeed);
    if (CheckVideoFollows(ctx, state.playTime, steps)) {
        AppendVideoFrameForward(ctx.video, steps);
        return steps;
    }
    ClampAtEnd(state, playbackEnd);
    AppendCursorRefresh(steps, ctx.lapDtNum);
    return steps;
}

StepList FrameBackward(PresentationState& state, const PlayContext& ctx) {
    StepList steps;
    if (!ctx.slotAOccupied())
        return steps;
    state.playTime = std::max<Float80>(0, state.playTime - FrameStep(state.playSpeed));
    if (CheckVideoFollows(ctx, state.playTime, steps)) {
        AppendVideoFrameBackward(ctx.video, steps);
        return steps;
    }
    AppendCursorRefresh(steps, ctx.lapDtNum);
    return steps;
}

StepList ToStart(PresentationState& state, int alignGate, const SectRes& slotARes,
                 const PlayContext& ctx) {
    StepList steps;
    state.playing = false;
    const bool toGate =
        state.playTime == 0 && ctx.slotAOccupied() && alignGate >= 1 && alignGate <= MaxSectGate;
    state.playTime = toGate ? static_cast<Float80>(slotARes.SectPassTim[alignGate - 1]) : 0;
    AppendCursorRefresh(steps, ctx.lapDtNum);
    const VideoStatus& v = ctx.video;
    if (v.loaded()) {
        if (v.playing)
            steps.push_back({StepKind::kVideoPause});
        const int64_t mapped = MappedVideoTime(v, state.playTime);
        if (v.syncOn && mapped >= 0 && mapped <= v.duration)
            steps.push_back(SeekStep(mapped, true));
    }
    return steps;
}

StepList VideoMovedCursor(PresentationState& state, Float80 playbackEnd, const PlayContext& ctx) {
    StepList steps;
    if (!ctx.video.loaded())
        return steps;
    state.playTime = std::max<Float80>(0, VideoPlayTime(ctx.video));
    ClampAtEnd(state, playbackEnd);
    AppendCursorRefresh(steps, ctx.lapDtNum);
    return steps;
}

StepList CursorMovedByView(PresentationState& state, const PlayContext& ctx) {
    StepList steps;
    if (CheckVideoFollows(ctx, state.playTime, steps))
        AppendSeekVideoToCursor(state, ctx, steps);
    else
        AppendCursorRefresh(steps, ctx.lapDtNum);
    return steps;
}

StepList StopPlayback(PresentationState& state, const VideoStatus& video) {
    state.playing = false;
    StepList steps;
    if (video.loaded() && video.syncOn && video.playing)
        steps.push_back({StepKind::kVideoPause});
    return steps;
}

}  // namespace qv
