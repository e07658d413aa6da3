#include "exchange/fix_csv.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace qv {
namespace {

// Rows gather in a buffer of about this size between writes: few system
// calls, and memory that does not grow with the log.
constexpr size_t kChunkBytes = 1 << 20;
// The longest double in fixed notation: 309 digits, sign, point, decimals.
constexpr size_t kFixedRoom = 400;
// A row at its longest: four such numbers, a date of a seven-digit year
// and the integers.
constexpr size_t kRowRoom = 4 * kFixedRoom + 128;

char* PutFixed(char* p, double value, int decimals) {
    const auto res = std::to_chars(p, p + kFixedRoom, value, std::chars_format::fixed, decimals);
    if (res.ec == std::errc())
        return res.ptr;
    const int length = std::snprintf(p, kFixedRoom, "%.*f", decimals, value);
    return length > 0 ? p + std::min<size_t>(static_cast<size_t>(length), kFixedRoom - 1) : p;
}

char* PutTwoDigits(char* p, int value) {
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

char* PutDateTimeMs(char* p, TDateTime value) {
    const DateTimeParts d = DecodeDateTime(value);
    int64_t year = d.year;
    if (year < 0) {
        *p++ = '-';
        year = -year;
    }
    for (int64_t scale = 1000; scale > 1 && year < scale; scale /= 10)
        *p++ = '0';
    p = std::to_chars(p, p + 24, year).ptr;
    *p++ = '-';
    p = PutTwoDigits(p, d.month);
    *p++ = '-';
    p = PutTwoDigits(p, d.day);
    *p++ = ' ';
    p = PutTwoDigits(p, d.hour);
    *p++ = ':';
    p = PutTwoDigits(p, d.minute);
    *p++ = ':';
    p = PutTwoDigits(p, d.second);
    *p++ = '.';
    *p++ = static_cast<char>('0' + d.ms / 100);
    return PutTwoDigits(p, d.ms % 100);
}

template <typename Int>
char* PutInteger(char* p, Int value) {
    return std::to_chars(p, p + 24, value).ptr;
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals) {
    char buf[kFixedRoom];
    out.append(buf, PutFixed(buf, value, decimals));
}

void AppendDateTimeMs(std::string& out, TDateTime value) {
    char buf[64];
    out.append(buf, PutDateTimeMs(buf, value));
}

void AppendFixCsvRow(std::string& out, const TLogItem& fix) {
    char row[kRowRoom];
    char* p = PutDateTimeMs(row, fix.DtTm);
    *p++ = ',';
    p = PutFixed(p, fix.Ido, 7);
    *p++ = ',';
    p = PutFixed(p, fix.Kdo, 7);
    *p++ = ',';
    p = PutFixed(p, static_cast<double>(fix.Elv), 3);
    *p++ = ',';
    p = PutFixed(p, static_cast<double>(fix.Spd), 3);
    *p++ = ',';
    p = PutInteger(p, unsigned{fix.sat_used});
    *p++ = ',';
    p = PutInteger(p, unsigned{fix.sat_view});
    *p++ = ',';
    p = PutInteger(p, unsigned{fix.valid});
    *p++ = ',';
    p = PutInteger(p, fix.BlkIdx);
    *p++ = '\n';
    out.append(row, p);
}

void WriteFixCsv(const LogStore& log, std::ostream& out) {
    std::string text;
    text.reserve(kChunkBytes + kRowRoom);
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
