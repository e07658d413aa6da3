#include "exchange/lap_csv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "app/session.h"
#include "laps/lap_file_io.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

constexpr double kPi = 3.14159265358979323846;
const double kMPerDeg = 6367444.5 * kPi / 180;

// A circle of `radiusM` driven anticlockwise at `kmh`, sampled at 10 Hz;
// `driftDeg` turns the logged heading away from the travel direction.
std::vector<TLapElmRec> CircleLap(double radiusM, double kmh, int samples, double driftDeg) {
    std::vector<TLapElmRec> lap;
    const double v = kmh / 3.6, lat0 = 35, lon0 = 139;
    for (int i = 0; i < samples; ++i) {
        const double t = i * 0.1, a = v * t / radiusM;
        TLapElmRec s;
        s.Sec = t;
        s.Tm = t / 86400;
        s.DtTm = 45000 + t / 86400;
        s.Ido = lat0 + radiusM * std::sin(a) / kMPerDeg;
        s.Kdo = lon0 - radiusM * (1 - std::cos(a)) / (kMPerDeg * std::cos(lat0 * kPi / 180));
        s.Spd = kmh;
        s.Dist = v * t / 1000;
        s.Elv = 50;
        // Starting north and turning west, the compass bearing is -a; the
        // program's heading is the bearing plus 180.
        double dir = std::fmod(180 - a * 180 / kPi + driftDeg + 720, 360);
        if (dir == 0 || dir == 180)
            dir += 1e-9;  // keep the logged heading
        s.Dir = dir;
        s.UseSat = 9;
        lap.push_back(s);
    }
    return lap;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    EXPECT_EQ(from, text.size());  // every line ends in CR LF
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string f;
    std::istringstream in(line);
    while (std::getline(in, f, ','))
        fields.push_back(f);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

TEST(LapCsvTest, CircleGivesItsLateralGAndTheFieldLayout) {
    const std::optional<std::string> text = LapCsvText(CircleLap(50, 72, 100, 0), false);
    ASSERT_TRUE(text);
    const std::vector<std::string> lines = Lines(*text);
    ASSERT_EQ(lines.size(), 101u);
    EXPECT_EQ(lines[0], kLapCsvHeader);
    const std::vector<std::string> first = Fields(lines[1]);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[0], "0.000");
    EXPECT_EQ(first[1], "00:00:00.000");
    EXPECT_EQ(first[2], "35.000000");
    EXPECT_EQ(first[6], "72.00");
    EXPECT_EQ(first[7], "");
    const std::vector<std::string> mid = Fields(lines[50]);
    ASSERT_EQ(mid.size(), 11u);
    EXPECT_EQ(mid[1], "00:00:04.900");
    // v^2 / (r g) for 20 m/s on 50 m, left turn positive.
    EXPECT_NEAR(std::stod(mid[8]), 400 / (50 * 9.80665), 0.02);
    EXPECT_NEAR(std::stod(mid[7]), 50, 1.5);
    EXPECT_NEAR(std::stod(mid[9]), 0, 0.02);
    EXPECT_EQ(Fields(lines.back()).size(), 10u);
}

TEST(LapCsvTest, DriftColumnOnlyForDriftRunsWithTheGraphShown) {
    const std::vector<TLapElmRec> drifting = CircleLap(50, 72, 60, 30);
    const std::vector<std::string> withDrift = Lines(*LapCsvText(drifting, true));
    EXPECT_EQ(withDrift[0], std::string(kLapCsvHeader) + kLapCsvDriftColumn);
    const std::vector<std::string> mid = Fields(withDrift[30]);
    ASSERT_EQ(mid.size(), 12u);
    EXPECT_NEAR(std::stod(mid[11]), 30, 1.0);
    EXPECT_EQ(Fields(withDrift[1]).size(), 12u);  // ",," then the angle

    EXPECT_EQ(Lines(*LapCsvText(drifting, false))[0], kLapCsvHeader);
    // Without logged headings the directions come from the positions, so
    // there is no drift to show.
    std::vector<TLapElmRec> noHeading = drifting;
    for (TLapElmRec& s : noHeading)
        s.Dir = 0;
    EXPECT_EQ(Lines(*LapCsvText(noHeading, true))[0], kLapCsvHeader);
    EXPECT_FALSE(LapCsvText(CircleLap(50, 72, 4, 0), false));
}

TEST(LapCsvTest, CommandsAskForTheFileAndWriteIt) {
    test::TempDir dir;
    auto session = std::make_unique<Session>(25569.0);
    session->folders.TempFolder = dir.path();
    session->folders.csvFolder = dir.path();
    LapRow row;
    row[0] = "20240503_0912";
    row[1] = "0000";
    session->laps.LapRows.push_back(row);
    session->laps.LapList.emplace_back();
    ASSERT_TRUE(WriteLapFile(TempLapFilePath(session->folders, 0), CircleLap(50, 72, 30, 0)).ok);
    test::ScriptedPrompter prompter;

    EXPECT_FALSE(SpeedButtonCsv2Click(*session, prompter, 1, false, false).written);  // no focus
    EXPECT_TRUE(prompter.shown.empty());
    prompter.files = {(dir / "lap.CSV").string()};
    const CsvSaveResult lap = SpeedButtonCsv2Click(*session, prompter, 1, true, false);
    ASSERT_TRUE(lap.written) << lap.error;
    EXPECT_EQ(prompter.shown[0].text, "Save lap data as CSV file");
    EXPECT_EQ(prompter.shown[0].request.proposedName, "20240503_0912_0000.csv");
    EXPECT_EQ(prompter.shown[0].request.filter, "CSV files|*.csv");
    EXPECT_EQ(lap.path, dir / "lap.csv");  // the extension is made exactly ".csv"
    EXPECT_EQ(test::ReadBytes(dir / "lap.csv").size(),
              LapCsvText(CircleLap(50, 72, 30, 0), false)->size());

    prompter.shown.clear();
    prompter.files = {(dir / "sub" / "list.csv").string()};
    std::filesystem::create_directory(dir / "sub");
    const CsvSaveResult list = SpeedButtonCsvClick(*session, prompter, 1);
    ASSERT_TRUE(list.written);
    EXPECT_EQ(prompter.shown[0].text, "Save list as CSV file");
    EXPECT_EQ(session->folders.csvFolder, dir / "sub");
    const std::vector<uint8_t> bytes = test::ReadBytes(dir / "sub" / "list.csv");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, 19), "Data Name,Data No.,");
    EXPECT_NE(text.find("\r\n20240503_0912,0000,"), std::string::npos);
    EXPECT_FALSE(SpeedButtonCsvClick(*session, prompter, 2).written);  // no lap in that row
}

}  // namespace
}  // namespace qv
