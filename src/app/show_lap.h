#pragma once
// "Display lap data as graph" and the double click on the lap list, with
// what follows: a lap that leaves its slot stops playback first, and a tied
// video that plays pauses with it; then the slots are refreshed.

#include "app/analysis.h"
#include "app/session.h"
#include "presentation/steps.h"
#include "presentation/video_link.h"

namespace qv {

struct ShownLap {
    SlotChange change;
    StepList steps;  // none when nothing changed
};

ShownLap ShowOrRemoveLap(Session& session, int row, bool fromGraphButton, const VideoStatus& video);

}  // namespace qv
