// `quorvane-cli laps` as a user runs it: real process, real files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "synth/bnx4_encoder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/lap_files.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

using Output = test::CliOutput;

Output RunCli(const std::string& args, const std::string& env = "") {
    return test::RunCliProcess(args, env);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    return fields;
}

class CliLapsTest : public ::testing::Test {
  protected:
    CliLapsTest() {
        circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 3;
        options.gaps = {synth::Stop{1, 300}};
        drive = synth::SynthesizeDrive(circuit, options);
        log = (dir / "track day.bnx4").string();
        test::WriteBytes(log, synth::EncodeBnx4Image(drive.fixes));
        line = std::to_string(circuit.lineA.lat) + "," + std::to_string(circuit.lineA.lon) + "," +
               std::to_string(circuit.lineB.lat) + "," + std::to_string(circuit.lineB.lon);
    }
    std::string Quoted(const std::string& path) const { return "'" + path + "'"; }

    test::TempDir dir;
    synth::Circuit circuit;
    synth::Drive drive;
    std::string log;
    std::string line;
};

TEST_F(CliLapsTest, PrintsTheLapListOfEveryFileInTurn) {
    const Output r = RunCli("laps " + Quoted(log) + " " + Quoted(log) + " --line " + line +
                            " --min-lap-dist 0.25");
    ASSERT_EQ(r.status, 0) << r.err;
    // Header and three laps per file (lap 2 runs through the gap).
    ASSERT_EQ(r.lines.size(), 7u);
    EXPECT_EQ(r.lines[0].substr(0, 46), "Data Name,Data No.,Date,Time,Lap Time,TopSpeed");
    const std::vector<std::string> first = Fields(r.lines[1]);
    ASSERT_EQ(first.size(), 22u);  // 20 columns, two of them split at "("
    EXPECT_EQ(first[1], "0000");
    EXPECT_EQ(first[7], "track day");
    const double lapSec = (drive.crossingUtcMs[1] - drive.crossingUtcMs[0]) / 1000;
    ASSERT_EQ(first[4].size(), 8u);  // m:ss.zzz
    EXPECT_NEAR(std::stoi(first[4].substr(0, 1)) * 60 + std::stod(first[4].substr(2)), lapSec,
                0.002);
    EXPECT_EQ(Fields(r.lines[4])[1], "0003");
    EXPECT_EQ(Fields(r.lines[4])[21], "1");  // the second file's group
}

TEST_F(CliLapsTest, RunsAndThresholdsFromTheOptions) {
    // Only the second run: from where it starts to the line, and the last lap.
    const Output second =
        RunCli("laps " + Quoted(log) + " --line " + line + " --blocks 2 --min-lap-dist 0.25");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.lines.size(), 3u);
    // A minimum lap time above every lap leaves only the one through the gap.
    const Output strict =
        RunCli("laps " + Quoted(log) + " --line " + line + " --min-lap-time 99.9");
    EXPECT_EQ(strict.lines.size(), 2u);
    // Without a line the whole log is one lap.
    const Output whole = RunCli("laps " + Quoted(log));
    EXPECT_EQ(whole.lines.size(), 2u);
}

TEST_F(CliLapsTest, StartAndFinishLines) {
    // The finish halfway round, across the track: one run from every start
    // crossing that reaches it (the last crossing ends the drive).
    const size_t mid = circuit.points.size() / 2;
    const synth::LatLon a = circuit.points[mid], b = circuit.points[mid + 1];
    const double dLat = b.lat - a.lat, dLon = b.lon - a.lon;
    const double scale = 0.0003 / std::hypot(dLat, dLon);
    const std::string finish =
        std::to_string(a.lat - dLon * scale) + "," + std::to_string(a.lon + dLat * scale) + "," +
        std::to_string(a.lat + dLon * scale) + "," + std::to_string(a.lon - dLat * scale);
    const Output r = RunCli("laps " + Quoted(log) + " --start " + line + " --finish " + finish);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(drive.crossingUtcMs.size(), 4u);
    EXPECT_EQ(r.lines.size(), 4u);
}

// Shipped folders holding the circuit's control line, and empty user
// folders; `env` points the CLI at both.
struct CircuitFolders {
    explicit CircuitFolders(const synth::Circuit& circuit) {
        for (const char* sub : {"Raw", "Sector", "ControlLine", "Circuit", "Data"})
            std::filesystem::create_directories(shipped / sub);
        written = synth::WriteCircuitFiles(circuit, shipped / "ControlLine", "here").ok;
        env = "QUORVANE_DATA_DIR='" + (home / "data").string() + "' QUORVANE_DOCUMENTS_DIR='" +
              (home / "docs").string() + "' QUORVANE_SHIPPED_DIR='" + shipped.path().string() + "'";
    }
    test::TempDir shipped;
    test::TempDir home;
    bool written = false;
    std::string env;
};

TEST_F(CliLapsTest, AutoCircuitFindsTheControlLineInTheUserFolders) {
    const CircuitFolders folders(circuit);
    ASSERT_TRUE(folders.written);
    const std::string& env = folders.env;
    const Output found = RunCli("laps " + Quoted(log) + " --auto-circuit --min-lap-dist 0.25", env);
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.lines.size(), 4u);  // the same three laps as with --line
}

// m:ss.zzz of a lap-list row, in seconds.
double LapSeconds(const std::string& row) {
    const std::string time = Fields(row)[4];
    return std::stoi(time.substr(0, time.find(':'))) * 60 +
           std::stod(time.substr(time.find(':') + 1));
}

// A VBO log whose [laptiming] section names its start line is cut at it; the
// line stays with that log, so the next log on the command line still finds
// its circuit in the user folders.
TEST_F(CliLapsTest, LogFileStartLineCutsThatLogOnly) {
    const CircuitFolders folders(circuit);
    ASSERT_TRUE(folders.written);
    const std::string& env = folders.env;

    // The circuit moved 22 km north, beyond every circuit file.
    synth::Circuit far = circuit;
    for (synth::LatLon& p : far.points)
        p.lat += 0.2;
    far.lineA.lat += 0.2;
    far.lineB.lat += 0.2;
    synth::DriveOptions options;
    options.laps = 3;
    const synth::Drive farDrive = synth::SynthesizeDrive(far, options);
    // Minutes, the longitude positive to the west as in the data rows.
    const auto minutes = [](double degrees) {
        char text[32];
        std::snprintf(text, sizeof text, "%+.6f", degrees * 60);
        return std::string(text);
    };
    std::string vbo = synth::EncodeVboLog(farDrive.fixes);
    const size_t columns = vbo.find("[column names]");
    ASSERT_NE(columns, std::string::npos);
    vbo.insert(columns, "[laptiming]\r\nStart " + minutes(far.lineA.lat) + " " +
                            minutes(-far.lineA.lon) + " " + minutes(far.lineB.lat) + " " +
                            minutes(-far.lineB.lon) + "\r\n\r\n");
    const std::string farLog = (dir / "far.vbo").string();
    std::ofstream(farLog, std::ios::binary) << vbo;

    const Output r = RunCli(
        "laps " + Quoted(farLog) + " " + Quoted(log) + " --auto-circuit --min-lap-dist 0.25", env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("far: control line from the log file "), std::string::npos) << r.err;
    // The far log's flying laps take their true time; the home log gives
    // the three laps its own circuit line cuts, as on its own.
    const double lapSec = (farDrive.crossingUtcMs[1] - farDrive.crossingUtcMs[0]) / 1000;
    int farLaps = 0, homeLaps = 0;
    for (size_t k = 1; k < r.lines.size(); ++k) {
        const std::vector<std::string> row = Fields(r.lines[k]);
        if (row[7] == "far") {
            EXPECT_EQ(homeLaps, 0);
            if (farLaps++ < options.laps) {
                EXPECT_NEAR(LapSeconds(r.lines[k]), lapSec, 0.002) << r.lines[k];
            }
        } else {
            ++homeLaps;
        }
    }
    EXPECT_GE(farLaps, options.laps);
    EXPECT_EQ(homeLaps, 3);
}

TEST_F(CliLapsTest, SuggestedLineOnlyWhenNoneIsGivenOrFound) {
    test::TempDir shipped;
    for (const char* sub : {"Raw", "Sector", "ControlLine", "Circuit", "Data"})
        std::filesystem::create_directories(shipped / sub);
    test::TempDir home;
    const std::string env = "QUORVANE_DATA_DIR='" + (home / "data").string() +
                            "' QUORVANE_DOCUMENTS_DIR='" + (home / "docs").string() +
                            "' QUORVANE_SHIPPED_DIR='" + shipped.path().string() + "'";
    // Five laps without a break, so that most laps are whole at any line.
    synth::DriveOptions five;
    five.laps = 5;
    five.noiseM = 0.5;
    const synth::Drive plain = synth::SynthesizeDrive(circuit, five);
    const std::string kart = (dir / "kart.bnx4").string();
    test::WriteBytes(kart, synth::EncodeBnx4Image(plain.fixes));
    const std::string options = " --auto-circuit --suggest-line --min-lap-dist 0.25";
    const Output suggested = RunCli("laps " + Quoted(kart) + options, env);
    ASSERT_EQ(suggested.status, 0) << suggested.err;
    const std::string told = "suggested control line ";
    const size_t at = suggested.err.find(told);
    ASSERT_NE(at, std::string::npos) << suggested.err;
    const std::string given = suggested.err.substr(
        at + told.size(), suggested.err.find(' ', at + told.size()) - at - told.size());
    // The laps are cut at the line told: the same laps as with it given.
    const Output again =
        RunCli("laps " + Quoted(kart) + " --line " + given + " --min-lap-dist 0.25");
    ASSERT_EQ(again.status, 0) << again.err;
    ASSERT_EQ(again.lines.size(), suggested.lines.size());
    ASSERT_GE(suggested.lines.size(), 5u);
    const double lapSec = (plain.crossingUtcMs[1] - plain.crossingUtcMs[0]) / 1000;
    int flying = 0;
    for (size_t k = 1; k < suggested.lines.size(); ++k) {
        EXPECT_NEAR(LapSeconds(suggested.lines[k]), LapSeconds(again.lines[k]), 0.002);
        flying += std::abs(LapSeconds(suggested.lines[k]) - lapSec) < 0.04;
    }
    EXPECT_GE(flying, 4);

    // A control line near the log wins; nothing is suggested.
    ASSERT_TRUE(synth::WriteCircuitFiles(circuit, shipped / "ControlLine", "here").ok);
    test::TempDir fresh;
    const std::string withCircuit = "QUORVANE_DATA_DIR='" + (fresh / "data").string() +
                                    "' QUORVANE_DOCUMENTS_DIR='" + (fresh / "docs").string() +
                                    "' QUORVANE_SHIPPED_DIR='" + shipped.path().string() + "'";
    const Output found = RunCli("laps " + Quoted(kart) + options, withCircuit);
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.err.find(told), std::string::npos);
    EXPECT_EQ(found.lines.size(), 6u);  // the five laps at the circuit's own line, and the in-lap

    EXPECT_EQ(RunCli("laps " + Quoted(kart) + " --suggest-line --line " + line).status, 2);

    // One more column, the band of each lap, and nothing else changes.
    const Output banded =
        RunCli("laps " + Quoted(kart) + " --uncertainty --line " + given + " --min-lap-dist 0.25");
    ASSERT_EQ(banded.status, 0) << banded.err;
    ASSERT_EQ(banded.lines.size(), again.lines.size());
    for (size_t k = 0; k < banded.lines.size(); ++k) {
        const std::string& row = banded.lines[k];
        const size_t comma = row.rfind(',');
        EXPECT_EQ(row.substr(0, comma), again.lines[k]);
        if (k == 0) {
            EXPECT_EQ(row.substr(comma + 1), "Lap Time +- ms");
        } else {
            EXPECT_GT(std::stoi(row.substr(comma + 1)), 0);
        }
    }
}

TEST_F(CliLapsTest, LapDataFilesOpenAsLogs) {
    // The drive saved as one record file: info reads it, laps cuts it again.
    const std::string dtb = (dir / "record.dtb").string();
    ASSERT_TRUE(synth::WriteDtbFile(dtb, synth::LapSamplesOfFixes(drive.fixes, 25569.0)).ok);
    const Output info = RunCli("info '" + dtb + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    bool kindShown = false, countShown = false;
    for (const std::string& l : info.lines) {
        kindShown |= l == "kind: dtb (lap data file)";
        countShown |= l == std::to_string(drive.fixes.size()) + " records";
    }
    EXPECT_TRUE(kindShown);
    EXPECT_TRUE(countShown);
    const Output laps =
        RunCli("laps '" + dtb + "' --blocks all --line " + line + " --min-lap-dist 0.25");
    ASSERT_EQ(laps.status, 0) << laps.err;
    EXPECT_EQ(laps.lines.size(), 4u);
    EXPECT_EQ(Fields(laps.lines[1])[7], "record");
}

TEST_F(CliLapsTest, NoLapKeptGivesTheHeaderAndWhyEachCandidateWasCut) {
    const Output kept = RunCli("laps " + Quoted(log) + " --line " + line);
    ASSERT_EQ(kept.status, 0) << kept.err;
    const Output r = RunCli("laps " + Quoted(log) + " --line " + line + " --min-lap-dist 9.999");
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0], kept.lines[0]);
    // The out-lap and three laps are too short; the in-lap, 150 m, is over
    // before the minimum lap time.
    ASSERT_EQ(drive.crossingUtcMs.size(), 4u);
    std::vector<std::string> err;
    std::istringstream in(r.err);
    for (std::string l; std::getline(in, l);)
        err.push_back(l);
    ASSERT_EQ(err.size(), 6u) << r.err;
    EXPECT_EQ(err[0], "quorvane-cli: 5 candidate laps were cut; none was kept:");
    for (size_t k = 1; k < err.size(); ++k) {
        EXPECT_TRUE(err[k].starts_with("  track day.bnx4, lap from ")) << err[k];
        EXPECT_TRUE(err[k].ends_with(k < 5 ? ": below the minimum distance of 9.999 km"
                                           : ": below the minimum lap time of 8.0 s"))
            << err[k];
    }
}

// A rectangle driven at 72 km/h and 5 Hz, east along its south side: a
// north-south control line halfway along the south side and a sector gate
// at the same longitude on the north side, half a lap (30 s) further on.
// Every lap starts on the control line, on the gate's extension.
TEST(CliSectorsTest, AGateInLineWithTheControlLineIsTimedWhereTheLapCrossesIt) {
    const double mPerDegLat = 6367444.5 * std::numbers::pi / 180;
    const double mPerDegLon = mPerDegLat * std::cos(35 * std::numbers::pi / 180);
    const double width = 400, height = 200, lap = 2 * (width + height);
    auto at = [&](double s, synth::SynthFix& fix) {
        s = std::fmod(s, lap);
        double east = 0, north = 0;
        if (s < width) {
            east = s, fix.compassDeg = 90;
        } else if (s < width + height) {
            east = width, north = s - width, fix.compassDeg = 0;
        } else if (s < 2 * width + height) {
            east = 2 * width + height - s, north = height, fix.compassDeg = 270;
        } else {
            north = lap - s, fix.compassDeg = 180;
        }
        fix.lat = 35 + north / mPerDegLat;
        fix.lon = 139.75 + (east - width / 2) / mPerDegLon;
    };
    // From 1 m past the south-west corner to 300 m past the third crossing.
    std::vector<synth::SynthFix> fixes;
    for (double s = 1; s <= width / 2 + 2 * lap + 300; s += 4) {
        synth::SynthFix& fix = fixes.emplace_back();
        fix.utcMs = 1714377600000 + static_cast<int64_t>(fixes.size() - 1) * 200;
        at(s, fix);
        fix.elv = 100;
        fix.spd = 72;
        fix.satUsed = 9;
        fix.satView = 12;
    }
    test::TempDir dir;
    const std::string log = (dir / "rectangle.bnx4").string();
    test::WriteBytes(log, synth::EncodeBnx4Image(fixes));
    const std::string sci = (dir / "gate.sci").string();
    std::ofstream(sci, std::ios::binary) << "35.001620,139.750000,35.001980,139.750000,1\r\n";

    const Output r = RunCli("laps '" + log + "' --blocks all --sci '" + sci +
                            "' --line 34.99982,139.75,35.00018,139.75 --min-lap-dist 0.5");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);  // the two laps; out-lap and in-lap are too short
    const std::vector<std::string> header = Fields(r.lines[0]);
    const size_t sector1 =
        static_cast<size_t>(std::find(header.begin(), header.end(), "Sector1") - header.begin());
    ASSERT_LT(sector1, header.size()) << r.lines[0];
    for (size_t row = 1; row < r.lines.size(); ++row) {
        const std::string cell = Fields(r.lines[row])[sector1];
        ASSERT_FALSE(cell.empty()) << r.lines[row];
        EXPECT_NEAR(std::stod(cell), 30, 0.002) << r.lines[row];
    }
}

TEST_F(CliLapsTest, BadInputAndUsage) {
    const Output missing = RunCli("laps " + Quoted(log) + " '" + (dir / "gone.bnx4").string() +
                                  "' --line " + line + " --min-lap-dist 0.25");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.lines.size(), 4u);  // the laps of the file that was there
    EXPECT_NE(missing.err.find("no such file"), std::string::npos);

    test::WriteBytes(dir / "cut.bnx4", std::vector<uint8_t>(5000, 0xFF));
    const Output refused = RunCli("laps '" + (dir / "cut.bnx4").string() + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("It is not a Quorvane log format."), std::string::npos);
    EXPECT_EQ(refused.lines.size(), 1u);  // the header only

    for (const char* bad : {"laps", "laps x.bnx4 --line 1,2,3", "laps x.bnx4 --line 1,2,1,2",
                            "laps x.bnx4 --start 1,2,3,4", "laps x.bnx4 --min-lap-time 0.5",
                            "laps x.bnx4 --min-lap-dist 10", "laps x.bnx4 --blocks 0",
                            "laps x.bnx4 --line 1,2,3,4 --cln f.cln", "laps x.bnx4 --bogus"}) {
        EXPECT_EQ(RunCli(bad).status, 2) << bad;
    }
    EXPECT_EQ(RunCli("laps --help").status, 0);
}

// Reading several logs shows a progress line on a terminal, redrawn in
// place; a message starts on a clean line; redirected output has none.
TEST(CliLaps, ProgressLineOnlyOnATerminal) {
    const std::string raw = test::ShippedDir() + "/Raw/";
    const std::string logs = "'" + raw + "demo.bnx4' /nonexistent.binx '" + raw + "demo.binx'";
    const Output shown = test::RunCliOnTerminal("laps " + logs);
    EXPECT_EQ(shown.status, 1);
    const std::string& err = shown.err;
    const size_t first = err.find("\r\033[Klaps: log 1 of 3: 0 B of 1.0 MiB, 0%");
    const size_t message = err.find("\r\033[Kquorvane-cli: /nonexistent.binx: no such file\r\n");
    const size_t last = err.find("\r\033[Klaps: log 3 of 3: 1.0 MiB of 1.0 MiB, 100%, ");
    ASSERT_NE(first, std::string::npos) << err;
    ASSERT_NE(message, std::string::npos) << err;
    ASSERT_NE(last, std::string::npos) << err;
    EXPECT_LT(first, message);
    EXPECT_LT(message, last);
    EXPECT_NE(err.find("0:00 left\r\n", last), std::string::npos) << err;

    const Output piped = RunCli("laps " + logs);
    EXPECT_EQ(piped.lines, shown.lines);
    EXPECT_EQ(piped.err, "quorvane-cli: /nonexistent.binx: no such file\n");
}

}  // namespace
}  // namespace qv
