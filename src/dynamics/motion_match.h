#pragma once
// Where a video's motion lies on the log's time axis: the two turn-rate
// signals are cross-correlated, the peak refined below one frame and
// checked on several windows; the windows give the ± and the drift of the
// camera's clock.

#include <atomic>
#include <string>
#include <vector>

#include "core/motion_signal.h"

namespace qv {

struct MotionMatchOptions {
    int windows = 5;
    double minWindowSeconds = 8;
    double minOverlapSeconds = 15;
    // Each window looks this far either side of the whole signal's peak.
    double windowSearchSeconds = 3;
    // Below this correlation, or this far above the best rival peak, the
    // peak counts as flat.
    double minPeak = 0.5;
    double minSharpness = 0.08;
    // The windows agree when each lies this close to the straight line
    // through them all (at least two frames).
    double agreeSeconds = 0.15;
    double maxDriftPpm = 2000;
};

struct WindowMatch {
    double logTime = 0;  // s, the window's middle on the log's axis
    double offset = 0;   // s, video time minus log time
    double peak = 0;     // correlation at the peak
};

struct MotionMatch {
    bool found = false;
    bool cancelled = false;
    // Video time (s) at log time 0, at the drift found when that is applied.
    double offset = 0;
    double plusMinus = 0;  // s, about 95 % of the windows
    double peak = 0;       // correlation of the whole overlap at its peak
    double sharpness = 0;  // the peak above the best rival peak
    double driftPpm = 0;   // the video's clock against the log's, fast positive
    bool driftApplied = false;
    std::vector<WindowMatch> windows;
    std::string why;  // when not found, for diagnostics
};

// `log` on the log's time axis, `video` on the video's; the video's
// `frameInterval` and `duration` set the sub-frame goal and when the drift
// counts.
MotionMatch MatchMotion(const MotionSignal& log, const MotionSignal& video,
                        const MotionMatchOptions& options = {},
                        const std::atomic<bool>* cancel = nullptr);

}  // namespace qv
