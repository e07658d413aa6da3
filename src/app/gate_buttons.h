#pragma once
// The Graph page's sector-gate buttons and its "adjust x-axis at sector
// gate" button: each runs its engine command and returns the refresh that
// follows, empty when nothing changed. The window passes what it owns (its
// dialogs, whether playback runs) and runs the steps.

#include <vector>

#include "app/session.h"
#include "core/prompter.h"
#include "geometry/gate_editing.h"
#include "laps/circuit_index.h"
#include "presentation/steps.h"

namespace qv {

struct GateButtonContext {
    Session& session;
    Prompter& prompter;
    GateDialogs& dialogs;
    CircuitChooser& chooser;
    // The sector files of the circuit index built at start-up.
    std::vector<TPthClnDat>& sectorIndex;
    bool playing = false;
};

// After the gate table changed: retime everything, then the lap list.
StepList GateRefreshSteps(Session& session);

StepList SpeedButtonSetSectClick(GateButtonContext& context);
StepList SpeedButtonEdSectClick(GateButtonContext& context);
StepList SpeedButtonClrSectClick(GateButtonContext& context);
StepList SpeedButtonLdSectClick(GateButtonContext& context);
// Writes the gates; nothing to refresh. Nothing without a gate.
void SpeedButtonSvSectClick(GateButtonContext& context);
StepList SpeedButtonSelSectClick(GateButtonContext& context);

// "Adjust x-axis at sector gate": the next gate the laps are aligned at.
// When the cursor had to jump to stay on the laps, the play time moves and
// every slot is sampled again.
StepList AlignAtNextGate(Session& session, bool playing);

}  // namespace qv
