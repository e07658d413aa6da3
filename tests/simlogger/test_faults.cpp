// The fault list, the injector's shapes and its reproducibility, and the
// reading of the program's commands.

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "simlogger/command_reader.h"
#include "simlogger/fault_injector.h"
#include "support/framed_sentence.h"

namespace qv::sim {
namespace {

using test::Framed;

Reply Text(const std::string& body) {
    Reply r;
    r.bytes = body;
    return r;
}

Reply DataLine(uint64_t address, size_t bytes) {
    Reply r;
    r.bytes = "PMTK182,8," + std::to_string(address);
    r.flash = true;
    r.address = address;
    r.dataBytes = bytes;
    return r;
}

// A stream of `lines` 2048-byte data lines from address 0.
Answer Stream(size_t lines) {
    Answer a;
    for (size_t i = 0; i < lines; ++i)
        a.replies.push_back(DataLine(i * 2048, 2048));
    return a;
}

std::string Joined(const Transmission& t) {
    std::string all;
    for (const Chunk& c : t.chunks)
        all += c.bytes;
    return all;
}

FaultPlan Plan(const std::string& list) {
    const FaultPlanResult result = ParseFaultPlan(list);
    EXPECT_TRUE(result.plan.has_value()) << list << ": " << result.error;
    return result.plan.value_or(FaultPlan{});
}

TEST(SimFaults, ListSyntax) {
    const FaultPlan plan = Plan(
        "drop=0.05,badsum=0.02,lowersum=0.5,glue=1,late=0.25,latems=700,missfirst=3,unplug=40%");
    EXPECT_DOUBLE_EQ(plan.drop, 0.05);
    EXPECT_DOUBLE_EQ(plan.badSum, 0.02);
    EXPECT_DOUBLE_EQ(plan.lowerSum, 0.5);
    EXPECT_DOUBLE_EQ(plan.glue, 1);
    EXPECT_DOUBLE_EQ(plan.late, 0.25);
    EXPECT_EQ(plan.lateMs, 700);
    EXPECT_EQ(plan.missFirst, 3);
    EXPECT_DOUBLE_EQ(plan.unplugPercent, 40);
    EXPECT_EQ(plan.unplugPieces, -1);
    EXPECT_EQ(Plan("unplug=12").unplugPieces, 12);
    EXPECT_EQ(Plan("").drop, 0);
    EXPECT_EQ(Plan("").slowFor, -1);
    const FaultPlan slow = Plan("dup=0.5,latency=1500,slowfor=30");
    EXPECT_DOUBLE_EQ(slow.dup, 0.5);
    EXPECT_EQ(slow.latencyMs, 1500);
    EXPECT_EQ(slow.slowFor, 30);
    for (const char* bad : {"drop", "drop=1.5", "drop=-0.1", "drop=x", "flood=0.1", "unplug=0",
                            "unplug=101%", "unplug=%", "missfirst=-1", "latems=abc", "drop=0.1,",
                            ",drop=0.1", "latency=-5", "latency=60001", "slowfor=x", "dup=2"}) {
        const FaultPlanResult result = ParseFaultPlan(bad);
        EXPECT_FALSE(result.plan.has_value()) << bad;
        EXPECT_FALSE(result.error.empty()) << bad;
    }
}

TEST(SimFaults, WithoutFaultsEverySentenceIsFramedExactly) {
    FaultInjector injector(FaultPlan{}, 7);
    Answer a;
    a.delayMs = 1200;
    a.replies = {Text("PMTK182,3,8,00012345"), Text("PMTK001,182,2,3")};
    const Transmission t = injector.Shape(a, 0);
    ASSERT_EQ(t.chunks.size(), 2u);
    EXPECT_EQ(t.chunks[0].delayMs, 1200);
    EXPECT_EQ(t.chunks[1].delayMs, 0);
    EXPECT_EQ(Joined(t), Framed("PMTK182,3,8,00012345") + Framed("PMTK001,182,2,3"));
    EXPECT_FALSE(t.unplug);
    Answer raw;
    Reply block;
    block.raw = true;
    block.bytes = std::string("$00000400,\x01\x02\r\n", 14);
    raw.replies.push_back(block);
    EXPECT_EQ(Joined(injector.Shape(raw, 0)), block.bytes);
}

TEST(SimFaults, SameSeedSameBytesOtherSeedOtherBytes) {
    const FaultPlan plan = Plan("drop=0.2,badsum=0.2,lowersum=0.5,glue=0.2,late=0.3");
    auto run = [&](uint64_t seed) {
        FaultInjector injector(plan, seed);
        std::string all;
        for (int i = 0; i < 200; ++i) {
            Answer a;
            a.replies = {Text("PMTK182,3,8," + std::to_string(i)), Text("PMTK001,182,2,3")};
            const Transmission t = injector.Shape(a, 0);
            for (const Chunk& c : t.chunks)
                all += std::to_string(c.delayMs) + ":" + c.bytes;
        }
        return all;
    };
    EXPECT_EQ(run(42), run(42));
    EXPECT_NE(run(42), run(43));
}

TEST(SimFaults, EachFaultHasItsShape) {
    Answer a;
    a.replies = {Text("PMTK001,182,2,3")};
    const std::string good = Framed("PMTK001,182,2,3");

    FaultInjector drop(Plan("drop=1"), 1);
    EXPECT_TRUE(drop.Shape(a, 0).chunks.empty());

    FaultInjector glue(Plan("glue=1"), 1);
    EXPECT_EQ(Joined(glue.Shape(a, 0)), good.substr(0, good.size() - 2));

    FaultInjector late(Plan("late=1,latems=640"), 1);
    const Transmission t = late.Shape(a, 0);
    ASSERT_EQ(t.chunks.size(), 1u);
    EXPECT_EQ(t.chunks[0].delayMs, 640);
    EXPECT_EQ(t.chunks[0].bytes, good);

    FaultInjector bad(Plan("badsum=1"), 1);
    for (int i = 0; i < 50; ++i) {
        const std::string sent = Joined(bad.Shape(a, 0));
        ASSERT_EQ(sent.size(), good.size());
        EXPECT_EQ(sent.substr(0, sent.size() - 4), good.substr(0, good.size() - 4));
        EXPECT_NE(sent.substr(sent.size() - 4, 2), good.substr(good.size() - 4, 2));
        EXPECT_EQ(sent.substr(sent.size() - 2), "\r\n");
        for (size_t k = sent.size() - 4; k < sent.size() - 2; ++k)
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(sent[k])) ||
                        (sent[k] >= 'A' && sent[k] <= 'F'));
    }

    // A checksum with letter digits turns lower case; one without stays.
    Answer letters;
    letters.replies = {Text("PMTK182,3,8,00002710")};
    const std::string upper = Framed("PMTK182,3,8,00002710");
    std::string lower = upper;
    for (size_t k = lower.size() - 4; k < lower.size() - 2; ++k)
        lower[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[k])));
    ASSERT_NE(upper, lower);
    FaultInjector low(Plan("lowersum=1"), 1);
    EXPECT_EQ(Joined(low.Shape(letters, 0)), lower);
    Answer digits;
    digits.replies = {Text("PMTK001,300,3")};
    EXPECT_EQ(Joined(low.Shape(digits, 0)), Framed("PMTK001,300,3"));
}

TEST(SimFaults, DuplicatesAndDelaysLeaveTheOtherFaultsAsTheyWere) {
    // Every sentence twice, and otherwise the very bytes the same seed gives
    // without duplicates.
    const std::string others = "drop=0.2,badsum=0.2,glue=0.2,late=0.3";
    FaultInjector plain(Plan(others), 9);
    FaultInjector twice(Plan(others + ",dup=1"), 9);
    for (int i = 0; i < 100; ++i) {
        const Answer a = Stream(3);
        const Transmission p = plain.Shape(a, 0);
        const Transmission t = twice.Shape(a, 0);
        ASSERT_EQ(t.chunks.size(), p.chunks.size());
        for (size_t k = 0; k < p.chunks.size(); ++k) {
            EXPECT_EQ(t.chunks[k].bytes, p.chunks[k].bytes + p.chunks[k].bytes);
            EXPECT_EQ(t.chunks[k].delayMs, p.chunks[k].delayMs);
        }
    }
    // Only the first `slowfor` answers are delayed.
    FaultInjector slow(Plan("late=1,latems=300,latency=700,slowfor=2"), 1);
    Answer ack;
    ack.replies = {Text("PMTK001,300,3")};
    for (int i = 0; i < 3; ++i) {
        const Transmission t = slow.Shape(ack, 0);
        ASSERT_EQ(t.chunks.size(), 1u);
        EXPECT_EQ(t.chunks[0].delayMs, i < 2 ? 300 : 0) << i;
        EXPECT_EQ(t.latencyMs, i < 2 ? 700 : 0) << i;
    }
}

TEST(SimFaults, MissedPiecesComeTheSecondTime) {
    FaultInjector injector(Plan("missfirst=2"), 1);
    // Lines of a stream: the first two are held back, the rest flow.
    const Transmission first = injector.Shape(Stream(4), 0);
    ASSERT_EQ(first.chunks.size(), 2u);
    EXPECT_NE(first.chunks[0].bytes.find("PMTK182,8,4096*"), std::string::npos);
    EXPECT_NE(first.chunks[1].bytes.find("PMTK182,8,6144*"), std::string::npos);
    // Asked again, everything comes.
    EXPECT_EQ(injector.Shape(Stream(4), 0).chunks.size(), 4u);

    // A piece read is withheld as a whole, acknowledgement included.
    FaultInjector pieces(Plan("missfirst=1"), 1);
    Answer piece;
    piece.pieceRead = true;
    piece.replies = {DataLine(0x800, 2048), Text("PMTK001,182,7,3")};
    EXPECT_TRUE(pieces.Shape(piece, 0).chunks.empty());
    EXPECT_EQ(pieces.Shape(piece, 0).chunks.size(), 2u);
    Answer other = piece;
    other.replies[0] = DataLine(0x1000, 2048);
    EXPECT_EQ(pieces.Shape(other, 0).chunks.size(), 2u);  // only one was to be missed
}

TEST(SimFaults, UnplugStopsHalfwayThroughTheFlash) {
    // 40 % of 100 lines' worth of flash: the 40th line is the last one.
    FaultInjector share(Plan("unplug=40%"), 1);
    EXPECT_FALSE(share.Shape(Stream(10), 100 * 2048).unplug);
    const Transmission t = share.Shape(Stream(100), 100 * 2048);
    EXPECT_TRUE(t.unplug);
    EXPECT_EQ(t.chunks.size(), 30u);
    EXPECT_TRUE(share.Shape(Stream(5), 100 * 2048).chunks.empty());  // gone for good

    FaultInjector count(Plan("unplug=3"), 1);
    Answer status;
    status.replies = {Text("PMTK182,3,8,0"), Text("PMTK001,182,2,3")};
    EXPECT_FALSE(count.Shape(status, 0).unplug);  // status replies are no flash pieces
    const Transmission c = count.Shape(Stream(8), 0);
    EXPECT_TRUE(c.unplug);
    EXPECT_EQ(c.chunks.size(), 3u);
}

TEST(SimCommandReader, TakesOnlyWellFramedCommands) {
    CommandReader reader;
    std::vector<std::string> got = reader.Feed(Framed("PMTK605") + Framed("PMTK182,2,8"));
    EXPECT_EQ(got, (std::vector<std::string>{"PMTK605", "PMTK182,2,8"}));
    // Split anywhere, the command still arrives once.
    const std::string whole = Framed("PMTK182,7,0,13000");
    got = reader.Feed(whole.substr(0, 5));
    EXPECT_TRUE(got.empty());
    got = reader.Feed(whole.substr(5));
    EXPECT_EQ(got, (std::vector<std::string>{"PMTK182,7,0,13000"}));
    // Lower-case digits are the same number.
    std::string lower = Framed("PMTK605");
    lower[lower.size() - 3] = static_cast<char>(std::tolower(lower[lower.size() - 3]));
    lower[lower.size() - 4] = static_cast<char>(std::tolower(lower[lower.size() - 4]));
    EXPECT_EQ(reader.Feed(lower), (std::vector<std::string>{"PMTK605"}));
    EXPECT_EQ(reader.Rejected(), 0u);

    std::string wrong = Framed("PMTK605");
    wrong[wrong.size() - 3] = wrong[wrong.size() - 3] == '0' ? '1' : '0';
    EXPECT_TRUE(reader.Feed(wrong).empty());
    EXPECT_TRUE(reader.Feed("$PMTK605\r\n").empty());
    EXPECT_TRUE(reader.Feed("$*\r\n").empty());
    std::string starred = Framed("PTSI990,2,1,2*7");
    EXPECT_TRUE(reader.Feed(starred).empty());
    // A "$" before the line end starts over: only the second command counts.
    got = reader.Feed("$PMTK18" + Framed("PMTK400"));
    EXPECT_EQ(got, (std::vector<std::string>{"PMTK400"}));
    EXPECT_EQ(reader.Rejected(), 5u);
    // Endless noise without a line end is thrown away, and reading recovers.
    EXPECT_TRUE(reader.Feed("$" + std::string(5000, 'A')).empty());
    EXPECT_EQ(reader.Feed("garbage\r\n" + Framed("PMTK605")),
              (std::vector<std::string>{"PMTK605"}));
}

}  // namespace
}  // namespace qv::sim
