#pragma once
// The commands of the lap list's tool bar that change the list itself:
// "Load lap data", "Edit data name" and "Remove all lap data". Showing and
// removing laps in the slots is the slot command (dynamics/slot_commands).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/prompter.h"
#include "laps/lap_file.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kLoadLapTitle = "Open lap data";
inline constexpr const char* kMsgRemoveAllLaps = "Do you remove all lap data?";
inline constexpr const char* kEditDataNameCaption = "Edit data name";

struct LoadLapsResult {
    int rowsAdded = 0;
    // The platform's message of the first file that could not be read;
    // the files after it are still loaded.
    std::string error;
    // Chosen .csv files left over when no importer was given.
    std::vector<std::string> csvImports;
};

// Reads a chosen ".csv" file as a MoTeC import, in its turn among the
// other files; the exchange module provides it.
using CsvLapImporter = std::function<LapFileAddResult(const std::filesystem::path&)>;

// Adds one row per chosen file, in the order chosen, by the lap-list load
// of its extension in the table of file kinds; a MoTeC ".csv" goes through
// `importCsv` (kept in `csvImports` without one). The first file's folder
// becomes the last lap-data folder. The dialog command shows the first
// error. The caller then refreshes the marks and the sector and drift
// columns.
LoadLapsResult SpeedButtonLoadClick(LapSession& session, Prompter& prompter,
                                    const CsvLapImporter& importCsv = {});
LoadLapsResult LoadLapFiles(LapSession& session, const std::vector<std::string>& files,
                            const CsvLapImporter& importCsv = {});

// The edit-name dialog: the edited text on OK, nothing on Cancel. It keeps
// refusing an empty text or one with a character a file name cannot hold.
class NameEditDialog {
  public:
    virtual ~NameEditDialog() = default;
    virtual std::optional<std::string> Edit(const std::string& caption,
                                            const std::string& current) = 0;
};

// Renames the lap of grid row `row` (column 0 only); true when it changed.
// `listHasFocus` and `column` are where the grid's cursor is.
bool SpeedButtonEdiDataNameClick(LapStore& laps, int row, int column, bool listHasFocus,
                                 NameEditDialog& dialog);

enum class RemoveAllOutcome {
    Nothing,  // an empty list, or the question answered Cancel
    Removed,  // slots emptied (when any were shown) and the list cleared
};

// "Remove all lap data" after its question: empties the slots and the lap
// list and restarts the numbering and the groups. The temporary lap files
// stay; the next laps overwrite them. The caller then stops playback,
// clears the graphs and offers to remove the sector gates.
RemoveAllOutcome SpeedButtonClrDtClick(LapStore& laps, Prompter& prompter);

}  // namespace qv
