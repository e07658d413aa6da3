#pragma once
// The zoom ladders of the speed graph's x axis, of the course map and of
// the G view. Each routine returns the next rung; at the end of a ladder
// the value stays.

#include "core/ext80.h"

namespace qv {

inline constexpr Float80 kXZoomMin = 1, kXZoomMax = 16;
inline constexpr Float80 kMapZoomMin = 0.5L, kMapZoomMax = 16;
inline constexpr int kGZoomStepMin = 0, kGZoomStepMax = 6;
inline constexpr int kGZoomStepCount = 7;

// 1, 1.25, 1.5, 1.75, 2, 3, 4 ... 16.
Float80 XZoomIn(Float80 zoom);
Float80 XZoomOut(Float80 zoom);

// 0.5, 0.6 ... 0.9, 1, 1.25, 1.5 ... 16.
Float80 MapZoomIn(Float80 zoom);
Float80 MapZoomOut(Float80 zoom);

// A smaller step is a larger picture: zooming in goes down the ladder.
int GZoomIn(int step);
int GZoomOut(int step);

// The G value of the outer ring of the G view (and of the G layers of the
// speed graph and the map's G read-out) at a zoom step; steps outside the
// ladder read as its nearest end.
Float80 GScale(int step);

}  // namespace qv
