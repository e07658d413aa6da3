#include "ui/playback_controller.h"

#include <algorithm>

#include "presentation/playback.h"

namespace qv::ui {
namespace {

bool IsVideoStep(StepKind kind) {
    switch (kind) {
        case StepKind::kVideoReanchor:
        case StepKind::kVideoSeek:
        case StepKind::kVideoPause:
        case StepKind::kVideoResume:
        case StepKind::kVideoStepFrame:
        case StepKind::kVideoSetSeekPending:
        case StepKind::kVideoStartTimer:
            return true;
        default:
            return false;
    }
}

}  // namespace

PlaybackController::PlaybackController(Session& session, TimerService& timers,
                                       std::function<TDateTime()> now, Hooks hooks)
    : session_(session), timers_(timers), now_(std::move(now)), hooks_(std::move(hooks)) {}

PlaybackController::~PlaybackController() {
    timers_.Stop(playTimer_);
    timers_.Stop(keyTimer_);
}

PlayContext PlaybackController::Context() const {
    PlayContext ctx;
    ctx.lapDtNum = session_.laps.LapDtNum();
    ctx.video = Video();
    ctx.videoTabShowing = video_.tabShowing && video_.tabShowing();
    return ctx;
}

VideoStatus PlaybackController::Video() const {
    return video_.status ? video_.status() : VideoStatus{};
}

void PlaybackController::RunVideoSteps(const StepList& steps) {
    if (!video_.run)
        return;
    for (const Step& step : steps) {
        if (IsVideoStep(step.kind))
            video_.run(step);
    }
}

void PlaybackController::VideoMovedCursor() {
    Finish(qv::VideoMovedCursor(session_.presentation, PlaybackEnd(), Context()));
}

void PlaybackController::VideoScreenMoved() {
    if (video_.screenMoved)
        video_.screenMoved();
}

void PlaybackController::ShutDownVideo() {
    if (video_.shutDown)
        video_.shutDown();
    video_ = VideoPort{};
}

void PlaybackController::PlayPause() {
    Finish(qv::PlayPause(session_.presentation, PlaybackEnd(), now_(), Context()));
}

void PlaybackController::Forward() {
    Finish(FrameForward(session_.presentation, PlaybackEnd(), Context()));
}

void PlaybackController::Backward() {
    Finish(FrameBackward(session_.presentation, Context()));
}

void PlaybackController::ToStart() {
    const int gates = session_.gates.UsedCount();
    const int alignGate = std::min(session_.align.AlignGate, gates);
    Finish(qv::ToStart(session_.presentation, alignGate, session_.sectRes[0], Context()));
}

void PlaybackController::CursorMovedByView() {
    Finish(qv::CursorMovedByView(session_.presentation, Context()));
}

void PlaybackController::Stop() {
    session_.presentation.playing = false;
    SyncTimer();
}

void PlaybackController::Tick() {
    Finish(PlaybackTick(session_.presentation, PlaybackEnd(), now_(), Context()));
}

void PlaybackController::StartKeyPoll() {
    timers_.Stop(keyTimer_);
    keyTimer_ = timers_.Start(kKeyPollMs, false, [this] { PollKeys(); });
}

void PlaybackController::PollKeys() {
    KeyPollContext ctx;
    ctx.applicationActive = hooks_.applicationActive && hooks_.applicationActive();
    ctx.graphTabShowing = hooks_.graphTabShowing && hooks_.graphTabShowing();
    ctx.play = Context();
    const KeyState keys = hooks_.keys ? hooks_.keys() : KeyState{};
    const KeyPollResult result =
        qv::PollKeys(session_.presentation, PlaybackEnd(), now_(), keys, ctx);
    Finish(result.steps);
    if (keyTimer_ != 0) {
        timers_.Stop(keyTimer_);
        keyTimer_ = timers_.Start(result.nextPollMs, false, [this] { PollKeys(); });
    }
}

void PlaybackController::Finish(const StepList& steps) {
    SyncTimer();
    if (!steps.empty() && hooks_.runSteps)
        hooks_.runSteps(steps);
}

void PlaybackController::SyncTimer() {
    const bool playing = session_.presentation.playing;
    if (playing && playTimer_ == 0) {
        playTimer_ = timers_.Start(kPlayTickMs, true, [this] { Tick(); });
    } else if (!playing && playTimer_ != 0) {
        timers_.Stop(playTimer_);
        playTimer_ = 0;
    }
    if (playing != glyphPlaying_) {
        glyphPlaying_ = playing;
        if (hooks_.playingChanged)
            hooks_.playingChanged(playing);
    }
}

}  // namespace qv::ui
