#pragma once
// Date-times are `TDateTime` doubles: days since 1899-12-30 00:00, the
// fraction being the time of day, in the PC's local standard time.

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

using TDateTime = double;
using TTime = double;  // a duration in days

inline constexpr TDateTime kUnixEpochDays = 25569.0;  // 1970-01-01 00:00
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kMsPerDay = 86400000.0;

struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int ms = 0;
};

// Calendar date (proleptic Gregorian) to days since 1899-12-30.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int ms);
TDateTime EncodeDateTime(const DateTimeParts& parts);

// Splits a date-time into its fields. The value is first rounded to the
// nearest whole millisecond (half a millisecond rounds away from the
// 1899-12-30 epoch), and the carry goes into seconds, minutes, hours and the
// date, so 23:59:59.9996 is shown as the next day's 00:00:00.000 and never
// as "23:59:59.1000". Negative values count back from the epoch with a
// positive time of day, as a calendar does.
DateTimeParts DecodeDateTime(TDateTime value);

// Whole milliseconds of a date-time or duration, rounded as DecodeDateTime does.
int64_t RoundToMs(TDateTime value);

// One formatting routine for every date-time pattern the program shows.
// Letters are case-insensitive:
//   yyyy year, yy two-digit year, mm month (two digits), m month,
//   dd day, d day, hh hour (two digits), h hour, nn minute, n minute,
//   ss second, s second, zzz milliseconds (three digits), zz or z
//   milliseconds without leading zeros.
// Text in double or single quotes is copied as it stands; any other
// character is copied too. Hours of a duration of a day or more keep
// counting (25 h stays "25"), so lap times never wrap.
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Lap-time text: "n:ss.zzz" below one hour, "h:nn:ss.zzz" from one hour on.
std::string FormatLapTime(TTime lapTime);

// A duration given in seconds, shown as a lap time.
std::string FormatSeconds(double seconds);

}  // namespace qv
