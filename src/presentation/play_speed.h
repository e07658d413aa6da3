#pragma once
// The five play speeds of the playback strip and what each one means for a
// frame step and for the advance of the playback clock.

#include "core/ext80.h"

namespace qv {

// In the order of the radio buttons "/2", "x1", "x2", "x4", "x8".
enum class PlaySpeed { kHalf, kX1, kX2, kX4, kX8 };

inline constexpr int kPlaySpeedCount = 5;

// Seconds added or taken by one frame step: 0.05 at "/2" up to 0.8 at "x8".
Float80 FrameStep(PlaySpeed speed);

// Play time advanced per second of wall-clock time.
Float80 PlayFactor(PlaySpeed speed);

}  // namespace qv
