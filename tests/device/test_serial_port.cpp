// The port layer and the link threads over a pseudo-terminal pair whose
// other end the test plays itself, and the link against a device that
// sends only noise.

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/device_link.h"
#include "device/fake_link_io.h"
#include "device/serial_port.h"
#include "device/sim_rig.h"

namespace qv {
namespace {

using test::Reply;

struct PtyPair {
    int master = -1;
    std::string slavePath;
    int slaveKeep = -1;
    PtyPair() {
        char name[256];
        if (openpty(&master, &slaveKeep, name, nullptr, nullptr) == 0)
            slavePath = name;
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        if (master >= 0)
            close(master);
        if (slaveKeep >= 0)
            close(slaveKeep);
    }
    void Send(const std::string& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Everything the program wrote within `ms`.
    std::string Take(int ms) const {
        std::string got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        char buffer[4096];
        while (std::chrono::steady_clock::now() < until) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, static_cast<size_t>(n));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return got;
    }
};

TEST(SerialPort, OpensReadsAndWritesAPseudoTerminal) {
    PtyPair pty;
    ASSERT_FALSE(pty.slavePath.empty());
    SerialPort port;
    EXPECT_FALSE(port.Open(pty.slavePath, 9600)) << "only the logger's baud rates";
    ASSERT_TRUE(port.Open(pty.slavePath, 921600));
    EXPECT_FALSE(port.Open(pty.slavePath, 115200)) << "already open";
    EXPECT_EQ(port.Write("$PMTK605*31\r\n", 100), 13u);
    EXPECT_EQ(pty.Take(50), "$PMTK605*31\r\n");
    uint8_t buffer[64];
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 10), 0) << "nothing waiting: a time-out";
    pty.Send("abc");
    long n = 0;
    for (int i = 0; i < 50 && n == 0; ++i)
        n = port.Read(buffer, sizeof buffer, 20);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(n)), "abc");
    port.Close();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 0), -1);
    EXPECT_FALSE(PortPresent("/nonexistent/tty"));
}

TEST(SerialPort, ScanEntersEachPortFourTimes) {
    PtyPair a;
    PtyPair b;
    const std::vector<std::string> found =
        ScanPorts(a.slavePath + ":/nonexistent/tty:" + b.slavePath + ":" + a.slavePath);
    std::vector<std::string> ours;
    for (const std::string& p : found) {
        if (p == a.slavePath || p == b.slavePath)
            ours.push_back(p);
    }
    ASSERT_EQ(ours.size(), 8u);
    EXPECT_EQ(ours[0], a.slavePath);
    EXPECT_EQ(ours[3], a.slavePath);
    EXPECT_EQ(ours[4], b.slavePath);
    EXPECT_EQ(ours[7], b.slavePath);
}

TEST(DeviceLinkThreads, ReceiveThreadSendsTheNextCommandAndResendsAfterSilence) {
    PtyPair pty;
    EventQueue events;
    DeviceLink link(events);
    ASSERT_TRUE(link.Open(pty.slavePath, StepFlags{}));
    EXPECT_TRUE(link.Open("/nonexistent/tty", StepFlags{})) << "an open link stays as it is";
    link.Enqueue({"PMTK182,2,8", "PMTK400"});
    EXPECT_EQ(pty.Take(100), "$PMTK182,2,8*33\r\n");
    pty.Send(Reply("PMTK182,3,8,00000010") + Reply("PMTK001,182,2,3"));
    // No answer: resent after silence, five times at most.
    std::string sent = pty.Take(2500);
    size_t count = 0;
    for (size_t at = sent.find("$PMTK400*36\r\n"); at != std::string::npos;
         at = sent.find("$PMTK400*36\r\n", at + 1))
        ++count;
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(sent.size(), 6 * 13u);
    pty.Send(Reply("PMTK500,200,0,0,0,0"));
    bool drained = false;
    for (int i = 0; i < 50 && !drained; ++i) {
        events.Wait(std::chrono::milliseconds(20));
        for (const LinkMessage& m : events.TakeAll())
            drained = drained || (!m.isText && m.event == LinkEvent::QueueDrained);
    }
    EXPECT_TRUE(drained);
    EXPECT_EQ(link.Locked([](LinkState& s) { return s.status.fixInterval; }), "200");
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

TEST(DeviceLinkThreads, GarbageFromANonLoggerEndsInTheWatchdog) {
    test::SimRig rig;
    rig.port()->PlugInNoise(20);
    rig.controller().ButtonLogSpaceClick();
    ASSERT_TRUE(rig.Run());
    EXPECT_FALSE(rig.controller().Link().IsOpen());
    const std::vector<std::string> m = rig.prompter.Messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0] == kMsgConnectFailed || m[0] == kMsgCommFailed) << m[0];
    EXPECT_LE(rig.session().diagnostics.Lines().size(), 33u);
    EXPECT_LE(rig.controller().View().sentences.Lines().size(), 17u);
}

}  // namespace
}  // namespace qv
