#pragma once
// The whole automatic tie of a video to the lap in slot A, as the window
// and the command line run it. A camera gyro is matched whole; a picture is
// read in two passes: one sample per key frame for where the lap lies, then
// a few spans around that for the tie itself. Short videos, sparse key
// frames and a coarse peak too flat to trust are read and matched whole,
// so that a video of another lap is still refused by the full check.

#include <atomic>

#include "app/video_auto_sync.h"
#include "core/motion_signal.h"
#include "core/records.h"

namespace qv {

struct AutoSyncJobOptions {
    MotionMatchOptions match;
    // Below this length the whole video is read: two passes gain little.
    double leastTwoPassSeconds = 30;
    // Key frames further apart than this, or fewer samples than this, say
    // too little of the video's motion.
    double mostKeyFrameGapSeconds = 2;
    int leastKeyFrameSamples = 15;
};

// `read` reads the video's motion (the real reader, or a planted one);
// `progress` runs from 0 to 1 over both passes, on the calling thread.
AutoSyncResult RunAutoSync(const TLapDtRec& slotA, const MotionReader& read,
                           const MotionProgress& progress, const std::atomic<bool>& cancel,
                           const AutoSyncJobOptions& options = {});

}  // namespace qv
