#pragma once
// A lap of a past session beside today's: its log is decoded on the side,
// so that the open log, its laps and the slots stay as they are; the log is
// cut the way the library cut it, and the lap joins the lap list as a row
// named after its log and goes into the next free slot, where the Graph
// page compares it with the others.

#include <string>

#include "app/analysis.h"
#include "app/session.h"
#include "laps/circuit_index.h"
#include "library/library_records.h"
#include "presentation/steps.h"

namespace qv {

inline constexpr const char* kMsgSlotsFull =
    "All four slots hold a lap.\nTake one out of its slot first.";
inline constexpr const char* kMsgLapNotFound =
    "This lap could not be cut from its log again: the log or the circuit files have changed "
    "since it was added to the library.";

struct LibraryLapShown {
    SlotChange change;
    int row = 0;              // the lap-list row it was given; 0 for none
    StepList steps;           // the refresh of the slots and the list
    std::string message;      // why nothing was shown
    bool logMissing = false;  // the log is not where the library saw it
};

// `circuits` is read only; the search runs on a copy. `now` is the local
// time, as the open-log command takes it.
LibraryLapShown ShowLibraryLap(Session& session, const CircuitIndex& circuits,
                               const LibrarySession& from, const LibraryLap& lap, TDateTime now);

// The message for a session whose log has gone.
std::string MissingLogMessage(const std::string& path);

}  // namespace qv
