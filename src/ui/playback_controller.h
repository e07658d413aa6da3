#pragma once
// The playback cursor of the Graph page: the play/pause, frame and
// to-start commands, the 66 ms playback timer and the 100 ms key poll.
// Every command leaves its steps to the caller's runner and keeps the
// playback timer running exactly while the state says playing.

#include <functional>

#include "app/session.h"
#include "core/timer_service.h"
#include "presentation/input_rules.h"
#include "presentation/steps.h"
#include "presentation/video_link.h"

namespace qv::ui {

class PlaybackController {
  public:
    struct Hooks {
        std::function<void(const StepList&)> runSteps;
        std::function<void(bool playing)> playingChanged;  // the play / pause glyph
        std::function<bool()> graphTabShowing;
        std::function<bool()> applicationActive;
        std::function<KeyState()> keys;  // read and cleared by each poll
    };

    // The player as the playback rules see it and the orders they give it.
    struct VideoPort {
        std::function<VideoStatus()> status;
        std::function<bool()> tabShowing;
        std::function<void(const Step&)> run;
        std::function<void()> shutDown;
        std::function<void()> screenMoved;  // the window moved or changed screen
    };

    PlaybackController(Session& session, TimerService& timers, std::function<TDateTime()> now,
                       Hooks hooks);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    void PlayPause();
    void Forward();
    void Backward();
    void ToStart();
    // A click in a view set the play time.
    void CursorMovedByView();
    // Playback ends without a step (the graphs were cleared, laps removed).
    void Stop();

    // Starts the key poll; the program does, tests drive PollKeys by hand.
    void StartKeyPoll();
    void PollKeys();

    bool playing() const { return session_.presentation.playing; }

    void AttachVideo(VideoPort port) { video_ = std::move(port); }
    VideoStatus Video() const;
    // Carries out the video orders of a step list, in their order.
    void RunVideoSteps(const StepList& steps);
    // The one-shot video timer fired: the cursor goes to the video's position.
    void VideoMovedCursor();
    // The player is told where its picture now is on the screen.
    void VideoScreenMoved();
    // Stops the player before anything else goes; its events are dropped.
    void ShutDownVideo();
    TimerService& timers() { return timers_; }
    TDateTime Now() const { return now_(); }

  private:
    PlayContext Context() const;
    Float80 PlaybackEnd() const { return session_.align.MaxAlignedTim; }
    void Tick();
    void Finish(const StepList& steps);
    void SyncTimer();

    Session& session_;
    TimerService& timers_;
    std::function<TDateTime()> now_;
    Hooks hooks_;
    VideoPort video_;
    TimerService::TimerId playTimer_ = 0;
    TimerService::TimerId keyTimer_ = 0;
    bool glyphPlaying_ = false;
};

}  // namespace qv::ui
