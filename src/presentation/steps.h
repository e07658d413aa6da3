#pragma once
// The work that follows a command, as an ordered list that the window runs:
// calculations of the engine, repaints of the views and orders to the video
// player. The presentation decides what runs and in which order; the runner
// only carries each step out.

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

namespace qv {

enum class StepKind {
    // Sector timing and the list columns derived from it.
    kCalcSectors,
    kSetSectTmList,
    kSetDriftAngleList,
    // Alignment and cursor sampling.
    kCalcTimeOffsets,
    kCalcTimeDiff,
    kSampleAtTime,  // `slot`, with that slot's time offset
    kCentreMapOnSlotA,
    kSampleAtRefDist,
    kCalDistOfs,
    // Texts and tables.
    kSetDataStr,
    kSetSectGrid,
    kRepaintLapList,
    // Views.
    kRepaintCourseMap,
    kRepaintSpeedBar,
    kRepaintSpeedGraph,
    kRepaintCourseOverview,  // background (rebuilt when flagged) and markers
    kRepaintCourseMarkers,   // markers over the cached background
    kRepaintGView,
    kRepaintGCursor,
    kRepaintDriftView,
    kRepaintDriftCursor,
    kRepaintAxisSelectors,
    kShowPlaySpeed,        // the play-speed buttons as the state holds them
    kShowCircuitMapTools,  // show or hide the track map buttons as the flag says
    // Video player.
    kVideoReanchor,
    kVideoSeek,  // to `videoTime`, fast when `seekAny`, else precise
    kVideoPause,
    kVideoResume,
    kVideoStepFrame,
    kVideoSetSeekPending,
    kVideoStartTimer,  // the one-shot video timer, `intervalMs`
};

struct Step {
    StepKind kind{};
    int slot = -1;
    int64_t videoTime = 0;
    bool seekAny = false;
    int intervalMs = 0;

    bool operator==(const Step&) const = default;
};

using StepList = std::vector<Step>;

inline Step SampleStep(int slot) {
    return {StepKind::kSampleAtTime, slot};
}
inline Step SeekStep(int64_t videoTime, bool seekAny) {
    return {StepKind::kVideoSeek, -1, videoTime, seekAny};
}

std::string_view StepName(StepKind kind);
std::ostream& operator<<(std::ostream& out, const Step& step);

}  // namespace qv
