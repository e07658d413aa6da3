// `quorvane-cli device` against the simulated logger, run as a user runs it.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/progress_text.h"
#include "support/cli_process.h"
#include "support/sim_logger_process.h"
#include "synth/flash_images.h"

namespace qv {
namespace {

using test::RunCliProcess;
using test::SimLoggerProcess;
using test::TempDir;

bool HasLine(const test::CliOutput& o, const std::string& line) {
    return std::find(o.lines.begin(), o.lines.end(), line) != o.lines.end();
}

TEST(DeviceCli, ScanStatusAndDownload) {
    TempDir dir;
    const synth::FlashImage flash = synth::MakeMtkFlashImage();
    test::WriteBytes(dir / "flash.img", flash.bytes);
    SimLoggerProcess sim({"--model", "qv3", "--image", (dir / "flash.img").string()});
    ASSERT_TRUE(sim.Started());
    const std::string port = sim.DevicePath();

    const test::CliOutput scan = RunCliProcess("device scan", "QUORVANE_PORTS='" + port + "'");
    EXPECT_EQ(scan.status, 0);
    EXPECT_TRUE(HasLine(scan, port));

    const test::CliOutput status = RunCliProcess("device status --port '" + port + "'");
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_TRUE(HasLine(status, "mode: 5Hz (Long-time mode)"));
    EXPECT_TRUE(HasLine(status, "port: Port = " + port));

    // On a terminal the download shows its progress, ending with the whole
    // of the memory read.
    const auto out = dir / "log.binx";
    const test::CliOutput download = test::RunCliOnTerminal("device download --port '" + port +
                                                            "' --out '" + out.string() + "'");
    EXPECT_EQ(download.status, 0) << download.err;
    EXPECT_TRUE(HasLine(download, std::to_string(flash.expectedFixes) + " records"));
    const size_t read = (flash.usedBytes / 65536 + 1) * 65536;
    EXPECT_EQ(test::ReadBytes(out).size(), read);
    const std::string whole = ByteSizeText(static_cast<int64_t>(read));
    EXPECT_NE(download.err.find("download: " + whole + " of " + whole + ", 100%, "),
              std::string::npos)
        << download.err;

    // An existing file is never replaced by the tool; without a terminal
    // there is no progress line.
    const test::CliOutput again =
        RunCliProcess("device download --port '" + port + "' --out '" + out.string() + "'");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos);
    EXPECT_EQ(again.err.find("download: "), std::string::npos) << again.err;

    const test::CliOutput bad = RunCliProcess("device set-mode 7 --port '" + port + "'");
    EXPECT_EQ(bad.status, 2);
    const test::CliOutput none = RunCliProcess("device status --port /nonexistent/tty");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("Failed to connect GPS module."), std::string::npos);
}

}  // namespace
}  // namespace qv
