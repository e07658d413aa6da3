#include "decode/text_log_input.h"

#include <charconv>
#include <chrono>
#include <cmath>

#include "core/record_reader.h"
#include "decode/log_blocks.h"
#include "geometry/plane.h"

namespace qv {

std::string StreamFileChunks(const std::filesystem::path& path,
                             const std::function<bool(std::string_view)>& onChunk) {
    RecordReader reader(path, 1, 0, kTextChunkBytes);
    if (!reader.IsOpen())
        return reader.Error();
    for (auto chunk = reader.NextChunk(); !chunk.empty(); chunk = reader.NextChunk()) {
        if (!onChunk({reinterpret_cast<const char*>(chunk.data()), chunk.size()}))
            return {};
    }
    return reader.Error();
}

void TextLineSplitter::Take(std::string_view piece, bool lineEnds,
                            const std::function<void(std::string_view)>& onLine) {
    if (!overlong_ && held_.size() + piece.size() > maxLine_) {
        overlong_ = true;
        ++overlongLines_;
        held_.clear();
    }
    if (overlong_) {
        overlong_ = !lineEnds;
        return;
    }
    if (!lineEnds) {
        held_.append(piece);
    } else if (held_.empty()) {
        onLine(piece);
    } else {
        held_.append(piece);
        onLine(held_);
        held_.clear();
    }
}

void TextLineSplitter::Feed(std::string_view chunk,
                            const std::function<void(std::string_view)>& onLine) {
    if (chunk.empty())
        return;
    size_t start = 0;
    if (afterCr_ && chunk.front() == '\n')
        start = 1;
    afterCr_ = false;
    const size_t n = chunk.size();
    for (size_t i = start; i < n; ++i) {
        const char c = chunk[i];
        if (c != '\n' && c != '\r')
            continue;
        Take(chunk.substr(start, i - start), true, onLine);
        if (c == '\r') {
            if (i + 1 == n)
                afterCr_ = true;
            else if (chunk[i + 1] == '\n')
                ++i;
        }
        start = i + 1;
    }
    if (start < n)
        Take(chunk.substr(start), false, onLine);
}

void TextLineSplitter::Finish(const std::function<void(std::string_view)>& onLine) {
    if (!overlong_ && !held_.empty())
        onLine(held_);
    held_.clear();
    overlong_ = false;
    afterCr_ = false;
}

bool ParseDecimal(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false;
    }
    if (text.empty())
        return false;
    const char* last = text.data() + text.size();
    const auto res = std::from_chars(text.data(), last, value);
    return res.ec == std::errc() && res.ptr == last && std::isfinite(value);
}

bool ParseCount(std::string_view text, uint32_t max, uint32_t& value) {
    if (text.empty())
        return false;
    const char* last = text.data() + text.size();
    const auto res = std::from_chars(text.data(), last, value);
    return res.ec == std::errc() && res.ptr == last && value <= max;
}

namespace {

bool TwoDigits(std::string_view text, size_t at, int& value) {
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return false;
    value = (a - '0') * 10 + (b - '0');
    return true;
}

}  // namespace

bool ParseHhmmss(std::string_view text, int64_t& msOfDay) {
    int hh = 0, mm = 0, ss = 0;
    if (text.size() < 6 || !TwoDigits(text, 0, hh) || !TwoDigits(text, 2, mm) ||
        !TwoDigits(text, 4, ss) || hh > 23 || mm > 59 || ss > 59)
        return false;
    // Tenths of a millisecond from the first four decimals, rounded to the
    // millisecond; later decimals cannot change it but must be digits.
    int tenthsOfMs = 0;
    if (text.size() > 6) {
        if (text[6] != '.')
            return false;
        for (size_t i = 7; i < text.size(); ++i) {
            const char c = text[i];
            if (c < '0' || c > '9')
                return false;
            if (i < 11)
                tenthsOfMs = tenthsOfMs * 10 + (c - '0');
        }
        for (size_t i = text.size(); i < 11; ++i)
            tenthsOfMs *= 10;
    }
    msOfDay = ((hh * 60 + mm) * 60 + ss) * int64_t{1000} + (tenthsOfMs + 5) / 10;
    return true;
}

TDateTime LocalDateTimeOfUtc(int64_t utcDay, int64_t msOfDay, TDateTime localTimeBase) {
    const int64_t unixDay = utcDay - static_cast<int64_t>(kUnixEpochDays);
    const int64_t seconds = unixDay * 86400 + msOfDay / 1000;
    const int64_t ms = msOfDay % 1000;
    return static_cast<double>(seconds) / kSecondsPerDay + localTimeBase +
           static_cast<double>(ms) / kMsPerDay;
}

TDateTime FileWrittenUtc(const std::filesystem::path& path) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec)
        return 0;
    const auto since1970 = std::chrono::file_clock::to_sys(written).time_since_epoch();
    const double seconds = std::chrono::duration<double>(since1970).count();
    return kUnixEpochDays + seconds / kSecondsPerDay;
}

int64_t FirstDayBeforeWrite(TDateTime writtenUtc, int64_t msOfDay) {
    const double writtenDay = std::floor(writtenUtc);
    auto day = static_cast<int64_t>(writtenDay);
    if (static_cast<double>(msOfDay) > (writtenUtc - writtenDay) * kMsPerDay)
        --day;
    return day;
}

bool AppendLogFix(LogStore& log, const TLogItem& fix, bool newBlock) {
    if (log.LogItemNum >= MaxLogItemNum) {
        ++log.DroppedRecords;
        return false;
    }
    const int slot = log.LogItemNum;
    log.LogItems[slot] = fix;
    log.MotionItems[slot] = TMotionSens{};
    AssignFixToBlock(log, slot, newBlock);
    ++log.LogItemNum;
    return true;
}

void SpeedsFromTrack(LogStore& log, int first, int end, const std::vector<bool>& needsSpeed) {
    for (int i = first; i < end; ++i) {
        const size_t flag = static_cast<size_t>(i - first);
        if (flag >= needsSpeed.size() || !needsSpeed[flag])
            continue;
        TLogItem& fix = log.LogItems[i];
        const bool before = i > first && log.LogItems[i - 1].BlkIdx == fix.BlkIdx;
        const bool after = i + 1 < end && log.LogItems[i + 1].BlkIdx == fix.BlkIdx;
        const TLogItem& a = log.LogItems[before ? i - 1 : i];
        const TLogItem& b = log.LogItems[after ? i + 1 : i];
        const double seconds = (b.DtTm - a.DtTm) * kSecondsPerDay;
        fix.Spd = 0;
        if (seconds > 0) {
            const Float80 km = StepDistKm(a.Ido, a.Kdo, b.Ido, b.Kdo, fix.Ido);
            fix.Spd = static_cast<float>(km / seconds * 3600);
        }
    }
}

void FinishTextLog(LogStore& log, bool recognised, const std::string& ioError,
                   LoadLogResult& result) {
    result.decoded = true;
    if (!ioError.empty()) {
        result.ioError = ioError;
        return;
    }
    result.sizeOk = recognised;
    if (!recognised) {
        log.Reset();
        result.message = kMsgNotOurLogFormat;
        return;
    }
    result.proceed = true;
}

}  // namespace qv
