#pragma once
// What a whole lap list says beyond each lap: the achievable best lap, the
// sum of the best sector times and the consistency of the flying laps. The
// window's Data page and the command line both show it from here.

#include <string>
#include <vector>

#include "core/stores.h"
#include "dynamics/achievable_lap.h"
#include "dynamics/consistency.h"
#include "geometry/sector_gates.h"

namespace qv {

struct LapListSummary {
    std::vector<std::string> lapNames;  // column 1 of each listed row
    std::vector<double> lapSeconds;     // each row's lap time
    AchievableLap achievable;           // its lap indexes are list rows (0-based)
    // Of the laps that timed every sector; 0 without gates or without such a lap.
    double sumOfBestSectors = 0;
    Consistency consistency;
};

// Reads every listed lap from its temporary lap file; a lap whose file is
// gone still counts by its listed time but gives no pieces.
LapListSummary SummarizeLapList(const LapStore& store, const Folders& folders,
                                const GateTable& gates, const AchievableOptions& options = {});

// The pieces and times of any set of laps: the work of SummarizeLapList
// once the laps are read. `laps[k]` belongs to list row k.
LapListSummary SummarizeLaps(const std::vector<std::string>& names,
                             const std::vector<double>& lapSeconds,
                             const std::vector<std::vector<TLapElmRec>>& laps,
                             const GateTable& gates, const AchievableOptions& options = {});

// One line: the achievable lap's time and how far it is from the best
// real lap and from the sum of best sectors; empty without laps.
std::string AchievableText(const LapListSummary& summary);
// One line: flying laps, their mean and spread and the best five's average;
// empty without laps.
std::string ConsistencyText(const LapListSummary& summary);
// The command line's report: the achievable line, one line per piece with
// its lap and distance range, then the consistency line.
std::string BestLapReport(const LapListSummary& summary);

}  // namespace qv
