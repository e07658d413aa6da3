#pragma once
// Everything the program keeps for one run, created once at start-up and
// passed by reference; there are no global stores. Lower layers take the
// slice they work on (LogSession, LapSession) or a single store.

#include <array>

#include "dynamics/align_state.h"
#include "dynamics/list_drift_columns.h"
#include "geometry/gate_editing.h"
#include "geometry/sector_results.h"
#include "laps/lap_list_marks.h"
#include "laps/lap_session.h"
#include "presentation/presentation_state.h"

namespace qv {

struct Session : LapSession {
    using LapSession::LapSession;

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
