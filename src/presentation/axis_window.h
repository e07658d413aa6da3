#pragma once
// The visible part of the speed graph's x axis. At zoom 1 the whole range
// shows; zoomed in, the window follows the cursor, centred on it except
// near either end of the range, where it stops at the end.

#include "core/ext80.h"
#include "presentation/presentation_state.h"

namespace qv {

struct XWindow {
    Float80 start = 0;  // X0
    Float80 span = 0;   // S
    bool zoomed = false;
};

// The whole x range: the playback end on the time axis, the longest lap
// distance on the distance axis.
Float80 XAxisFull(XAxisMode mode, Float80 playbackEnd, Float80 longestLapDist);

// Where the cursor stands on the x axis: the play time, or slot A's
// distance at the cursor (`CsDist`).
Float80 XAxisCursor(XAxisMode mode, Float80 playTime, Float80 slotACursorDist);

// A pixel offset truncated toward zero, as every view maps values; what
// lies beyond the int range stays at its end, and NaN gives 0.
int TruncToPixel(Float80 v);

XWindow XWindowFor(Float80 full, Float80 zoom, Float80 cursor);

// Plot pixel of an x value (also of the cursor line), for a plot `width` px
// wide starting at `left`; `left` when the window is empty.
int XToPixel(const XWindow& window, Float80 value, int left, int width);

// The x value under a plot pixel; the window start for a plot of no width.
Float80 PixelToX(const XWindow& window, int x, int left, int width);

}  // namespace qv
