#include "exchange/fix_csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

#include "core/date_time.h"

namespace qv {
namespace {

std::string Fixed(double value, int decimals) {
    std::string out;
    AppendFixed(out, value, decimals);
    return out;
}

std::string Printf(double value, int decimals) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

TEST(FixCsvTest, FixedDecimalsAsPrintfWritesThem) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        int decimals;
        const char* want;
    };
    const Case cases[] = {
        {35.2512345678, 7, "35.2512346"},
        {-138.75, 7, "-138.7500000"},
        {0.0, 3, "0.000"},
        {-0.0, 3, "-0.000"},
        {-0.0004, 3, "-0.000"},
        // Exact binary halves round to the even digit.
        {0.0625, 3, "0.062"},
        {0.1875, 3, "0.188"},
        {2.5, 0, "2"},
        {3.5, 0, "4"},
        // Not a half in binary: 0.0005 lies just above it.
        {0.0005, 3, "0.001"},
        {static_cast<double>(100.7f), 3, "100.700"},
        {1e21, 3, "1000000000000000000000.000"},
        {nan, 7, "nan"},
        {-nan, 7, "-nan"},
        {inf, 3, "inf"},
        {-inf, 3, "-inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(Fixed(c.value, c.decimals), c.want);
        EXPECT_EQ(Printf(c.value, c.decimals), c.want);
    }
    EXPECT_EQ(Fixed(std::numeric_limits<double>::max(), 7),
              Printf(std::numeric_limits<double>::max(), 7));
}

TEST(FixCsvTest, DateTimeAsTheMillisecondPatternShowsIt) {
    struct Case {
        TDateTime value;
        const char* want;
    };
    const Case cases[] = {
        {EncodeDate(2024, 4, 29) + EncodeTime(17, 0, 0, 100), "2024-04-29 17:00:00.100"},
        {0.0, "1899-12-30 00:00:00.000"},
        {-1.25, "1899-12-29 06:00:00.000"},
        // Rounds to the next day rather than showing 1000 milliseconds.
        {EncodeDate(2024, 12, 31) + (kMsPerDay - 0.4) / kMsPerDay, "2025-01-01 00:00:00.000"},
        {EncodeDateTime({999, 1, 2, 3, 4, 5, 7}), "0999-01-02 03:04:05.007"},
        {EncodeDate(12345, 6, 7), "12345-06-07 00:00:00.000"},
        {std::numeric_limits<double>::quiet_NaN(), "1899-12-30 00:00:00.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        std::string out = "x";
        AppendDateTimeMs(out, c.value);
        EXPECT_EQ(out, std::string("x") + c.want);
        EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", c.value), c.want);
    }
}

TEST(FixCsvTest, RowHoldsEveryFieldInOrder) {
    TLogItem fix;
    fix.DtTm = EncodeDate(2024, 11, 3) + EncodeTime(17, 0, 1, 50);
    fix.Ido = 35.25;
    fix.Kdo = -138.7500001;
    fix.Elv = -12.5f;
    fix.Spd = 101.25f;
    fix.sat_used = 9;
    fix.sat_view = 255;
    fix.valid = 65535;
    fix.BlkIdx = -1;
    std::string row;
    AppendFixCsvRow(row, fix);
    EXPECT_EQ(row,
              "2024-11-03 17:00:01.050,35.2500000,-138.7500001,-12.500,101.250,9,255,65535,-1\n");
}

// Rows as printf wrote them before, to check a long log end to end.
std::string PrintfRow(const TLogItem& f) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s,%.7f,%.7f,%.3f,%.3f,%u,%u,%u,%d\n",
                  FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", f.DtTm).c_str(), f.Ido, f.Kdo,
                  static_cast<double>(f.Elv), static_cast<double>(f.Spd), unsigned{f.sat_used},
                  unsigned{f.sat_view}, unsigned{f.valid}, f.BlkIdx);
    return buf;
}

TEST(FixCsvTest, LongLogIsWrittenWholeAcrossItsPieces) {
    // More rows than one piece holds, so that rows meet piece boundaries.
    constexpr int kFixes = 30000;
    auto log = std::make_unique<LogStore>();
    std::string want = kFixCsvHeader;
    for (int i = 0; i < kFixes; ++i) {
        TLogItem& f = log->LogItems[i];
        f.DtTm = EncodeDate(2024, 4, 29) + i / kMsPerDay * 100;
        f.Ido = 35.25 + i * 1.1e-6;
        f.Kdo = 138.75 - i * 0.7e-6;
        f.Elv = static_cast<float>(i % 300) / 8;
        f.Spd = static_cast<float>(i % 2000) / 7;
        f.sat_used = static_cast<uint8_t>(i % 13);
        f.sat_view = 14;
        f.valid = static_cast<uint16_t>(i % 4);
        f.BlkIdx = i / 10000;
        want += PrintfRow(f);
    }
    log->LogItemNum = kFixes;
    std::ostringstream out;
    WriteFixCsv(*log, out);
    ASSERT_GT(want.size(), size_t{1} << 21);
    EXPECT_EQ(out.str().size(), want.size());
    EXPECT_TRUE(out.str() == want);
}

}  // namespace
}  // namespace qv
