#include "decode/vbo_log_reader.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

#include "core/display_format.h"
#include "core/text_utils.h"

namespace qv {
namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr int64_t kMsPerDayInt = 86400000;
constexpr int64_t kHalfDayMs = kMsPerDayInt / 2;
constexpr size_t kMaxColumns = 64;

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

// The file's last write as a UTC date-time; 0 when it cannot be told.
TDateTime WrittenUtcOf(const std::filesystem::path& path) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec)
        return 0;
    const auto since1970 = std::chrono::file_clock::to_sys(written).time_since_epoch();
    const double seconds = std::chrono::duration<double>(since1970).count();
    return kUnixEpochDays + seconds / kSecondsPerDay;
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
    const std::string_view line = Trimmed(raw);
    if (line.empty())
        return;
    if (line.front() == '[' && line.back() == ']') {
        const std::string name = UpperCase(line.substr(1, line.size() - 2));
        if (name == "HEADER") {
            section_ = Section::Header;
            stats_.header = true;
        } else if (name == "COLUMN NAMES") {
            section_ = Section::ColumnNames;
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
            if (channel.starts_with("VELOCITY"))
                knots_ = channel.find("KNOT") != std::string::npos;
            break;
        }
        case Section::ColumnNames:
            ColumnNames(line);
            break;
        case Section::Data:
            Row(line);
            break;
        case Section::Other:
            break;
    }
}

void VboLogDecoder::ColumnNames(std::string_view line) {
    const Words names(line);
    time_ = lat_ = lon_ = velocity_ = height_ = sats_ = -1;
    for (size_t i = 0; i < names.count; ++i) {
        const std::string name = UpperCase(names.at[i]);
        const int index = static_cast<int>(i);
        int* column = nullptr;
        if (name == "TIME")
            column = &time_;
        else if (name == "LAT")
            column = &lat_;
        else if (name == "LONG")
            column = &lon_;
        else if (name == "VELOCITY")
            column = &velocity_;
        else if (name == "HEIGHT")
            column = &height_;
        else if (name == "SATS")
            column = &sats_;
        if (column != nullptr && *column < 0)
            *column = index;
    }
    rowsReadable_ = time_ >= 0 && lat_ >= 0 && lon_ >= 0;
    stats_.columns = stats_.columns || rowsReadable_;
    columnsNeeded_ = 0;
    for (int column : {time_, lat_, lon_, velocity_, height_, sats_})
        columnsNeeded_ = std::max(columnsNeeded_, static_cast<size_t>(column + 1));
}

void VboLogDecoder::Row(std::string_view line) {
    if (!rowsReadable_)
        return;
    const Words cells(line);
    int64_t msOfDay = 0;
    double latMinutes = 0, lonMinutesWest = 0, speed = 0, height = 0;
    uint32_t sats = kUnknownSatellites;
    const bool read =
        cells.count >= columnsNeeded_ && ParseHhmmss(cells.at[time_], msOfDay) &&
        ParseDecimal(cells.at[lat_], latMinutes) && ParseDecimal(cells.at[lon_], lonMinutesWest) &&
        std::fabs(latMinutes) <= 90 * 60 && std::fabs(lonMinutesWest) <= 180 * 60 &&
        (velocity_ < 0 || (ParseDecimal(cells.at[velocity_], speed) && speed >= 0 &&
                           (knots_ ? speed * kKmhPerKnot : speed) <= kMaxTextLogKmh)) &&
        (height_ < 0 ||
         (ParseDecimal(cells.at[height_], height) && std::fabs(height) <= kMaxTextLogHeightM)) &&
        (sats_ < 0 || ParseCount(cells.at[sats_], 255, sats));
    if (!read) {
        ++stats_.unreadLines;
        return;
    }
    if (sats == 0) {
        ++stats_.invalidFixes;
        return;
    }
    if (day_ < 0) {
        if (createdDay_ >= 0) {
            day_ = createdDay_;
        } else {
            // Written after the recording: a first fix later in the day than
            // the write was made the day before.
            const double writtenDay = std::floor(writtenUtc_);
            day_ = static_cast<int64_t>(writtenDay);
            if (static_cast<double>(msOfDay) > (writtenUtc_ - writtenDay) * kMsPerDay)
                --day_;
        }
    } else if (msOfDay < lastMsOfDay_ - kHalfDayMs) {
        ++day_;
    }
    lastMsOfDay_ = msOfDay;

    TLogItem fix;
    fix.DtTm = LocalDateTimeOfUtc(day_, msOfDay, target_.localTimeBase);
    fix.Ido = latMinutes / 60;
    fix.Kdo = -lonMinutesWest / 60;
    fix.Elv = static_cast<float>(height);
    fix.Spd = static_cast<float>(knots_ ? speed * kKmhPerKnot : speed);
    fix.sat_used = static_cast<uint8_t>(sats);
    fix.sat_view = fix.sat_used;
    fix.ms = static_cast<uint16_t>(msOfDay % 1000);
    if (AppendLogFix(target_.log, fix) && velocity_ < 0) {
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
                          WrittenUtcOf(path));
    const std::string ioError = StreamFileChunks(path, [&decoder](std::string_view chunk) {
        decoder.Feed(chunk);
        return true;
    });
    const VboLogStats stats = decoder.Finish();
    FinishTextLog(session.log, stats.Recognised(), ioError, result);
}

}  // namespace qv
