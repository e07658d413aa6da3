#pragma once
// Reading a lap that MoTeC's analysis software exported as CSV: heading
// lines, a channel line, a units line and one line per sample.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_time.h"
#include "core/records.h"

namespace qv {

// Shorter files are not MoTeC exports.
inline constexpr size_t kMotecMinLines = 20;
// The channel line and the first data line lie within the first 20 lines.
inline constexpr size_t kMotecHeadLines = 20;

// The cells of a line: every double quote removed, then split at ','.
std::vector<std::string> MotecCells(std::string_view line);

struct MotecLayout {
    size_t channelLine = 0;    // "Time","Distance",...
    size_t dataStartLine = 0;  // "0.000","0",...
};

// The last channel line and the last data start line among lines 1 to 19;
// nothing for fewer than 20 lines or when either is missing.
std::optional<MotecLayout> FindMotecLayout(const std::vector<std::string>& lines);

// Column indices; -1 when not found. Names are matched exactly and the
// rightmost occurrence wins.
struct MotecColumns {
    int time = 0;  // column 0 when the channel is absent
    int distance = -1;
    int speed = -1;  // "Ground Speed" or "Vehicle Speed", whichever is further right
    int latitude = -1;
    int longitude = -1;
    bool HasPositions() const { return latitude > 0 && longitude > 0; }
};
MotecColumns FindMotecColumns(const std::vector<std::string>& channelCells);

// The recording start from the texts of "Log Date" and "Log Time": the date
// as yyyy/mm/dd or yyyy-mm-dd, else day first (dd/mm/yyyy, '/', '-' or '.'
// between the parts), the time as h:nn, h:nn:ss or h:nn:ss.zzz with an
// optional AM or PM. Nothing when either does not convert.
std::optional<TDateTime> MotecStartDateTime(std::string_view date, std::string_view time);

// The conversion's message for a start that does not convert.
std::string MotecDateTimeError(std::string_view date, std::string_view time);

// Where samples without position channels are placed.
struct MotecFallback {
    Float80 Ido = 36.0;
    Float80 Kdo = 135.0;
    Float80 Elv = 100.0;
};

enum class MotecRefusal {
    None,
    NotReadable,  // missing, unreadable, too large
    TooFewLines,
    NoLayout,       // no channel line or no data start line
    NoLogDateTime,  // lines 6 and 7 are not "Log Date" and "Log Time"
    BadDateTime,    // the start does not convert (the only refusal with a message)
    NoColumns,      // no distance or no speed channel
    NoSamples,      // no data line has enough cells
};

struct MotecLap {
    MotecRefusal refusal = MotecRefusal::None;
    std::string error;  // with BadDateTime
    std::vector<TLapElmRec> samples;
    Float80 topSpeed = 0;
    bool hasPositions = false;
};

// The samples of a MoTeC export, every one with `minSatNum` satellites.
// A data line is used only when it has a cell for every channel read;
// other lines are passed over.
MotecLap ParseMotecLap(const std::vector<std::string>& lines, const MotecFallback& fallback,
                       int minSatNum);

}  // namespace qv
