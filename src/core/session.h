#pragma once
// Everything the program keeps for one run, created once at start-up and
// passed by reference; there are no global stores.

#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/fixed_array.h"
#include "core/settings.h"
#include "core/stores.h"
#include "geometry/sector_gates.h"
#include "geometry/track_map.h"
#include "laps/line_state.h"

namespace qv {

struct Session {
    // `localTimeBase` is the local date-time of 1970-01-01 00:00 UTC (see
    // LocalTimeBaseFromBias); tests pass a fixed one.
    explicit Session(TDateTime localTimeBase) : LocalTimeBase(localTimeBase) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    TDateTime LocalTimeBase;
    FixedArray<uint8_t> RawLogBuf{kRawLogBufSize};
    LogStore log;
    LapStore laps;
    Settings settings;
    Folders folders;
    LineState lines;
    TrackMapStore trackMap;
    GateTable gates;
    DiagnosticList diagnostics{kDiagnosticLines};  // newest first
    // The diagnostic list is shown on the device page; while it is, damaged
    // logs and CSV laps are let through for inspection.
    bool diagnosticListVisible = false;
    std::string openLogName;  // the open log's file name without folder and extension
};

}  // namespace qv
