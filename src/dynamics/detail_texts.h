#pragma once
// The read-out labels of the graph page: the play time, one summary line
// and one sector-time line per lap slot.

#include <array>
#include <string>

#include "core/records.h"
#include "core/settings.h"
#include "geometry/sector_results.h"

namespace qv {

// What one slot shows; `lap` is null for an empty slot.
struct SlotReadout {
    const TLapDtRec* lap = nullptr;
    const SectRes* sectors = nullptr;
    Float80 cursorDistKm = 0;  // CsDist
    Float80 cursorSpdKmh = 0;  // CsSpd
};

// The time difference of slot B at the cursor, shown on slot A's line.
struct DiffReadout {
    bool shown = false;  // the "show time difference" toggle
    Float80 cur = 0, min = 0, max = 0;
};

struct DataLabels {
    std::string playTime;                   // LabelPlayTm
    std::array<std::string, 4> summary;     // LabelA .. LabelD
    std::array<std::string, 4> sectorLine;  // LabelSectA .. LabelSectD
};

// `SetDataStr`. An empty slot shows "." on both of its labels.
DataLabels SetDataStr(Float80 playTimeSec, const std::array<SlotReadout, 4>& slots, int sectCount,
                      const DiffReadout& diff, const Settings& settings);

// trunc1: towards zero at one decimal, so 123.47 gives 123.4 and -15.06
// gives -15.0.
Float80 Trunc1(Float80 x);

}  // namespace qv
