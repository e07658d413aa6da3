#pragma once
// Display texts of speeds and distances in the user's chosen units.

#include <string>

namespace qv {

inline constexpr double kKmhPerMph = 1.609344;
inline constexpr double kKmPerFoot = 0.0003048;

// "%.2f" of km/h, or of MPH when `speedInKmh` is false.
std::string FormatSpeed(double kmh, bool speedInKmh);

// "%.3f" of km, or "%.0f" of feet when `distInKm` is false.
std::string FormatDistance(double km, bool distInKm);

// printf into a std::string. A number that rounds to zero where it is shown
// is written without a minus sign.
std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qv
