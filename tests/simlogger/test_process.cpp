// The simulator as the program meets it: a separate process behind a
// pseudo-terminal that is opened and closed again and again.

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "support/framed_sentence.h"
#include "support/sim_logger_process.h"
#include "support/temp_dir.h"

namespace qv::test {
namespace {

// Reads until `bytes` bytes came or `timeoutMs` passed.
std::string ReadBytes(int fd, size_t bytes, int timeoutMs) {
    std::string got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < bytes && std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        char buffer[65536];
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, bytes - got.size()));
        if (n <= 0)
            break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

std::string Exchange(int fd, const std::string& body, size_t replyBytes, int timeoutMs = 3000) {
    const std::string command = Framed(body);
    EXPECT_EQ(write(fd, command.data(), command.size()), static_cast<ssize_t>(command.size()));
    return ReadBytes(fd, replyBytes, timeoutMs);
}

// Every byte value, CR and LF among them, so that any translation shows.
std::vector<uint8_t> AllBytesImage(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 13 + i / 256);
    return image;
}

TEST(SimProcess, AnswersAcrossReopenedPortsAndEndsWithItsInput) {
    TempDir dir;
    WriteBytes(dir / "flash.img", AllBytesImage(10000));
    SimLoggerProcess sim({"--model", "qv4", "--image", (dir / "flash.img").string()});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.DevicePath().rfind("/dev/", 0), 0u);
    for (int session = 0; session < 3; ++session) {
        const int fd = OpenSimulatedPort(sim.DevicePath());
        ASSERT_GE(fd, 0);
        const std::string release = Framed("PMTK705,QV4,V2.10,SIM");
        EXPECT_EQ(Exchange(fd, "PMTK605", release.size()), release) << session;
        const std::string used = Framed("PMTK182,3,8,00002710") + Framed("PMTK001,182,2,3");
        EXPECT_EQ(Exchange(fd, "PMTK182,2,8", used.size()), used);
        close(fd);
    }
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProcess, EndsOnTermination) {
    SimLoggerProcess sim({"--model", "generic"});
    ASSERT_TRUE(sim.Started());
    const int fd = OpenSimulatedPort(sim.DevicePath());
    ASSERT_GE(fd, 0);
    const std::string count = Framed("PMTK182,3,10,0") + Framed("PMTK001,182,2,3");
    EXPECT_EQ(Exchange(fd, "PMTK182,2,10", count.size()), count);
    kill(sim.Pid(), SIGTERM);
    int status = -1;
    for (int i = 0; i < 300 && !sim.HasExited(status); ++i)
        usleep(10000);
    EXPECT_EQ(status, 0);
    close(fd);
}

TEST(SimProcess, RawBlocksCrossTheTerminalUnchanged) {
    TempDir dir;
    const std::vector<uint8_t> image = AllBytesImage(70000);
    WriteBytes(dir / "flash.img", image);
    SimLoggerProcess sim({"--model", "qv3", "--image", (dir / "flash.img").string()});
    ASSERT_TRUE(sim.Started());
    // The older model keeps silent at the current model's line speed.
    int fd = OpenSimulatedPort(sim.DevicePath(), B115200);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Exchange(fd, "PMTK605", 1, 400), "");
    close(fd);
    fd = OpenSimulatedPort(sim.DevicePath(), B921600);
    ASSERT_GE(fd, 0);
    const std::string block = Exchange(fd, "PTSI870,7,00066560,1024", 10 + 1024 + 2);
    ASSERT_EQ(block.size(), 10u + 1024u + 2u);
    EXPECT_EQ(block.substr(0, 10), "$00010400,");
    EXPECT_TRUE(std::equal(image.begin() + 66560, image.begin() + 66560 + 1024,
                           reinterpret_cast<const uint8_t*>(block.data()) + 10));
    EXPECT_EQ(block.substr(10 + 1024), "\r\n");
    close(fd);
}

TEST(SimProcess, UnplugEndsTheProcessMidDownload) {
    TempDir dir;
    WriteBytes(dir / "flash.img", AllBytesImage(20 * 2048));
    SimLoggerProcess sim(
        {"--model", "qv4", "--image", (dir / "flash.img").string(), "--faults", "unplug=50%"});
    ASSERT_TRUE(sim.Started());
    const int fd = OpenSimulatedPort(sim.DevicePath());
    ASSERT_GE(fd, 0);
    const size_t line = 20 + 2 * 2048 + 5;
    // Ten of the twenty lines come; then the logger is gone.
    const std::string got = Exchange(fd, "PMTK182,7,0,A000", 20 * line, 3000);
    EXPECT_EQ(got.size(), 10 * line);
    int status = -1;
    for (int i = 0; i < 200 && !sim.HasExited(status); ++i)
        usleep(10000);
    EXPECT_EQ(status, 3);
    close(fd);
}

TEST(SimProcess, FallsSilentOrGoesAwayAtTheNamedCommand) {
    const std::string release = Framed("PMTK705,QV4,V2.10,SIM");
    SimLoggerProcess mute({"--model", "qv4", "--mute-on", "PMTK182,2"});
    ASSERT_TRUE(mute.Started());
    int fd = OpenSimulatedPort(mute.DevicePath());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Exchange(fd, "PMTK605", release.size()), release);
    EXPECT_EQ(Exchange(fd, "PMTK182,2,8", 1, 400), "");
    EXPECT_EQ(Exchange(fd, "PMTK605", 1, 400), "") << "silent from then on";
    close(fd);
    EXPECT_EQ(mute.Stop(), 0);

    SimLoggerProcess away({"--model", "qv4", "--unplug-on", "PMTK182,6,1"});
    ASSERT_TRUE(away.Started());
    fd = OpenSimulatedPort(away.DevicePath());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Exchange(fd, "PMTK605", release.size()), release);
    EXPECT_EQ(Exchange(fd, "PMTK182,6,1", 1, 400), "");
    int status = -1;
    for (int i = 0; i < 200 && !away.HasExited(status); ++i)
        usleep(10000);
    EXPECT_EQ(status, 3);
    close(fd);
}

}  // namespace
}  // namespace qv::test
