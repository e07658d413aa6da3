#pragma once
// Where time was won and lost, corner by corner: for every corner of the
// reference lap (slot A) and every comparison lap (slots B-D), the time
// gained or lost over the corner's stretch of track, the braking point,
// the lowest speed, the exit speed and the time spent in the corner. The
// window's Corners tab and `quorvane-cli corners` show the same table.

#include <string>
#include <vector>

#include "core/records.h"
#include "core/settings.h"
#include "dynamics/align_state.h"
#include "dynamics/corners.h"
#include "dynamics/lap_alignment.h"

namespace qv {

struct CornerTableOptions {
    CornerOptions corners;
    AlignMode mode = AlignMode::kByDistance;
    double brakeG = 0.3;         // deceleration that marks the braking point
    double exitAfterApexM = 50;  // where the exit speed is read
};

// One corner, one comparison lap. Distances are metres on the reference
// lap's scale (mapped by the table's mode); the ref* fields are slot A's.
// A value that does not exist (no braking into a flat-out corner) is NaN.
struct CornerRow {
    int corner = 0;  // the corner's number; 0 on a total row
    TurnDirection direction = TurnDirection::kLeft;
    int slot = 1;               // 1..3 for B..D
    double fromM = 0, toM = 0;  // the stretch of track the time is counted over
    // Seconds lost over the stretch (negative: gained), and the same in
    // whole milliseconds, rounded so that the rows of a slot add up to its
    // lap-time difference exactly.
    double timeLostS = 0;
    long long timeLostMs = 0;
    double brakeM = 0, refBrakeM = 0;
    double brakeLaterM = 0;  // positive: brakes later than slot A
    double minKmh = 0, refMinKmh = 0;
    double minAtM = 0, refMinAtM = 0;
    double exitKmh = 0, refExitKmh = 0;
    double cornerS = 0, refCornerS = 0;  // entry to exit
};

struct CornerTable {
    std::vector<Corner> corners;    // slot A's
    std::vector<CornerRow> rows;    // corner by corner, slots in order
    std::vector<CornerRow> totals;  // one per comparison slot: corner 0, sums
};

// The table of the occupied slots (`slots[0]` is the reference). Sector
// results are used by the distance mode's sector-by-sector matching. Empty
// with fewer than two laps.
CornerTable BuildCornerTable(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                             int sectCount, const CornerTableOptions& options = {});

// Rows by time lost, the largest loss first; equal losses keep their order.
void SortByTimeLost(CornerTable& table);

// The speed and distance units the window's table, its copy and the
// report show, as the settings choose them for the rest of the program.
struct CornerUnits {
    bool speedInKmh = true;  // else MPH
    bool distInM = true;     // else feet
};
CornerUnits CornerUnitsOf(const Settings& settings);

// The table as text with a header line and the total rows last: fields
// separated by tabs (the copy of the window's table, in `units`) or by
// commas (CSV, always in km/h and metres); lines end in CR LF for the copy
// and LF for CSV.
std::string CornerTableTabText(const CornerTable& table, CornerUnits units);
std::string CornerTableCsv(const CornerTable& table);

}  // namespace qv
