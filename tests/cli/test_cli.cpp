// The command-line tool as a user runs it: real process, real files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/drive.h"
#include "synth/mtk_encoder.h"
#include "synth/peer_logs.h"

namespace qv {
namespace {

using Output = test::CliOutput;

Output RunCli(const std::string& args) {
    return test::RunCliProcess(args);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<synth::SynthFix> ThreeFixes() {
    std::vector<synth::SynthFix> fixes(3);
    for (int i = 0; i < 3; ++i) {
        fixes[i].utcMs = 1714377600000 + i * 100 + 5;  // 2024-04-29 08:00:00.005 UTC
        fixes[i].lat = 35.1234567 + i * 0.0000001;
        fixes[i].lon = -0.5;
        fixes[i].elv = 12.5f;
        fixes[i].spd = 101.25f;
        fixes[i].satUsed = 7;
        fixes[i].satView = 10;
    }
    return fixes;
}

TEST(CliTest, InfoOnTheShippedDemoLog) {
    const Output r = RunCli("info '" + test::ShippedDir() + "/Raw/demo.binx'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("kind: binx"), std::string::npos);
    EXPECT_NE(r.out.find("check value: matches"), std::string::npos);
    // Two runs with a 20-minute break between them.
    EXPECT_NE(r.out.find("blocks: 2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" records\n"), std::string::npos);
}

TEST(CliTest, FixesAsCsv) {
    test::TempDir dir;
    test::WriteBytes(dir / "three.binx", synth::EncodeMtkImage(ThreeFixes()));
    const Output r = RunCli("fixes '" + (dir / "three.binx").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "time,lat,lon,elev_m,speed_kmh,sat_used,sat_view,valid,block");
    EXPECT_EQ(lines[1], "2024-04-29 08:00:00.005,35.1234567,-0.5000000,12.500,101.250,7,10,0,0");
    EXPECT_EQ(lines[3], "2024-04-29 08:00:00.205,35.1234569,-0.5000000,12.500,101.250,7,10,0,0");
}

TEST(CliTest, LogsOfOtherLoggers) {
    const Output info = RunCli("info '" + test::TestDataDir() + "/vbo/racelogic.vbo'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("kind: vbo (VBO text log)\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("12 records\n"), std::string::npos);

    const Output fixes = RunCli("fixes '" + test::TestDataDir() + "/gpx/long_lap_head.gpx'");
    ASSERT_EQ(fixes.status, 0) << fixes.err;
    ASSERT_EQ(fixes.lines.size(), 250u);
    EXPECT_EQ(fixes.lines[1].substr(0, 46), "2022-02-06 09:15:33.010,28.4119958,-81.3795190");

    test::TempDir dir;
    const synth::Circuit circuit = synth::DemoCircuit();
    synth::DriveOptions options;
    options.laps = 2;
    test::WriteText(dir / "kart.nmea",
                    synth::EncodeNmeaLog(synth::SynthesizeDrive(circuit, options).fixes));
    const std::string line =
        std::to_string(circuit.lineA.lat) + "," + std::to_string(circuit.lineA.lon) + "," +
        std::to_string(circuit.lineB.lat) + "," + std::to_string(circuit.lineB.lon);
    const Output laps = RunCli("laps '" + (dir / "kart.nmea").string() + "' --line " + line +
                               " --min-lap-dist 0.25");
    ASSERT_EQ(laps.status, 0) << laps.err;
    EXPECT_EQ(laps.lines.size(), 3u);  // the header and two laps

    test::WriteText(dir / "notes.txt", "Sunday: new tyres\n");
    const Output foreign = RunCli("info '" + (dir / "notes.txt").string() + "'");
    EXPECT_EQ(foreign.status, 1);
    EXPECT_EQ(foreign.err, "It is not a Quorvane log format.\n");
}

TEST(CliTest, RefusalsExitWithTheProgramsMessage) {
    test::TempDir dir;
    std::vector<uint8_t> image = synth::EncodeMtkImage(ThreeFixes());
    image.push_back(0);
    test::WriteBytes(dir / "odd.binx", image);
    Output r = RunCli("info '" + (dir / "odd.binx").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "It is not a Quorvane log format.\n");
    EXPECT_NE(r.out.find("refused"), std::string::npos);

    image.pop_back();
    image[265] ^= 0x40;  // the check value no longer matches
    test::WriteBytes(dir / "edited.binx", image);
    r = RunCli("fixes '" + (dir / "edited.binx").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "It is not a Quorvane log format.\n");
    EXPECT_TRUE(r.out.empty());
    // As with the diagnostic list shown, it opens anyway.
    r = RunCli("fixes --diagnostics '" + (dir / "edited.binx").string() + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.out).size(), 4u);

    test::WriteBytes(dir / "erased.binx", std::vector<uint8_t>(65536, 0xFF));
    r = RunCli("info '" + (dir / "erased.binx").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("0 records"), std::string::npos);

    r = RunCli("info '" + (dir / "missing.binx").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such file"), std::string::npos);
}

TEST(CliTest, UsageErrorsHelpAndVersion) {
    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli("explode x.binx").status, 2);
    EXPECT_EQ(RunCli("info").status, 2);
    EXPECT_EQ(RunCli("--version extra").status, 2);
    const Output help = RunCli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: quorvane-cli"), std::string::npos);
    // The commands the companion program runs are listed all the same.
    EXPECT_NE(help.out.find("\n  report LAP... -o FILE.pdf"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("\n  video-sync VIDEO LOG LAP"), std::string::npos) << help.out;

    // The window's version box shows the same text.
    const Output version = RunCli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("quorvane-cli (Quorvane) ") + kVersionText + "\n");

    // Every command has its own usage; only the lap commands take the lap options.
    for (const char* command : {"info", "fixes", "laps", "lap", "compare", "export", "import-motec",
                                "device", "report", "video-sync"}) {
        const Output own = RunCli(std::string(command) + " --help");
        EXPECT_EQ(own.status, 0) << command;
        EXPECT_EQ(own.out.rfind(std::string("usage: quorvane-cli ") + command + " ", 0), 0u)
            << own.out;
        const bool lapCommand = std::string(command) != "info" && std::string(command) != "fixes" &&
                                std::string(command) != "device";
        EXPECT_EQ(own.out.find("--min-lap-time") != std::string::npos, lapCommand) << command;
    }
}

}  // namespace
}  // namespace qv
