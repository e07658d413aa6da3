#pragma once
// Date-times are `TDateTime` doubles: days since 1899-12-30 00:00, the
// fraction being the time of day, in the PC's local standard time.
//
// Before the epoch the classic convention holds: the integer part (taken
// toward zero) is the day and the magnitude of the fraction is the time of
// day, so -1.25 is 1899-12-29 06:00 and -0.5 is the same moment as 0.5.
// Files written by other programs use this convention, so it is kept.

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

// Calendar date (proleptic Gregorian) to days since 1899-12-30. Months and
// days outside their range roll over: month 13 is January of the next year,
// day 0 the last day of the previous month.
TDateTime EncodeDate(int year, int month, int day);
// A duration; fields may exceed their range or be negative.
TDateTime EncodeTime(int hour, int minute, int second, int ms);
// The inverse of DecodeDateTime; a time of a day or more moves the date on.
TDateTime EncodeDateTime(const DateTimeParts& parts);

// Splits a date-time into its fields. The time of day is first rounded to the
// nearest whole millisecond (half a millisecond rounds away from the
// 1899-12-30 epoch), and the carry goes into seconds, minutes, hours and the
// date, so 23:59:59.9996 is shown as the next day's 00:00:00.000 and never
// as "23:59:59.1000". Values that are not finite or lie more than 10^9 days
// from the epoch decode as the epoch itself.
DateTimeParts DecodeDateTime(TDateTime value);

// Whole milliseconds of a date-time or duration, rounded to nearest with
// halves away from zero (as DecodeDateTime rounds); 0 for values that
// DecodeDateTime treats as the epoch.
int64_t RoundToMs(TDateTime value);

// How FormatDateTime reads its value.
enum class TimeKind {
    kDateTime,  // a moment: hours wrap at midnight
    kDuration,  // an elapsed time: the leading time field keeps counting
};

// One formatting routine for every date-time pattern the program shows.
// Letters are case-insensitive:
//   yyyy year, yy two-digit year, mm month (two digits), m month,
//   dd day, d day, hh hour (two digits), h hour, nn minute, n minute,
//   ss second, s second, zzz milliseconds (three digits), zz or z
//   milliseconds without leading zeros.
// "m" is always the month; minutes are "n". Text in double or single quotes
// is copied without the quotes; any other character is copied as it stands.
// A duration shows its most significant time field (hours, else minutes,
// else seconds) counting on past its usual range, so 25 h in "h:nn" is
// "25:00" and 75 min in "n:ss" is "75:00"; a negative duration gets a
// leading '-'.
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           TimeKind kind = TimeKind::kDateTime);

// Lap-time text: "n:ss.zzz" below one hour, "h:nn:ss.zzz" from one hour on.
// The choice is made after rounding, so 59:59.9996 is "1:00:00.000".
std::string FormatLapTime(TTime lapTime);

// A duration given in seconds, shown as a lap time.
std::string FormatSeconds(double seconds);

}  // namespace qv
