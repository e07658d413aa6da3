#pragma once
// Laps for tests of the lap file readers: samples from a synthetic drive or
// from a list of positions, their .csvv text form and .dtb files.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/date_time.h"
#include "core/records.h"
#include "synth/drive.h"

namespace qv::synth {

// One sample per fix: Tm and Sec counted from the first fix, Dist the
// running ground distance, UseSat the satellites used. With `withDirections`
// Dir is the travel direction in the program's convention (compass + 180);
// without, 0 as the log decoders leave it.
std::vector<TLapElmRec> LapSamplesOfFixes(std::span<const SynthFix> fixes, TDateTime localTimeBase,
                                          bool withDirections = true);

// Samples through `points`, `stepSeconds` apart from `start`, each with the
// speed of the step that reaches it (the first with that of the second)
// and Dir 0.
std::vector<TLapElmRec> LapSamplesOfPositions(std::span<const LatLon> points, double stepSeconds,
                                              TDateTime start, double elevationM = 100,
                                              int useSat = 8);

// The text lap form, CR LF after every line; without `withSatellites` the
// optional ninth field is left out.
std::string CsvvText(std::span<const TLapElmRec> samples, bool withSatellites = true);

WriteResult WriteDtbFile(const std::filesystem::path& path, std::span<const TLapElmRec> samples);

}  // namespace qv::synth
