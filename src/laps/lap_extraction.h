#pragma once
// Cutting the active fixes of the open log into laps at the control line,
// or into runs between a start and a finish line. Each lap becomes a
// temporary lap file and a lap-list row; laps are appended, never removed.

#include <string>

#include "laps/lap_session.h"

namespace qv {

// The second point of the line used when no line is set at all: a track
// that does not pass through it becomes one single lap.
inline constexpr Float80 kTinyLineEnd = 0.000001L;

struct ExtractionResult {
    int lapsAdded = 0;
    // The platform's message when a temporary lap file could not be
    // written; the extraction stopped there and earlier laps stay listed.
    std::string error;
};

// Circuit mode: laps from one control-line crossing to the next, plus the
// out-lap and the in-lap; laps failing MinLapDist, MinLapTime, a top speed
// of 4 km/h or an average of 2 km/h are skipped.
ExtractionResult ExtractCircuitLaps(LapSession& session);

// Start/finish mode: a run from a start-line crossing to the next
// finish-line crossing, never tested for plausibility; with the Rally
// option its start is the whole minute of the fix after the start line.
ExtractionResult ExtractStartFinishRuns(LapSession& session);

enum class ExtractionMode {
    Circuit,      // the control line is set
    StartFinish,  // start and finish lines are set
    WholeTrack,   // no line set: circuit mode on the tiny default line
    None,         // only one of start and finish is set
};

ExtractionMode ChooseExtractionMode(const LineState& lines);

// Runs the extraction of the mode the lines call for. Without any line the
// control line is set to the tiny default line (its flag stays clear).
ExtractionResult ExtractLaps(LapSession& session);

}  // namespace qv
