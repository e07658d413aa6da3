// `quorvane-cli corners` as a user runs it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "synth/bnx4_encoder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"

namespace qv {
namespace {

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');)
        cells.push_back(cell);
    if (!line.empty() && line.back() == ',')
        cells.emplace_back();
    return cells;
}

// A session of four flying laps at 10 Hz; the third brakes 15 m early into
// the first corner. Laps of the log: 0 the out-lap, 1 to 4 the flying laps.
class CliCornersTest : public ::testing::Test {
  protected:
    CliCornersTest() {
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::SessionOptions o;
        o.rateHz = 10;
        o.stints = {4};
        std::vector<synth::CornerPlan> late(7);
        late[0].brakeEarlierM = 15;
        o.plannedLaps = {{}, {}, late, {}};
        const synth::Drive drive = synth::SynthesizeSession(circuit, synth::PitLane{}, o);
        log = (dir / "day.bnx4").string();
        test::WriteBytes(log, synth::EncodeBnx4Image(drive.fixes));
        const synth::CircuitFilesResult files = synth::WriteCircuitFiles(circuit, dir.path(), "c");
        EXPECT_TRUE(files.ok);
        lineOptions = " --cln '" + files.paths.cln.string() + "'";
    }
    std::string Lap(int n) const { return " '" + log + ":" + std::to_string(n) + "'"; }

    test::TempDir dir;
    std::string log, lineOptions;
};

TEST_F(CliCornersTest, SortedTableLeadsWithTheEarlyBrakingAndAddsUp) {
    const test::CliOutput r =
        test::RunCliProcess("corners" + Lap(2) + Lap(3) + lineOptions + " --sorted");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0].rfind("Corner,Dir,Slot,Time lost (s),Brake (m),Brakes later (m)", 0), 0u);
    const std::vector<std::string> top = Cells(r.lines[1]);
    ASSERT_GE(top.size(), 6u);
    EXPECT_EQ(top[0], "T1");
    EXPECT_EQ(top[1], "R");
    EXPECT_EQ(top[2], "B");
    EXPECT_NEAR(std::atof(top[5].c_str()), -15, 2);
    double sum = 0;
    for (size_t k = 1; k + 1 < r.lines.size(); ++k)
        sum += std::atof(Cells(r.lines[k])[3].c_str());
    const std::vector<std::string> total = Cells(r.lines.back());
    EXPECT_EQ(total[0], "Total");
    EXPECT_NEAR(sum, std::atof(total[3].c_str()), 1e-9);
    EXPECT_GT(std::atof(total[3].c_str()), 0.2);
}

TEST_F(CliCornersTest, ByPositionGivesEveryComparisonLapItsRows) {
    const test::CliOutput r =
        test::RunCliProcess("corners" + Lap(2) + Lap(3) + Lap(4) + lineOptions + " --by-position");
    ASSERT_EQ(r.status, 0) << r.err;
    int b = 0, c = 0, totals = 0;
    for (size_t k = 1; k < r.lines.size(); ++k) {
        const std::vector<std::string> cells = Cells(r.lines[k]);
        totals += cells[0] == "Total";
        b += cells[2] == "B" && cells[0] != "Total";
        c += cells[2] == "C" && cells[0] != "Total";
    }
    EXPECT_EQ(totals, 2);
    EXPECT_GE(b, 7);
    EXPECT_EQ(b, c);
}

TEST_F(CliCornersTest, BadArgumentsAreRefused) {
    const struct {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"corners" + lineOptions, 2, "corners takes one to four laps"},
        {"corners" + Lap(1) + Lap(2) + Lap(3) + Lap(4) + Lap(1) + lineOptions, 2,
         "corners takes one to four laps"},
        {"corners" + Lap(1) + " --by-distance" + lineOptions, 2, "--by-distance"},
        {"corners '" + (dir / "none.bnx4").string() + ":1'", 1, "none.bnx4"},
        {"corners" + Lap(9) + lineOptions, 1, ""},
    };
    for (const auto& c : cases) {
        const test::CliOutput r = test::RunCliProcess(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty() || r.out.find("usage") != std::string::npos) << c.args;
    }
}

TEST_F(CliCornersTest, OneLapPrintsTheHeaderOnly) {
    const test::CliOutput r = test::RunCliProcess("corners" + Lap(2) + lineOptions);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].rfind("Corner,", 0), 0u);
}

}  // namespace
}  // namespace qv
