#include "core/date_time.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace qv {
namespace {

constexpr int64_t kMsPerDayInt = 86400000;
constexpr int64_t kMsPerHour = 3600000;
constexpr int64_t kMsPerMinute = 60000;
// Far beyond any real date, yet small enough that every millisecond count
// and calendar year derived from it fits its integer type.
constexpr double kMaxDays = 1e9;

constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

constexpr int64_t FloorMod(int64_t a, int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// Calendar years are counted from March, so that the leap day is the last
// day of its year and the month lengths before it never change.
constexpr int kMonthStartFromMarch[13] = {0,   31,  61,  92,  122, 153, 184,
                                          214, 245, 275, 306, 337, 366};

// Days from 0000-03-01 to year-03-01.
constexpr int64_t MarchFirst(int64_t year) {
    return year * 365 + FloorDiv(year, 4) - FloorDiv(year, 100) + FloorDiv(year, 400);
}

// Days from 0000-03-01 to the given date; month and day may be out of range.
constexpr int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
    year += FloorDiv(month - 1, 12);
    month = FloorMod(month - 1, 12) + 1;
    if (month < 3) {
        year -= 1;
        month += 12;
    }
    return MarchFirst(year) + kMonthStartFromMarch[month - 3] + (day - 1);
}

constexpr int64_t kEpochDayNumber = DayNumber(1899, 12, 30);

struct CivilDate {
    int64_t year;
    int month;
    int day;
};

CivilDate CivilFromDayNumber(int64_t n) {
    int64_t year = FloorDiv(n * 400, 146097);
    while (MarchFirst(year + 1) <= n)
        ++year;
    while (MarchFirst(year) > n)
        --year;
    const int dayInYear = static_cast<int>(n - MarchFirst(year));
    int monthIndex = 11;
    while (kMonthStartFromMarch[monthIndex] > dayInYear)
        --monthIndex;
    CivilDate date{year, monthIndex + 3, dayInYear - kMonthStartFromMarch[monthIndex] + 1};
    if (date.month > 12) {
        date.month -= 12;
        date.year += 1;
    }
    return date;
}

bool Decodable(double value) {
    return std::isfinite(value) && std::fabs(value) <= kMaxDays;
}

// The day (integer part toward zero) and the rounded time of day in ms,
// which may reach a whole day; the caller decides where that carry goes.
void SplitDayAndMs(double value, int64_t& day, int64_t& msOfDay) {
    const double whole = std::trunc(value);
    const long double frac = std::fabs(static_cast<long double>(value) - whole);
    day = static_cast<int64_t>(whole);
    msOfDay = std::llround(frac * static_cast<long double>(kMsPerDay));
}

struct Fields {
    int64_t year, month, day, hour, minute, second, ms;
};

void AppendNumber(std::string& out, int64_t value, int minDigits) {
    char buf[24];
    if (value < 0) {
        out += '-';
        value = -value;
    }
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    const int digits = static_cast<int>(res.ptr - buf);
    if (digits < minDigits)
        out.append(static_cast<size_t>(minDigits - digits), '0');
    out.append(buf, res.ptr);
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// The most significant of hours, minutes and seconds that the pattern shows
// ('h', 'n', 's'), or 0 when it shows none.
char LeadingTimeField(std::string_view pattern) {
    bool hasMinute = false;
    bool hasSecond = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (IsQuote(c)) {
            const size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos)
                break;
            i = end;
            continue;
        }
        const char lc = Lower(c);
        if (lc == 'h')
            return 'h';
        hasMinute = hasMinute || lc == 'n';
        hasSecond = hasSecond || lc == 's';
    }
    return hasMinute ? 'n' : hasSecond ? 's' : 0;
}

size_t RunLength(std::string_view pattern, size_t start, char lowerLetter) {
    size_t end = start;
    while (end < pattern.size() && Lower(pattern[end]) == lowerLetter)
        ++end;
    return end - start;
}

std::string Render(std::string_view pattern, const Fields& f, std::string out) {
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (IsQuote(c)) {
            size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos)
                end = pattern.size();
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        const char lc = Lower(c);
        const size_t run = RunLength(pattern, i, lc);
        size_t take = std::min<size_t>(run, 2);
        switch (lc) {
            case 'y':
                take = std::min<size_t>(run, 4);
                if (take >= 3) {
                    AppendNumber(out, f.year, 4);
                } else {
                    AppendNumber(out, FloorMod(f.year, 100), 2);
                }
                break;
            case 'm':
                AppendNumber(out, f.month, static_cast<int>(take));
                break;
            case 'd':
                AppendNumber(out, f.day, static_cast<int>(take));
                break;
            case 'h':
                AppendNumber(out, f.hour, static_cast<int>(take));
                break;
            case 'n':
                AppendNumber(out, f.minute, static_cast<int>(take));
                break;
            case 's':
                AppendNumber(out, f.second, static_cast<int>(take));
                break;
            case 'z':
                take = std::min<size_t>(run, 3);
                AppendNumber(out, f.ms, take == 3 ? 3 : 1);
                break;
            default:
                take = 1;
                out += c;
                break;
        }
        i += take;
    }
    return out;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    return static_cast<double>(DayNumber(year, month, day) - kEpochDayNumber);
}

TDateTime EncodeTime(int hour, int minute, int second, int ms) {
    const int64_t total = hour * kMsPerHour + minute * kMsPerMinute + second * int64_t{1000} + ms;
    return static_cast<double>(total) / kMsPerDay;
}

TDateTime EncodeDateTime(const DateTimeParts& parts) {
    const int64_t timeMs = parts.hour * kMsPerHour + parts.minute * kMsPerMinute +
                           parts.second * int64_t{1000} + parts.ms;
    const int64_t day = DayNumber(parts.year, parts.month, parts.day) - kEpochDayNumber +
                        FloorDiv(timeMs, kMsPerDayInt);
    const double timeOfDay = static_cast<double>(FloorMod(timeMs, kMsPerDayInt)) / kMsPerDay;
    const double whole = static_cast<double>(day);
    return day >= 0 ? whole + timeOfDay : whole - timeOfDay;
}

DateTimeParts DecodeDateTime(TDateTime value) {
    DateTimeParts parts;
    if (!Decodable(value))
        return parts;
    int64_t day = 0;
    int64_t msOfDay = 0;
    SplitDayAndMs(value, day, msOfDay);
    if (msOfDay >= kMsPerDayInt) {
        msOfDay -= kMsPerDayInt;
        day += 1;
    }
    const CivilDate date = CivilFromDayNumber(day + kEpochDayNumber);
    parts.year = static_cast<int>(date.year);
    parts.month = date.month;
    parts.day = date.day;
    parts.hour = static_cast<int>(msOfDay / kMsPerHour);
    parts.minute = static_cast<int>(msOfDay / kMsPerMinute % 60);
    parts.second = static_cast<int>(msOfDay / 1000 % 60);
    parts.ms = static_cast<int>(msOfDay % 1000);
    return parts;
}

int64_t RoundToMs(TDateTime value) {
    if (!Decodable(value))
        return 0;
    int64_t day = 0;
    int64_t msOfDay = 0;
    SplitDayAndMs(value, day, msOfDay);
    const int64_t magnitude = (day < 0 ? -day : day) * kMsPerDayInt + msOfDay;
    return value < 0 ? -magnitude : magnitude;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value, TimeKind kind) {
    std::string out;
    Fields f{};
    if (kind == TimeKind::kDateTime) {
        const DateTimeParts p = DecodeDateTime(value);
        f = {p.year, p.month, p.day, p.hour, p.minute, p.second, p.ms};
    } else {
        int64_t total = RoundToMs(value);
        if (total < 0) {
            out += '-';
            total = -total;
            value = -value;
        }
        const DateTimeParts p = DecodeDateTime(value);
        f = {p.year,
             p.month,
             p.day,
             total / kMsPerHour,
             total / kMsPerMinute % 60,
             total / 1000 % 60,
             total % 1000};
        const char lead = LeadingTimeField(pattern);
        if (lead == 'n')
            f.minute = total / kMsPerMinute;
        if (lead == 's')
            f.second = total / 1000;
    }
    return Render(pattern, f, std::move(out));
}

std::string FormatLapTime(TTime lapTime) {
    const int64_t total = RoundToMs(lapTime);
    const bool underOneHour = (total < 0 ? -total : total) < kMsPerHour;
    return FormatDateTime(underOneHour ? "n:ss.zzz" : "h:nn:ss.zzz", lapTime, TimeKind::kDuration);
}

std::string FormatSeconds(double seconds) {
    return FormatLapTime(seconds / kSecondsPerDay);
}

}  // namespace qv
