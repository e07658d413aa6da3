#include "decode/vbo_log_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/display_format.h"
#include "core/text_utils.h"
#include "geometry/plane.h"

namespace qv {
namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr int64_t kMsPerDayInt = 86400000;
constexpr int64_t kHalfDayMs = kMsPerDayInt / 2;
// Cells of a row read at most; columns further right cannot be read.
constexpr size_t kMaxColumns = 256;
// A start line farther than this from every fix belongs to another place.
constexpr double kStartLineReachKm = 10;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The blank-separated words of a line, at most kMaxColumns.
struct Words {
    std::array<std::string_view, kMaxColumns> at{};
    size_t count = 0;

    explicit Words(std::string_view line) {
        size_t i = 0;
        while (count < kMaxColumns) {
            while (i < line.size() && IsBlank(line[i]))
                ++i;
            if (i == line.size())
                break;
            const size_t start = i;
            while (i < line.size() && !IsBlank(line[i]))
                ++i;
            at[count++] = line.substr(start, i - start);
        }
    }
};

// "dd/mm/yyyy" at the start of `text`, as days since 1899-12-30.
bool ParseDayMonthYear(std::string_view text, int64_t& day) {
    int field[3] = {};
    const size_t widths[3] = {2, 2, 4};
    size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        if (text.size() < at + widths[k])
            return false;
        for (size_t i = 0; i < widths[k]; ++i) {
            const char c = text[at + i];
            if (c < '0' || c > '9')
                return false;
            field[k] = field[k] * 10 + (c - '0');
        }
        at += widths[k];
        if (k < 2 && (text.size() <= at || text[at++] != '/'))
            return false;
    }
    if (field[1] < 1 || field[1] > 12 || field[0] < 1)
        return false;
    const TDateTime date = EncodeDate(field[2], field[1], field[0]);
    if (DecodeDateTime(date).day != field[0])
        return false;
    day = static_cast<int64_t>(date);
    return true;
}

// The km/h in one unit of a speed unit word; 0 for any other word.
double KmhPerUnit(std::string_view upperWord) {
    if (upperWord == "KMH" || upperWord == "KM/H" || upperWord == "KPH")
        return 1;
    if (upperWord == "KNOTS" || upperWord == "KNOT" || upperWord == "KTS")
        return kKmhPerKnot;
    if (upperWord == "MPH")
        return kKmhPerMph;
    if (upperWord == "M/S")
        return kKmhPerMetrePerSecond;
    return 0;
}

}  // namespace

void VboLogDecoder::Feed(std::string_view chunk) {
    lines_.Feed(chunk, [this](std::string_view line) { Line(line); });
}

VboLogStats VboLogDecoder::Finish() {
    lines_.Finish([this](std::string_view line) { Line(line); });
    if (!needsSpeed_.empty())
        SpeedsFromTrack(target_.log, 0, target_.log.LogItemNum, needsSpeed_);
    needsSpeed_.clear();
    if (stats_.Recognised()) {
        stats_.startLine = ResolvedStartLine();
        stats_.unreadLines += lines_.OverlongLines();
        DiagnosticList& diagnostics = target_.diagnostics;
        if (stats_.unreadLines > 0)
            diagnostics.Insert(StrFormat("VBO: %lld data lines not read",
                                         static_cast<long long>(stats_.unreadLines)));
        if (stats_.invalidFixes > 0)
            diagnostics.Insert(StrFormat("VBO: %lld rows without satellites skipped",
                                         static_cast<long long>(stats_.invalidFixes)));
    }
    return stats_;
}

void VboLogDecoder::Line(std::string_view raw) {
    if (firstLine_ && raw.starts_with("\xEF\xBB\xBF"))
        raw.remove_prefix(3);
    firstLine_ = false;
    const std::string_view line = Trimmed(raw);
    if (line.empty())
        return;
    if (line.front() == '[' && line.back() == ']') {
        const std::string name = UpperCase(line.substr(1, line.size() - 2));
        if (name == "HEADER") {
            section_ = Section::Header;
            stats_.header = true;
        } else if (name == "COMMENTS") {
            section_ = Section::Comments;
        } else if (name == "COLUMN NAMES") {
            section_ = Section::ColumnNames;
            names_.clear();
            columns_ = Columns{};
            layoutChosen_ = false;
        } else if (name == "LAPTIMING") {
            section_ = Section::LapTiming;
        } else if (name == "DATA") {
            section_ = Section::Data;
            stats_.data = true;
        } else {
            section_ = Section::Other;
        }
        return;
    }
    switch (section_) {
        case Section::None: {
            constexpr std::string_view kCreated = "FILE CREATED ON ";
            if (line.size() > kCreated.size() &&
                UpperCase(line.substr(0, kCreated.size())) == kCreated)
                ParseDayMonthYear(line.substr(kCreated.size()), createdDay_);
            break;
        }
        case Section::Header: {
            const std::string channel = UpperCase(line);
            if (channel.starts_with("VELOCITY")) {
                headerKmhPerUnit_ = channel.find("KNOT") != std::string::npos  ? kKmhPerKnot
                                    : channel.find("MPH") != std::string::npos ? kKmhPerMph
                                                                               : 1;
            }
            break;
        }
        case Section::Comments: {
            constexpr std::string_view kStarted = "UTC DATE STARTED";
            const std::string comment = UpperCase(line);
            const size_t colon = comment.find(':');
            if (comment.starts_with(kStarted) && colon != std::string::npos)
                ParseDayMonthYear(Trimmed(line.substr(colon + 1)), utcStartedDay_);
            break;
        }
        case Section::ColumnNames:
            ColumnNames(line);
            break;
        case Section::LapTiming:
            StartLine(line);
            break;
        case Section::Data:
            Row(line);
            break;
        case Section::Other:
            break;
    }
}

void VboLogDecoder::ColumnNames(std::string_view line) {
    // Most writers put all names on one line; those that write one a line
    // give the same list.
    const Words words(line);
    for (size_t i = 0; i < words.count && names_.size() < kMaxColumns; ++i)
        names_.push_back(UpperCase(words.at[i]));
    columns_ = LayoutOf(true);
    layoutChosen_ = false;
    stats_.columns = stats_.columns || columns_.Readable();
}

VboLogDecoder::Columns VboLogDecoder::LayoutOf(bool unitsJoin) const {
    Columns c;
    int index = -1;
    bool afterVelocity = false;
    for (const std::string& name : names_) {
        const double perUnit = KmhPerUnit(name);
        if (unitsJoin && index >= 0 && perUnit > 0) {
            if (afterVelocity)
                c.velocityKmhPerUnit = perUnit;
            continue;
        }
        ++index;
        afterVelocity = false;
        int* column = nullptr;
        if (name == "TIME")
            column = &c.time;
        else if (name == "LAT" || name == "LATITUDE")
            column = &c.lat;
        else if (name == "LONG" || name == "LNG" || name == "LON" || name == "LONGITUDE")
            column = &c.lon;
        else if (name == "VELOCITY")
            column = &c.velocity;
        else if (name == "HEIGHT" || name == "ALTITUDE")
            column = &c.height;
        else if (name == "SATS" || name == "SATELLITES")
            column = &c.sats;
        if (column != nullptr && *column < 0) {
            *column = index;
            afterVelocity = column == &c.velocity;
        }
    }
    c.count = static_cast<size_t>(index + 1);
    for (int column : {c.time, c.lat, c.lon, c.velocity, c.height, c.sats})
        c.needed = std::max(c.needed, static_cast<size_t>(column + 1));
    return c;
}

void VboLogDecoder::StartLine(std::string_view line) {
    if (startNumbers_)
        return;
    // The line's name follows a "¬" in any encoding; nothing after the first
    // byte outside ASCII is needed.
    const auto foreign = std::find_if(line.begin(), line.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const Words words(line.substr(0, static_cast<size_t>(foreign - line.begin())));
    if (words.count < 5 || UpperCase(words.at[0]) != "START")
        return;
    std::array<double, 4> numbers{};
    for (size_t i = 0; i < 4; ++i) {
        if (!ParseDecimal(words.at[i + 1], numbers[i]))
            return;
    }
    startNumbers_ = numbers;
}

std::optional<std::array<LogSession::FileLinePoint, 2>> VboLogDecoder::ResolvedStartLine() const {
    if (!startNumbers_)
        return std::nullopt;
    const std::array<double, 4>& n = *startNumbers_;
    using Line = std::array<LogSession::FileLinePoint, 2>;
    // Most writers put the longitude first, some the latitude; both in
    // minutes, the longitude positive to the west.
    const Line readings[2] = {
        {{{n[1] / 60, -n[0] / 60}, {n[3] / 60, -n[2] / 60}}},
        {{{n[0] / 60, -n[1] / 60}, {n[2] / 60, -n[3] / 60}}},
    };
    const LogStore& log = target_.log;
    std::optional<Line> best;
    double bestKm = std::numeric_limits<double>::infinity();
    for (const Line& reading : readings) {
        const bool onEarth = std::all_of(reading.begin(), reading.end(), [](const auto& p) {
            return std::fabs(p.lat) <= 90 && std::fabs(p.lon) <= 180;
        });
        if (!onEarth)
            continue;
        if (log.LogItemNum == 0)
            return reading;
        const Float80 lat = (reading[0].lat + reading[1].lat) / 2;
        const Float80 lon = (reading[0].lon + reading[1].lon) / 2;
        double nearestKm = std::numeric_limits<double>::infinity();
        for (int i = 0; i < log.LogItemNum; ++i) {
            const TLogItem& fix = log.LogItems[i];
            nearestKm = std::min(nearestKm,
                                 static_cast<double>(StepDistKm(lat, lon, fix.Ido, fix.Kdo, lat)));
        }
        if (nearestKm < bestKm) {
            bestKm = nearestKm;
            best = reading;
        }
    }
    if (bestKm > kStartLineReachKm)
        return std::nullopt;
    return best;
}

void VboLogDecoder::Row(std::string_view line) {
    if (!columns_.Readable())
        return;
    const Words cells(line);
    if (!layoutChosen_) {
        // A speed unit in the names is part of the velocity column's name,
        // unless the rows have a cell for it.
        const Columns separate = LayoutOf(false);
        if (separate.count != columns_.count && cells.count == separate.count)
            columns_ = separate;
        layoutChosen_ = true;
    }
    const Columns& c = columns_;
    const double kmhPerUnit = c.velocityKmhPerUnit > 0 ? c.velocityKmhPerUnit : headerKmhPerUnit_;
    int64_t msOfDay = 0;
    double latMinutes = 0, lonMinutesWest = 0, speed = 0, height = 0;
    uint32_t sats = kUnknownSatellites;
    const bool read = cells.count >= c.needed && ParseHhmmss(cells.at[c.time], msOfDay) &&
                      ParseDecimal(cells.at[c.lat], latMinutes) &&
                      ParseDecimal(cells.at[c.lon], lonMinutesWest) &&
                      std::fabs(latMinutes) <= 90 * 60 && std::fabs(lonMinutesWest) <= 180 * 60 &&
                      (c.velocity < 0 || (ParseDecimal(cells.at[c.velocity], speed) && speed >= 0 &&
                                          speed * kmhPerUnit <= kMaxTextLogKmh)) &&
                      (c.height < 0 || (ParseDecimal(cells.at[c.height], height) &&
                                        std::fabs(height) <= kMaxTextLogHeightM)) &&
                      (c.sats < 0 || ParseCount(cells.at[c.sats], 255, sats));
    if (!read) {
        ++stats_.unreadLines;
        return;
    }
    if (sats == 0) {
        ++stats_.invalidFixes;
        return;
    }
    if (day_ < 0) {
        if (utcStartedDay_ >= 0)
            day_ = utcStartedDay_;
        else if (createdDay_ >= 0)
            day_ = createdDay_;
        else
            day_ = FirstDayBeforeWrite(writtenUtc_, msOfDay);
    } else if (msOfDay < lastMsOfDay_ - kHalfDayMs) {
        ++day_;
    }
    lastMsOfDay_ = msOfDay;

    TLogItem fix;
    fix.DtTm = LocalDateTimeOfUtc(day_, msOfDay, target_.localTimeBase);
    fix.Ido = latMinutes / 60;
    fix.Kdo = -lonMinutesWest / 60;
    fix.Elv = static_cast<float>(height);
    fix.Spd = static_cast<float>(speed * kmhPerUnit);
    fix.sat_used = static_cast<uint8_t>(sats);
    fix.sat_view = fix.sat_used;
    fix.ms = static_cast<uint16_t>(msOfDay % 1000);
    if (AppendLogFix(target_.log, fix) && c.velocity < 0) {
        needsSpeed_.resize(static_cast<size_t>(target_.log.LogItemNum), false);
        needsSpeed_.back() = true;
    }
}

VboLogStats DecodeVboText(const MtkTarget& target, std::string_view text, TDateTime writtenUtc) {
    VboLogDecoder decoder(target, writtenUtc);
    decoder.Feed(text);
    return decoder.Finish();
}

void ReadVboLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& /*options*/, LoadLogResult& result) {
    session.log.Reset();
    VboLogDecoder decoder({session.log, session.diagnostics, session.LocalTimeBase},
                          FileWrittenUtc(path));
    const std::string ioError = StreamFileChunks(path, [&decoder](std::string_view chunk) {
        decoder.Feed(chunk);
        return true;
    });
    const VboLogStats stats = decoder.Finish();
    FinishTextLog(session.log, stats.Recognised(), ioError, result);
    if (result.proceed)
        session.fileStartLine = stats.startLine;
}

}  // namespace qv
