// `quorvane-cli lap` and `compare` as a user runs them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "synth/bnx4_encoder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/lap_files.h"

namespace qv {
namespace {

using Output = test::CliOutput;

Output RunCli(const std::string& args, const std::string& env = "") {
    return test::RunCliProcess(args, env);
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& l : lines) {
        if (l.find(text) != std::string::npos)
            return true;
    }
    return false;
}

// Three flying laps of the demo circuit with a 15 s pit stop right after
// the second lap, and the circuit's control line and three gates.
class CliCompareTest : public ::testing::Test {
  protected:
    CliCompareTest() {
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 3;
        options.pitStops = {synth::Stop{2, 15}};
        drive = synth::SynthesizeDrive(circuit, options);
        log = (dir / "day.bnx4").string();
        test::WriteBytes(log, synth::EncodeBnx4Image(drive.fixes));
        const synth::CircuitFilesResult files = synth::WriteCircuitFiles(circuit, dir.path(), "c");
        EXPECT_TRUE(files.ok);
        lineOptions = " --cln '" + files.paths.cln.string() + "' --sci '" +
                      files.paths.sci.string() + "' --min-lap-dist 0.25";
    }

    test::TempDir dir;
    synth::Drive drive;
    std::string log, lineOptions;
};

TEST_F(CliCompareTest, SlotsTablesAndTheTimeLostInThePit) {
    // Laps 0 and 2 of the log: the first and third flying laps.
    const Output r = RunCli("compare '" + log + ":0' '" + log + ":2'" + lineOptions + " --at 20");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.lines, "slot A sectors: [0000], "));
    EXPECT_TRUE(Contains(r.lines, "slot B sectors: [0002], "));
    EXPECT_TRUE(Contains(r.lines, "-S1 Time\t-S1 Length"));
    EXPECT_TRUE(Contains(r.lines, "S3- Time"));
    const double lost = (drive.crossingUtcMs[3] - drive.crossingUtcMs[2] -
                         (drive.crossingUtcMs[1] - drive.crossingUtcMs[0])) /
                        1000;
    ASSERT_GT(lost, 15);
    bool gateLine = false;
    for (const std::string& l : r.lines) {
        if (l.rfind("  gate 1 at ", 0) == 0) {
            gateLine = true;
            EXPECT_NEAR(std::stod(l.substr(l.find(": ") + 2)), lost, 0.05) << l;
        }
    }
    EXPECT_TRUE(gateLine);
    EXPECT_TRUE(Contains(r.lines, "slot,time_s,lat,lon"));
    EXPECT_TRUE(Contains(r.lines, "A,20.000,"));
    EXPECT_TRUE(Contains(r.lines, "B,20.000,"));

    // Aligned at gate 1 the pit stop no longer counts after the gate.
    const Output aligned =
        RunCli("compare '" + log + ":0' '" + log + ":2'" + lineOptions + " --align-gate 1");
    ASSERT_EQ(aligned.status, 0) << aligned.err;
    for (const std::string& l : aligned.lines) {
        if (l.rfind("  gate 2 at ", 0) == 0) {
            EXPECT_NEAR(std::stod(l.substr(l.find(": ") + 2)), 0, 0.05) << l;
        }
    }
}

TEST_F(CliCompareTest, LapExportOfALogLapAndOfALapFile) {
    const Output fromLog = RunCli("lap '" + log + ":1'" + lineOptions);
    ASSERT_EQ(fromLog.status, 0) << fromLog.err;
    EXPECT_EQ(fromLog.lines[0].rfind("Sec,Time,Latitude,Longitude,Distance(km)", 0), 0u);
    EXPECT_GT(fromLog.lines.size(), 500u);  // 10 Hz over a minute

    const std::string dtb = (dir / "one.dtb").string();
    ASSERT_TRUE(synth::WriteDtbFile(dtb, synth::LapSamplesOfFixes(drive.fixes, 25569.0)).ok);
    const Output fromFile = RunCli("lap '" + dtb + "'");
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.lines.size(), drive.fixes.size() + 1);

    EXPECT_EQ(RunCli("lap '" + log + ":9'" + lineOptions).status, 1);  // no such lap
    EXPECT_EQ(RunCli("lap '" + (dir / "none.dtb").string() + "'").status, 1);
    EXPECT_EQ(RunCli("lap a.dtb b.dtb").status, 2);
    EXPECT_EQ(RunCli("compare a.dtb b.dtb c.dtb d.dtb e.dtb").status, 2);
    EXPECT_EQ(RunCli("compare a.dtb --align-gate 7").status, 2);
    EXPECT_EQ(RunCli("compare --help").status, 0);
}

}  // namespace
}  // namespace qv
