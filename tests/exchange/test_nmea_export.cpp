#include "exchange/nmea_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/session.h"
#include "core/local_time.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

TLapElmRec Sample(TDateTime local, double lat, double lon, double kmh) {
    TLapElmRec s;
    s.DtTm = local;
    s.Ido = lat;
    s.Kdo = lon;
    s.Spd = kmh;
    return s;
}

TEST(RmcSentenceTest, FieldsOfANorthEasternSample) {
    // 2 March 08:30 at UTC+9 is 1 March 23:30 UTC.
    const TDateTime local = EncodeDate(2026, 3, 2) + EncodeTime(8, 30, 0, 0);
    EXPECT_EQ(RmcSentence(Sample(local, 35.5, 139.75, 100), -540),
              "$GPRMC,233000.000,A,3530.000000,N,13945.000000,E,54.0,,010326,,,A*7A");
}

TEST(RmcSentenceTest, SouthernAndWesternSignsComeFromTheSample) {
    const TDateTime local = EncodeDate(2024, 12, 31) + EncodeTime(23, 59, 59, 999);
    EXPECT_EQ(RmcSentence(Sample(local, -33.8675, -70.6693, 0), 0),
              "$GPRMC,235959.999,A,3352.050000,S,7040.158000,W,0.0,,311224,,,A*7D");
    // Degrees times 100 plus minutes, without padding to ddmm.
    const std::string mixed = RmcSentence(Sample(local, 0.5, -0.25, 1.852), 60);
    EXPECT_NE(mixed.find(",A,30.000000,N,15.000000,W,1.0,,010125,"), std::string::npos) << mixed;
}

TEST(RmcSentenceTest, BiasOfASession) {
    EXPECT_EQ(BiasMinutesOf(LocalTimeBaseFromBias(-540)), -540);
    EXPECT_EQ(BiasMinutesOf(LocalTimeBaseFromBias(300)), 300);
    EXPECT_EQ(BiasMinutesOf(LocalTimeBaseFromBias(0)), 0);
}

TEST(NmeaTextTest, FewerThanFiveSamplesGiveNothing) {
    std::vector<TLapElmRec> lap(4, Sample(45000, 35, 139, 50));
    EXPECT_FALSE(NmeaText(lap, 0));
    lap.push_back(lap.back());
    const std::optional<std::string> text = NmeaText(lap, 0);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), 5 * (RmcSentence(lap[0], 0).size() + 2));
    EXPECT_EQ(text->substr(text->size() - 2), "\r\n");
}

// A lap at 20 Hz on a circle south of the equator, west of Greenwich.
std::vector<TLapElmRec> CircleLap(int samples) {
    std::vector<TLapElmRec> lap;
    const TDateTime start = EncodeDate(2025, 7, 14) + EncodeTime(10, 0, 59, 900);
    for (int k = 0; k < samples; ++k) {
        const double a = k * 0.01;
        lap.push_back(Sample(start + k * 0.05 / 86400, -34.6 + 0.01 * std::sin(a),
                             -58.4 + 0.01 * std::cos(a), 80 + k * 0.1));
    }
    return lap;
}

struct BabelPoint {
    double lat = 0, lon = 0;
    std::string date, time;
};

std::vector<BabelPoint> ReadWithGpsbabel(const std::filesystem::path& nmea) {
    const std::string command = "gpsbabel -t -i nmea -f '" + nmea.string() + "' -o unicsv -F -";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    EXPECT_EQ(pipe ? pclose(pipe) : -1, 0);
    std::vector<BabelPoint> points;
    // unicsv ends its lines in CR LF.
    std::erase(out, '\r');
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "No,Latitude,Longitude,Speed,Course,Date,Time");
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, ',');)
            f.push_back(s);
        if (f.size() != 7)
            continue;
        points.push_back({std::stod(f[1]), std::stod(f[2]), f[5], f[6]});
    }
    return points;
}

class NmeaCommandTest : public ::testing::Test {
  protected:
    NmeaCommandTest() : session(std::make_unique<Session>(LocalTimeBaseFromBias(-540))) {
        session->folders.TempFolder = dir.path();
        state.nmeaFolder = "/docs";
    }
    void AddRow(const std::vector<TLapElmRec>& samples) {
        ASSERT_TRUE(
            WriteLapFile(TempLapFilePath(session->folders, session->laps.LapNum()), samples).ok);
        NewLapRow row;
        row.dataName = "Run";
        AppendLapRow(session->laps, session->settings, row);
    }
    test::TempDir dir;
    std::unique_ptr<Session> session;
    test::ScriptedPrompter prompter;
    NmeaExportState state;
};

TEST_F(NmeaCommandTest, GpsbabelReadsBackEveryPoint) {
    const std::vector<TLapElmRec> lap = CircleLap(200);
    AddRow(lap);
    prompter.files.push_back((dir / "out").string());
    const NmeaSaveResult r = SpeedButtonNMEAClick(*session, prompter, state, 1, true);
    ASSERT_TRUE(r.written) << r.error;
    EXPECT_EQ(r.path, dir / "out.nmea");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].request.title, "Save lap data as NMEA file");
    EXPECT_EQ(prompter.shown[0].request.proposedName, "Run_0000.nmea");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, "/docs");
    EXPECT_EQ(state.nmeaFolder, dir.path());

    const std::vector<BabelPoint> points = ReadWithGpsbabel(r.path);
    ASSERT_EQ(points.size(), lap.size());
    for (size_t k = 0; k < lap.size(); ++k) {
        // Local 10:00:59.900 at UTC+9 is 01:00:59.900 UTC, 50 ms a sample.
        const int ms = 59900 + static_cast<int>(k) * 50;
        char expected[32];
        std::snprintf(expected, sizeof expected, "01:%02d:%02d", ms / 60000, ms / 1000 % 60);
        std::string time = expected;
        if (ms % 1000 != 0)
            time += "." + std::to_string(1000 + ms % 1000).substr(1);
        EXPECT_EQ(points[k].time, time) << k;
        EXPECT_EQ(points[k].date, "2025/07/14") << k;
        // unicsv shows six decimals of a degree; we write a millionth of a minute.
        EXPECT_NEAR(points[k].lat, double(Float80(lap[k].Ido)), 5.2e-7) << k;
        EXPECT_NEAR(points[k].lon, double(Float80(lap[k].Kdo)), 5.2e-7) << k;
    }
}

TEST_F(NmeaCommandTest, UnusableSourcesWriteNothing) {
    AddRow(CircleLap(4));
    prompter.files.push_back((dir / "a.nmea").string());
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 1, true).written);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.nmea"));

    // A temporary file that is not a whole number of records.
    AddRow(CircleLap(10));
    std::filesystem::resize_file(TempLapFilePath(session->folders, 1), 10 * 128 + 5);
    prompter.files.push_back((dir / "b.nmea").string());
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 2, true).written);
    EXPECT_FALSE(std::filesystem::exists(dir / "b.nmea"));

    std::filesystem::remove(TempLapFilePath(session->folders, 1));
    prompter.files.push_back((dir / "c.nmea").string());
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 2, true).written);
    EXPECT_TRUE(prompter.Messages().empty());
}

TEST_F(NmeaCommandTest, NoFocusOrNoRowAsksNothing) {
    AddRow(CircleLap(10));
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 1, false).written);
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 0, true).written);
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 2, true).written);
    session->laps.LapRows[0][1].clear();
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 1, true).written);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(NmeaCommandTest, ExistingFileIsReplacedOnlyOnYes) {
    AddRow(CircleLap(10));
    test::WriteBytes(dir / "lap.nmea", {'x'});
    prompter.files.push_back((dir / "lap.NMEA").string());
    prompter.answers.push_back(false);
    EXPECT_FALSE(SpeedButtonNMEAClick(*session, prompter, state, 1, true).written);
    EXPECT_EQ(test::ReadBytes(dir / "lap.nmea"), std::vector<uint8_t>{'x'});
    prompter.files.push_back((dir / "lap.nmea").string());
    prompter.answers.push_back(true);
    EXPECT_TRUE(SpeedButtonNMEAClick(*session, prompter, state, 1, true).written);
    const std::vector<uint8_t> bytes = test::ReadBytes(dir / "lap.nmea");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(text.starts_with("$GPRMC,"));
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(lines, 10u);
}

}  // namespace
}  // namespace qv
