#pragma once
// What follows an opened log, whichever way it was opened (the file dialog,
// reopen, a finished download, the command-line tool): new gates retime the
// slots and the whole lap list, new laps refresh the list's columns.

#include "app/session.h"
#include "geometry/sector_gates.h"
#include "laps/open_log.h"
#include "presentation/steps.h"

namespace qv {

struct AfterOpenLog {
    StepList steps;             // run them with RunSteps
    bool showDataPage = false;  // laps were added: the lap list is the page to see
};

// `gatesBefore` is the gate table as it was before the log was opened. The
// control line that came with the log (its file's start line or a taken
// suggestion) has cut its laps and is forgotten here, unless it was saved.
AfterOpenLog StepsAfterOpenLog(Session& session, const OpenLogOutcome& outcome,
                               const GateTable& gatesBefore);

}  // namespace qv
