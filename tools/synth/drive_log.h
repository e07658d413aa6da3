#pragma once
// A synthetic drive put straight into the fix store, as a decoder would
// leave it, with every run ticked: the input of extraction tests and
// benchmarks that should not depend on any log format.

#include "core/stores.h"
#include "synth/drive.h"

namespace qv::synth {

// Replaces the log's fixes with the drive's (up to the store's capacity),
// forms the runs by the one-minute gap rule and ticks them all.
void LoadDriveIntoLog(const Drive& drive, LogStore& log, TDateTime localTimeBase);

// The local date-time of a true UTC instant of the drive.
TDateTime LocalTimeOfUtcMs(double utcMs, TDateTime localTimeBase);

}  // namespace qv::synth
