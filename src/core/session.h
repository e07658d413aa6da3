#pragma once
// Everything the program keeps for one run, created once at start-up and
// passed by reference; there are no global stores.

#include <array>
#include <string>
#include <vector>

#include "core/date_time.h"
#include "core/fixed_array.h"
#include "core/settings.h"
#include "core/stores.h"
#include "dynamics/align_state.h"
#include "geometry/gate_editing.h"
#include "geometry/sector_gates.h"
#include "geometry/sector_results.h"
#include "geometry/track_map.h"
#include "laps/lap_list_marks.h"
#include "laps/line_state.h"
#include "laps/list_drift_columns.h"
#include "presentation/presentation_state.h"

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

    // The analysis of the laps in the slots and of the lap list.
    std::array<SectRes, LapStore::kMaxLapSlots> sectRes;  // per slot, valid while occupied
    AlignState align;
    GateEditState gateEdit;
    LapRow listHeader;  // row 0 of the lap list, sector and drift headers included
    LapListMarks listMarks;
    DriftListState driftList;  // scratch of the drift columns
    PresentationState presentation;
};

}  // namespace qv
