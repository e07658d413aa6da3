#pragma once
// "Remove all lap data" as a whole: the lap list, the slots as "Clear
// graph" empties them, and then the gates, when the user lets the removal
// dialog take them. A video that plays is paused, laps shown or not.

#include "app/session.h"
#include "core/prompter.h"
#include "geometry/gate_editing.h"
#include "presentation/steps.h"
#include "presentation/video_link.h"

namespace qv {

// The steps the window runs afterwards; none when nothing was removed.
// Without `gateDialogs` the gates stay.
StepList RemoveAllLapData(Session& session, Prompter& prompter, GateDialogs* gateDialogs,
                          const VideoStatus& video);

}  // namespace qv
