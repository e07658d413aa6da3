#include "decode/nmea_log_reader.h"

#include <array>
#include <cmath>
#include <cstring>

#include "core/display_format.h"
#include "core/sentence_checksum.h"

namespace qv {
namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr double kHalfDay = 0.5;
constexpr int64_t kHalfDayMs = 43200000;

// The comma-separated fields of a sentence body, the address first; the
// fields past the last one kept are not needed.
struct Fields {
    static constexpr size_t kMax = 16;
    std::array<std::string_view, kMax> at{};
    size_t count = 0;

    explicit Fields(std::string_view body) {
        size_t start = 0;
        while (count < kMax) {
            const size_t comma = body.find(',', start);
            at[count++] =
                body.substr(start, comma == std::string_view::npos ? body.npos : comma - start);
            if (comma == std::string_view::npos)
                break;
            start = comma + 1;
        }
    }
};

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool KnownTalker(std::string_view talker) {
    for (const char* known : {"GP", "GN", "GL", "GA", "BD", "GB"}) {
        if (talker == known)
            return true;
    }
    return false;
}

// "ddmm.mmmm" or "dddmm.mmmm" with its hemisphere letter, as degrees.
bool ParseAngle(std::string_view value, std::string_view hemisphere, bool latitude,
                double& degrees) {
    double v = 0;
    if (!ParseDecimal(value, v) || v < 0)
        return false;
    const double whole = std::floor(v / 100);
    const double minutes = v - whole * 100;
    if (minutes >= 60)
        return false;
    degrees = whole + minutes / 60;
    if (degrees > (latitude ? 90 : 180))
        return false;
    if (hemisphere == (latitude ? "S" : "W"))
        degrees = -degrees;
    else if (hemisphere != (latitude ? "N" : "E"))
        return false;
    return true;
}

// Digits after the decimal point; -1 for an empty text.
int Decimals(std::string_view number) {
    if (number.empty())
        return -1;
    const size_t point = number.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

}  // namespace

bool NmeaLogDecoder::ParseDate(std::string_view text, int64_t& utcDay) {
    if (text.size() != 6)
        return false;
    if (lastDateDay_ >= 0 && std::memcmp(text.data(), lastDateText_, 6) == 0) {
        utcDay = lastDateDay_;
        return true;
    }
    int field[3] = {};
    for (int k = 0; k < 3; ++k) {
        const char a = text[2 * k];
        const char b = text[2 * k + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9')
            return false;
        field[k] = (a - '0') * 10 + (b - '0');
    }
    const int day = field[0], month = field[1];
    // Two-digit years: receivers of the last century wrote 80 to 99.
    const int year = field[2] < 80 ? 2000 + field[2] : 1900 + field[2];
    if (month < 1 || month > 12 || day < 1)
        return false;
    const TDateTime date = EncodeDate(year, month, day);
    if (DecodeDateTime(date).day != day)
        return false;
    utcDay = static_cast<int64_t>(date);
    std::memcpy(lastDateText_, text.data(), 6);
    lastDateDay_ = utcDay;
    return true;
}

void NmeaLogDecoder::Feed(std::string_view chunk) {
    lines_.Feed(chunk, [this](std::string_view line) { Line(line); });
}

NmeaLogStats NmeaLogDecoder::Finish() {
    lines_.Finish([this](std::string_view line) { Line(line); });
    Flush();
    epoch_ = Epoch{};
    stats_.unreadLines += lines_.OverlongLines();
    if (!sawRmc_) {
        stats_.unreadLines += ggaUnread_;
        stats_.invalidFixes += ggaInvalid_;
        stats_.repeatedFixes += ggaRepeated_;
        stats_.fromGga = ggaFixes_ > 0;
        stats_.dateOfFile = stats_.fromGga && !zdaSeen_;
        if (stats_.fromGga)
            GgaSpeeds();
    }
    vtgBefore_.clear();
    vtgAfter_.clear();
    DiagnosticList& diagnostics = target_.diagnostics;
    if (stats_.badChecksums > 0)
        diagnostics.Insert(StrFormat("NMEA: %lld sentences with a wrong checksum",
                                     static_cast<long long>(stats_.badChecksums)));
    if (stats_.unreadLines > 0)
        diagnostics.Insert(
            StrFormat("NMEA: %lld lines not read", static_cast<long long>(stats_.unreadLines)));
    if (stats_.repeatedFixes > 0)
        diagnostics.Insert(StrFormat("NMEA: %lld fixes repeating the time before them skipped",
                                     static_cast<long long>(stats_.repeatedFixes)));
    if (stats_.invalidFixes > 0)
        diagnostics.Insert(StrFormat("NMEA: %lld invalid fixes skipped",
                                     static_cast<long long>(stats_.invalidFixes)));
    if (stats_.dateOfFile)
        diagnostics.Insert(
            "NMEA: the log names no date, so its fixes are dated from the day "
            "the file was written (first fix " +
            FormatDateTime("yyyy-mm-dd", target_.log.LogItems[0].DtTm) + ")");
    return stats_;
}

void NmeaLogDecoder::Line(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    if (line.empty())
        return;
    // Some loggers put a time stamp of their own before the sentence.
    const size_t dollar = line.find('$');
    const size_t star = line.rfind('*');
    if (dollar == std::string_view::npos || star == std::string_view::npos || star < dollar ||
        star + 3 != line.size() || !IsHexDigit(line[star + 1]) || !IsHexDigit(line[star + 2])) {
        ++stats_.unreadLines;
        return;
    }
    const std::string_view body = line.substr(dollar + 1, star - dollar - 1);
    const int written = HexValue(line[star + 1]) * 16 + HexValue(line[star + 2]);
    if (SentenceChecksum(body) != written) {
        ++stats_.badChecksums;
        return;
    }
    ++stats_.sentences;
    if (body.size() < 6 || body[5] != ',' || !KnownTalker(body.substr(0, 2)))
        return;
    const std::string_view type = body.substr(2, 3);
    if (type == "RMC")
        Rmc(body);
    else if (type == "GGA")
        Gga(body);
    else if (type == "VTG")
        Vtg(body);
    else if (type == "ZDA")
        Zda(body);
}

void NmeaLogDecoder::Rmc(std::string_view body) {
    if (!sawRmc_) {
        sawRmc_ = true;
        if (ggaFixes_ > 0)
            target_.log.Reset();
        vtgBefore_.clear();
        vtgAfter_.clear();
    }
    const Fields f(body);
    int64_t msOfDay = 0;
    if (f.count < 10 || !ParseHhmmss(f.at[1], msOfDay)) {
        ++stats_.unreadLines;
        return;
    }
    Epoch fix;
    fix.hasRmc = true;
    const std::string_view status = f.at[2];
    fix.rmcValid = status == "A" && !(f.count > 12 && f.at[12] == "N");
    if (fix.rmcValid) {
        double knots = 0;
        const bool read = ParseAngle(f.at[3], f.at[4], true, fix.lat) &&
                          ParseAngle(f.at[5], f.at[6], false, fix.lon) &&
                          (f.at[7].empty() || (ParseDecimal(f.at[7], knots) && knots >= 0 &&
                                               knots * kKmhPerKnot <= kMaxTextLogKmh)) &&
                          (f.at[9].empty() || ParseDate(f.at[9], fix.utcDay));
        if (!read) {
            ++stats_.unreadLines;
            return;
        }
        fix.kmh = static_cast<float>(knots * kKmhPerKnot);
    } else if (status != "A" && status != "V") {
        ++stats_.unreadLines;
        return;
    }
    if (epoch_.open && epoch_.msOfDay == msOfDay && epoch_.hasRmc) {
        ++stats_.repeatedFixes;
        return;
    }
    if (!epoch_.open || epoch_.msOfDay != msOfDay)
        StartEpoch(msOfDay);
    epoch_.hasRmc = true;
    epoch_.rmcValid = fix.rmcValid;
    epoch_.lat = fix.lat;
    epoch_.lon = fix.lon;
    epoch_.kmh = fix.kmh;
    epoch_.utcDay = fix.utcDay;
}

void NmeaLogDecoder::Gga(std::string_view body) {
    const Fields f(body);
    int64_t msOfDay = 0;
    uint32_t quality = 0;
    if (f.count < 10 || !ParseHhmmss(f.at[1], msOfDay) || !ParseCount(f.at[6], 9, quality)) {
        ++stats_.unreadLines;
        return;
    }
    if (epoch_.open && epoch_.msOfDay == msOfDay && epoch_.hasGga) {
        ++ggaRepeated_;
        return;
    }
    if (!epoch_.open || epoch_.msOfDay != msOfDay) {
        StartEpoch(msOfDay);
        epoch_.vtgBefore = vtgSinceGga_;
        vtgSinceGga_ = kNoSpeed;
    }
    epoch_.hasGga = true;
    epoch_.quality = quality;
    epoch_.ggaPosition = ParseAngle(f.at[2], f.at[3], true, epoch_.ggaLat) &&
                         ParseAngle(f.at[4], f.at[5], false, epoch_.ggaLon);
    // A count or height that does not read is left out, not the fix.
    epoch_.hasSats = ParseCount(f.at[7], 255, epoch_.sats);
    epoch_.hasHeight =
        ParseDecimal(f.at[9], epoch_.height) && std::fabs(epoch_.height) <= kMaxTextLogHeightM;
    if (quality == 0)
        return;
    if (epoch_.hasSats) {
        carriedSatsSet_ = true;
        carriedSats_ = epoch_.sats;
    }
    if (epoch_.hasHeight) {
        carriedHeightSet_ = true;
        carriedHeight_ = epoch_.height;
    }
}

void NmeaLogDecoder::Vtg(std::string_view body) {
    if (sawRmc_)
        return;
    const Fields f(body);
    // Speed over ground in knots before "N", in km/h before "K". Receivers
    // often write one of them with fewer decimals: the finer one is read.
    std::string_view kmhText = f.count > 8 && f.at[8] == "K" ? f.at[7] : "";
    const std::string_view knotsText = f.count > 6 && f.at[6] == "N" ? f.at[5] : "";
    const bool noFix = f.count > 9 && f.at[9] == "N";
    vtgSinceGga_ = kNoSpeed;
    if (noFix || (kmhText.empty() && knotsText.empty()))
        return;
    if (!knotsText.empty() && Decimals(knotsText) > Decimals(kmhText))
        kmhText = {};
    double value = 0;
    const bool read =
        kmhText.empty() ? ParseDecimal(knotsText, value) : ParseDecimal(kmhText, value);
    const double kmh = kmhText.empty() ? value * kKmhPerKnot : value;
    if (!read || kmh < 0 || kmh > kMaxTextLogKmh) {
        ++ggaUnread_;
        return;
    }
    vtgSinceGga_ = static_cast<float>(kmh);
}

void NmeaLogDecoder::Zda(std::string_view body) {
    if (sawRmc_)
        return;
    const Fields f(body);
    // Receivers without a fix yet write the sentence with empty fields.
    if (f.count < 5 || f.at[1].empty() || f.at[2].empty() || f.at[3].empty() || f.at[4].empty())
        return;
    int64_t msOfDay = 0;
    uint32_t day = 0, month = 0, year = 0;
    if (!ParseHhmmss(f.at[1], msOfDay) || !ParseCount(f.at[2], 31, day) ||
        !ParseCount(f.at[3], 12, month) || !ParseCount(f.at[4], 2199, year) ||
        f.at[4].size() != 4 || year < 1980 || day < 1 || month < 1) {
        ++ggaUnread_;
        return;
    }
    const TDateTime date =
        EncodeDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    if (DecodeDateTime(date).day != static_cast<int>(day)) {
        ++ggaUnread_;
        return;
    }
    const auto utcDay = static_cast<int64_t>(date);
    // The fixes before the first ZDA were dated from the file; they move
    // with it to the day it names.
    if (!zdaSeen_ && ggaFixes_ > 0)
        ShiftGgaFixes(utcDay - DayNear(msOfDay));
    zdaSeen_ = true;
    dayKnown_ = true;
    dayRef_ = utcDay;
    dayRefMs_ = msOfDay;
}

void NmeaLogDecoder::StartEpoch(int64_t msOfDay) {
    Flush();
    epoch_ = Epoch{};
    epoch_.open = true;
    epoch_.msOfDay = msOfDay;
}

void NmeaLogDecoder::Flush() {
    const Epoch& e = epoch_;
    if (e.open && !e.hasRmc && e.hasGga && !sawRmc_) {
        FlushGga();
        return;
    }
    if (!e.open || !e.hasRmc)
        return;
    if (!e.rmcValid || (e.hasGga && e.quality == 0)) {
        ++stats_.invalidFixes;
        return;
    }
    const bool dated = e.utcDay >= 0;
    int64_t day = dated ? e.utcDay : lastWrittenDay_;
    if (day < 0) {
        ++stats_.unreadLines;  // no date yet to place the fix on
        return;
    }
    TDateTime when = LocalDateTimeOfUtc(day, e.msOfDay, target_.localTimeBase);
    // Past midnight a receiver may still write the old date, or none at all.
    if (haveLastFix_ && (!dated || e.utcDay == lastWrittenDay_) && when < lastFixTime_ - kHalfDay) {
        ++day;
        when = LocalDateTimeOfUtc(day, e.msOfDay, target_.localTimeBase);
    }
    if (dated)
        lastWrittenDay_ = e.utcDay;
    haveLastFix_ = true;
    lastFixTime_ = when;

    TLogItem fix;
    fix.DtTm = when;
    fix.valid = static_cast<uint16_t>(e.hasGga ? e.quality : 1);
    fix.Ido = e.lat;
    fix.Kdo = e.lon;
    fix.Elv = static_cast<float>(e.hasHeight ? e.height : (carriedHeightSet_ ? carriedHeight_ : 0));
    fix.Spd = e.kmh;
    const uint32_t sats =
        e.hasSats ? e.sats : (carriedSatsSet_ ? carriedSats_ : kUnknownSatellites);
    fix.sat_used = static_cast<uint8_t>(sats);
    fix.sat_view = fix.sat_used;
    fix.ms = static_cast<uint16_t>(e.msOfDay % 1000);
    AppendLogFix(target_.log, fix);
}

int64_t NmeaLogDecoder::DayNear(int64_t msOfDay) const {
    if (!dayKnown_)
        return FirstDayBeforeWrite(writtenUtc_, msOfDay);
    if (msOfDay < dayRefMs_ - kHalfDayMs)
        return dayRef_ + 1;
    if (msOfDay > dayRefMs_ + kHalfDayMs)
        return dayRef_ - 1;
    return dayRef_;
}

void NmeaLogDecoder::ShiftGgaFixes(int64_t days) {
    if (days == 0)
        return;
    LogStore& log = target_.log;
    const auto shift = static_cast<double>(days);
    for (int i = 0; i < log.LogItemNum; ++i)
        log.LogItems[i].DtTm += shift;
    for (TLogBlock& block : log.LogBlocks) {
        block.DtTm += shift;
        block.Title = FormatDateTime("YYYYMMDD_HHNN", block.DtTm);
    }
    log.PrevFixTime += shift;
    dayRef_ += days;
}

void NmeaLogDecoder::FlushGga() {
    const Epoch& e = epoch_;
    if (e.quality == 0) {
        ++ggaInvalid_;
        return;
    }
    if (!e.ggaPosition) {
        ++ggaUnread_;
        return;
    }
    const int64_t day = DayNear(e.msOfDay);
    dayKnown_ = true;
    dayRef_ = day;
    dayRefMs_ = e.msOfDay;

    TLogItem fix;
    fix.DtTm = LocalDateTimeOfUtc(day, e.msOfDay, target_.localTimeBase);
    fix.valid = static_cast<uint16_t>(e.quality);
    fix.Ido = e.ggaLat;
    fix.Kdo = e.ggaLon;
    fix.Elv = static_cast<float>(e.hasHeight ? e.height : (carriedHeightSet_ ? carriedHeight_ : 0));
    fix.Spd = 0;
    const uint32_t sats =
        e.hasSats ? e.sats : (carriedSatsSet_ ? carriedSats_ : kUnknownSatellites);
    fix.sat_used = static_cast<uint8_t>(sats);
    fix.sat_view = fix.sat_used;
    fix.ms = static_cast<uint16_t>(e.msOfDay % 1000);
    if (!AppendLogFix(target_.log, fix))
        return;
    ++ggaFixes_;
    vtgBefore_.resize(static_cast<size_t>(target_.log.LogItemNum), kNoSpeed);
    vtgAfter_.resize(static_cast<size_t>(target_.log.LogItemNum), kNoSpeed);
    vtgBefore_.back() = e.vtgBefore;
    vtgAfter_.back() = vtgSinceGga_;
}

void NmeaLogDecoder::GgaSpeeds() {
    LogStore& log = target_.log;
    const int count = log.LogItemNum;
    SpeedsFromTrack(log, 0, count, std::vector<bool>(static_cast<size_t>(count), true));
    // Only fixes with both VTGs weigh, so that each order is judged on the
    // same fixes. A tie takes the VTG after its GGA.
    double offAfter = 0, offBefore = 0;
    for (int i = 0; i < count; ++i) {
        const float after = vtgAfter_[static_cast<size_t>(i)];
        const float before = vtgBefore_[static_cast<size_t>(i)];
        if (after == kNoSpeed || before == kNoSpeed)
            continue;
        offAfter += std::fabs(after - log.LogItems[i].Spd);
        offBefore += std::fabs(before - log.LogItems[i].Spd);
    }
    const std::vector<float>& vtg = offBefore < offAfter ? vtgBefore_ : vtgAfter_;
    for (int i = 0; i < count; ++i) {
        if (vtg[static_cast<size_t>(i)] != kNoSpeed)
            log.LogItems[i].Spd = vtg[static_cast<size_t>(i)];
    }
}

NmeaLogStats DecodeNmeaText(const MtkTarget& target, std::string_view text, TDateTime writtenUtc) {
    NmeaLogDecoder decoder(target, writtenUtc);
    decoder.Feed(text);
    return decoder.Finish();
}

void ReadNmeaLog(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& /*options*/, LoadLogResult& result) {
    session.log.Reset();
    NmeaLogDecoder decoder({session.log, session.diagnostics, session.LocalTimeBase},
                           FileWrittenUtc(path));
    const std::string ioError = StreamFileChunks(path, [&decoder](std::string_view chunk) {
        decoder.Feed(chunk);
        return true;
    });
    const NmeaLogStats stats = decoder.Finish();
    FinishTextLog(session.log, stats.Recognised(), ioError, result);
}

}  // namespace qv
