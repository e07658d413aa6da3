#pragma once
// The settings file "quorvane.ini": positional lines, CR LF ends.
//   1 sector gate half length, m, "%.1f"    (1 to 30, default 15.0)
//   2 MinLapDist, km, "%.3f"                 (0.001 to 9.999, default 0.2)
//   3 MinLapTime, s, "%.1f"                  (1 to 99.9, default 8.0)
//   4 speed unit, always "0" (km/h)
//   5 distance unit, always "0" (metres and kilometres)
//   6 time-difference graph shown, "1" / "0" (default "1")
//   7 elevation graph shown, "1" / "0"       (default "0")
//   8 MinSatNum, decimal                     (default 4)
//   9 drift graph shown, "1" / "0"           (default "0")
//  10 logs added to the library by themselves: "0" turns it off; the line
//     is written only then, and a missing line means on
//  11 window language: "en" or "ja" forces one; written only then (line 10
//     then written as "1" when on), and anything else means the system's
// A value that does not parse counts as 0; a value outside its range is
// replaced by the default. Missing lines keep their defaults.
//
// Also the rules of the configuration dialog, which edits lines 1 to 3.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"
#include "core/settings.h"

namespace qv {

inline constexpr const char* kSettingsFileName = "quorvane.ini";
inline constexpr int kSettingsLineCount = 9;

// The settings held by `lines`, starting from the defaults.
Settings ParseSettingsLines(const std::vector<std::string>& lines);

// The nine lines, each ending in CR LF.
std::string FormatSettingsText(const Settings& settings);

// How the settings of a start came about.
enum class SettingsSource {
    File,             // read from the file
    DefaultsWritten,  // the file was missing or empty; the defaults were written
    DefaultsOnly,     // the file could not be read; the defaults are used
};

struct SettingsLoad {
    SettingsSource source = SettingsSource::DefaultsOnly;
    std::string error;  // the platform's message for DefaultsOnly, or a failed default write
};

// Reads `path` into `settings`. A missing or empty file is replaced by the
// nine default lines.
SettingsLoad LoadSettingsFile(const std::filesystem::path& path, Settings& settings);

WriteResult SaveSettingsFile(const std::filesystem::path& path, const Settings& settings);

// Moves a settings file from the older location over the current one. The
// current file is replaced only by a complete copy, and the old one is
// deleted only after that copy is in place, so a failure loses neither.
struct MigrationResult {
    bool moved = false;  // the old file existed and now sits at `to`
    std::string error;   // the platform's message when a step failed
};
MigrationResult MigrateSettingsFile(const std::filesystem::path& from,
                                    const std::filesystem::path& to);

// The three edits of the configuration dialog as the user sees them.
struct ConfigTexts {
    std::string sectorLength;  // m, "%.1f"
    std::string lapLength;     // m, whole metres
    std::string lapTime;       // s, "%.1f"
};

// What each "default" button puts into its edit.
inline constexpr const char* kDefaultSectorLengthText = "15.0";
inline constexpr const char* kDefaultLapLengthText = "200";
inline constexpr const char* kDefaultLapTimeText = "8.0";

// The edits shown when the dialog opens.
ConfigTexts ConfigTextsFrom(const Settings& settings);

// OK: takes the three values into `settings` when the sector length is 1 to
// 30, the lap length an integer 1 to 9999 and the lap time 1 to 99.9
// (non-numeric text counts as 0). Otherwise nothing changes and the dialog
// stays open without a word; the result is false.
bool AcceptConfigTexts(const ConfigTexts& texts, Settings& settings);

// "%.<decimals>f" with '.' whatever the process locale.
std::string FormatFixed(double value, int decimals);

}  // namespace qv
