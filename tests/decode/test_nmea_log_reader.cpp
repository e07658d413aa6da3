#include "decode/nmea_log_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "support/framed_sentence.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "support/text_log_test.h"
#include "synth/drive.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

using test::Framed;

using test::kMsDays;
using test::kUtc;
using test::Utc;

class NmeaLogTest : public test::TextLogTest {
  protected:
    NmeaLogStats Decode(const std::string& text, TDateTime writtenUtc = 0) {
        return DecodeNmeaText(FreshTarget(), text, writtenUtc);
    }
    std::string TestFile(const std::string& name) const {
        const std::vector<uint8_t> bytes = test::ReadBytes(test::TestDataDir() + "/nmea/" + name);
        return {bytes.begin(), bytes.end()};
    }
};

TEST_F(NmeaLogTest, FixesFromRmcWithTheHeightAndSatellitesOfTheirGga) {
    const NmeaLogStats stats = Decode(
        // The GGA before its RMC.
        Framed("GPGGA,123519.50,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
        Framed("GPRMC,123519.50,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W") +
        // No GGA: the last one's height and satellites stay.
        Framed("GNRMC,123519.70,A,4807.040,S,01131.002,W,10.0,084.4,230394,,,A") +
        // The GGA after its RMC, a differential fix.
        Framed("GLRMC,123519.90,A,4807.042,N,01131.004,E,0,,230394,,,D") +
        Framed("GLGGA,123519.90,4807.042,N,01131.004,E,2,11,0.9,550.0,M,46.9,M,,") +
        Framed("GARMC,123520.10,A,4807.044,N,01131.006,E,1.5,,230394,,") +
        Framed("BDRMC,123520.30,A,4807.046,N,01131.008,E,1.5,,230394,,") +
        Framed("GBRMC,123520.50,A,4807.048,N,01131.010,E,1.5,,230394,,") +
        // Another talker, and sentences that hold no fix, are passed over.
        Framed("GQRMC,123520.70,A,4807.050,N,01131.012,E,1.5,,230394,,") +
        Framed("GPVTG,084.4,T,,M,022.4,N,041.5,K,A") +
        Framed("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
    EXPECT_EQ(stats.sentences, 11);
    EXPECT_EQ(stats.unreadLines + stats.badChecksums + stats.invalidFixes, 0);
    ASSERT_EQ(Fixes(), 6);

    const TLogItem& first = Fix(0);
    EXPECT_NEAR(first.DtTm, Utc(1994, 3, 23, 12, 35, 19.5), kMsDays / 10);
    EXPECT_EQ(first.ms, 500);
    EXPECT_DOUBLE_EQ(first.Ido, 48 + 7.038 / 60);
    EXPECT_DOUBLE_EQ(first.Kdo, 11 + 31.0 / 60);
    EXPECT_FLOAT_EQ(first.Spd, 22.4f * 1.852f);
    EXPECT_FLOAT_EQ(first.Elv, 545.4f);
    EXPECT_EQ(first.sat_used, 8);
    EXPECT_EQ(first.sat_view, 8);
    EXPECT_EQ(first.valid, 1);
    EXPECT_EQ(first.Dir, 0);
    EXPECT_FALSE(first.Act);

    const TLogItem& south = Fix(1);
    EXPECT_DOUBLE_EQ(south.Ido, -(48 + 7.040 / 60));
    EXPECT_DOUBLE_EQ(south.Kdo, -(11 + 31.002 / 60));
    EXPECT_FLOAT_EQ(south.Spd, 18.52f);
    EXPECT_FLOAT_EQ(south.Elv, 545.4f);
    EXPECT_EQ(south.sat_used, 8);
    EXPECT_EQ(south.valid, 1);

    const TLogItem& differential = Fix(2);
    EXPECT_EQ(differential.Spd, 0);
    EXPECT_FLOAT_EQ(differential.Elv, 550.0f);
    EXPECT_EQ(differential.sat_used, 11);
    EXPECT_EQ(differential.valid, 2);
    EXPECT_EQ(Fix(5).ms, 500);
    EXPECT_NEAR(Fix(5).DtTm - first.DtTm, 1.0 / 86400, kMsDays / 10);
    EXPECT_EQ(session_->log.LogBlockNum(), 1);
    EXPECT_EQ(session_->log.LogBlocks[0].RecNum, 6);
}

TEST_F(NmeaLogTest, FractionalSecondsOfAnyLength) {
    std::string text;
    for (const char* time :
         {"100000", "100001.5", "100002.25", "100003.125", "100004.0625", "100005.99999"})
        text += Framed(std::string("GPRMC,") + time + ",A,3500.000,N,13900.000,E,0,0,010524,,");
    Decode(text);
    ASSERT_EQ(Fixes(), 6);
    const double seconds[] = {0, 1.5, 2.25, 3.125, 4.063, 6.0};
    const int ms[] = {0, 500, 250, 125, 63, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(Fix(i).DtTm, Utc(2024, 5, 1, 10, 0, seconds[i]), kMsDays / 10) << i;
        EXPECT_EQ(Fix(i).ms, ms[i]) << i;
    }

    int64_t msOfDay = 0;
    EXPECT_TRUE(ParseHhmmss("235959.9996", msOfDay));
    EXPECT_EQ(msOfDay, 86400000);  // the next day's midnight, carried by the date
    for (const char* bad : {"", "10000", "1000.5", "10000x", "240000", "106000", "100060",
                            "100000,5", "100000.5a", " 100000"})
        EXPECT_FALSE(ParseHhmmss(bad, msOfDay)) << bad;
}

TEST_F(NmeaLogTest, InvalidRepeatedAndBrokenLinesAreSkippedAndCounted) {
    const std::string good = Framed("GPRMC,080000.00,A,3500.000,N,13900.000,E,10,0,010524,,");
    std::string wrongSum = Framed("GPRMC,080001.00,A,3500.000,N,13900.000,E,10,0,010524,,");
    wrongSum[wrongSum.size() - 3] ^= 1;
    // Its checksum is 0F, written here in lower case.
    std::string lowerCase = Framed("GPRMC,080028.00,A,3500.000,N,13900.000,E,10,0,010524,,");
    ASSERT_EQ(lowerCase.substr(lowerCase.size() - 5), "*0F\r\n");
    lowerCase[lowerCase.size() - 3] = 'f';
    const NmeaLogStats stats = Decode(
        good + wrongSum +
        // Status V, a GGA of quality 0 and the mode N mark fixes invalid.
        Framed("GPRMC,080003.00,V,,,,,,,010524,,") +
        Framed("GPRMC,080004.00,A,3500.000,N,13900.000,E,10,0,010524,,") +
        Framed("GPGGA,080004.00,3500.000,N,13900.000,E,0,00,,,M,,M,,") +
        Framed("GPRMC,080005.00,A,3500.000,N,13900.000,E,10,0,010524,,,N") +
        // The same time again: the first one counts.
        Framed("GPRMC,080006.00,A,3500.001,N,13900.000,E,10,0,010524,,") +
        Framed("GPRMC,080006.00,A,3500.002,N,13900.000,E,10,0,010524,,") +
        // Fields that do not read.
        Framed("GPRMC,080007.00,A,35x0.000,N,13900.000,E,10,0,010524,,") +
        Framed("GPRMC,080008.00,A,3560.000,N,13900.000,E,10,0,010524,,") +
        Framed("GPRMC,080009.00,A,3500.000,X,13900.000,E,10,0,010524,,") +
        Framed("GPRMC,080010.00,A,3500.000,N,13900.000,E,10,0,310224,,") +
        Framed("GPRMC,080011.00,A,3500.000,N,13900.000,E,-3,0,010524,,") +
        Framed("GPRMC,080012.00,A,3500.000,N") +
        // No sentence: text, a missing checksum, a line longer than any sentence.
        "hello\r\n$GPRMC,080013.00,A,3500.000,N,13900.000,E,10,0,010524,,\r\n" +
        std::string(300, 'x') + "\r\n" +
        // A logger's own time stamp before the sentence, and a satellite
        // count beyond reason, which is left out.
        "08:00:14 " + Framed("GPGGA,080014.00,3500.000,N,13900.000,E,1,14000,0.4,12.5,M,,M,,") +
        Framed("GPRMC,080014.00,A,3500.000,N,13900.000,E,10,0,010524,,") + lowerCase);
    EXPECT_EQ(stats.badChecksums, 1);
    EXPECT_EQ(stats.invalidFixes, 3);
    EXPECT_EQ(stats.repeatedFixes, 1);
    EXPECT_EQ(stats.unreadLines, 9);
    ASSERT_EQ(Fixes(), 4);
    EXPECT_EQ(Fix(0).ms, 0);
    EXPECT_DOUBLE_EQ(Fix(1).Ido, 35 + 0.001 / 60);
    EXPECT_EQ(Fix(2).sat_used, kUnknownSatellites);
    EXPECT_FLOAT_EQ(Fix(2).Elv, 12.5f);
    EXPECT_NEAR(Fix(3).DtTm, Utc(2024, 5, 1, 8, 0, 28), kMsDays / 10);
    EXPECT_EQ(
        session_->diagnostics.Lines(),
        (std::deque<std::string>{
            "NMEA: 3 invalid fixes skipped", "NMEA: 1 fixes repeating the time before them skipped",
            "NMEA: 9 lines not read", "NMEA: 1 sentences with a wrong checksum"}));
    EXPECT_EQ(stats.sentences, 16);
}

TEST_F(NmeaLogTest, TheDateRollsOverAtMidnight) {
    Decode(Framed("GPRMC,235959.96,A,3500.000,N,13900.000,E,10,0,310124,,") +
           Framed("GPRMC,000000.00,A,3500.000,N,13900.000,E,10,0,010224,,") +
           // A receiver still writing the old date after midnight, then none.
           Framed("GPRMC,000000.04,A,3500.000,N,13900.000,E,10,0,010224,,") +
           Framed("GPRMC,235959.96,A,3500.000,N,13900.000,E,10,0,010224,,") +
           Framed("GPRMC,000000.00,A,3500.000,N,13900.000,E,10,0,010224,,") +
           Framed("GPRMC,000000.04,A,3500.000,N,13900.000,E,10,0,,,"));
    ASSERT_EQ(Fixes(), 6);
    EXPECT_NEAR(Fix(1).DtTm, EncodeDate(2024, 2, 1), kMsDays / 10);
    EXPECT_NEAR(Fix(1).DtTm - Fix(0).DtTm, 40 * kMsDays, kMsDays / 10);
    EXPECT_NEAR(Fix(4).DtTm, EncodeDate(2024, 2, 2), kMsDays / 10);
    EXPECT_NEAR(Fix(5).DtTm - Fix(4).DtTm, 40 * kMsDays, kMsDays / 10);
    // A day passes between fixes 2 and 3: two runs.
    EXPECT_EQ(session_->log.LogBlockNum(), 2);
    EXPECT_EQ(Fix(5).BlkIdx, 1);
}

TEST_F(NmeaLogTest, ChunksOfAnySizeGiveTheSameFixes) {
    synth::DriveOptions options;
    options.laps = 0;
    options.rateHz = 25;
    const synth::Drive drive = synth::SynthesizeDrive(synth::DemoCircuit(), options);
    const std::vector<synth::SynthFix> fixes(drive.fixes.begin(), drive.fixes.begin() + 300);
    const std::string text = synth::EncodeNmeaLog(fixes, {.gga = true, .talker = "GN"});
    Decode(text);
    ASSERT_EQ(Fixes(), 300);
    std::vector<TLogItem> whole(session_->log.LogItems.data(),
                                session_->log.LogItems.data() + Fixes());
    for (int i = 0; i < Fixes(); ++i) {
        const synth::SynthFix& want = fixes[static_cast<size_t>(i)];
        // Minutes to five decimals, knots and heights to two.
        EXPECT_NEAR(whole[i].Ido, want.lat, 1e-7);
        EXPECT_NEAR(whole[i].Kdo, want.lon, 1e-7);
        EXPECT_NEAR(whole[i].Spd, want.spd, 0.01);
        EXPECT_NEAR(whole[i].Elv, want.elv, 0.006);
        EXPECT_EQ(whole[i].sat_used, want.satUsed);
        EXPECT_EQ(whole[i].ms, want.utcMs % 1000);
        EXPECT_NEAR(whole[i].DtTm, kUtc + static_cast<double>(want.utcMs) / 86400000, kMsDays / 10);
    }
    for (size_t size : {size_t{1}, size_t{2}, size_t{71}, size_t{4096}}) {
        session_->log.Reset();
        NmeaLogDecoder decoder(Target(), 0);
        for (size_t at = 0; at < text.size(); at += size)
            decoder.Feed(std::string_view(text).substr(at, size));
        EXPECT_EQ(decoder.Finish().sentences, 600);
        ASSERT_EQ(Fixes(), 300) << size;
        for (int i = 0; i < Fixes(); ++i) {
            EXPECT_EQ(Fix(i).DtTm, whole[i].DtTm);
            EXPECT_EQ(Fix(i).Ido, whole[i].Ido);
            EXPECT_EQ(Fix(i).Spd, whole[i].Spd);
        }
    }
}

TEST_F(NmeaLogTest, RealLogsOfOtherReceivers) {
    // A kart at 25 Hz: one GGA, whose satellite field does not read, then RMC only.
    NmeaLogStats stats = Decode(TestFile("gps_race_data_long_lap.nmea"));
    EXPECT_EQ(stats.unreadLines + stats.badChecksums + stats.invalidFixes, 0);
    ASSERT_EQ(Fixes(), 1677);
    EXPECT_NEAR(Fix(0).DtTm, Utc(2022, 2, 6, 9, 15, 33.010), kMsDays / 10);
    EXPECT_DOUBLE_EQ(Fix(0).Ido, 28 + 24.71975 / 60);
    EXPECT_DOUBLE_EQ(Fix(0).Kdo, -(81 + 22.77114 / 60));
    EXPECT_FLOAT_EQ(Fix(0).Spd, 44.43f * 1.852f);
    EXPECT_FLOAT_EQ(Fix(Fixes() - 1).Elv, 33.17f);
    EXPECT_EQ(Fix(Fixes() - 1).sat_used, kUnknownSatellites);
    EXPECT_NEAR(Fix(Fixes() - 1).DtTm, Utc(2022, 2, 6, 9, 16, 39.998), kMsDays / 10);
    EXPECT_NEAR(Fix(1).DtTm - Fix(0).DtTm, 40 * kMsDays, kMsDays / 10);
    EXPECT_EQ(session_->log.LogBlockNum(), 1);

    // Out of order at places, with GGA before or after its RMC.
    stats = Decode(TestFile("nmea+ms.txt"));
    EXPECT_EQ(stats.unreadLines + stats.badChecksums + stats.invalidFixes, 0);
    ASSERT_EQ(Fixes(), 30);
    EXPECT_NEAR(Fix(0).DtTm, Utc(2007, 8, 17, 9, 31, 56.5), kMsDays / 10);
    EXPECT_FLOAT_EQ(Fix(0).Elv, 47.8f);
    EXPECT_FLOAT_EQ(Fix(1).Elv, 47.9f);
    EXPECT_EQ(Fix(0).sat_used, 6);

    // Lower-case checksums, whole minutes repeated for every fix in them:
    // the first of each minute, as an independent reader takes them.
    stats = Decode(TestFile("Skytraq_head.rmc.nmea"));
    EXPECT_EQ(stats.badChecksums, 0);
    EXPECT_EQ(stats.repeatedFixes, 36);
    ASSERT_EQ(Fixes(), 4);
    const double babel[4][2] = {
        {48.938388, 2.208498}, {48.938433, 2.208488}, {48.938477, 2.208488}, {48.938510, 2.208477}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(Fix(i).Ido, babel[i][0], 1e-6);
        EXPECT_NEAR(Fix(i).Kdo, babel[i][1], 1e-6);
        EXPECT_NEAR(Fix(i).DtTm, Utc(2010, 1, 16, 18, 59 + i, 0), kMsDays / 10);
    }
}

// 0.001 minute north is 1.85218 m on the program's earth (radius
// 6367444.5 m): per 0.1 s, 66.680 km/h.
constexpr double kNorthStepKmh = 66.6797;

TEST_F(NmeaLogTest, FixesFromGgaWhenTheLogHasNoRmc) {
    const NmeaLogStats stats =
        Decode(Framed("GPGGA,120000.00,3500.000,N,13900.000,E,1,09,0.8,12.5,M,,M,,") +
                   Framed("GPGGA,120000.10,3500.001,N,13900.000,E,2,10,0.8,12.6,M,,M,,") +
                   // The date comes after the first fixes and holds for them too.
                   Framed("GPZDA,120000.10,01,05,2024,00,00") +
                   // No satellites or height: the last ones stay.
                   Framed("GPGGA,120000.20,3500.002,N,13900.000,E,1,,0.8,,M,,M,,") +
                   // The same time again, no fix, a position that does not read.
                   Framed("GPGGA,120000.20,3500.009,N,13900.000,E,1,09,0.8,12.5,M,,M,,") +
                   Framed("GPGGA,120000.30,,,,,0,00,,,M,,M,,") +
                   Framed("GPGGA,120000.40,35x0.004,N,13900.000,E,1,09,0.8,12.5,M,,M,,") +
                   Framed("GNGGA,120000.50,3500.005,N,13900.000,E,1,07,0.8,13.0,M,,M,,"),
               Utc(2024, 6, 10, 9, 0, 0));
    EXPECT_TRUE(stats.fromGga);
    EXPECT_FALSE(stats.dateOfFile);
    EXPECT_EQ(stats.invalidFixes, 1);
    EXPECT_EQ(stats.repeatedFixes, 1);
    EXPECT_EQ(stats.unreadLines, 1);
    ASSERT_EQ(Fixes(), 4);
    struct Want {
        double seconds, northMinutes;
        float height;
        int sats, quality;
    };
    const Want want[] = {{0.0, 0.000, 12.5f, 9, 1},
                         {0.1, 0.001, 12.6f, 10, 2},
                         {0.2, 0.002, 12.6f, 10, 1},
                         {0.5, 0.005, 13.0f, 7, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(Fix(i).DtTm, Utc(2024, 5, 1, 12, 0, want[i].seconds), kMsDays / 10) << i;
        EXPECT_EQ(Fix(i).ms, static_cast<int>(want[i].seconds * 1000 + 0.5)) << i;
        EXPECT_DOUBLE_EQ(Fix(i).Ido, 35 + want[i].northMinutes / 60) << i;
        EXPECT_DOUBLE_EQ(Fix(i).Kdo, 139.0) << i;
        EXPECT_FLOAT_EQ(Fix(i).Elv, want[i].height) << i;
        EXPECT_EQ(Fix(i).sat_used, want[i].sats) << i;
        EXPECT_EQ(Fix(i).valid, want[i].quality) << i;
        // No VTG: walked from the positions, the same pace throughout.
        EXPECT_NEAR(Fix(i).Spd, kNorthStepKmh, 0.01) << i;
    }
    ASSERT_EQ(session_->log.LogBlockNum(), 1);
    EXPECT_EQ(session_->log.LogBlocks[0].Title, "20240501_1200");
    EXPECT_NEAR(session_->log.LogBlocks[0].DtTm, Fix(0).DtTm, kMsDays / 10);
    EXPECT_EQ(session_->diagnostics.Lines(),
              (std::deque<std::string>{"NMEA: 1 invalid fixes skipped",
                                       "NMEA: 1 fixes repeating the time before them skipped",
                                       "NMEA: 1 lines not read"}));
}

TEST_F(NmeaLogTest, AGgaLogWithoutZdaTakesTheDayTheFileWasWritten) {
    const std::string north0 = "3500.000,N,13900.000,E,1,09,0.8,12.5,M,,M,,";
    const std::string north1 = "3500.001,N,13900.000,E,1,09,0.8,12.5,M,,M,,";
    struct Case {
        const char* what;
        TDateTime written;
        const char* firstTime;
        const char* secondTime;
        TDateTime first, second;
        const char* firstDay;
    };
    const Case cases[] = {
        {"written after midnight, the log passes it", Utc(2024, 5, 2, 0, 30, 0), "235959.95",
         "000000.05", Utc(2024, 5, 1, 23, 59, 59.95), Utc(2024, 5, 2, 0, 0, 0.05), "2024-05-01"},
        {"written later the same day", Utc(2024, 5, 2, 13, 0, 0), "120000.00", "120000.10",
         Utc(2024, 5, 2, 12, 0, 0), Utc(2024, 5, 2, 12, 0, 0.1), "2024-05-02"},
        {"a late sentence from before midnight", Utc(2024, 5, 2, 0, 30, 0), "000000.05",
         "235959.95", Utc(2024, 5, 2, 0, 0, 0.05), Utc(2024, 5, 1, 23, 59, 59.95), "2024-05-02"},
    };
    for (const Case& c : cases) {
        const NmeaLogStats stats =
            Decode(Framed(std::string("GPGGA,") + c.firstTime + "," + north0) +
                       Framed(std::string("GPGGA,") + c.secondTime + "," + north1),
                   c.written);
        EXPECT_TRUE(stats.dateOfFile) << c.what;
        ASSERT_EQ(Fixes(), 2) << c.what;
        EXPECT_NEAR(Fix(0).DtTm, c.first, kMsDays / 10) << c.what;
        EXPECT_NEAR(Fix(1).DtTm, c.second, kMsDays / 10) << c.what;
        EXPECT_EQ(session_->log.LogBlockNum(), 1) << c.what;
        EXPECT_EQ(session_->diagnostics.Lines(),
                  std::deque<std::string>{
                      std::string("NMEA: the log names no date, so its fixes are dated from the "
                                  "day the file was written (first fix ") +
                      c.firstDay + ")"})
            << c.what;
    }
}

TEST_F(NmeaLogTest, VtgSpeedFieldsAndModes) {
    // Three fixes 0.1 s apart at the same pace; the VTGs of the first and
    // last give that pace, the middle one's is the case.
    struct Case {
        const char* vtg;
        double kmh;
        int64_t unread;
    };
    const Case cases[] = {
        {"GPVTG,0.0,T,,M,5.40,N,10.0,K,A", 10.0, 0},
        {"GPVTG,0.0,T,,M,5.40,N,,K,A", 5.40 * 1.852, 0},
        // The finer of the two.
        {"GPVTG,0.0,T,,M,5.43,N,10.1,K,A", 5.43 * 1.852, 0},
        {"GPVTG,0.0,T,,M,5.4,N,10.05,K,A", 10.05, 0},
        {"GPVTG,0.0,T,,M,5.40,N,10.0,K,N", kNorthStepKmh, 0},  // no fix: walked
        {"GPVTG,,T,,M,,N,,K,N", kNorthStepKmh, 0},
        {"GPVTG,0.0,T,,M,5.40,N,1O.00,K,A", kNorthStepKmh, 1},
        {"GPVTG,0.0,T,,M,5.40,N,-3.00,K,A", kNorthStepKmh, 1},
    };
    const std::string pace = Framed("GPVTG,0.0,T,,M,36.00,N,66.680,K,A");
    for (const Case& c : cases) {
        const NmeaLogStats stats = Decode(
            Framed("GPGGA,120000.00,3500.000,N,13900.000,E,1,09,0.8,1,M,,M,,") + pace +
            Framed("GPGGA,120000.10,3500.001,N,13900.000,E,1,09,0.8,1,M,,M,,") + Framed(c.vtg) +
            Framed("GPGGA,120000.20,3500.002,N,13900.000,E,1,09,0.8,1,M,,M,,") + pace);
        ASSERT_EQ(Fixes(), 3) << c.vtg;
        EXPECT_NEAR(Fix(0).Spd, 66.68, 1e-4) << c.vtg;
        EXPECT_NEAR(Fix(1).Spd, c.kmh, 0.01) << c.vtg;
        EXPECT_NEAR(Fix(2).Spd, 66.68, 1e-4) << c.vtg;
        EXPECT_EQ(stats.unreadLines, c.unread) << c.vtg;
    }
}

// The lines of a text, each with its line end.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at) + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

TEST_F(NmeaLogTest, GgaLogsOfADriveWithVtgInEitherOrder) {
    synth::DriveOptions options;
    options.laps = 0;
    const synth::Drive drive = synth::SynthesizeDrive(synth::DemoCircuit(), options);
    // From 0.3 s past a whole second, so that fixes come before the first ZDA.
    const std::vector<synth::SynthFix> fixes(drive.fixes.begin() + 3, drive.fixes.end());
    ASSERT_EQ(fixes.front().utcMs % 1000, 300);
    const synth::NmeaLogOptions withVtg{.gga = true, .rmc = false, .vtg = true, .zda = true};
    const std::string after = synth::EncodeNmeaLog(fixes, withVtg);
    // The other order, VTG before its GGA, in a file that starts at a GGA:
    // the first VTG after it belongs to the next one.
    std::string beforeText;
    for (size_t k = 0; k < fixes.size(); ++k) {
        const std::vector<std::string> lines = LinesOf(synth::EncodeNmeaLog({fixes[k]}, withVtg));
        ASSERT_GE(lines.size(), 2u);
        ASSERT_NE(lines[1].find("VTG"), std::string::npos);
        if (k > 0)
            beforeText += lines[1];
        beforeText += lines[0];
        for (size_t i = 2; i < lines.size(); ++i)
            beforeText += lines[i];
    }
    const TDateTime written = Utc(2025, 1, 1, 0, 0, 0);
    const std::string& before = beforeText;
    for (const std::string* text : {&after, &before}) {
        const NmeaLogStats stats = Decode(*text, written);
        EXPECT_TRUE(stats.fromGga);
        EXPECT_FALSE(stats.dateOfFile);
        ASSERT_EQ(static_cast<size_t>(Fixes()), fixes.size());
        for (int i = 0; i < Fixes(); ++i) {
            const synth::SynthFix& want = fixes[static_cast<size_t>(i)];
            EXPECT_NEAR(Fix(i).DtTm, kUtc + static_cast<double>(want.utcMs) / 86400000,
                        kMsDays / 10);
            EXPECT_NEAR(Fix(i).Ido, want.lat, 1e-7);
            EXPECT_NEAR(Fix(i).Kdo, want.lon, 1e-7);
            // The first fix of the file that starts at a GGA has no VTG.
            if (text == &after || i > 0) {
                EXPECT_NEAR(Fix(i).Spd, want.spd, 6e-4) << i;
            }
        }
        EXPECT_EQ(session_->log.LogBlockNum(), 1);
        EXPECT_EQ(session_->log.LogBlocks[0].Title, "20240429_0800");
    }

    // Without VTG the speeds are walked from the positions.
    const std::string gga = synth::EncodeNmeaLog(fixes, {.gga = true, .rmc = false, .zda = true});
    Decode(gga, written);
    ASSERT_EQ(static_cast<size_t>(Fixes()), fixes.size());
    double off = 0;
    for (int i = 0; i < Fixes(); ++i)
        off += std::fabs(Fix(i).Spd - fixes[static_cast<size_t>(i)].spd);
    EXPECT_LT(off / Fixes(), 0.25);

    const std::vector<TLogItem> whole(session_->log.LogItems.data(),
                                      session_->log.LogItems.data() + Fixes());
    for (size_t size : {size_t{1}, size_t{7}, size_t{4096}}) {
        session_->log.Reset();
        NmeaLogDecoder decoder(Target(), written);
        for (size_t at = 0; at < gga.size(); at += size)
            decoder.Feed(std::string_view(gga).substr(at, size));
        decoder.Finish();
        ASSERT_EQ(static_cast<size_t>(Fixes()), whole.size()) << size;
        for (int i = 0; i < Fixes(); ++i) {
            EXPECT_EQ(Fix(i).DtTm, whole[i].DtTm);
            EXPECT_EQ(Fix(i).Spd, whole[i].Spd);
        }
    }
}

TEST_F(NmeaLogTest, AnRmcAnywhereInTheLogMakesItAnRmcLog) {
    // GGA without RMC first, with what would count in a GGA log.
    const std::string ggaFirst =
        Framed("GPGGA,075959.00,3500.000,N,13900.000,E,1,09,0.8,12.5,M,,M,,") +
        Framed("GPVTG,0.0,T,,M,5.40,N,10.0,K,A") + Framed("GPZDA,075959.00,01,05,2024,00,00") +
        Framed("GPGGA,075959.10,,,,,0,00,,,M,,M,,") +
        Framed("GPGGA,075959.20,35x0.000,N,13900.000,E,1,09,0.8,12.5,M,,M,,");
    const std::string rmc = Framed("GPRMC,080000.00,A,3500.000,N,13900.000,E,10,0,010524,,") +
                            Framed("GPRMC,080000.10,A,3500.001,N,13900.000,E,10,0,010524,,");
    const NmeaLogStats alone = Decode(rmc);
    const std::vector<TLogItem> want(session_->log.LogItems.data(),
                                     session_->log.LogItems.data() + Fixes());
    const std::deque<std::string> wantLines = session_->diagnostics.Lines();

    const NmeaLogStats mixed = Decode(ggaFirst + rmc, Utc(2024, 6, 1, 0, 0, 0));
    EXPECT_FALSE(mixed.fromGga);
    EXPECT_EQ(mixed.invalidFixes, alone.invalidFixes);
    EXPECT_EQ(mixed.unreadLines, alone.unreadLines);
    EXPECT_EQ(mixed.repeatedFixes, alone.repeatedFixes);
    EXPECT_EQ(session_->diagnostics.Lines(), wantLines);
    ASSERT_EQ(static_cast<size_t>(Fixes()), want.size());
    for (int i = 0; i < Fixes(); ++i) {
        EXPECT_EQ(Fix(i).DtTm, want[i].DtTm);
        EXPECT_EQ(Fix(i).Spd, want[i].Spd);
        EXPECT_EQ(Fix(i).Ido, want[i].Ido);
    }
    // The satellites of the GGA before the first RMC stay, as in any RMC log.
    EXPECT_EQ(Fix(0).sat_used, 9);
    EXPECT_EQ(session_->log.LogBlockNum(), 1);
}

using NmeaOpenLogTest = NmeaLogTest;

TEST_F(NmeaOpenLogTest, OpenedByExtensionAndForeignContentRefused) {
    const std::string log = Framed("GPRMC,080000.00,A,3500.000,N,13900.000,E,10,0,010524,,") +
                            Framed("GPRMC,080000.10,A,3500.001,N,13900.000,E,10,0,010524,,");
    for (const char* name : {"a.nmea", "b.TXT", "c.log"}) {
        const LoadLogResult r = Open(name, log);
        EXPECT_TRUE(r.proceed) << name;
        EXPECT_TRUE(r.message.empty());
        EXPECT_EQ(Fixes(), 2);
        EXPECT_EQ(session_->diagnostics.Lines().front(), "2 records");
    }
    // Cut inside its last sentence: the fixes before the cut stay.
    const LoadLogResult cut = Open("cut.nmea", log + log.substr(0, 40));
    EXPECT_TRUE(cut.proceed);
    EXPECT_EQ(Fixes(), 2);

    // Sentences that all hold no fix: a log without fixes, no message.
    const LoadLogResult empty = Open("void.nmea", Framed("GPGSA,A,1,,,,,,,,,,,,,,,"));
    EXPECT_TRUE(empty.proceed);
    EXPECT_TRUE(empty.message.empty());
    EXPECT_EQ(Fixes(), 0);

    // Not one sentence: another format with the right extension.
    for (const std::string& foreign :
         {std::string("time,lat,lon\n2024-05-01 08:00:00,35,139\n"), std::string(),
          std::string("<?xml version=\"1.0\"?><gpx version=\"1.1\"></gpx>"),
          std::string("\x00\x01\xFF$\x80*", 6)}) {
        Open("first.nmea", log);
        const LoadLogResult r = Open("foreign.log", foreign);
        EXPECT_FALSE(r.proceed);
        EXPECT_FALSE(r.sizeOk);
        EXPECT_EQ(r.message, "It is not a Quorvane log format.");
        EXPECT_EQ(Fixes(), 0);
        EXPECT_EQ(session_->log.LogBlockNum(), 0);
    }
}

TEST_F(NmeaOpenLogTest, AGgaLogIsDatedByTheFilesModificationTime) {
    const auto path = dir_ / "gga.nmea";
    test::WriteText(path,
                    Framed("GNGGA,235959.95,3500.000,N,13900.000,E,1,09,0.8,12.5,M,,M,,") +
                        Framed("GNGGA,000000.05,3500.001,N,13900.000,E,1,09,0.8,12.5,M,,M,,"));
    // 2024-05-02 00:30 UTC, after the recording ended.
    const std::chrono::sys_seconds written{std::chrono::seconds{1714609800}};
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(written));
    session_->diagnostics.Clear();
    const LoadLogResult r = LoadLogFile(*session_, path);
    EXPECT_TRUE(r.proceed);
    ASSERT_EQ(Fixes(), 2);
    EXPECT_NEAR(Fix(0).DtTm, Utc(2024, 5, 1, 23, 59, 59.95), kMsDays / 10);
    EXPECT_NEAR(Fix(1).DtTm, Utc(2024, 5, 2, 0, 0, 0.05), kMsDays / 10);
    EXPECT_EQ(session_->diagnostics.Lines(),
              (std::deque<std::string>{"2 records",
                                       "NMEA: the log names no date, so its fixes are dated "
                                       "from the day the file was written (first fix "
                                       "2024-05-01)"}));
}

}  // namespace
}  // namespace qv
