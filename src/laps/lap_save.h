#pragma once
// "Save lap data" and "Save all laps": copies of the temporary lap files
// under names made from the lap-list row.

#include <string>

#include "core/prompter.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kMsgCsvLapNotSaved = "CSV file data cannot be saved as lap data.";
inline constexpr const char* kMsgCsvLapsNotSavedAll =
    "Lap data including CSV file data cannot be saved all at once.";

// Where the lap list stands when a save button is pressed.
struct LapListSelection {
    int row = 0;  // grid row; row k + 1 is lap k, row 0 the header
    bool listHasFocus = false;
};

struct LapSaveResult {
    int filesWritten = 0;
    std::string error;  // the platform's message when a file could not be read or written
};

// Column 0, column 1 and column 4 joined by '_', with ':' and '.' (and the
// folder separator '/') turned into '_', and ".dtb" appended:
// 20240503_0912, 0003, 1:42.357 give 20240503_0912_0003_1_42_357.dtb.
std::string ProposedLapFileName(const LapRow& row);

LapSaveResult SpeedButtonSvRunClick(LapSession& session, Prompter& prompter,
                                    const LapListSelection& selection);

// Every row into the folder of the chosen file, replacing files of the same
// names without asking.
LapSaveResult SpeedButtonSvAllRunClick(LapSession& session, Prompter& prompter);

}  // namespace qv
