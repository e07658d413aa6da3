#include "core/local_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace qv {
namespace {

// Sets TZ for one test and puts the previous value back afterwards.
class ScopedTz {
  public:
    explicit ScopedTz(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            saved_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

  private:
    std::optional<std::string> saved_;
};

int BiasIn(const char* tz) {
    ScopedTz scoped(tz);
    return StandardTimeBiasMinutes();
}

TEST(StandardTimeBias, PosixZoneRules) {
    EXPECT_EQ(BiasIn("JST-9"), -540);
    EXPECT_EQ(BiasIn("UTC0"), 0);
    EXPECT_EQ(BiasIn("IST-5:30"), -330);
    EXPECT_EQ(BiasIn("NST3:30NDT,M3.2.0,M11.1.0"), 210);
    EXPECT_EQ(BiasIn("EST5EDT,M3.2.0,M11.1.0"), 300);
    EXPECT_EQ(BiasIn("CET-1CEST,M3.5.0,M10.5.0/3"), -60);
}

// Summer time in force all year: only the standard offset may count, in
// whatever season the test runs.
TEST(StandardTimeBias, DaylightSavingIsNeverApplied) {
    EXPECT_EQ(BiasIn("XST-1XDT,J1/0,J365/25"), -60);
    EXPECT_EQ(BiasIn("YST5YDT,J1/0,J365/25"), 300);
}

TEST(StandardTimeBias, NamedZones) {
    if (!std::filesystem::exists("/usr/share/zoneinfo/Asia/Tokyo") ||
        !std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) {
        GTEST_SKIP() << "time-zone database not installed";
    }
    EXPECT_EQ(BiasIn("Asia/Tokyo"), -540);
    EXPECT_EQ(BiasIn("Europe/Berlin"), -60);
    EXPECT_EQ(BiasIn("UTC"), 0);
}

TEST(LocalTimeBase, FromBias) {
    EXPECT_EQ(LocalTimeBaseFromBias(0), kUnixEpochDays);
    EXPECT_DOUBLE_EQ(LocalTimeBaseFromBias(-540), kUnixEpochDays + 0.375);
    EXPECT_DOUBLE_EQ(LocalTimeBaseFromBias(300), kUnixEpochDays - 300.0 / 1440.0);
    EXPECT_DOUBLE_EQ(LocalTimeBaseFromBias(-330), kUnixEpochDays + 330.0 / 1440.0);
}

TEST(LocalTimeBase, LoggerTimesBecomeLocalStandardTime) {
    const char* pattern = "yyyy/mm/dd hh:nn:ss.zzz";
    EXPECT_EQ(FormatDateTime(pattern, LoggerTimeToLocal(0, LocalTimeBaseFromBias(-540))),
              "1970/01/01 09:00:00.000");
    EXPECT_EQ(FormatDateTime(pattern, LoggerTimeToLocal(0, LocalTimeBaseFromBias(300))),
              "1969/12/31 19:00:00.000");
    const double t = 1700000000.25;  // 2023-11-14 22:13:20.250 UTC
    EXPECT_EQ(FormatDateTime(pattern, LoggerTimeToLocal(t, LocalTimeBaseFromBias(0))),
              "2023/11/14 22:13:20.250");
    EXPECT_EQ(FormatDateTime(pattern, LoggerTimeToLocal(t, LocalTimeBaseFromBias(-60))),
              "2023/11/14 23:13:20.250");
    EXPECT_EQ(FormatDateTime(pattern, LoggerTimeToLocal(t + 7200, LocalTimeBaseFromBias(-60))),
              "2023/11/15 01:13:20.250");
}

}  // namespace
}  // namespace qv
