#pragma once
// The automatic tie of a video to the lap in slot A from the motion of both:
// the result is the tie that "Sync" makes (the video's start time, read by
// AnchorVideoAt and written to the .vsy), with its ± and the camera
// clock's drift.

#include <atomic>
#include <string>

#include "core/date_time.h"
#include "core/motion_signal.h"
#include "core/records.h"
#include "dynamics/motion_match.h"

namespace qv {

inline constexpr const char* kAutoSyncRefused = "could not find the moment: tie it by hand";

struct AutoSyncResult {
    bool tied = false;
    bool cancelled = false;
    std::string message;  // kAutoSyncRefused when not tied
    // Video time (s) at the lap's first sample, the video sync start.
    double lapStartInVideo = 0;
    double plusMinus = 0;  // s
    double sharpness = 0;
    double peak = 0;
    double driftPpm = 0;
    bool driftApplied = false;
    TDateTime videoStartTime = 0;  // the date-time of video time 0
    MotionMatch match;
    MotionSignal::Source source = MotionSignal::Source::None;  // of the video's motion
    bool twoPasses = false;  // tied from key frames and spans, not the whole video
    std::string readError;   // the video could not be read; also the message
};

// The tie `match` makes of the lap in slot A.
AutoSyncResult AutoSyncOfMatch(const TLapDtRec& slotA, const MotionMatch& match);

AutoSyncResult AutoSyncToLap(const TLapDtRec& slotA, const MotionSignal& videoMotion,
                             const MotionMatchOptions& options = {},
                             const std::atomic<bool>* cancel = nullptr);

// "tied at +12.345 s ± 0.020 s"
std::string AutoSyncTieText(const AutoSyncResult& result);

}  // namespace qv
