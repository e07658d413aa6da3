#pragma once
// Cutting the active fixes of the open log into laps at the control line,
// or into runs between a start and a finish line. Each lap becomes a
// temporary lap file and a lap-list row; laps are appended, never removed.

#include <string>
#include <vector>

#include "laps/lap_session.h"

namespace qv {

// The second point of the line used when no line is set at all: a track
// that does not pass through it becomes one single lap.
inline constexpr Float80 kTinyLineEnd = 0.000001L;

// Why a lap cut in circuit mode was not listed; the tests run in this order
// and the first one failed is named.
enum class LapDrop {
    None,             // listed
    BelowMinLapTime,  // shorter than MinLapTime
    BelowMinLapDist,  // shorter than MinLapDist
    TopSpeedBelow4,   // top speed below 4 km/h
    AverageBelow2,    // average speed below 2 km/h
};

// A lap as cut, before the plausibility tests.
struct LapCandidate {
    TDateTime start = 0;
    Float80 lapSec = 0;
    Float80 distKm = 0;
    Float80 topSpeed = 0;       // km/h
    Float80 uncertaintyMs = 0;  // ± around lapSec at about 95 % confidence
    LapDrop drop = LapDrop::None;
};

struct ExtractionResult {
    int lapsAdded = 0;
    // Every lap or run cut, in order, listed or not. A lap that could not be
    // written counts as listed.
    std::vector<LapCandidate> candidates;
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
