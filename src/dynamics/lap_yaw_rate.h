#pragma once
// The yaw rate of a lap from the travel heading of its smoothed track, in
// degrees a second, right turns positive, on the lap's `Sec` axis.

#include <span>

#include "core/motion_signal.h"
#include "core/records.h"

namespace qv {

MotionSignal LapYawRate(std::span<const TLapElmRec> samples);

}  // namespace qv
