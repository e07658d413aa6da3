#include "decode/nmea_log_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "support/framed_sentence.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/drive.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

using test::Framed;

constexpr TDateTime kUtc = 25569.0;  // local time is UTC
constexpr double kMsDays = 1.0 / 86400000;

TDateTime Utc(int y, int mo, int d, int h, int mi, double s) {
    return EncodeDate(y, mo, d) + (h * 3600 + mi * 60 + s) / 86400;
}

class NmeaLogTest : public ::testing::Test {
  protected:
    NmeaLogTest() : session_(std::make_unique<Session>(kUtc)) {}

    NmeaLogStats Decode(const std::string& text) {
        session_->log.Reset();
        session_->diagnostics.Clear();
        return DecodeNmeaText(Target(), text);
    }
    MtkTarget Target() { return {session_->log, session_->diagnostics, session_->LocalTimeBase}; }
    const TLogItem& Fix(int i) const { return session_->log.LogItems[i]; }
    int Fixes() const { return session_->log.LogItemNum; }
    std::string TestFile(const std::string& name) const {
        const std::vector<uint8_t> bytes = test::ReadBytes(test::TestDataDir() + "/nmea/" + name);
        return {bytes.begin(), bytes.end()};
    }

    std::unique_ptr<Session> session_;
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
        NmeaLogDecoder decoder(Target());
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

class NmeaOpenLogTest : public NmeaLogTest {
  protected:
    LoadLogResult Open(const std::string& name, const std::string& text) {
        const auto path = dir_ / name;
        test::WriteText(path, text);
        session_->diagnostics.Clear();
        return LoadLogFile(*session_, path);
    }
    test::TempDir dir_;
};

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

}  // namespace
}  // namespace qv
