#pragma once
// The best lap that could really be driven from the laps of a session: every
// lap is cut at the same points along a reference path, and the fastest
// pieces are joined only where the two laps pass within a hand's breadth of
// each other, so the result never jumps across the track.

#include <span>
#include <vector>

#include "core/records.h"

namespace qv {

struct AchievableOptions {
    double cutSpacingM = 25;    // between cut points along the reference path
    double joinToleranceM = 1;  // two laps may be joined where they pass this close
    // Half the width of the line laid across the track at a cut: a lap that
    // passes further from the reference path than this is not cut there.
    double cutHalfWidthM = 12;
    // A lap whose first and last points lie further apart than this does
    // not run from line to line (an out-lap, an in-lap) and is the
    // reference only when no lap does; it still gives pieces between the
    // cuts it passes.
    double loopGapM = 30;
    // Every lap's path is averaged over this span of time before it is cut:
    // the noise of single fixes would otherwise move each cut's time a
    // little, and picking the fastest piece at every cut adds those bits up
    // into a lap faster than any the car drove.
    double smoothingS = 1.0;
    // What a join must gain before it is made. What is left of the noise
    // still moves each cut's time by some milliseconds; without a price on
    // joining, the fastest pieces would collect those from every cut. It is
    // a price in the choice only: the time is the sum of the pieces.
    double joinCostS = 0.05;
};

// Consecutive cut intervals driven on one lap.
struct AchievablePiece {
    int lap = -1;      // index into the laps given
    double fromM = 0;  // along the reference lap, as logged
    double toM = 0;
    double seconds = 0;
};

struct AchievableLap {
    bool found = false;
    int referenceLap = -1;  // the fastest lap, one from line to line if any
    double referenceSeconds = 0;
    double seconds = 0;
    double lengthM = 0;  // of the reference lap, as logged
    int cuts = 0;        // cut points between the start and the end
    std::vector<AchievablePiece> pieces;
};

// `laps[k]` are the samples of lap k from its start. Nothing is found
// without a lap of two samples or more.
AchievableLap FindAchievableLap(const std::vector<std::span<const TLapElmRec>>& laps,
                                const AchievableOptions& options = {});

}  // namespace qv
