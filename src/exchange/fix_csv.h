#pragma once
// The decoded fixes of the open log as CSV: one row per fix with its local
// time, position, elevation, speed, satellites, validity and log block.

#include <ostream>
#include <string>

#include "core/date_time.h"
#include "core/records.h"
#include "core/stores.h"

namespace qv {

inline constexpr const char* kFixCsvHeader =
    "time,lat,lon,elev_m,speed_kmh,sat_used,sat_view,valid,block\n";

// The text printf's "%.*f" gives `value` with `decimals` decimals, "nan" and
// "inf" included, without consulting the locale.
void AppendFixed(std::string& out, double value, int decimals);

// "yyyy-mm-dd hh:nn:ss.zzz", as FormatDateTime writes that pattern.
void AppendDateTimeMs(std::string& out, TDateTime value);

// One fix as a row, line end included.
void AppendFixCsvRow(std::string& out, const TLogItem& fix);

// The header and every fix of `log`, handed to `out` a large piece at a time.
void WriteFixCsv(const LogStore& log, std::ostream& out);

}  // namespace qv
