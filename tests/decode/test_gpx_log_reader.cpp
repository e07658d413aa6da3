#include "decode/gpx_log_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app/session.h"
#include "decode/nmea_log_reader.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "support/text_log_test.h"
#include "synth/drive.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

using test::kMsDays;
using test::Utc;

std::string Gpx(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
           "     xmlns:ext=\"urn:example:ext\">\n" +
           body + "</gpx>\n";
}

class GpxLogTest : public test::TextLogTest {
  protected:
    GpxLogStats Decode(const std::string& text) { return DecodeGpxText(FreshTarget(), text); }
};

TEST_F(GpxLogTest, TrackPointsWithTheirValuesAndASegmentPerRun) {
    const GpxLogStats stats = Decode(Gpx(
        "<wpt lat=\"1\" lon=\"1\"><time>2024-05-01T08:00:00Z</time></wpt>\n"
        "<trk><name>session</name><trkseg>\n"
        // GPX 1.0 puts the speed into the point, in m/s.
        "<trkpt lat=\"35.5\" lon=\"-139.25\"><ele>12.5</ele>"
        "<time>2024-05-01T08:00:00.5Z</time><sat>7</sat><speed>10</speed></trkpt>\n"
        // A speed of an extension, a time with its zone.
        "<trkpt lon=\"-139.2501\" lat=\"35.5001\"><time>2024-05-01T17:00:00.25+09:00</time>"
        "<extensions><ext:TrackPointExtension><ext:speed>20.5</ext:speed>"
        "</ext:TrackPointExtension></extensions></trkpt>\n"
        "</trkseg><trkseg>\n"
        // A second segment a second later is a run of its own.
        "<trkpt lat=\"35.5002\" lon=\"-139.2502\"><time>2024-05-01T03:00:01.5-05:00</time>"
        "<fix>3d</fix><speed>1</speed></trkpt>\n"
        // Skipped: no fix, no time, a time that does not read, no longitude,
        // a latitude beyond the pole.
        "<trkpt lat=\"35\" lon=\"139\"><time>2024-05-01T08:00:02Z</time><fix>none</fix></trkpt>\n"
        "<trkpt lat=\"35\" lon=\"139\"><ele>1</ele></trkpt>\n"
        "<trkpt lat=\"35\" lon=\"139\"><time>yesterday</time></trkpt>\n"
        "<trkpt lat=\"35\"><time>2024-05-01T08:00:03Z</time></trkpt>\n"
        "<trkpt lat=\"91\" lon=\"139\"><time>2024-05-01T08:00:04Z</time></trkpt>\n"
        "</trkseg></trk>\n"
        "<rte><rtept lat=\"1\" lon=\"1\"><time>2024-05-01T08:00:00Z</time></rtept></rte>\n"));
    EXPECT_TRUE(stats.Recognised());
    EXPECT_TRUE(stats.xmlError.empty()) << stats.xmlError;
    EXPECT_EQ(stats.unreadPoints, 4);
    EXPECT_EQ(stats.invalidPoints, 1);
    ASSERT_EQ(Fixes(), 3);

    EXPECT_NEAR(Fix(0).DtTm, Utc(2024, 5, 1, 8, 0, 0.5), kMsDays / 10);
    EXPECT_EQ(Fix(0).ms, 500);
    EXPECT_DOUBLE_EQ(Fix(0).Ido, 35.5);
    EXPECT_DOUBLE_EQ(Fix(0).Kdo, -139.25);
    EXPECT_FLOAT_EQ(Fix(0).Elv, 12.5f);
    EXPECT_FLOAT_EQ(Fix(0).Spd, 36.0f);
    EXPECT_EQ(Fix(0).sat_used, 7);
    EXPECT_EQ(Fix(0).valid, 0);

    EXPECT_NEAR(Fix(1).DtTm, Utc(2024, 5, 1, 8, 0, 0.25), kMsDays / 10);
    EXPECT_FLOAT_EQ(Fix(1).Spd, 73.8f);
    EXPECT_EQ(Fix(1).Elv, 0);
    EXPECT_EQ(Fix(1).sat_used, kUnknownSatellites);
    EXPECT_NEAR(Fix(2).DtTm, Utc(2024, 5, 1, 8, 0, 1.5), kMsDays / 10);
    EXPECT_FLOAT_EQ(Fix(2).Spd, 3.6f);

    ASSERT_EQ(session_->log.LogBlockNum(), 2);
    EXPECT_EQ(session_->log.LogBlocks[0].RecNum, 2);
    EXPECT_EQ(Fix(2).BlkIdx, 1);
    EXPECT_EQ(session_->diagnostics.Lines(),
              (std::deque<std::string>{"GPX: 1 track points without a fix skipped",
                                       "GPX: 4 track points without position or time"}));
}

TEST_F(GpxLogTest, SpeedsFromPositionsWhereThePointsHaveNone) {
    // Due north 0.001 degree (111.1 m with the program's earth radius) every
    // 10 s; after a gap of two minutes a run of one point.
    const double km = 0.001 * std::numbers::pi / 180 * 6367.4445;
    Decode(
        Gpx("<trk><trkseg>"
            "<trkpt lat=\"35.000\" lon=\"139\"><time>2024-05-01T08:00:00Z</time></trkpt>"
            "<trkpt lat=\"35.001\" lon=\"139\"><time>2024-05-01T08:00:10Z</time></trkpt>"
            "<trkpt lat=\"35.002\" lon=\"139\"><time>2024-05-01T08:00:20Z</time>"
            "<speed>5</speed></trkpt>"
            "<trkpt lat=\"35.003\" lon=\"139\"><time>2024-05-01T08:00:30Z</time></trkpt>"
            "<trkpt lat=\"35.003\" lon=\"139\"><time>2024-05-01T08:02:30Z</time></trkpt>"
            "</trkseg></trk>"));
    ASSERT_EQ(Fixes(), 5);
    EXPECT_NEAR(Fix(0).Spd, km / 10 * 3600, 1e-3);  // to its one neighbour
    EXPECT_NEAR(Fix(1).Spd, 2 * km / 20 * 3600, 1e-3);
    EXPECT_FLOAT_EQ(Fix(2).Spd, 18.0f);             // its own
    EXPECT_NEAR(Fix(3).Spd, km / 10 * 3600, 1e-3);  // its neighbour in the run
    EXPECT_EQ(Fix(4).Spd, 0);                       // alone in its run
    EXPECT_EQ(session_->log.LogBlockNum(), 2);
}

TEST_F(GpxLogTest, TimesInEveryZoneNotation) {
    int64_t day = 0, ms = 0;
    const int64_t may1 = static_cast<int64_t>(EncodeDate(2024, 5, 1));
    struct Case {
        const char* text;
        int64_t day, ms;
    } cases[] = {
        {"2024-05-01T08:00:00Z", may1, 28800000},
        {"2024-05-01T08:00:00", may1, 28800000},
        {"2024-05-01t08:00:00.123456789z", may1, 28800123},
        {"2024-05-01T01:30:00+02:00", may1 - 1, 84600000},
        {"2024-05-01T22:00:00-0300", may1 + 1, 3600000},
        {"2024-05-01T08:00:00+09", may1 - 1, 82800000},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ParseGpxTime(c.text, day, ms)) << c.text;
        EXPECT_EQ(day, c.day) << c.text;
        EXPECT_EQ(ms, c.ms) << c.text;
    }
    for (const char* bad :
         {"", "2024-05-01", "2024-05-01 08:00:00Z", "2024-02-30T08:00:00Z", "2024-13-01T08:00:00Z",
          "2024-05-01T24:00:00Z", "2024-05-01T08:00:00+2", "2024-05-01T08:00:00+02:0",
          "2024-05-01T08:00:00.Z1", "2024-05-01T08:00:00ZZ", "2024/05/01T08:00:00Z"})
        EXPECT_FALSE(ParseGpxTime(bad, day, ms)) << bad;
}

TEST_F(GpxLogTest, TheSameFixesAsTheNmeaLogItWasConvertedFrom) {
    // The first 250 lines of a 25-Hz kart log, converted by another program.
    const std::vector<uint8_t> gpx =
        test::ReadBytes(test::TestDataDir() + "/gpx/long_lap_head.gpx");
    const GpxLogStats stats = Decode({gpx.begin(), gpx.end()});
    EXPECT_TRUE(stats.xmlError.empty()) << stats.xmlError;
    ASSERT_EQ(Fixes(), 249);
    const std::vector<TLogItem> fromGpx(session_->log.LogItems.data(),
                                        session_->log.LogItems.data() + Fixes());

    const std::vector<uint8_t> nmea =
        test::ReadBytes(test::TestDataDir() + "/nmea/gps_race_data_long_lap.nmea");
    std::string head(nmea.begin(), nmea.end());
    size_t end = 0;
    for (int line = 0; line < 250; ++line)
        end = head.find('\n', end) + 1;
    session_->log.Reset();
    DecodeNmeaText(Target(), head.substr(0, end), 0);
    ASSERT_EQ(Fixes(), 249);
    double speedError = 0;
    for (int i = 0; i < Fixes(); ++i) {
        EXPECT_EQ(fromGpx[i].DtTm, Fix(i).DtTm) << i;
        EXPECT_EQ(fromGpx[i].ms, Fix(i).ms);
        EXPECT_NEAR(fromGpx[i].Ido, Fix(i).Ido, 1e-9);
        EXPECT_NEAR(fromGpx[i].Kdo, Fix(i).Kdo, 1e-9);
        speedError += std::fabs(fromGpx[i].Spd - Fix(i).Spd);
    }
    // Walked from 25-Hz positions, the speeds follow the receiver's own.
    EXPECT_LT(speedError / Fixes(), 1.5);
}

TEST_F(GpxLogTest, ChunksOfAnySizeGiveTheSameFixes) {
    synth::DriveOptions options;
    options.laps = 0;
    options.gaps = {synth::Stop{0, 90}};
    const synth::Drive drive = synth::SynthesizeDrive(synth::DemoCircuit(), options);
    const std::string text = synth::EncodeGpxLog(drive.fixes, {.speeds = false});
    Decode(text);
    const int count = Fixes();
    ASSERT_EQ(static_cast<size_t>(count), drive.fixes.size());
    EXPECT_EQ(session_->log.LogBlockNum(), 2);
    const std::vector<TLogItem> whole(session_->log.LogItems.data(),
                                      session_->log.LogItems.data() + count);
    for (size_t size : {size_t{1}, size_t{3}, size_t{1000}}) {
        session_->log.Reset();
        GpxLogDecoder decoder(Target());
        for (size_t at = 0; at < text.size(); at += size)
            decoder.Feed(std::string_view(text).substr(at, size));
        EXPECT_TRUE(decoder.Finish().xmlError.empty());
        ASSERT_EQ(Fixes(), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(Fix(i).DtTm, whole[i].DtTm);
            EXPECT_EQ(Fix(i).Kdo, whole[i].Kdo);
            EXPECT_EQ(Fix(i).Spd, whole[i].Spd);
        }
    }
}

using GpxOpenLogTest = GpxLogTest;

TEST_F(GpxOpenLogTest, CutDocumentsKeepTheirPointsAndOtherDocumentsAreRefused) {
    std::string track = "<trk><trkseg>";
    for (int i = 0; i < 3; ++i)
        track += "<trkpt lat=\"35\" lon=\"139\"><time>2024-05-01T08:00:0" + std::to_string(i) +
                 "Z</time></trkpt>\n";
    const std::string whole = Gpx(track + "</trkseg></trk>");
    LoadLogResult r = Open("whole.GPX", whole);
    EXPECT_TRUE(r.proceed);
    EXPECT_EQ(r.kind, LogFileKind::Gpx);
    EXPECT_EQ(Fixes(), 3);

    // Cut in the third point: two points and where the parser stopped.
    r = Open("cut.gpx", whole.substr(0, whole.find("<trkpt", whole.find("08:00:01")) + 20));
    EXPECT_TRUE(r.proceed);
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(Fixes(), 2);
    ASSERT_EQ(session_->diagnostics.Lines().size(), 2u);
    EXPECT_EQ(session_->diagnostics.Lines()[1].substr(0, 24), "GPX: read up to line 6: ");

    const std::string others[] = {
        "<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\"></kml>",
        "$GPRMC,080000.00,A,3500.000,N,13900.000,E,10,0,010524,,*00\r\n",
        "",
        "<gpx",
        std::string("\xEF\xBB\xBF\x00\x01", 5),
    };
    for (const std::string& other : others) {
        Open("first.gpx", whole);
        r = Open("other.gpx", other);
        EXPECT_FALSE(r.proceed);
        EXPECT_EQ(r.message, "It is not a Quorvane log format.");
        EXPECT_EQ(Fixes(), 0);
        EXPECT_TRUE(session_->diagnostics.Lines().empty());
    }
}

}  // namespace
}  // namespace qv
