#pragma once
// Appending a lap to the lap list: its row texts and its LapList entry.

#include <string>

#include "core/settings.h"
#include "core/stores.h"

namespace qv {

struct NewLapRow {
    std::string dataName;        // column 0: run title or file name
    TDateTime start = 0;         // columns 2 and 3
    TTime lapTime = 0;           // column 4, and LapList Sec
    Float80 topSpeed = 0;        // km/h, column 5 and LapList MaxSpd
    Float80 distKm = 0;          // column 6
    std::string fileName;        // column 7: the source file without extension
    Float80 uncertaintyMs = -1;  // LapList lapTimeUncertaintyMs
};

// Adds the row as lap number LapNum (column 1, "%.4d"), with LapGroupNo in
// column 19. Returns the lap number used.
int AppendLapRow(LapStore& laps, const Settings& settings, const NewLapRow& row);

// A lap imported from a MoTeC CSV file names that file in column 7 (".CSV"
// in any case); its G data live there, not in the temporary lap file.
bool IsCsvImportRow(const LapRow& row);

}  // namespace qv
