#include "presentation/steps.h"

namespace qv {

std::string_view StepName(StepKind kind) {
    switch (kind) {
        case StepKind::kCalcSectors:
            return "CalcSectors";
        case StepKind::kSetSectTmList:
            return "SetSectTmList";
        case StepKind::kSetDriftAngleList:
            return "SetDriftAngleList";
        case StepKind::kCalcTimeOffsets:
            return "CalcTimeOffsets";
        case StepKind::kCalcTimeDiff:
            return "CalcTimeDiff";
        case StepKind::kSampleAtTime:
            return "SampleAtTime";
        case StepKind::kCentreMapOnSlotA:
            return "CentreMapOnSlotA";
        case StepKind::kSampleAtRefDist:
            return "SampleAtRefDist";
        case StepKind::kCalDistOfs:
            return "CalDistOfs";
        case StepKind::kSetDataStr:
            return "SetDataStr";
        case StepKind::kSetSectGrid:
            return "SetSectGrid";
        case StepKind::kRepaintLapList:
            return "RepaintLapList";
        case StepKind::kRepaintCourseMap:
            return "RepaintCourseMap";
        case StepKind::kRepaintSpeedBar:
            return "RepaintSpeedBar";
        case StepKind::kRepaintSpeedGraph:
            return "RepaintSpeedGraph";
        case StepKind::kRepaintCourseOverview:
            return "RepaintCourseOverview";
        case StepKind::kRepaintCourseMarkers:
            return "RepaintCourseMarkers";
        case StepKind::kRepaintGView:
            return "RepaintGView";
        case StepKind::kRepaintGCursor:
            return "RepaintGCursor";
        case StepKind::kRepaintDriftView:
            return "RepaintDriftView";
        case StepKind::kRepaintDriftCursor:
            return "RepaintDriftCursor";
        case StepKind::kRepaintAxisSelectors:
            return "RepaintAxisSelectors";
        case StepKind::kShowPlaySpeed:
            return "ShowPlaySpeed";
        case StepKind::kShowCircuitMapTools:
            return "ShowCircuitMapTools";
        case StepKind::kVideoReanchor:
            return "VideoReanchor";
        case StepKind::kVideoSeek:
            return "VideoSeek";
        case StepKind::kVideoPause:
            return "VideoPause";
        case StepKind::kVideoResume:
            return "VideoResume";
        case StepKind::kVideoStepFrame:
            return "VideoStepFrame";
        case StepKind::kVideoSetSeekPending:
            return "VideoSetSeekPending";
        case StepKind::kVideoStartTimer:
            return "VideoStartTimer";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, const Step& step) {
    out << StepName(step.kind);
    if (step.kind == StepKind::kSampleAtTime)
        out << "(slot " << step.slot << ")";
    if (step.kind == StepKind::kVideoSeek)
        out << "(" << step.videoTime << (step.seekAny ? ", any)" : ")");
    if (step.kind == StepKind::kVideoStartTimer)
        out << "(" << step.intervalMs << " ms)";
    return out;
}

}  // namespace qv
