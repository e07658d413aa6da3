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
    // The fine pass after a coarse one: windows this long, searched this
    // far either side of the coarse offset.
    int fineWindows = 5;
    double fineWindowSeconds = 6;
    double fineSearchSeconds = 0.75;
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
    // The video turns the other way to the log (a gyro mounted upside down).
    bool turnedOver = false;
    std::vector<WindowMatch> windows;
    std::string why;  // when not found, for diagnostics
};

// `log` on the log's time axis, `video` on the video's; the video's
// `frameInterval` and `duration` set the sub-frame goal and when the drift
// counts.
MotionMatch MatchMotion(const MotionSignal& log, const MotionSignal& video,
                        const MotionMatchOptions& options = {},
                        const std::atomic<bool>* cancel = nullptr);

// The video read in two passes. First one sample per key frame: the whole
// lag range searched for the peak, found (with `offset` to within a few
// steps, `peak` and `sharpness`) unless flat; no windows.
MotionMatch MatchMotionCoarse(const MotionSignal& log, const MotionSignal& keyFrames,
                              const MotionMatchOptions& options = {},
                              const std::atomic<bool>* cancel = nullptr);

// Then the windows to check, on the log's axis, spread over the part of the
// log the video covers at the coarse offset; fewer than three when it
// covers too little. `FineSpans` are the spans of video time they need.
std::vector<MotionSpan> FineWindows(const MotionSignal& log, double videoDuration, double offset,
                                    const MotionMatchOptions& options = {});
std::vector<MotionSpan> FineSpans(const std::vector<MotionSpan>& windows, double offset,
                                  const MotionMatchOptions& options = {});

// And the video read in those spans, gaps between them, matched on each
// window near the coarse offset: the tie, its ± and the drift as
// MatchMotion gives them.
MotionMatch MatchMotionWindows(const MotionSignal& log, const MotionSignal& videoSpans,
                               const MotionMatch& coarse, const std::vector<MotionSpan>& windows,
                               const MotionMatchOptions& options = {},
                               const std::atomic<bool>* cancel = nullptr);

}  // namespace qv
