#pragma once
// The analysis refreshes that follow the commands: the lap list after laps
// were added or removed, every slot after a lap was shown or taken out or
// the gates changed, and the cursor after the play time moved. The window
// and the command-line tool call these, then repaint or print.

#include <array>

#include "app/session.h"
#include "dynamics/detail_texts.h"

namespace qv {

// Best-lap marks, the sector columns and the drift columns of the lap list,
// with their headers and ranks.
void RefreshLapList(Session& session);

// Sector timing and the drift scan of every occupied slot, then offsets,
// time difference, cursor samples and distance offsets. The lap-list
// columns depend on the gates and the lap files only, so a change of the
// slots leaves them alone.
void RefreshSlots(Session& session);

// After the gate table changed: every slot, then the lap-list columns.
void RefreshAfterGateChange(Session& session);

// The play time moved: every slot is sampled again.
void MoveCursor(Session& session, Float80 playTime);

struct SlotChange {
    enum class Kind { Nothing, Loaded, Removed } kind = Kind::Nothing;
    int slot = -1;
    // A lap imported from a MoTeC CSV file: its G data were read from the
    // file named in column 7.
    bool csvImport = false;
};

// Puts the lap of grid row `row` into the next free slot: the lap file, its
// statistics and directions, drift angles, G and turn radius, the display
// ranges, then RefreshSlots. Nothing when four laps are shown or the file
// cannot be read.
SlotChange ShowLapInSlot(Session& session, int row);

// Double click on the lap list (or "Display lap data as graph", which
// passes fromGraphButton): a shown lap leaves its slot, another one goes
// into the next free slot. The caller stops playback before a removal.
SlotChange StringGridLapDataDblClick(Session& session, int row, bool fromGraphButton = false);

// The DtName of every occupied slot, in slot order (for the lap list's
// slot colours).
std::vector<std::string> SlotNames(const Session& session);

// The slots as the label and table texts read them (the cursor samples
// included); unoccupied slots are empty.
std::array<SlotReadout, 4> SlotReadouts(const Session& session);

}  // namespace qv
