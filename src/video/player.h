#pragma once
// The video player: demuxing and decoding on a reader thread, frames timed
// on a presenter thread, sound through SDL2 on its audio thread. Commands
// come from the window thread; what happens is reported through the event
// sink. Video times are microseconds from the start of the file.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "video/player_events.h"

namespace qv {

enum class SeekFlag { kPrecise, sfAny };
enum class VideoDriver { vdDefault };
enum class AudioDriver { adDefault, adNone };

// Brightness, contrast, hue and saturation; 0 leaves the picture as it is.
// Read by the filters for every frame, so a change shows on the next one.
struct LiveFilterValues {
    std::atomic<int> brightness{0};  // -100 ... 100
    std::atomic<int> contrast{0};    // -100 ... 100
    std::atomic<int> hue{0};         // degrees
    std::atomic<int> saturation{0};  // -100 ... 100
};

// The filter chain text for libavfilter with the values given.
std::string VideoFilterText(int brightness, int contrast, int hue, int saturation);

// Runs on the audio thread for every block before it is played: 16-bit
// interleaved samples that the hook may change in place.
using AudioHook =
    std::function<void(int64_t time, int16_t* samples, int bytes, int sampleRate, int channels)>;

// The FFmpeg libraries are linked with the program.
bool LoadAVLib(const std::string& folder);
bool AVLibLoaded();

class Player {
  public:
    explicit Player(PlayerEventSink& sink);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Set before Open.
    std::string vfilters;
    LiveFilterValues* liveFilters = nullptr;
    VideoDriver videoDriver = VideoDriver::vdDefault;
    AudioDriver audioDriver = AudioDriver::adDefault;
    AudioHook onAudioHook;
    // How many seconds of video play in a second; sound plays only at 1.
    double playRate = 1.0;

    // Closes what is open, then opens `file`. False, with nothing open, when
    // it is not a video that can be decoded. Posts the file-open event and
    // shows the first frame.
    bool Open(const std::string& file, bool paused);
    // Precise: the frame showing at `time`. sfAny: the key frame at or
    // before it. Times outside the file are taken to its ends.
    void Seek(SeekFlag flag, int64_t time);
    void Pause();
    void Resume();
    void TogglePause();
    bool Paused() const;
    // Shows the next frame; while playing it pauses first.
    void StepToNextFrame();
    // Stops the threads and closes the file.
    void Stop();

    int64_t CurrentPTS() const;
    PlayerState State() const;
    int64_t Duration() const;
    bool HasAudio() const;
    // The screen window's size in device pixels, which changes when the
    // window is resized or moved to another screen: frames are scaled down
    // to fit it with their aspect kept; 0 keeps their own size. A paused
    // picture is shown again at the new size.
    void UpdateScreenPosition(int width, int height);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv
