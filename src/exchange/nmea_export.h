#pragma once
// "Export lap data as NMEA file": one RMC sentence per sample of a listed
// lap, for programs that replay GPS logs.

#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "core/prompter.h"
#include "core/records.h"
#include "core/save_path.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kNmeaDialogTitle = "Save lap data as NMEA file";
inline constexpr const char* kNmeaFilter = "NMEAファイル|*.nmea";
inline constexpr size_t kNmeaMinSamples = 5;

// The NMEA dialog's own folder memory; the window starts it at the
// documents root.
struct NmeaExportState {
    std::filesystem::path nmeaFolder;
};

// The standard-time bias in minutes (UTC = local + bias) that a session's
// LocalTimeBase was made from.
int BiasMinutesOf(TDateTime localTimeBase);

// "$GPRMC,...*XX" of one sample, without the line end.
std::string RmcSentence(const TLapElmRec& sample, int biasMinutes);

// Every sample's sentence followed by CR LF; nothing for fewer than 5
// samples.
std::optional<std::string> NmeaText(std::span<const TLapElmRec> samples, int biasMinutes);

using NmeaSaveResult = SaveFileResult;

// The command on grid row `row` (lap row - 1) while the list has the focus.
NmeaSaveResult SpeedButtonNMEAClick(LapSession& session, Prompter& prompter, NmeaExportState& state,
                                    int row, bool listHasFocus);

}  // namespace qv
