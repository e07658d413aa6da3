#pragma once
// Which fixes the log-block map draws, and how: the polyline through the
// active fixes, thinned while the car stands, with its stops and its ends.

#include <vector>

#include "core/stores.h"

namespace qv {

inline constexpr float kTraceSlowKmh = 2.0f;
inline constexpr float kTraceStoppedKmh = 0.5f;

struct TracePoint {
    int fix = 0;           // index into LogItems
    bool slow = false;     // the segment reaching this fix is drawn as slow
    bool stopped = false;  // a stop circle marks this fix
};

struct LogTrace {
    // The polyline in drawing order; the first point starts it.
    std::vector<TracePoint> points;
    // Where " Start" and " End" are written; nothing when they coincide.
    bool labelled = false;
    int startFix = 0;
    int endFix = 0;
};

// From the first to the last active fix, every active fix at 2 km/h or
// more and every one on a whole second, so that a standing car adds one
// point a second.
LogTrace BuildLogTrace(const LogStore& log);

}  // namespace qv
