#pragma once
// The lower layer of the log-block map: the track map and the traces of
// the ticked runs.

#include <QImage>

#include "core/stores.h"
#include "geometry/track_map.h"
#include "laps/log_block_rules.h"

namespace qv::ui {

inline constexpr QRgb kTrackMapGrey = qRgb(0xDE, 0xDE, 0xDE);  // 14606046

// Fills `image` (sized in device pixels, with its device pixel ratio set)
// white and draws on it in the projection's pixels.
void PaintTraceMap(QImage& image, const MapProjection& projection, const LogStore& log,
                   const TrackMapStore& trackMap, bool showStop);

}  // namespace qv::ui
