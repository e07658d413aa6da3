#include "exchange/motec_csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/text_utils.h"

namespace qv {
namespace {

bool ParseUnsigned(std::string_view text, int& value) {
    if (text.empty() || text.size() > 4)
        return false;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitAny(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

std::optional<TDateTime> ParseDate(std::string_view text) {
    const std::vector<std::string_view> parts = SplitAny(Trimmed(text), "/-.");
    if (parts.size() != 3)
        return std::nullopt;
    int a = 0, b = 0, c = 0;
    if (!ParseUnsigned(parts[0], a) || !ParseUnsigned(parts[1], b) || !ParseUnsigned(parts[2], c))
        return std::nullopt;
    int year = c, month = b, day = a;
    if (parts[0].size() == 4) {
        year = a;
        day = c;
    } else if (parts[2].size() <= 2) {
        year = 2000 + c;
    } else if (parts[2].size() != 4) {
        return std::nullopt;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return std::nullopt;
    const int days = kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
    if (day > days)
        return std::nullopt;
    return EncodeDate(year, month, day);
}

std::optional<TDateTime> ParseTime(std::string_view text) {
    text = Trimmed(text);
    int pm = -1;  // -1 without AM / PM, else 0 or 1
    const std::string upper = UpperCase(text);
    if (upper.size() >= 2 && (upper.ends_with("AM") || upper.ends_with("PM"))) {
        pm = upper.ends_with("PM") ? 1 : 0;
        text = Trimmed(text.substr(0, text.size() - 2));
    }
    const std::vector<std::string_view> parts = SplitAny(text, ":");
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int hour = 0, minute = 0, second = 0, ms = 0;
    if (!ParseUnsigned(parts[0], hour) || !ParseUnsigned(parts[1], minute))
        return std::nullopt;
    if (parts.size() == 3) {
        const std::vector<std::string_view> sec = SplitAny(parts[2], ".");
        if (sec.size() > 2 || !ParseUnsigned(sec[0], second))
            return std::nullopt;
        if (sec.size() == 2) {
            const std::string_view frac = sec[1];
            if (frac.empty() || frac.size() > 3 || !ParseUnsigned(frac, ms))
                return std::nullopt;
            for (size_t k = frac.size(); k < 3; ++k)
                ms *= 10;
        }
    }
    if (pm >= 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + 12 * pm;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return EncodeTime(hour, minute, second, ms);
}

int Rightmost(const std::vector<std::string>& cells, std::string_view name) {
    for (size_t k = cells.size(); k-- > 0;) {
        if (cells[k] == name)
            return static_cast<int>(k);
    }
    return -1;
}

// Index 0 is the time column's place; any other channel there counts as
// missing.
int Found(int index) {
    return index > 0 ? index : -1;
}

// Times become double date-times, so a number beyond the double range
// counts as one that does not convert.
Float80 Cell(const std::vector<std::string>& cells, int index) {
    const Float80 v = TextToFloat(cells[static_cast<size_t>(index)]);
    return std::fabs(v) <= std::numeric_limits<double>::max() ? v : 0;
}

}  // namespace

std::vector<std::string> MotecCells(std::string_view line) {
    std::string unquoted;
    unquoted.reserve(line.size());
    for (char c : line) {
        if (c != '"')
            unquoted += c;
    }
    std::vector<std::string> cells;
    SplitAtChar(cells, unquoted, ',');
    return cells;
}

std::optional<MotecLayout> FindMotecLayout(const std::vector<std::string>& lines) {
    if (lines.size() < kMotecMinLines)
        return std::nullopt;
    MotecLayout layout;
    for (size_t k = 1; k < kMotecHeadLines; ++k) {
        const std::vector<std::string> cells = MotecCells(lines[k]);
        if (cells.size() < 2)
            continue;
        if (cells[0] == "Time" && cells[1] == "Distance")
            layout.channelLine = k;
        if (cells[0] == "0.000" && cells[1] == "0")
            layout.dataStartLine = k;
    }
    if (layout.channelLine == 0 || layout.dataStartLine == 0)
        return std::nullopt;
    return layout;
}

MotecColumns FindMotecColumns(const std::vector<std::string>& channelCells) {
    MotecColumns columns;
    columns.time = std::max(0, Rightmost(channelCells, "Time"));
    columns.distance = Found(Rightmost(channelCells, "Distance"));
    columns.speed = Found(std::max(Rightmost(channelCells, "Ground Speed"),
                                   Rightmost(channelCells, "Vehicle Speed")));
    columns.latitude = Found(Rightmost(channelCells, "GPS Latitude"));
    columns.longitude = Found(Rightmost(channelCells, "GPS Longitude"));
    return columns;
}

std::optional<TDateTime> MotecStartDateTime(std::string_view date, std::string_view time) {
    const std::optional<TDateTime> day = ParseDate(date);
    const std::optional<TDateTime> clock = ParseTime(time);
    if (!day || !clock)
        return std::nullopt;
    return *day + *clock;
}

std::string MotecDateTimeError(std::string_view date, std::string_view time) {
    return "'" + std::string(date) + " " + std::string(time) + "' is not a valid date and time";
}

MotecLap ParseMotecLap(const std::vector<std::string>& lines, const MotecFallback& fallback,
                       int minSatNum) {
    MotecLap lap;
    if (lines.size() < kMotecMinLines) {
        lap.refusal = MotecRefusal::TooFewLines;
        return lap;
    }
    const std::optional<MotecLayout> layout = FindMotecLayout(lines);
    if (!layout) {
        lap.refusal = MotecRefusal::NoLayout;
        return lap;
    }
    const std::vector<std::string> dateCells = MotecCells(lines[6]);
    const std::vector<std::string> timeCells = MotecCells(lines[7]);
    if (dateCells[0] != "Log Date" || timeCells[0] != "Log Time") {
        lap.refusal = MotecRefusal::NoLogDateTime;
        return lap;
    }
    const std::string date = dateCells.size() > 1 ? dateCells[1] : std::string();
    const std::string time = timeCells.size() > 1 ? timeCells[1] : std::string();
    const std::optional<TDateTime> start = MotecStartDateTime(date, time);
    if (!start) {
        lap.refusal = MotecRefusal::BadDateTime;
        lap.error = MotecDateTimeError(date, time);
        return lap;
    }
    const MotecColumns columns = FindMotecColumns(MotecCells(lines[layout->channelLine]));
    if (columns.distance < 0 || columns.speed < 0) {
        lap.refusal = MotecRefusal::NoColumns;
        return lap;
    }
    lap.hasPositions = columns.HasPositions();
    int needed = std::max({columns.time, columns.distance, columns.speed});
    if (lap.hasPositions)
        needed = std::max({needed, columns.latitude, columns.longitude});

    lap.samples.reserve(lines.size() - layout->dataStartLine);
    for (size_t k = layout->dataStartLine; k < lines.size(); ++k) {
        const std::vector<std::string> cells = MotecCells(lines[k]);
        if (cells.size() <= static_cast<size_t>(needed))
            continue;
        TLapElmRec& s = lap.samples.emplace_back();
        const Float80 sec = Cell(cells, columns.time);
        s.Sec = sec;
        s.Tm = static_cast<double>(sec / kSecondsPerDay);
        s.DtTm = *start + static_cast<double>(sec / kSecondsPerDay);
        s.Ido = lap.hasPositions ? Cell(cells, columns.latitude) : fallback.Ido;
        s.Kdo = lap.hasPositions ? Cell(cells, columns.longitude) : fallback.Kdo;
        s.Elv = fallback.Elv;
        const Float80 spd = Cell(cells, columns.speed);
        s.Spd = spd;
        s.Dir = 0;
        s.Dist = Cell(cells, columns.distance) / 1000;
        s.UseSat = minSatNum;
        lap.topSpeed = std::max(lap.topSpeed, spd);
    }
    if (lap.samples.empty())
        lap.refusal = MotecRefusal::NoSamples;
    return lap;
}

}  // namespace qv
