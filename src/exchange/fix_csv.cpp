#include "exchange/fix_csv.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace qv {
namespace {

// Rows gather in a buffer of about this size between writes: few system
// calls, and memory that does not grow with the log.
constexpr size_t kChunkBytes = 1 << 20;

void AppendPadded(std::string& out, int64_t value, int minDigits) {
    if (value < 0) {
        out += '-';
        value = -value;
    }
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    const int digits = static_cast<int>(res.ptr - buf);
    if (digits < minDigits)
        out.append(static_cast<size_t>(minDigits - digits), '0');
    out.append(buf, res.ptr);
}

void AppendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

template <typename Int>
void AppendInteger(std::string& out, Int value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
    // Room for the longest double in fixed notation: 309 digits, the sign,
    // the point and the decimals.
    char buf[400];
    if (decimals >= 0 && decimals <= 60) {
        const auto res =
            std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        if (res.ec == std::errc()) {
            out.append(buf, res.ptr);
            return;
        }
    }
    const int length = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    if (length > 0)
        out.append(buf, static_cast<size_t>(std::min<int>(length, sizeof buf - 1)));
}

void AppendDateTimeMs(std::string& out, TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    AppendPadded(out, p.year, 4);
    out += '-';
    AppendTwoDigits(out, p.month);
    out += '-';
    AppendTwoDigits(out, p.day);
    out += ' ';
    AppendTwoDigits(out, p.hour);
    out += ':';
    AppendTwoDigits(out, p.minute);
    out += ':';
    AppendTwoDigits(out, p.second);
    out += '.';
    out += static_cast<char>('0' + p.ms / 100);
    AppendTwoDigits(out, p.ms % 100);
}

void AppendFixCsvRow(std::string& out, const TLogItem& fix) {
    AppendDateTimeMs(out, fix.DtTm);
    out += ',';
    AppendFixed(out, fix.Ido, 7);
    out += ',';
    AppendFixed(out, fix.Kdo, 7);
    out += ',';
    AppendFixed(out, static_cast<double>(fix.Elv), 3);
    out += ',';
    AppendFixed(out, static_cast<double>(fix.Spd), 3);
    out += ',';
    AppendInteger(out, unsigned{fix.sat_used});
    out += ',';
    AppendInteger(out, unsigned{fix.sat_view});
    out += ',';
    AppendInteger(out, unsigned{fix.valid});
    out += ',';
    AppendInteger(out, fix.BlkIdx);
    out += '\n';
}

void WriteFixCsv(const LogStore& log, std::ostream& out) {
    std::string text;
    text.reserve(kChunkBytes + 1024);
    text += kFixCsvHeader;
    for (int i = 0; i < log.LogItemNum; ++i) {
        AppendFixCsvRow(text, log.LogItems[i]);
        if (text.size() >= kChunkBytes) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace qv
