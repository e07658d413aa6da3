#include "app/gate_buttons.h"

#include "dynamics/slot_commands.h"
#include "laps/find_sector_gates.h"
#include "presentation/dialog_open_scope.h"
#include "presentation/refresh_sequence.h"

namespace qv {
namespace {

GateEditContext EditContext(GateButtonContext& c) {
    return GateEditContext{c.session.gates, c.session.align.AlignGate, c.session.gateEdit,
                           c.session.laps.LapDt, c.playing};
}

StepList RefreshIf(Session& session, bool changed) {
    return changed ? GateRefreshSteps(session) : StepList{};
}

}  // namespace

StepList GateRefreshSteps(Session& session) {
    StepList steps = GateChangeSteps(session.presentation, session.laps.LapDtNum());
    // The lap list shows the sector columns that were just recomputed.
    steps.push_back({StepKind::kRepaintLapList});
    return steps;
}

StepList SpeedButtonSetSectClick(GateButtonContext& c) {
    const CurSmp& at = c.session.align.cursor[0];
    GateCursor cursor;
    cursor.CsIdo = at.CsIdo;
    cursor.CsKdo = at.CsKdo;
    cursor.CsDir = at.CsDir;
    cursor.CsGpsDir = at.CsGpsDir;
    return RefreshIf(c.session, SetSectGate(EditContext(c), cursor, c.session.presentation.playTime,
                                            c.session.settings.sectorGateHalfLength));
}

StepList SpeedButtonEdSectClick(GateButtonContext& c) {
    return RefreshIf(c.session,
                     AdjustSectGate(EditContext(c), c.dialogs,
                                    static_cast<double>(c.session.presentation.mapZoom)));
}

StepList SpeedButtonClrSectClick(GateButtonContext& c) {
    return RefreshIf(c.session, RemoveSectGates(EditContext(c), c.dialogs));
}

StepList SpeedButtonLdSectClick(GateButtonContext& c) {
    // Checked before the dialog flag is raised, so playback keys keep working.
    if (c.playing)
        return {};
    Session& s = c.session;
    bool opened = false;
    {
        const DialogOpenScope scope(s.presentation.dialogOpen);
        opened = OpenSectGates(s.gates, s.align.AlignGate, s.folders.sectorFolder, c.prompter,
                               c.playing);
    }
    return RefreshIf(s, opened);
}

void SpeedButtonSvSectClick(GateButtonContext& c) {
    Session& s = c.session;
    if (s.gates.UsedCount() < 1)
        return;
    const DialogOpenScope scope(s.presentation.dialogOpen);
    SaveSectGates(s.gates, s.folders.sectorFolder, c.prompter);
}

StepList SpeedButtonSelSectClick(GateButtonContext& c) {
    Session& s = c.session;
    const FindSectOutcome outcome =
        FindSectGates(s.laps.LapDt, c.sectorIndex, s.gates, s.align.AlignGate, s.folders,
                      c.prompter, c.chooser, c.playing);
    return RefreshIf(s, outcome == FindSectOutcome::Loaded);
}

StepList AlignAtNextGate(Session& session, bool playing) {
    const AlignGateStep step = SpeedButtonDistOfsClick(
        session.laps.LapDt, session.sectRes, session.gates.UsedCount(), playing, session.align);
    if (!step.done)
        return {};
    if (!step.playTimeJumped)
        return {{StepKind::kRepaintSpeedGraph},
                {StepKind::kRepaintSpeedBar},
                {StepKind::kRepaintGCursor},
                {StepKind::kRepaintDriftCursor}};
    session.presentation.playTime = step.playTime;
    StepList steps = CursorRefreshSteps(session.laps.LapDtNum());
    steps.push_back({StepKind::kSetDataStr});
    return steps;
}

}  // namespace qv
