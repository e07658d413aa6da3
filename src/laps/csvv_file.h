#pragma once
// The older text form of a lap (.csvv): one sample per line, eight or nine
// comma-separated fields (date-time, lap time, latitude, longitude,
// elevation, speed, direction, distance, optionally satellites used).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.h"

namespace qv {

inline constexpr int kCsvvMinFields = 8;
// Satellites of a ninth field that is not a number.
inline constexpr int kCsvvUnreadableSatellites = 7;

// One line as a sample; nothing for a line of fewer than 8 fields. The date
// and the lap time are read at fixed character positions; a field too short
// for a position reads that part as 0, as does a part that is not a number.
// `minSatNum` is the satellite count of a line without a ninth field.
std::optional<TLapElmRec> ParseCsvvLine(std::string_view line, int minSatNum);

struct CsvvRead {
    std::vector<TLapElmRec> samples;
    Float80 topSpeed = 0;  // highest Spd, 0 without samples
};

// Every line of at least 8 fields, in order.
CsvvRead ParseCsvvText(std::string_view text, int minSatNum);

struct CsvvFileRead {
    bool ok = false;
    CsvvRead lap;
    std::string error;  // the platform's message when not ok
};

CsvvFileRead ReadCsvvFile(const std::filesystem::path& path, int minSatNum);

}  // namespace qv
