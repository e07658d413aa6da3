#pragma once
// The Graph page's "Corners" tab: the corner table of the laps in the
// slots, in the time-difference mode of the tool bar's toggle, and what a
// click on one of its rows does.

#include <vector>

#include "app/session.h"
#include "dynamics/corner_table.h"

namespace qv {

// Empty with fewer than two laps in the slots.
CornerTable SlotCornerTable(const Session& session);

// Moves the play time to the apex of corner `number` of slot A's lap and
// zooms the course map (a BW x BH box) onto the corner. False, and nothing
// changed, while slot A is empty or `corners` has no such corner; the
// window then moves the cursor as after a click in a view.
bool GoToCorner(Session& session, const std::vector<Corner>& corners, int number, int BW, int BH);

}  // namespace qv
