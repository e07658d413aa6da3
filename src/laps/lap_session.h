#pragma once
// The stores that cutting, listing and saving laps work on: the open log,
// the lap list and slots, the lines, gates and track map, the folders and
// the settings. The analysis and presentation state above them live in the
// program's Session.

#include <string>

#include "core/settings.h"
#include "core/stores.h"
#include "decode/log_session.h"
#include "geometry/sector_gates.h"
#include "geometry/track_map.h"
#include "laps/line_state.h"

namespace qv {

struct LapSession : LogSession {
    using LogSession::LogSession;

    LapStore laps;
    Settings settings;
    Folders folders;
    LineState lines;
    TrackMapStore trackMap;
    GateTable gates;
    // The diagnostic list is shown on the device page; while it is, damaged
    // logs and CSV laps are let through for inspection.
    bool diagnosticListVisible = false;
    std::string openLogName;  // the open log's file name without folder and extension
};

}  // namespace qv
