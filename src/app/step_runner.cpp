#include "app/step_runner.h"

#include "app/analysis.h"

namespace qv {

void RunSteps(Session& session, const StepList& steps, StepScreen* screen) {
    bool calculated = false;
    bool listed = false;
    bool sampled = false;
    for (const Step& step : steps) {
        switch (step.kind) {
            case StepKind::kCalcSectors:
            case StepKind::kCalcTimeOffsets:
            case StepKind::kCalcTimeDiff:
            case StepKind::kCalDistOfs:
                if (!calculated)
                    RefreshSlots(session);
                calculated = true;
                break;
            case StepKind::kSetSectTmList:
            case StepKind::kSetDriftAngleList:
                if (!listed)
                    RefreshLapList(session);
                listed = true;
                break;
            case StepKind::kSampleAtTime:
            case StepKind::kSampleAtRefDist:
                if (!sampled)
                    MoveCursor(session, session.presentation.playTime);
                sampled = true;
                break;
            case StepKind::kCentreMapOnSlotA:
                if (session.laps.LapDtNum() > 0) {
                    session.presentation.mapCentreIdo = session.align.cursor[0].CsIdo;
                    session.presentation.mapCentreKdo = session.align.cursor[0].CsKdo;
                }
                break;
            case StepKind::kSetDataStr:
                if (screen != nullptr) {
                    const DiffReadout diff{session.presentation.showTimeDiff, session.align.DiffCur,
                                           session.align.DiffMin, session.align.DiffMax};
                    screen->ShowLabels(SetDataStr(session.presentation.playTime,
                                                  SlotReadouts(session), session.gates.UsedCount(),
                                                  diff, session.settings));
                }
                break;
            case StepKind::kSetSectGrid:
                if (screen != nullptr)
                    screen->RefreshTables();
                break;
            case StepKind::kRepaintLapList:
                if (screen != nullptr)
                    screen->RefreshList();
                break;
            default:
                if (screen != nullptr)
                    screen->Repaint(step.kind);
                break;
        }
    }
}

}  // namespace qv
