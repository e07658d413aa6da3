#include "decode/vbo_log_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app/session.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "support/text_log_test.h"
#include "synth/drive.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

using test::kMsDays;
using test::kUtc;
using test::Utc;

const std::string kSections =
    "[header]\nsatellites\ntime\nlatitude\nlongitude\nvelocity kmh\nheight\n\n"
    "[column names]\nsats time lat long velocity height\n\n[data]\n";

class VboLogTest : public test::TextLogTest {
  protected:
    VboLogStats Decode(const std::string& text, TDateTime writtenUtc = 0) {
        return DecodeVboText(FreshTarget(), text, writtenUtc);
    }
};

TEST_F(VboLogTest, ARealLogInKnots) {
    const std::vector<uint8_t> bytes = test::ReadBytes(test::TestDataDir() + "/vbo/racelogic.vbo");
    const VboLogStats stats = Decode({bytes.begin(), bytes.end()});
    EXPECT_TRUE(stats.Recognised());
    EXPECT_EQ(stats.unreadLines + stats.invalidFixes, 0);
    ASSERT_EQ(Fixes(), 12);
    // 004 072148.26 +3119.408424 +00062.635139 015.13 356.06 +00155.27 -00000.22
    EXPECT_NEAR(Fix(0).DtTm, Utc(2004, 4, 15, 7, 21, 48.26), kMsDays / 10);
    EXPECT_EQ(Fix(0).ms, 260);
    EXPECT_DOUBLE_EQ(Fix(0).Ido, 3119.408424 / 60);
    EXPECT_DOUBLE_EQ(Fix(0).Kdo, -62.635139 / 60);
    EXPECT_FLOAT_EQ(Fix(0).Spd, static_cast<float>(15.13 * 1.852));
    EXPECT_FLOAT_EQ(Fix(0).Elv, 155.27f);
    EXPECT_EQ(Fix(0).sat_used, 4);
    EXPECT_NEAR(Fix(11).DtTm, Utc(2004, 4, 15, 7, 21, 48.37), kMsDays / 10);
    EXPECT_EQ(session_->log.LogBlockNum(), 1);
}

TEST_F(VboLogTest, DatesRowsAndSpeedsOfHandWrittenLogs) {
    // No date line: the day the file was written, here 00:30 UTC the day
    // after the recording began; midnight passes in the log.
    const TDateTime written = Utc(2024, 5, 2, 0, 30, 0);
    VboLogStats stats = Decode(kSections +
                                   "008 235959.90 +2100.000000 -08340.000000 100.00 +00012.50\n"
                                   "008 000000.00 +2100.001000 -08340.000000 100.00 +00012.50\n"
                                   // No satellites: no fix.
                                   "000 000000.10 +0000.000000 +00000.000000 000.00 +00000.00\n"
                                   // Rows that do not read.
                                   "008 000000.20 +2100.002000 -08340.000000\n"
                                   "008 000000.30 +21OO.003000 -08340.000000 100.00 +00012.50\n"
                                   "008 000000.40 +5401.000000 -08340.000000 100.00 +00012.50\n"
                                   "008 000000.50 +2100.005000 -08340.000000 -10.00 +00012.50\n"
                                   "\t008  000000.60\t+2100.006000 -08340.000000 100.00 +12.5 \n",
                               written);
    EXPECT_TRUE(stats.Recognised());
    EXPECT_EQ(stats.invalidFixes, 1);
    EXPECT_EQ(stats.unreadLines, 4);
    ASSERT_EQ(Fixes(), 3);
    EXPECT_NEAR(Fix(0).DtTm, Utc(2024, 5, 1, 23, 59, 59.9), kMsDays / 10);
    EXPECT_NEAR(Fix(1).DtTm, Utc(2024, 5, 2, 0, 0, 0), kMsDays / 10);
    EXPECT_NEAR(Fix(2).DtTm, Utc(2024, 5, 2, 0, 0, 0.6), kMsDays / 10);
    EXPECT_DOUBLE_EQ(Fix(0).Ido, 35.0);
    EXPECT_DOUBLE_EQ(Fix(0).Kdo, 139.0);  // minutes to the west, negative: east
    EXPECT_FLOAT_EQ(Fix(0).Spd, 100.0f);  // km/h as the header says
    EXPECT_EQ(session_->log.LogBlockNum(), 1);
    EXPECT_EQ(session_->diagnostics.Lines(),
              (std::deque<std::string>{"VBO: 1 rows without satellites skipped",
                                       "VBO: 4 data lines not read"}));

    // Written later on the day of the recording: that day.
    Decode(kSections + "008 120000.00 +2100.000000 -08340.000000 100.00 +00012.50\n",
           Utc(2024, 5, 2, 13, 0, 0));
    EXPECT_NEAR(Fix(0).DtTm, Utc(2024, 5, 2, 12, 0, 0), kMsDays / 10);

    // Without a velocity column the speed comes from the positions: 0.001
    // minute north (1.852 m with the program's earth radius) per 0.1 s.
    const double kmh = 0.001 / 60 * std::numbers::pi / 180 * 6367444.5 / 0.1 * 3.6;
    Decode(
        "File created on 01/05/2024 @ 08:00\n[header]\ntime\nlatitude\nlongitude\n"
        "[column names]\ntime lat long\n[data]\n"
        "080000.00 +2100.000 -08340.000\n"
        "080000.10 +2100.001 -08340.000\n"
        "080000.20 +2100.002 -08340.000\n");
    ASSERT_EQ(Fixes(), 3);
    EXPECT_NEAR(Fix(1).Spd, kmh, 1e-3);
    EXPECT_NEAR(Fix(2).Spd, kmh, 1e-3);
    EXPECT_EQ(Fix(1).sat_used, kUnknownSatellites);
    EXPECT_NEAR(Fix(0).DtTm, Utc(2024, 5, 1, 8, 0, 0), kMsDays / 10);
}

TEST_F(VboLogTest, ChunksOfAnySizeGiveTheSameFixes) {
    synth::DriveOptions options;
    options.laps = 0;
    const synth::Drive drive = synth::SynthesizeDrive(synth::DemoCircuit(), options);
    const std::string text = synth::EncodeVboLog(drive.fixes, {.knots = true});
    Decode(text);
    const int count = Fixes();
    ASSERT_EQ(static_cast<size_t>(count), drive.fixes.size());
    for (int i = 0; i < count; ++i) {
        const synth::SynthFix& want = drive.fixes[static_cast<size_t>(i)];
        EXPECT_NEAR(Fix(i).Ido, want.lat, 1e-8);
        EXPECT_NEAR(Fix(i).Kdo, want.lon, 1e-8);
        EXPECT_NEAR(Fix(i).Spd, want.spd, 0.01);
        EXPECT_NEAR(Fix(i).DtTm, kUtc + static_cast<double>(want.utcMs) / 86400000, kMsDays / 10);
    }
    const std::vector<TLogItem> whole(session_->log.LogItems.data(),
                                      session_->log.LogItems.data() + count);
    for (size_t size : {size_t{1}, size_t{5}, size_t{333}}) {
        session_->log.Reset();
        VboLogDecoder decoder(Target(), 0);
        for (size_t at = 0; at < text.size(); at += size)
            decoder.Feed(std::string_view(text).substr(at, size));
        decoder.Finish();
        ASSERT_EQ(Fixes(), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(Fix(i).DtTm, whole[i].DtTm);
            EXPECT_EQ(Fix(i).Ido, whole[i].Ido);
        }
    }
}

// A 25 Hz log of another maker's logger: a byte order mark, the date in
// its comments, sats last, acceleration and gyroscope columns between, and
// a start line written latitude first.
const std::string kOtherMaker =
    "\xEF\xBB\xBF"
    "File created on 05/05/2026 @ 19:35\r\n\r\n"
    "[header]\r\ntime\r\nlatitude\r\nlongitude\r\nvelocity kmh\r\nheading\r\nheight\r\n"
    "LongAcc\r\nLatAcc\r\nVertAcc\r\nx-rotation-gyroscope\r\ny-rotation-gyroscope\r\n"
    "z-rotation-gyroscope\r\nsatellites\r\n\r\n"
    "[comments]\r\nSerial Number : 3242708543\r\nUTC Date Started : 04/05/2026 16:35\r\n"
    "Venue : Plyt\xC4\xABn\xC4\x97s \xC2\xB0\r\n\r\n"
    "[laptiming]\r\n"
    "Start  +03283.51816 -001520.96398  +03283.51862 -001520.94724  \xC2\xAC   Start / Finish\r\n"
    "\r\n[column names]\r\n"
    "time lat lng velocity heading height LongAcc LatAcc VertAcc x-rotation-gyroscope "
    "y-rotation-gyroscope z-rotation-gyroscope sats\r\n\r\n[data]\r\n"
    "163508.00 +03283.51691 -001520.95871 052.171 312.25 +00145.77 -0.504 +0.116 +1.039 "
    "+5.880 +4.470 -7.130 16\r\n"
    "163508.04 +03283.51700 -001520.95880 052.300 312.25 +00145.80 -0.504 +0.116 +1.039 "
    "+5.880 +4.470 -7.130 16\r\n";

TEST_F(VboLogTest, AnotherMakersLogWithItsStartLine) {
    const VboLogStats stats = Decode(kOtherMaker, Utc(2026, 5, 6, 0, 0, 0));
    EXPECT_TRUE(stats.Recognised());
    EXPECT_EQ(stats.unreadLines + stats.invalidFixes, 0);
    ASSERT_EQ(Fixes(), 2);
    // The UTC date of the comments, not the local one the file was made on.
    EXPECT_NEAR(Fix(0).DtTm, Utc(2026, 5, 4, 16, 35, 8.0), kMsDays / 10);
    EXPECT_NEAR(Fix(1).DtTm, Utc(2026, 5, 4, 16, 35, 8.04), kMsDays / 10);
    EXPECT_DOUBLE_EQ(Fix(0).Ido, 3283.51691 / 60);  // 54.7252818 N
    EXPECT_DOUBLE_EQ(Fix(0).Kdo, 1520.95871 / 60);  // 25.3493118 E
    EXPECT_FLOAT_EQ(Fix(0).Spd, 52.171f);
    EXPECT_FLOAT_EQ(Fix(1).Elv, 145.80f);
    EXPECT_EQ(Fix(0).sat_used, 16);

    // Read longitude first, the line would lie at 25.3 S 54.7 W; latitude
    // first it crosses the track: 3283.51816' = 54.7253027 N,
    // 1520.96398' west negative = 25.3493997 E; 3283.51862' = 54.7253103 N,
    // 1520.94724' = 25.3491207 E.
    ASSERT_TRUE(stats.startLine.has_value());
    const auto& line = *stats.startLine;
    EXPECT_NEAR(static_cast<double>(line[0].lat), 54.7253027, 1e-7);
    EXPECT_NEAR(static_cast<double>(line[0].lon), 25.3493997, 1e-7);
    EXPECT_NEAR(static_cast<double>(line[1].lat), 54.7253103, 1e-7);
    EXPECT_NEAR(static_cast<double>(line[1].lon), 25.3491207, 1e-7);
}

TEST_F(VboLogTest, StartLinesInTheFormsWritersUse) {
    // A track at 48.6886 N 17.3700 E: rows give 2921.316' N and 1042.200'
    // west negative.
    const std::string rows = "008 120000.00 +2921.316000 -1042.200000 100.00 +00012.50\n";
    struct Case {
        const char* what;
        std::string laptiming;
        bool afterData;
        bool read;
        double lat0, lon0, lat1, lon1;
    };
    const Case cases[] = {
        // Longitude first, the name after a "¬" in Latin-1: -1042.214520' is
        // 17.3702420 E, +2921.328310' is 48.6888052 N, +2921.301330' is
        // 48.6883555 N.
        {"longitude first", "Start -1042.214520 +2921.328310 -1042.214520 +2921.301330 \xAC S/F\n",
         false, true, 48.6888052, 17.3702420, 48.6883555, 17.3702420},
        {"after the data", "Start -1042.214520 +2921.328310 -1042.214520 +2921.301330\n", true,
         true, 48.6888052, 17.3702420, 48.6883555, 17.3702420},
        {"a split line only", "Split -1042.214520 +2921.328310 -1042.214520 +2921.301330\n", false,
         false, 0, 0, 0, 0},
        {"numbers that do not read", "Start 0 52.0750,-1.0170,52.0760,-1.0180\n", false, false, 0,
         0, 0, 0},
        {"too few numbers", "Start -1042.214520 +2921.328310 -1042.214520\n", false, false, 0, 0, 0,
         0},
        {"another circuit", "Start -1042.214520 +3121.328310 -1042.214520 +3121.301330\n", false,
         false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const std::string laptiming = "[laptiming]\n" + c.laptiming;
        const std::string text =
            c.afterData ? kSections + rows + laptiming : laptiming + kSections + rows;
        const VboLogStats stats = Decode(text);
        EXPECT_EQ(Fixes(), 1) << c.what;
        EXPECT_EQ(stats.unreadLines, 0) << c.what;
        ASSERT_EQ(stats.startLine.has_value(), c.read) << c.what;
        if (!c.read)
            continue;
        const auto& line = *stats.startLine;
        EXPECT_NEAR(static_cast<double>(line[0].lat), c.lat0, 1e-7) << c.what;
        EXPECT_NEAR(static_cast<double>(line[0].lon), c.lon0, 1e-7) << c.what;
        EXPECT_NEAR(static_cast<double>(line[1].lat), c.lat1, 1e-7) << c.what;
        EXPECT_NEAR(static_cast<double>(line[1].lon), c.lon1, 1e-7) << c.what;
    }
}

TEST_F(VboLogTest, ColumnNamesOfOtherWriters) {
    struct Case {
        const char* what;
        const char* columns;
        const char* row;
        float kmh, height;
        int sats;
    };
    const Case cases[] = {
        {"a unit as part of the velocity name", "sats time lat lon velocity kmh height\n",
         "009 120000.00 +2100.000000 -08340.000000 100.00 +00012.50\n", 100.0f, 12.5f, 9},
        {"a unit with a cell of its own", "sats time lat long velocity kmh height\n",
         "009 120000.00 +2100.000000 -08340.000000 100.00 7 +00012.50\n", 100.0f, 12.5f, 9},
        {"knots in the name, longitude and satellites spelt out",
         "time latitude longitude velocity knots satellites altitude\n",
         "120000.00 +2100.000000 -08340.000000 10.00 011 +00020.00\n", 18.52f, 20.0f, 11},
        {"one name a line", "sats\ntime\nlat\nlng\nvelocity\n",
         "007 120000.00 +2100.000000 -08340.000000 100.00\n", 100.0f, 0.0f, 7},
    };
    for (const Case& c : cases) {
        const VboLogStats stats = Decode(std::string("[header]\nvelocity kmh\n[column names]\n") +
                                             c.columns + "[data]\n" + c.row,
                                         Utc(2024, 5, 2, 13, 0, 0));
        EXPECT_TRUE(stats.Recognised()) << c.what;
        EXPECT_EQ(stats.unreadLines, 0) << c.what;
        ASSERT_EQ(Fixes(), 1) << c.what;
        EXPECT_DOUBLE_EQ(Fix(0).Ido, 35.0) << c.what;
        EXPECT_DOUBLE_EQ(Fix(0).Kdo, 139.0) << c.what;
        EXPECT_FLOAT_EQ(Fix(0).Spd, c.kmh) << c.what;
        EXPECT_FLOAT_EQ(Fix(0).Elv, c.height) << c.what;
        EXPECT_EQ(Fix(0).sat_used, c.sats) << c.what;
        EXPECT_NEAR(Fix(0).DtTm, Utc(2024, 5, 2, 12, 0, 0), kMsDays / 10) << c.what;
    }
}

TEST_F(VboLogTest, EveryLogReadClearsTheStartLineOfTheLastOne) {
    test::TempDir dir;
    test::WriteText(dir / "line.vbo", kOtherMaker);
    const std::string others[] = {"other.vbo", "refused.vbo", "log.nmea", "short.binx"};
    test::WriteText(dir / "other.vbo",
                    kSections + "008 120000.00 +2100.000000 -08340.000000 100.00 +00012.50\n");
    test::WriteText(dir / "refused.vbo", "time,lat,lon\n");
    test::WriteText(dir / "log.nmea",
                    "$GPRMC,080000.00,A,3500.000,N,13900.000,E,10,0,010524,,*05\r\n");
    test::WriteText(dir / "short.binx", "too short");
    for (const std::string& other : others) {
        ASSERT_TRUE(LoadLogFile(*session_, dir / "line.vbo").proceed);
        ASSERT_TRUE(session_->fileStartLine.has_value());
        LoadLogFile(*session_, dir / other);
        EXPECT_FALSE(session_->fileStartLine.has_value()) << other;
    }
    // A file that is not there is not read: the log and its line stay.
    LoadLogFile(*session_, dir / "line.vbo");
    LoadLogFile(*session_, dir / "missing.vbo");
    EXPECT_TRUE(session_->fileStartLine.has_value());
    EXPECT_EQ(Fixes(), 2);
}

TEST_F(VboLogTest, OtherFilesAreRefused) {
    test::TempDir dir;
    const std::string row = "008 120000.00 +2100.000000 -08340.000000 100.00 +00012.50\n";
    const std::string good = kSections + row;
    std::string noHeader = good;
    noHeader.replace(0, 8, "[headr]\n");
    const std::string others[] = {
        noHeader,
        good.substr(0, good.find("[data]")),
        "[header]\ntime\n[column names]\nsats velocity height\n[data]\n" + row,
        "time,lat,lon\n",
        std::string("\0\0\0", 3),
    };
    for (const std::string& other : others) {
        test::WriteText(dir / "good.vbo", good);
        ASSERT_TRUE(LoadLogFile(*session_, dir / "good.vbo").proceed);
        test::WriteText(dir / "other.VBO", other);
        const LoadLogResult r = LoadLogFile(*session_, dir / "other.VBO");
        EXPECT_FALSE(r.proceed);
        EXPECT_EQ(r.message, "It is not a Quorvane log format.");
        EXPECT_EQ(Fixes(), 0);
    }
}

}  // namespace
}  // namespace qv
