// `quorvane-cli video-sync` on an in-car video made from the same drive as
// the log, started at a known instant.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/cli_process.h"
#include "support/incar_video.h"
#include "support/temp_dir.h"
#include "synth/bnx4_encoder.h"
#include "synth/drive.h"

namespace qv {
namespace {

// Seconds of the day of "yyyy/mm/dd hh:nn:ss.zzz" after `label`; -1 if absent.
double SecondsOfDayAfter(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    if (at == std::string::npos)
        return -1;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double s = 0;
    if (std::sscanf(text.c_str() + at + label.size(), "%d/%d/%d %d:%d:%lf", &y, &mo, &d, &h, &mi,
                    &s) != 6)
        return -1;
    return h * 3600 + mi * 60 + s;
}

double SecondsOfDayUtc(double utcMs) {
    return std::fmod(utcMs / 1000, 86400);
}

class CliVideoSync : public ::testing::Test {
  protected:
    CliVideoSync() {
        circuit = synth::DemoCircuit();
        synth::DriveOptions options;
        options.laps = 2;
        drive = synth::SynthesizeDrive(circuit, options);
        log = (dir / "day.bnx4").string();
        test::WriteBytes(log, synth::EncodeBnx4Image(drive.fixes));
        line = std::to_string(circuit.lineA.lat) + "," + std::to_string(circuit.lineA.lon) + "," +
               std::to_string(circuit.lineB.lat) + "," + std::to_string(circuit.lineB.lon);
    }
    std::string Quoted(const std::filesystem::path& path) const {
        return "'" + path.string() + "'";
    }

    test::TempDir dir;
    synth::Circuit circuit;
    synth::Drive drive;
    std::string log;
    std::string line;
};

TEST_F(CliVideoSync, PrintsTheTieAndWritesTheVsy) {
    // Lap 0 runs from the first crossing of the line; the video starts 3.7 s
    // before it.
    test::InCarVideo v;
    v.startUtcMs = drive.crossingUtcMs[0] - 3700;
    ASSERT_TRUE(test::MakeInCarVideo(dir / "car.mp4", test::DriveHeading(drive), v));
    const test::CliOutput r =
        test::RunCliProcess("video-sync " + Quoted(dir / "car.mp4") + " " + Quoted(log) +
                            " 0 --line " + line + " --vsy " + Quoted(dir / "tie.txt"));
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    const double frame = 1.0 / v.fps;
    EXPECT_NEAR(SecondsOfDayAfter(r.out, "video start: "), SecondsOfDayUtc(v.startUtcMs),
                frame + 0.001)
        << r.out;
    EXPECT_NE(r.out.find("tied at +3."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ppm"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("motion: picture"), std::string::npos) << r.out;

    // The extension becomes .vsy; the two lines the window reads.
    const std::string vsy = test::ReadText(dir / "tie.vsy");
    const std::string videoLine = std::filesystem::absolute(dir / "car.mp4").string() + "\r\n";
    ASSERT_EQ(vsy.rfind(videoLine, 0), 0u) << vsy;
    EXPECT_NEAR(SecondsOfDayAfter(vsy, videoLine), SecondsOfDayUtc(v.startUtcMs), frame + 0.001);
    EXPECT_FALSE(std::filesystem::exists(dir / "tie.txt"));
}

TEST_F(CliVideoSync, RefusalsAndBadArguments) {
    synth::DriveOptions options;
    options.laps = 1;
    const synth::Drive other = synth::SynthesizeDrive(synth::FigureEightCircuit(), options);
    test::InCarVideo v;
    v.seconds = 30;
    v.startUtcMs = other.crossingUtcMs[0];
    ASSERT_TRUE(test::MakeInCarVideo(dir / "other.mp4", test::DriveHeading(other), v));
    test::WriteText(dir / "good.vsy", "kept\r\n2024/01/01 00:00:00.000\r\n");

    struct Case {
        const char* name;
        std::string args;
        int status;
        const char* err;
    } cases[] = {
        {"another lap's video",
         "video-sync " + Quoted(dir / "other.mp4") + " " + Quoted(log) + " 1 --line " + line +
             " --vsy " + Quoted(dir / "good.vsy"),
         1, "could not find the moment: tie it by hand"},
        {"no such video", "video-sync " + Quoted(dir / "none.mp4") + " " + Quoted(log) + " 1", 1,
         "no such video"},
        {"not a video",
         "video-sync " + Quoted(dir / "good.vsy") + " " + Quoted(log) + " 1 --line " + line, 1, ""},
        {"no lap number", "video-sync " + Quoted(dir / "other.mp4") + " " + Quoted(log), 2,
         "lap number"},
        {"a lap that is not there",
         "video-sync " + Quoted(dir / "other.mp4") + " " + Quoted(log) + " 9 --line " + line, 1,
         ""},
        {"--vsy without a file", "video-sync a b 1 --vsy", 2, "--vsy needs a FILE"},
    };
    for (const Case& c : cases) {
        const test::CliOutput r = test::RunCliProcess(c.args);
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.name << "\n" << r.err;
    }
    // A refused tie leaves the .vsy that was there.
    EXPECT_EQ(test::ReadText(dir / "good.vsy"), "kept\r\n2024/01/01 00:00:00.000\r\n");
}

}  // namespace
}  // namespace qv
