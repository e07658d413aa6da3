#pragma once
// The tie between video time and lap time, and the small rules around the
// Video tab: the anchors, the bar, the labels and the .vsy file. Video
// times are µs; date-times are TDateTime days.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/ext80.h"
#include "presentation/video_link.h"

namespace qv {

inline constexpr int64_t kVideoBackStepAfterOpen = 1000000;

struct VideoSyncState {
    std::string fileName;  // empty: none
    int64_t duration = 0;  // 0: no video loaded
    bool syncOn = false;
    int64_t syncVideoTime = 0;
    TDateTime syncDateTime = 0;
    TDateTime videoStartTime = 0;
    TDateTime videoEndTime = 0;
    int64_t syncStart = 0;
    int64_t syncEnd = -1;
    bool seekPending = false;
    bool firstPosition = false;
    bool secondPosition = false;
    int64_t backStep = kVideoBackStepAfterOpen;
    int64_t lastShownTime = 0;
    int brightness = 0, contrast = 0, hue = 0, saturation = 0;

    bool loaded() const { return duration > 0; }
};

// What the tie needs of the lap in slot A.
struct SlotALap {
    bool occupied = false;
    TDateTime startDtTm = 0;  // of its first sample
    double lastSec = 0;       // `Sec` of its last sample
};

// Sync: refused (false) without a lap, or with the play time past the lap's
// end; both compared in whole milliseconds.
bool SyncVideoAt(VideoSyncState& s, const SlotALap& lap, Float80 playTime, int64_t currentPts);
// After another lap went into slot A; only while tied.
void ReanchorVideo(VideoSyncState& s, const SlotALap& lap);
// The tie read from a .vsy file: video time 0 is at `videoStart`.
void AnchorVideoAt(VideoSyncState& s, const SlotALap& lap, TDateTime videoStart);

// The frame-back step measured at the second position report after opening.
int64_t BackStepAt(int64_t currentPts);

// The bar: its red fill's right edge, and where a click seeks to (nothing
// outside the frame).
int VideoBarFillRight(int64_t currentPts, int64_t duration, int width);
std::optional<int64_t> VideoBarClickTime(int64_t duration, int width, int x);

std::string VideoTimeText(int64_t currentPts, int64_t duration);
// The start label's text and hint while tied.
std::string VideoStartText(const VideoSyncState& s);
std::string VideoStartHint(const VideoSyncState& s);

// The .vsy file: the video's path and its start time, CR LF.
std::string VsyFileText(const std::string& videoPath, TDateTime videoStart);
struct VsyContents {
    std::string videoPath;
    std::string startText;
};
// Exactly two lines, else nothing.
std::optional<VsyContents> ParseVsyLines(const std::vector<std::string>& lines);
// "yyyy/mm/dd hh:nn:ss.zzz", milliseconds optional; nothing when unreadable.
std::optional<TDateTime> ParseVideoStart(const std::string& text);

// What the playback rules see of the video.
VideoStatus StatusOf(const VideoSyncState& s, int64_t currentPts, bool playing, bool paused);

}  // namespace qv
