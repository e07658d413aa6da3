// `quorvane-cli export` and `import-motec` as a user runs them.

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "exchange/motec_file.h"
#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/bnx4_encoder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"

namespace qv {
namespace {

std::string Text(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

// Two flying laps of the demo circuit at 10 Hz, logged in UTC.
class CliExchangeTest : public ::testing::Test {
  protected:
    CliExchangeTest() {
        const synth::Circuit circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 2;
        drive = synth::SynthesizeDrive(circuit, options);
        log = (dir / "day.bnx4").string();
        test::WriteBytes(log, synth::EncodeBnx4Image(drive.fixes));
        const synth::CircuitFilesResult files = synth::WriteCircuitFiles(circuit, dir.path(), "c");
        EXPECT_TRUE(files.ok);
        lineOptions = " --cln '" + files.paths.cln.string() + "' --min-lap-dist 0.25";
    }
    // The sample lines of `lap LOG:N`, the lap CSV export of the same lap.
    size_t LapSamples(int n) {
        const test::CliOutput r =
            test::RunCliProcess("lap '" + log + ":" + std::to_string(n) + "'" + lineOptions);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.lines.empty() ? 0 : r.lines.size() - 1;
    }
    std::string WriteMotec(const std::string& name, bool positions) {
        const std::filesystem::path path = dir / name;
        test::MotecFileOptions o;
        o.positions = positions;
        std::ofstream(path, std::ios::binary) << test::JoinLines(test::MotecLines({}, o));
        return path.string();
    }

    test::TempDir dir;
    synth::Drive drive;
    std::string log, lineOptions;
};

TEST_F(CliExchangeTest, KmlOfTwoLapsIsValidAndHoldsEverySample) {
    const std::string out = (dir / "two laps.kml").string();
    const test::CliOutput r = test::RunCliProcess("export kml '" + log + ":0' '" + log +
                                                  ":1' -o '" + out + "'" + lineOptions);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 traces written to " + out + "\n");
    const std::string kml = Text(out);
    EXPECT_TRUE(
        kml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                        "<Document>\r\n<name>\r\ntwo laps\r\n</name>\r\n<Folder>\r\n"
                        "<name>\r\n0000\r\n</name>\r\n"));
    EXPECT_EQ(Count(kml, "<Folder>"), 2u);
    EXPECT_LT(kml.find("af0000ff"), kml.find("afff0000"));
    // One coordinate line per sample: the line ends between <coordinates>
    // and </coordinates>.
    const size_t samples = LapSamples(0) + LapSamples(1);
    size_t coordinateLines = 0;
    const std::string open = "<coordinates>\r\n";
    for (size_t at = 0; (at = kml.find(open, at)) != std::string::npos;) {
        at += open.size();
        const size_t end = kml.find("</coordinates>", at);
        coordinateLines += Count(kml.substr(at, end - at), "\r\n");
        at = end;
    }
    EXPECT_EQ(coordinateLines, samples);
    const std::string command = "xmllint --nonet --noout --schema '" + test::TestDataDir() +
                                "/kml22/ogckml22.xsd' '" + out + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST_F(CliExchangeTest, NmeaOfALapReadsBackWithGpsbabel) {
    const std::string out = (dir / "lap.nmea").string();
    const test::CliOutput r =
        test::RunCliProcess("export nmea '" + log + ":1' -o '" + out + "'" + lineOptions);
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t samples = LapSamples(1);
    ASSERT_GT(samples, 100u);
    EXPECT_EQ(r.out, std::to_string(samples) + " sentences written to " + out + "\n");

    FILE* pipe = popen(("gpsbabel -t -i nmea -f '" + out + "' -o unicsv -F -").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string csv;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        csv.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    // A sentence with a wrong checksum would be dropped.
    EXPECT_EQ(Count(csv, "\n"), samples + 1);
    // The lap starts where the car crossed the line (the second crossing).
    const size_t first = csv.find('\n') + 1;
    const std::string line = csv.substr(first, csv.find('\n', first) - first);
    const std::string time = line.substr(line.rfind(',') + 1);
    const double seconds = std::stod(time.substr(0, 2)) * 3600 + std::stod(time.substr(3, 2)) * 60 +
                           std::stod(time.substr(6));
    const double trueSeconds = std::fmod(drive.crossingUtcMs[1] / 1000, 86400);
    EXPECT_NEAR(seconds, trueSeconds, 0.1) << line;
}

TEST_F(CliExchangeTest, AnExportThatCannotBeWrittenKeepsThePreviousFileAndSaysWhy) {
    const std::filesystem::path folder = dir / "out";
    std::filesystem::create_directories(folder);
    const std::string out = (folder / "laps.kml").string();
    test::WriteBytes(out, {'o', 'l', 'd'});
    const std::string args = "export kml '" + log + ":1' -o '" + out + "'" + lineOptions;
    // Files stop at 512 bytes, as on a full disk: the laps cut from the log
    // cannot be kept, which is told once.
    const test::CliOutput full = test::RunCliProcess(args, "", "trap '' XFSZ; ulimit -f 1");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, std::string(std::strerror(EFBIG)) + "\n");
    EXPECT_EQ(Text(out), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    // The output itself cannot be written.
    const std::string nowhere = (dir / "gone" / "laps.kml").string();
    const test::CliOutput missing =
        test::RunCliProcess("export kml '" + log + ":1' -o '" + nowhere + "'" + lineOptions);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("quorvane-cli: " + nowhere + ": ", 0), 0u) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
    ASSERT_EQ(test::RunCliProcess(args).status, 0);
    EXPECT_GT(Text(out).size(), 512u);
}

TEST_F(CliExchangeTest, ImportMotecPrintsTheRowAndWritesTheLapFile) {
    const std::string csv = WriteMotec("Lap 3.csv", true);
    const std::string dtb = (dir / "imported.dtb").string();
    const test::CliOutput r = test::RunCliProcess("import-motec '" + csv + "' --dtb '" + dtb + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_TRUE(r.lines[0].starts_with("Data Name,Data No.,Date,Time,Lap Time,"));
    // No sector or drift cells: the import computes the row alone.
    EXPECT_EQ(r.lines[1],
              "Lap 3,0000,2021/04/23,10:15:30,0:30.000,222.00,1.175," + csv + ",,,,,,,,,,,,,,0");
    EXPECT_EQ(std::filesystem::file_size(dtb), 601u * 128);
}

TEST_F(CliExchangeTest, MotecLapBesideOursInTheKml) {
    const std::string csv = WriteMotec("motec.csv", false);
    const std::string out = (dir / "mixed.kml").string();
    const test::CliOutput r = test::RunCliProcess("export kml '" + log + ":0' '" + csv + "' -o '" +
                                                  out + "'" + lineOptions);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Count(Text(out), "<Folder>"), 2u);
}

TEST_F(CliExchangeTest, RefusalsAndUsageErrors) {
    std::vector<std::string> shortFile = test::MotecLines({});
    shortFile.resize(19);
    std::ofstream(dir / "short.csv") << test::JoinLines(shortFile);
    const test::CliOutput refused =
        test::RunCliProcess("import-motec '" + (dir / "short.csv").string() + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find("has fewer than 20 lines"), std::string::npos) << refused.err;

    const test::CliOutput few = test::RunCliProcess("export nmea '" + log + ":7' -o '" +
                                                    (dir / "x.nmea").string() + "'" + lineOptions);
    EXPECT_EQ(few.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.nmea"));

    EXPECT_EQ(test::RunCliProcess("export kml '" + log + ":0'").status, 2);
    EXPECT_EQ(test::RunCliProcess("export gpx '" + log + ":0' -o x").status, 2);
    EXPECT_EQ(test::RunCliProcess("export nmea a.dtb b.dtb -o x").status, 2);
    EXPECT_EQ(test::RunCliProcess("import-motec").status, 2);
    const test::CliOutput help = test::RunCliProcess("export --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: quorvane-cli export kml"), std::string::npos);
}

}  // namespace
}  // namespace qv
