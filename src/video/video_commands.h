#pragma once
// The Video tab's commands and the player's events: open, remove, reload,
// sync and free, frame steps, the .vsy files, the check timer and the
// one-shot timer that moves the cursor to the video. The window forwards
// its buttons and the player's events here and paints what View() says.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/prompter.h"
#include "core/timer_service.h"
#include "presentation/steps.h"
#include "video/player.h"
#include "video/video_sync.h"

namespace qv {

inline constexpr int kVideoCheckMs = 100;
inline constexpr int kVideoSettleMs = 66;  // one-shot video timer after a step or seek

// The player's states from play to step count as showing a picture.
inline bool ShowsPicture(PlayerState s) {
    return s <= PlayerState::psStep;
}

inline constexpr const char* kVideoFilter =
    "Video Files|*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;"
    "*.OGM;*.RM;*.RMVB;*.TP;*.TS;*.VOB;*.WMV;|Any Files|*.*";

// The audio hook: the sound passes through as decoded.
void PassAudioThrough(int64_t time, int16_t* samples, int bytes, int sampleRate, int channels);

class VideoCommands {
  public:
    struct Host {
        std::function<SlotALap()> slotA;
        std::function<Float80()> playTime;
        std::function<bool()> lapPlaying;
        std::function<void()> pressPlayPause;  // the Graph page's play/pause
        std::function<bool()> videoTabShowing;
        std::function<void()> videoMovedCursor;  // the cursor follows the video
        // The screen window's size in device pixels.
        std::function<void(int& width, int& height)> screenSize;
        std::function<TDateTime()> now;
        std::function<void()> changed;  // repaint the tab
    };

    struct View {
        bool free = true;  // open, reset, play, frame steps, open sync info enabled
        bool saveSyncEnabled = false;
        bool barHint = true;
        bool pausedGlyph = true;  // the play glyph on "Play/Pause video"
        std::string timeLabel = ".";
        std::string startLabel = ".";
        std::string startHint;
        std::shared_ptr<const VideoImage> image;
    };

    // `sink` is the queued path back to Deliver on this thread.
    VideoCommands(Prompter& prompter, TimerService& timers, PlayerEventSink& sink, Host host,
                  std::filesystem::path documentsRoot);
    ~VideoCommands();
    VideoCommands(const VideoCommands&) = delete;
    VideoCommands& operator=(const VideoCommands&) = delete;

    void OpenVideo();
    void RemoveVideo();
    void ReloadVideo();
    void ResetVideoPlayTime();
    void PlayPauseVideo();
    void ForwardVideoFrame();
    void BackwardVideoFrame();
    void SyncFree();
    // Ties the video as "Sync" would with the cursor at the lap's start and
    // the video at `lapStartVideoTime` (µs, before the video's start when
    // negative); the player pauses on the frame at the cursor. False, with
    // the tie unchanged, without a video or a lap in slot A.
    bool TieLapStartAt(int64_t lapStartVideoTime);
    void OpenSyncInfo();
    void SaveSyncInfo();
    void BarClick(int width, int x);

    void Deliver(const PlayerEvent& event);
    void RunStep(const Step& step);
    // Stops the player; later events find nothing to do.
    void Shutdown();

    VideoStatus Status() const;
    const VideoSyncState& state() const { return s_; }
    const View& view() const { return view_; }
    Player& player() { return *player_; }

  private:
    void PrepareOpen();
    bool OpenPaused(const std::string& file);
    // No video loaded, untied, the player stopped; the .vsy name stays.
    void ForgetVideo();
    void ShowTied();
    void Free();
    void ShowTime();
    void CheckTick();
    void VideoTimerTick();
    void StartVideoTimer(int ms);
    void After(int ms, std::function<void()> then);
    void Changed();

    Prompter& prompter_;
    TimerService& timers_;
    Host host_;
    std::filesystem::path videoFolder_;
    std::filesystem::path syncFolder_;
    // The .vsy file last opened or saved, offered by both of its dialogs.
    std::string syncName_;
    VideoSyncState s_;
    View view_;
    LiveFilterValues filters_;
    std::unique_ptr<Player> player_;
    // Each open posts one file-open event; those of files closed before it
    // arrived are dropped.
    int fileOpensDue_ = 0;
    int fileOpensToDrop_ = 0;
    bool shutDown_ = false;
    TimerService::TimerId checkTimer_ = 0;
    TimerService::TimerId videoTimer_ = 0;
    std::vector<TimerService::TimerId> waits_;
};

}  // namespace qv
