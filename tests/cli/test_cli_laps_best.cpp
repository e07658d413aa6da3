// `quorvane-cli laps --best`: the achievable best lap and the consistency
// after the lap list, which stays as it was.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "synth/bnx4_encoder.h"
#include "synth/drive.h"

namespace qv {
namespace {

class CliLapsBestTest : public ::testing::Test {
  protected:
    CliLapsBestTest() {
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 4;
        drive = synth::SynthesizeDrive(circuit, options);
        log = (dir / "four laps.bnx4").string();
        test::WriteBytes(log, synth::EncodeBnx4Image(drive.fixes));
        // The short run-up and run-out are no laps at this distance.
        args = "laps '" + log + "' --min-lap-dist 0.25 --line " +
               std::to_string(circuit.lineA.lat) + "," + std::to_string(circuit.lineA.lon) + "," +
               std::to_string(circuit.lineB.lat) + "," + std::to_string(circuit.lineB.lon);
    }
    double TrueLapSeconds() const {
        return (drive.crossingUtcMs[2] - drive.crossingUtcMs[1]) / 1000;
    }

    test::TempDir dir;
    synth::Drive drive;
    std::string log;
    std::string args;
};

double Seconds(const std::string& text) {
    const size_t colon = text.find(':');
    return colon == std::string::npos
               ? std::stod(text)
               : std::stoi(text.substr(0, colon)) * 60 + std::stod(text.substr(colon + 1));
}

TEST_F(CliLapsBestTest, ReportFollowsTheUnchangedList) {
    for (const std::string extra : {"", " --uncertainty"}) {
        SCOPED_TRACE(extra);
        const test::CliOutput plain = test::RunCliProcess(args + extra);
        const test::CliOutput best = test::RunCliProcess(args + extra + " --best");
        ASSERT_EQ(plain.status, 0) << plain.err;
        ASSERT_EQ(best.status, 0) << best.err;
        ASSERT_EQ(plain.lines.size(), 5u);  // the header and four flying laps
        ASSERT_GT(best.out.size(), plain.out.size());
        EXPECT_EQ(best.out.substr(0, plain.out.size()), plain.out);
        EXPECT_EQ(best.err, plain.err);
    }
}

TEST_F(CliLapsBestTest, AchievableLapAndConsistencyOfEqualLaps) {
    const test::CliOutput r = test::RunCliProcess(args + " --best");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GE(r.lines.size(), 9u);
    EXPECT_EQ(r.lines[5], "");
    const std::regex head(
        "Achievable best lap ([0-9:.]+): ([-+][0-9.]+) s to the best lap (\\d{4}) "
        "\\(([0-9:.]+)\\), "
        "in (one piece|\\d+ pieces)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.lines[6], m, head)) << r.lines[6];
    // Four laps on one line at one pace: nothing to gain beyond how the
    // fixes happen to fall on each lap.
    const double achievable = Seconds(m[1]);
    EXPECT_NEAR(achievable, TrueLapSeconds(), 0.02);
    EXPECT_LE(achievable, Seconds(m[4]));

    // The pieces run from the line to the line without a gap.
    const std::regex piece("  lap (\\d{4}) from (\\d+) m to (\\d+) m: ([0-9.]+) s");
    double pieceSum = 0;
    int pieces = 0;
    long lastTo = 0;
    size_t i = 7;
    for (; i < r.lines.size() && std::regex_match(r.lines[i], m, piece); ++i, ++pieces) {
        EXPECT_EQ(std::stol(m[2]), lastTo) << r.lines[i];
        lastTo = std::stol(m[3]);
        pieceSum += std::stod(m[4]);
    }
    ASSERT_GE(pieces, 1);
    EXPECT_NEAR(lastTo, drive.lapLengthKm * 1000, 30);
    EXPECT_NEAR(pieceSum, achievable, 0.0005 * pieces + 0.001);

    ASSERT_EQ(i + 1, r.lines.size());
    const std::regex consistency(
        "Consistency: 4 flying laps of 4 within 107 % of the best, mean ([0-9:.]+), standard "
        "deviation ([0-9.]+) s, average of the best 4 ([0-9:.]+)");
    ASSERT_TRUE(std::regex_match(r.lines[i], m, consistency)) << r.lines[i];
    EXPECT_NEAR(Seconds(m[1]), TrueLapSeconds(), 0.005);
    EXPECT_LT(std::stod(m[2]), 0.005);
    EXPECT_NEAR(Seconds(m[3]), TrueLapSeconds(), 0.005);
}

}  // namespace
}  // namespace qv
