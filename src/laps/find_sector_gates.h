#pragma once
// The gate files stored near the reference lap's start, found in the index
// of sector files and loaded in place of the gate table.

#include <vector>

#include "core/prompter.h"
#include "core/records.h"
#include "laps/circuit_index.h"

namespace qv {

inline constexpr const char* kMsgSectorNotFound = "Sector not found.";

enum class FindSectOutcome {
    NotRun,     // playing, or no reference lap with samples
    NotFound,   // no sector file within the search radius
    Cancelled,  // the choice among several was cancelled or "-- NONE --"
    Missing,    // the chosen file is gone or cannot be read
    Loaded,     // the gate table was replaced: refresh
};

// With several candidates `chooser` is shown only the sector list, the
// track map and control line lists holding nothing but "-- NONE --".
// Loading a file clears the alignment gate and makes its folder the
// sector folder.
FindSectOutcome FindSectGates(const std::vector<TLapDtRec>& slots,
                              std::vector<TPthClnDat>& sectorIndex, GateTable& gates,
                              int& AlignGate, Folders& folders, Prompter& prompter,
                              CircuitChooser& chooser, bool playing);

}  // namespace qv
