#pragma once
// The speed smoothing applied once to every log of the 4-KiB-block family
// (.bnx4 logs, .bon4 and .bnz4 run files) after decoding, before it is shown.

#include "core/stores.h"

namespace qv {

// Replaces the speed of every fix of the store by a weighted mean over its
// neighbours up to four places away that lie within 210 ms; the neighbours'
// speeds are always the unsmoothed ones. Log-block boundaries are ignored.
void SmoothSpeeds(LogStore& log);

}  // namespace qv
