#pragma once
// A synthetic drive cut into lap samples at its true line crossings, as a
// lap file holds them: the input of tests and benchmarks that compare laps
// without going through lap extraction.

#include <vector>

#include "core/records.h"
#include "synth/drive.h"

namespace qv::synth {

// The fixes strictly between two instants (ms since 1970 UTC) and a sample
// interpolated at each of them; times from `fromUtcMs`, positions and
// speeds only.
std::vector<TLapElmRec> LapBetween(const Drive& drive, double fromUtcMs, double toUtcMs);

// One lap from each true line crossing to the next: the flying laps.
std::vector<std::vector<TLapElmRec>> LapsBetweenCrossings(const Drive& drive);

}  // namespace qv::synth
