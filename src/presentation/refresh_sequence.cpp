#include "presentation/refresh_sequence.h"

#include <algorithm>

namespace qv {
namespace {

constexpr int kSlots = 4;

int Occupied(int lapDtNum) {
    return std::clamp(lapDtNum, 0, kSlots);
}

void Add(StepList& steps, StepKind kind) {
    steps.push_back({kind});
}

void AppendSampling(StepList& steps, int lapDtNum) {
    const int n = Occupied(lapDtNum);
    if (n == 0)
        return;
    steps.push_back(SampleStep(0));
    Add(steps, StepKind::kCentreMapOnSlotA);
    for (int k = 1; k < n; ++k)
        steps.push_back(SampleStep(k));
    Add(steps, StepKind::kSampleAtRefDist);
}

void AppendAlignment(StepList& steps) {
    Add(steps, StepKind::kCalcSectors);
    Add(steps, StepKind::kCalcTimeOffsets);
    Add(steps, StepKind::kCalcTimeDiff);
}

void AppendListColumns(StepList& steps) {
    Add(steps, StepKind::kSetSectTmList);
    Add(steps, StepKind::kSetDriftAngleList);
    Add(steps, StepKind::kCalDistOfs);
}

void AppendAllViews(StepList& steps) {
    Add(steps, StepKind::kRepaintSpeedBar);
    Add(steps, StepKind::kRepaintCourseOverview);
    Add(steps, StepKind::kRepaintCourseMap);
    Add(steps, StepKind::kRepaintSpeedGraph);
    Add(steps, StepKind::kRepaintGView);
    Add(steps, StepKind::kRepaintDriftView);
}

}  // namespace

void AppendCursorRefresh(StepList& steps, int lapDtNum) {
    AppendSampling(steps, lapDtNum);
    Add(steps, StepKind::kRepaintCourseMap);
    Add(steps, StepKind::kRepaintSpeedBar);
    Add(steps, StepKind::kRepaintSpeedGraph);
    Add(steps, StepKind::kRepaintCourseMarkers);
    Add(steps, StepKind::kSetDataStr);
    Add(steps, StepKind::kRepaintGCursor);
    Add(steps, StepKind::kRepaintDriftCursor);
}

StepList CursorRefreshSteps(int lapDtNum) {
    StepList steps;
    AppendCursorRefresh(steps, lapDtNum);
    return steps;
}

StepList GateChangeSteps(PresentationState& state, int lapDtNum) {
    state.rebuild.SetAll();
    StepList steps;
    AppendAlignment(steps);
    AppendSampling(steps, lapDtNum);
    AppendListColumns(steps);
    AppendAllViews(steps);
    Add(steps, StepKind::kSetDataStr);
    Add(steps, StepKind::kSetSectGrid);
    return steps;
}

StepList SlotChangeSteps(PresentationState& state, int lapDtNum, bool lapPlaced) {
    state.rebuild.courseOverview = true;
    state.rebuild.gView = true;
    state.rebuild.speedGraph = true;
    StepList steps;
    AppendAlignment(steps);
    AppendSampling(steps, lapDtNum);
    AppendListColumns(steps);
    if (lapPlaced)
        Add(steps, StepKind::kVideoReanchor);
    AppendAllViews(steps);
    Add(steps, StepKind::kSetDataStr);
    Add(steps, StepKind::kSetSectGrid);
    Add(steps, StepKind::kRepaintLapList);
    return steps;
}

}  // namespace qv
