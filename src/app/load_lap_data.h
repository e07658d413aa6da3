#pragma once
// "Load lap data" as a whole: the lap files by their own readers and the
// chosen .csv files through the MoTeC import, then the list refresh.

#include "app/session.h"
#include "core/prompter.h"
#include "laps/lap_list_commands.h"

namespace qv {

// The first error has been shown.
LoadLapsResult LoadLapDataClick(Session& session, Prompter& prompter);

// The files as the dialog would return them.
LoadLapsResult LoadLapData(Session& session, const std::vector<std::string>& files);

}  // namespace qv
