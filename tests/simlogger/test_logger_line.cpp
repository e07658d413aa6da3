// The logger's timing on a clock the test moves: when each answer reaches
// the port after its command, what a busy logger holds back, what a closed
// port loses, and when a pulled plug takes the logger away.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "simlogger/logger_line.h"
#include "support/framed_sentence.h"

namespace qv::sim {
namespace {

using test::Framed;

const std::string kRelease = Framed("PMTK705,QV4,V2.10,SIM");
const std::string kEraseAck = Framed("PMTK001,182,6,3");

ServeOptions Options(int eraseMs, std::string unplugOn = {}) {
    ServeOptions options;
    options.eraseMs = eraseMs;
    options.unplugOn = std::move(unplugOn);
    return options;
}

FaultPlan Plan(const std::string& list) {
    const FaultPlanResult result = ParseFaultPlan(list);
    EXPECT_TRUE(result.plan.has_value()) << list << ": " << result.error;
    return result.plan.value_or(FaultPlan{});
}

// A QV4 logger at 115200 baud whose arrivals are sent at given times; what
// reached the port is collected at every millisecond up to `untilMs`.
struct Line {
    LoggerState state = MakeLoggerState(LoggerModel::Qv4, {});
    FaultInjector faults;
    LoggerLine line;

    explicit Line(const std::string& faultList, ServeOptions options = {})
        : faults(Plan(faultList), 1), line(state, faults, std::move(options)) {}

    // Bytes by the time they reached the port.
    std::map<int64_t, std::string> Collect(int64_t fromMs, int64_t untilMs) {
        std::map<int64_t, std::string> got;
        for (int64_t t = fromMs; t <= untilMs; ++t) {
            std::string bytes = line.TakeSent(t);
            if (!bytes.empty())
                got[t] = bytes;
        }
        return got;
    }
};

TEST(SimLoggerLine, AnswersLeaveWhenTheLoggersDelaysSay) {
    struct Case {
        const char* name;
        std::string faults;
        int eraseMs;
        std::vector<std::pair<int64_t, std::string>> commands;  // sent at
        std::map<int64_t, std::string> expected;
    };
    const std::string ask = Framed("PMTK605");
    const std::string erase = Framed("PMTK182,6,1");
    const std::vector<Case> cases{
        {"at once", "", 0, {{10, ask}}, {{10, kRelease}}},
        // A slow bridge takes the second command while the first answer is
        // on its way.
        {"latency", "latency=400", 0, {{0, ask}, {100, ask}}, {{400, kRelease}, {500, kRelease}}},
        // A slow logger answers one command at a time: the second waits.
        {"late", "late=1,latems=300", 0, {{0, ask}, {50, ask}}, {{300, kRelease}, {600, kRelease}}},
        {"slow only at first",
         "late=1,latems=300,slowfor=1",
         0,
         {{0, ask}, {400, ask}},
         {{300, kRelease}, {400, kRelease}}},
        // Nothing is read during the erase.
        {"erase", "", 1500, {{1000, erase}, {1200, ask}}, {{2500, kEraseAck + kRelease}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line l(c.faults, Options(c.eraseMs));
        std::map<int64_t, std::string> got;
        int64_t at = 0;
        for (const auto& [sentMs, bytes] : c.commands) {
            got.merge(l.Collect(at, sentMs - 1));
            l.line.Receive(bytes, sentMs, 115200);
            at = sentMs;
        }
        got.merge(l.Collect(at, 5000));
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(l.line.NextEventMs(5000), -1);
    }
}

TEST(SimLoggerLine, NextEventIsTheNextByteOrRead) {
    Line l("latency=400");
    l.line.Receive(Framed("PMTK605"), 0, 115200);
    EXPECT_EQ(l.line.NextEventMs(0), 400);
    EXPECT_EQ(l.line.TakeSent(399), "");
    EXPECT_EQ(l.line.TakeSent(400), kRelease);
    EXPECT_EQ(l.line.NextEventMs(400), -1);
}

TEST(SimLoggerLine, AClosedPortLosesWhatReachesIt) {
    Line l("latency=400");
    l.line.Receive(Framed("PMTK605"), 0, 115200);
    l.line.Receive(Framed("PMTK605"), 300, 115200);
    // The first answer comes while the port is closed, the second after it
    // was opened again.
    l.line.PortClosed(200);
    l.line.PortOpened(500);
    EXPECT_EQ(l.line.TakeSent(1000), kRelease);
    // Half a command before the close does not join the rest after it.
    const std::string ask = Framed("PMTK605");
    const size_t star = ask.find('*');
    l.line.Receive(ask.substr(0, star), 1100, 115200);
    l.line.PortClosed(1150);
    l.line.PortOpened(1200);
    l.line.Receive(ask.substr(star), 1200, 115200);
    EXPECT_EQ(l.line.TakeSent(2000), "");
    l.line.Receive(ask, 2100, 115200);  // answered after the latency
    EXPECT_EQ(l.line.TakeSent(2499), "");
    EXPECT_EQ(l.line.TakeSent(2500), kRelease);
}

TEST(SimLoggerLine, WrongLineSpeedIsNotAnswered) {
    Line l("");
    l.line.Receive(Framed("PMTK605"), 0, 921600);
    EXPECT_EQ(l.line.TakeSent(1000), "");
    EXPECT_EQ(l.line.NextEventMs(1000), -1);
}

TEST(SimLoggerLine, APulledPlugLetsEarlierAnswersArriveThenTheLoggerIsGone) {
    Line l("", Options(2000, "PMTK182,2,10"));
    l.line.Receive(Framed("PMTK605"), 0, 115200);
    l.line.Receive(Framed("PMTK182,2,10"), 100, 115200);
    EXPECT_EQ(l.line.GoneAtMs(), 100 + kUnplugSettleMs);
    EXPECT_FALSE(l.line.Gone(599));
    EXPECT_TRUE(l.line.Gone(600));
    EXPECT_EQ(l.line.NextEventMs(100), 600);
    EXPECT_EQ(l.line.TakeSent(600), kRelease);
    l.line.Receive(Framed("PMTK605"), 700, 115200);
    EXPECT_EQ(l.line.TakeSent(2000), "");
}

}  // namespace
}  // namespace qv::sim
