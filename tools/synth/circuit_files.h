#pragma once
// The circuit files of a synthetic circuit: a track map of its inner and
// outer edge, its control line and three sector gates, written with the
// program's own writers.

#include <filesystem>
#include <string>

#include "geometry/sector_gates.h"
#include "geometry/track_map.h"
#include "laps/line_state.h"
#include "synth/drive.h"

namespace qv::synth {

// Two closed polylines (the first point repeated at the end) `halfWidthM`
// to the left and to the right of the centre line.
TrackMapStore CircuitTrackMap(const Circuit& circuit, double halfWidthM = 6);

// The start/finish line as a control line.
LineState CircuitControlLine(const Circuit& circuit);

// `count` gates (1 to 4) at equal shares of the centre line's points after
// the start/finish line, each reaching `halfLengthM` to both sides of the
// centre line and perpendicular to it, first crossing counted.
GateTable CircuitGates(const Circuit& circuit, int count = 3, double halfLengthM = 15);

struct CircuitFilePaths {
    std::filesystem::path pth, cln, sci;
};

struct CircuitFilesResult {
    bool ok = false;
    CircuitFilePaths paths;
    std::string error;  // the first failure
};

// Writes `baseName`.pth, .cln and .sci into `folder`, which must exist.
CircuitFilesResult WriteCircuitFiles(const Circuit& circuit, const std::filesystem::path& folder,
                                     const std::string& baseName);

}  // namespace qv::synth
