#pragma once
// How playback and the synchronised video follow each other. The window
// fills a VideoStatus from the player and the video state before each
// command; the answers come back as steps for the player.

#include <cstdint>

#include "core/ext80.h"
#include "presentation/presentation_state.h"
#include "presentation/steps.h"

namespace qv {

inline constexpr int kVideoCatchUpMs = 264;  // one-shot video timer after a seek in playback
inline constexpr int64_t kUsPerSecond = 1000000;

// Video times in µs.
struct VideoStatus {
    int64_t duration = 0;  // 0: no video loaded
    bool syncOn = false;
    int64_t syncStart = 0;
    int64_t syncEnd = -1;
    int64_t currentTime = 0;  // the player's current time
    bool playing = false;     // player state play or resume
    bool paused = true;       // the player's pause query
    int64_t backStep = kUsPerSecond;

    bool loaded() const { return duration > 0; }
};

// What the video rules need to know of the window besides the video.
struct PlayContext {
    int lapDtNum = 0;
    bool videoTabShowing = false;
    VideoStatus video;

    bool slotAOccupied() const { return lapDtNum >= 1; }
};

// sync start + trunc(play time in µs), saturated for absurd play times.
int64_t MappedVideoTime(const VideoStatus& video, Float80 playTime);

// The video's position as a play time: (current time - sync start) in s.
Float80 VideoPlayTime(const VideoStatus& video);

// The video is tied, showing, and its mapped time lies within it.
bool VideoTiedAt(const PlayContext& ctx, Float80 playTime);

// During playback the video's position becomes the play time.
bool VideoDrivesClock(const PlayContext& ctx);

// Frame steps and clicks move the video instead of the cursor display.
bool VideoFollowsCursor(const PlayContext& ctx, Float80 playTime);

// The follow test of the frame steps and clicks; when it fails although a
// video is tied, a playing player is paused.
bool CheckVideoFollows(const PlayContext& ctx, Float80 playTime, StepList& steps);

// After play/pause and at the playback end. While playing this forces the
// play speed to "x1", and the play-speed buttons are shown again when that
// changed it.
void AppendSynchroniseVideo(PresentationState& state, const PlayContext& ctx, StepList& steps);

// After a click moved the cursor while the video follows it.
void AppendSeekVideoToCursor(const PresentationState& state, const PlayContext& ctx,
                             StepList& steps);

void AppendVideoFrameForward(const VideoStatus& video, StepList& steps);
void AppendVideoFrameBackward(const VideoStatus& video, StepList& steps);

}  // namespace qv
