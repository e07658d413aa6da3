#include "core/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qv {
namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

void ExpectDate(const DateTimeParts& p, int y, int m, int d) {
    EXPECT_EQ(p.year, y);
    EXPECT_EQ(p.month, m);
    EXPECT_EQ(p.day, d);
}

void ExpectTime(const DateTimeParts& p, int h, int n, int s, int ms) {
    EXPECT_EQ(p.hour, h);
    EXPECT_EQ(p.minute, n);
    EXPECT_EQ(p.second, s);
    EXPECT_EQ(p.ms, ms);
}

double Seconds(double s) {
    return s / kSecondsPerDay;
}

TEST(Calendar, KnownDays) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);  // 1900 is not a leap year
    EXPECT_EQ(EncodeDate(1970, 1, 1), kUnixEpochDays);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
    EXPECT_EQ(EncodeDate(2024, 3, 5), 45356.0);
    EXPECT_EQ(EncodeDate(2100, 12, 31), 73415.0);
    EXPECT_EQ(EncodeDate(1600, 1, 1), -109571.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}

// Walks the calendar a day at a time with plain month lengths and checks
// both directions of the conversion against it, before and after the epoch.
TEST(Calendar, EveryDayFrom1600To2101MatchesAStepwiseCalendar) {
    int y = 1899, m = 12, d = 30;
    for (int n = 0; n <= EncodeDate(2101, 12, 31); ++n) {
        const DateTimeParts p = DecodeDateTime(n);
        ASSERT_TRUE(p.year == y && p.month == m && p.day == d)
            << n << " decoded as " << p.year << '-' << p.month << '-' << p.day;
        ASSERT_EQ(EncodeDate(y, m, d), n);
        if (++d > DaysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    y = 1899, m = 12, d = 30;
    for (int n = 0; n >= EncodeDate(1600, 1, 1); --n) {
        const DateTimeParts p = DecodeDateTime(n);
        ASSERT_TRUE(p.year == y && p.month == m && p.day == d)
            << n << " decoded as " << p.year << '-' << p.month << '-' << p.day;
        ASSERT_EQ(EncodeDate(y, m, d), n);
        if (--d < 1) {
            if (--m < 1) {
                m = 12;
                --y;
            }
            d = DaysInMonth(y, m);
        }
    }
}

TEST(Calendar, OutOfRangeMonthsAndDaysRollOver) {
    EXPECT_EQ(EncodeDate(2024, 13, 1), EncodeDate(2025, 1, 1));
    EXPECT_EQ(EncodeDate(2024, 3, 0), EncodeDate(2024, 2, 29));
    EXPECT_EQ(EncodeDate(2023, 0, 31), EncodeDate(2022, 12, 31));
    EXPECT_EQ(EncodeDate(2023, -11, 1), EncodeDate(2022, 1, 1));
    EXPECT_EQ(EncodeDate(2023, 1, 366), EncodeDate(2024, 1, 1));
}

// Before the epoch the day is the integer part toward zero and the time of
// day is the magnitude of the fraction.
TEST(Calendar, NegativeValuesKeepAPositiveTimeOfDay) {
    DateTimeParts p = DecodeDateTime(-1.25);
    ExpectDate(p, 1899, 12, 29);
    ExpectTime(p, 6, 0, 0, 0);

    p = DecodeDateTime(-0.5);
    ExpectDate(p, 1899, 12, 30);
    ExpectTime(p, 12, 0, 0, 0);

    p = DecodeDateTime(-109571.75);
    ExpectDate(p, 1600, 1, 1);
    ExpectTime(p, 18, 0, 0, 0);

    EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
    EXPECT_EQ(EncodeDateTime({1899, 12, 30, 12, 0, 0, 0}), 0.5);
}

TEST(Calendar, EncodeDecodeRoundTripsToTheMillisecond) {
    const int dates[][3] = {{1600, 2, 29}, {1899, 12, 28}, {1899, 12, 30}, {1900, 2, 28},
                            {1970, 1, 1},  {2000, 2, 29},  {2024, 12, 31}, {2100, 3, 1}};
    for (const auto& date : dates) {
        for (int64_t msOfDay = 0; msOfDay < 86400000; msOfDay += 999983) {
            const DateTimeParts in{date[0],
                                   date[1],
                                   date[2],
                                   static_cast<int>(msOfDay / 3600000),
                                   static_cast<int>(msOfDay / 60000 % 60),
                                   static_cast<int>(msOfDay / 1000 % 60),
                                   static_cast<int>(msOfDay % 1000)};
            const DateTimeParts out = DecodeDateTime(EncodeDateTime(in));
            SCOPED_TRACE(testing::Message() << date[0] << '-' << date[1] << '-' << date[2] << " +"
                                            << msOfDay << " ms");
            ExpectDate(out, in.year, in.month, in.day);
            ExpectTime(out, in.hour, in.minute, in.second, in.ms);
        }
        const DateTimeParts last{date[0], date[1], date[2], 23, 59, 59, 999};
        ExpectTime(DecodeDateTime(EncodeDateTime(last)), 23, 59, 59, 999);
    }
}

TEST(Calendar, TimesOfADayOrMoreMoveTheDateOn) {
    EXPECT_EQ(EncodeDateTime({2024, 2, 28, 48, 0, 0, 0}), EncodeDate(2024, 3, 1));
    EXPECT_EQ(EncodeDateTime({2024, 3, 1, 0, 0, 0, -1}),
              EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999));
    EXPECT_DOUBLE_EQ(EncodeTime(25, 0, 0, 0), 25.0 / 24.0);
}

TEST(Rounding, ToTheNearestMillisecondWithCarry) {
    // The millisecond part would otherwise read 1000.
    DateTimeParts p = DecodeDateTime(EncodeDate(2023, 12, 31) + Seconds(86400 - 0.0004));
    ExpectDate(p, 2024, 1, 1);
    ExpectTime(p, 0, 0, 0, 0);

    p = DecodeDateTime(EncodeDate(2024, 6, 1) + Seconds(59.9996));
    ExpectTime(p, 0, 1, 0, 0);
    p = DecodeDateTime(EncodeDate(2024, 6, 1) + Seconds(59.9994));
    ExpectTime(p, 0, 0, 59, 999);
    p = DecodeDateTime(EncodeDate(2024, 6, 1) + Seconds(3599.9997));
    ExpectTime(p, 1, 0, 0, 0);

    // Just under a whole negative day: the time of day rounds up to
    // midnight, which is the start of the next calendar day.
    p = DecodeDateTime(-1.0 - Seconds(86400 - 0.0004));
    ExpectDate(p, 1899, 12, 30);
    ExpectTime(p, 0, 0, 0, 0);
}

TEST(Rounding, RoundToMsIsSymmetricAboutZero) {
    EXPECT_EQ(RoundToMs(Seconds(0.0004)), 0);
    EXPECT_EQ(RoundToMs(Seconds(0.0006)), 1);
    EXPECT_EQ(RoundToMs(Seconds(-0.0006)), -1);
    EXPECT_EQ(RoundToMs(Seconds(-0.0004)), 0);
    EXPECT_EQ(RoundToMs(Seconds(83.4564)), 83456);
    EXPECT_EQ(RoundToMs(-1.25), -108000000);
    // A date-time in this century still resolves single milliseconds.
    const double t = EncodeDate(2099, 7, 1);
    EXPECT_EQ(RoundToMs(t + Seconds(0.001)) - RoundToMs(t), 1);
}

TEST(Rounding, UnusableValuesDecodeAsTheEpoch) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e300, -2e9};
    for (const double v : bad) {
        const DateTimeParts p = DecodeDateTime(v);
        ExpectDate(p, 1899, 12, 30);
        ExpectTime(p, 0, 0, 0, 0);
        EXPECT_EQ(RoundToMs(v), 0);
        EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", v), "1899/12/30 00:00:00.000");
        EXPECT_EQ(FormatLapTime(v), "0:00.000");
    }
}

class FormatMoment : public testing::Test {
  protected:
    // 2024-03-05 07:08:09.045
    const TDateTime moment = EncodeDateTime({2024, 3, 5, 7, 8, 9, 45});
};

TEST_F(FormatMoment, PatternsShownByTheProgram) {
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd", moment), "2024/03/05");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", moment), "07:08:09");
    EXPECT_EQ(FormatDateTime("YYYYMMDD_HHNN", moment), "20240305_0708");
    EXPECT_EQ(FormatDateTime(" YYYYMMDD_HHNNSS", moment), " 20240305_070809");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zz", moment), "07:08:09.45");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", moment), "2024/03/05 07:08:09.045");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", moment), "07:08:09.045");
    EXPECT_EQ(FormatDateTime("hhnnss.zzz", moment), "070809.045");
    EXPECT_EQ(FormatDateTime("ddmmyy", moment), "050324");
    EXPECT_EQ(FormatDateTime("\"QV4_\"yyyymmddhhnn", moment), "QV4_202403050708");
}

TEST_F(FormatMoment, ShortFieldsAndLiterals) {
    EXPECT_EQ(FormatDateTime("d.m.yy h:n:s.z", moment), "5.3.24 7:8:9.45");
    EXPECT_EQ(FormatDateTime("'hh' h", moment), "hh 7");
    EXPECT_EQ(FormatDateTime("\"it's\" hh", moment), "it's 07");
    EXPECT_EQ(FormatDateTime("hh 'unterminated", moment), "07 unterminated");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd T hh", moment), "2024-03-05 T 07");
    EXPECT_EQ(FormatDateTime("", moment), "");
    EXPECT_EQ(FormatDateTime("yy", EncodeDate(2000, 1, 1)), "00");
    EXPECT_EQ(FormatDateTime("yy/yyyy", EncodeDate(1905, 1, 1)), "05/1905");
    EXPECT_EQ(FormatDateTime("zzz|zz", EncodeTime(0, 0, 0, 5)), "005|5");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", -1.25), "1899/12/29 06:00");
}

TEST_F(FormatMoment, RoundedFieldsNeverOverflow) {
    const TDateTime almost = EncodeDate(1999, 12, 31) + Seconds(86400 - 0.0003);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", almost), "2000/01/01 00:00:00.000");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zz", EncodeDate(2024, 1, 1) + Seconds(59.9996)),
              "00:01:00.0");
}

TEST(FormatDuration, LeadingFieldKeepsCounting) {
    const TTime hours25 = EncodeTime(25, 0, 0, 0);
    EXPECT_EQ(FormatDateTime("h:nn:ss", hours25, TimeKind::kDuration), "25:00:00");
    EXPECT_EQ(FormatDateTime("h:nn:ss", hours25), "1:00:00");  // a moment wraps
    EXPECT_EQ(FormatDateTime("n:ss", EncodeTime(1, 15, 0, 0), TimeKind::kDuration), "75:00");
    EXPECT_EQ(FormatDateTime("s.zzz", Seconds(90.5), TimeKind::kDuration), "90.500");
    EXPECT_EQ(FormatDateTime("hh:nn", EncodeTime(240, 30, 0, 0), TimeKind::kDuration), "240:30");
    EXPECT_EQ(FormatDateTime("n:ss.zzz", Seconds(-1.5), TimeKind::kDuration), "-0:01.500");
    // Rounds to zero, so no sign.
    EXPECT_EQ(FormatDateTime("n:ss.zzz", Seconds(-0.0004), TimeKind::kDuration), "0:00.000");
}

TEST(FormatDuration, LapTimeSwitchesFormatAtOneHour) {
    EXPECT_EQ(FormatLapTime(0), "0:00.000");
    EXPECT_EQ(FormatLapTime(Seconds(83.456)), "1:23.456");
    EXPECT_EQ(FormatLapTime(Seconds(59.9996)), "1:00.000");
    EXPECT_EQ(FormatLapTime(Seconds(599.999)), "9:59.999");
    EXPECT_EQ(FormatLapTime(Seconds(3599.999)), "59:59.999");
    EXPECT_EQ(FormatLapTime(Seconds(3599.9994)), "59:59.999");
    EXPECT_EQ(FormatLapTime(Seconds(3599.9996)), "1:00:00.000");
    EXPECT_EQ(FormatLapTime(Seconds(3600)), "1:00:00.000");
    EXPECT_EQ(FormatLapTime(Seconds(3661.007)), "1:01:01.007");
    EXPECT_EQ(FormatLapTime(Seconds(90000)), "25:00:00.000");
    EXPECT_EQ(FormatLapTime(Seconds(-3600)), "-1:00:00.000");
    EXPECT_EQ(FormatLapTime(Seconds(-83.456)), "-1:23.456");
}

TEST(FormatDuration, SecondsMatchTheLapTimeOfTheSameDuration) {
    const double samples[] = {0.0, 0.001, 47.25, 83.456, 3599.9996, 7322.5, 90061.001};
    for (const double s : samples)
        EXPECT_EQ(FormatSeconds(s), FormatLapTime(Seconds(s))) << s;
    EXPECT_EQ(FormatSeconds(125.0626), "2:05.063");
}

}  // namespace
}  // namespace qv
