#include "app/after_open_log.h"

#include "geometry/gate_table_equality.h"
#include "laps/log_line.h"
#include "presentation/refresh_sequence.h"

namespace qv {

AfterOpenLog StepsAfterOpenLog(Session& session, const OpenLogOutcome& outcome,
                               const GateTable& gatesBefore) {
    AfterOpenLog after;
    ForgetLogLine(session.lines);
    if (!SameGateTable(gatesBefore, session.gates))
        after.steps = GateChangeSteps(session.presentation, session.laps.LapDtNum());
    else if (outcome.lapsAdded > 0)
        after.steps = {{StepKind::kSetSectTmList}, {StepKind::kSetDriftAngleList}};
    after.showDataPage = outcome.lapsAdded > 0;
    return after;
}

}  // namespace qv
