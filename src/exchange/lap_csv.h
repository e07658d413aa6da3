#pragma once
// "Export lap data as CSV file" and "Save list as CSV file".

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/prompter.h"
#include "core/save_path.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kLapCsvHeader =
    "Sec,Time,Latitude,Longitude,Distance(km),Elevation(m),Speed(km/h),Cornaring radius(m),"
    "Lateral G,Longitudinal G,Lat+Longi G";
inline constexpr const char* kLapCsvDriftColumn = ",Drift angle";
inline constexpr size_t kLapCsvMinSamples = 5;

// The export text of a lap's samples: headings filled in when the log had
// none, radius and G from the smoothed track, and the raw drift angle when
// the lap is a drift run and `driftShown` (the drift graph is on). Lines
// end in CR LF. Nothing for fewer than 5 samples.
std::optional<std::string> LapCsvText(std::vector<TLapElmRec> samples, bool driftShown);

// `path` is the file to open with its application afterwards. Both exports
// show a failure themselves.
using CsvSaveResult = SaveFileResult;

// The lap export of grid row `row` (lap row - 1) while the list has the
// focus: asks for the file, then writes the lap's temporary file as CSV.
CsvSaveResult SpeedButtonCsv2Click(LapSession& session, Prompter& prompter, int row,
                                   bool listHasFocus, bool driftShown);

// The list export: the whole lap list as shown, header included.
CsvSaveResult SpeedButtonCsvClick(LapSession& session, Prompter& prompter, int row);

}  // namespace qv
