// The protocol layer driven byte by byte: framing, reply checks, the
// hand-off of the queue, resends and the binary block reader.

#include <gtest/gtest.h>

#include "device/fake_link_io.h"

namespace qv {
namespace {

using test::BodyOf;
using test::FakeLinkIo;
using test::Feed;
using test::Reply;

struct Link {
    LinkState s;
    FakeLinkIo io;
    std::vector<uint8_t> image = std::vector<uint8_t>(1 << 20, 0xFF);
    Link() { s.image = image; }
    void Start(std::vector<std::string> commands) {
        for (auto& c : commands)
            s.queue.push_back(c);
        s.start = true;
        TransmitRound(s, io);
    }
    std::vector<std::string> Bodies() const {
        std::vector<std::string> b;
        for (const auto& w : io.written)
            b.push_back(BodyOf(w));
        return b;
    }
};

TEST(LinkFraming, CommandIsFramedWithUpperCaseChecksum) {
    Link l;
    SendCommand(l.s, l.io, "PMTK605");
    ASSERT_EQ(l.io.written.size(), 1u);
    // 'P'^'M'^'T'^'K'^'6'^'0'^'5' worked out by hand: 0x31.
    EXPECT_EQ(l.io.written[0], "$PMTK605*31\r\n");
    EXPECT_TRUE(l.s.awaitingReply);
}

TEST(LinkFraming, ReplyChecks) {
    // Checksums worked out by hand.
    EXPECT_EQ(CheckReply("$PMTK001,182,2,3*25"), ReplyCheck::Good);
    EXPECT_EQ(CheckReply("$PMTK001,128,3*3B"), ReplyCheck::Good);
    EXPECT_EQ(CheckReply("$PMTK001,128,3*3b"), ReplyCheck::BadChecksum);
    EXPECT_EQ(CheckReply("$PMTK001,182,2,3*26"), ReplyCheck::BadChecksum);
    EXPECT_EQ(CheckReply("$PMTK001,182,2,3"), ReplyCheck::NoStar);
    EXPECT_EQ(CheckReply("$P"), ReplyCheck::NoStar);
}

TEST(LinkFraming, BlockReadBodiesSetTheBinaryReader) {
    Link l;
    SendCommand(l.s, l.io, "PTSI870,7,00065536,1024");
    EXPECT_TRUE(l.s.binary.on);
    EXPECT_EQ(l.s.binary.expectedAddress, 65536u);
    EXPECT_EQ(l.s.binary.expectedLength, 1024u);
    SendCommand(l.s, l.io, "PTSI870,7,00065536");
    EXPECT_TRUE(l.s.binary.on);
    EXPECT_EQ(l.s.binary.expectedAddress, 0u);
    EXPECT_EQ(l.s.binary.expectedLength, 4096u);
    SendCommand(l.s, l.io, "PMTK182,2,8");
    EXPECT_FALSE(l.s.binary.on);
}

TEST(LinkReceive, AcknowledgementSendsTheNextCommandAndDrainsTheQueue) {
    Link l;
    l.Start({"PMTK182,2,8", "PMTK182,2,3"});
    Feed(l.s, l.io, Reply("PMTK182,3,8,0001E000"));
    EXPECT_EQ(l.io.written.size(), 1u) << "a status value does not move the queue";
    EXPECT_EQ(l.s.status.logNextAddress, "0001E000");
    Feed(l.s, l.io, Reply("PMTK001,182,2,3"));
    ASSERT_EQ(l.Bodies().size(), 2u);
    EXPECT_EQ(l.Bodies()[1], "PMTK182,2,3");
    Feed(l.s, l.io, Reply("PMTK182,3,3,1") + Reply("PMTK001,182,2,3"));
    EXPECT_EQ(l.s.status.logTimeInterval, "1");
    EXPECT_EQ(l.io.Count(LinkEvent::QueueDrained), 1);
    EXPECT_FALSE(l.s.busy);
    // The acknowledgements are shown, each once.
    EXPECT_EQ(std::count(l.io.diagnostics.begin(), l.io.diagnostics.end(), "$PMTK001,182,2,3*25"),
              2);
}

TEST(LinkReceive, DuplicateAndForeignRepliesDoNotMoveTheQueueTwice) {
    Link l;
    l.Start({"PMTK605"});
    Feed(l.s, l.io, Reply("PMTK705,QV4,V2.10,SIM"));
    Feed(l.s, l.io, Reply("PMTK705,QV4,V2.10,SIM"));
    EXPECT_EQ(l.io.Count(LinkEvent::ReleaseReported), 1);
    EXPECT_EQ(l.s.release, "QV4,V2.10,SIM");
    l.Start({"PMTK400", "PMTK401"});
    // An acknowledgement naming another command only shows.
    Feed(l.s, l.io, Reply("PMTK001,300,3"));
    EXPECT_EQ(l.Bodies().back(), "PMTK400");
    Feed(l.s, l.io, Reply("PMTK500,100,0,0,0,0"));
    EXPECT_EQ(l.s.status.fixInterval, "100");
    EXPECT_EQ(l.Bodies().back(), "PMTK401");
}

TEST(LinkLateReplies, OnlyTheWaitingCommandsAnswerMovesTheQueue) {
    Link l;
    l.s.model = LoggerModel::QV3;
    l.Start({"PMTK182,2,8", "PMTK182,2,3", "PMTK182,7,00000000,800", "PTSI999,9"});
    // No answer in time: the query goes out again, and is then answered
    // twice, the second time while the next query waits.
    l.io.now += 301;
    TransmitRound(l.s, l.io);
    Feed(l.s, l.io, Reply("PMTK182,3,8,00000100") + Reply("PMTK001,182,2,3"));
    ASSERT_EQ(l.Bodies().back(), "PMTK182,2,3");
    Feed(l.s, l.io, Reply("PMTK182,3,8,00000200") + Reply("PMTK001,182,2,3"));
    EXPECT_EQ(l.Bodies().back(), "PMTK182,2,3") << "the same acknowledgement, but not its own";
    EXPECT_EQ(l.s.status.logNextAddress, "00000100");
    EXPECT_EQ(l.io.sentences, (std::vector<std::string>{
                                  "Late reply: " + ChecksummedSentence("PMTK182,3,8,00000200"),
                                  "Late reply: $PMTK001,182,2,3*25"}));
    Feed(l.s, l.io, Reply("PMTK182,3,3,2") + Reply("PMTK001,182,2,3"));
    ASSERT_EQ(l.Bodies().back(), "PMTK182,7,00000000,800");
    // The acknowledgement of a query, or of the read before its data came,
    // does not answer the read; its data line, then its acknowledgement do.
    Feed(l.s, l.io, Reply("PMTK001,182,2,3") + Reply("PMTK001,182,7,3"));
    EXPECT_EQ(l.Bodies().back(), "PMTK182,7,00000000,800");
    Feed(l.s, l.io, Reply("PMTK182,8,00000000," + std::string(4096, '5')));
    EXPECT_EQ(l.Bodies().back(), "PMTK182,7,00000000,800");
    EXPECT_EQ(l.image[2047], 0x55);
    Feed(l.s, l.io, Reply("PMTK001,182,7,3"));
    ASSERT_EQ(l.Bodies().back(), "PTSI999,9");
    // A PTSI command is answered by its own number and selector.
    Feed(l.s, l.io, Reply("PTSI009,777,0") + Reply("PTSI999,8,0"));
    EXPECT_EQ(l.io.Count(LinkEvent::QueueDrained), 0);
    Feed(l.s, l.io, Reply("PTSI999,9,0"));
    EXPECT_EQ(l.io.Count(LinkEvent::QueueDrained), 1);
    // The logger was heard at every answer, the late ones too.
    EXPECT_EQ(l.io.Count(LinkEvent::ReplyArrived), 6);
}

TEST(LinkLateReplies, ResendIntervalGrowsOnlyWhenAnswersProveLate) {
    // An answer to a resent command may be the resend's (the first reply
    // was lost): nothing learnt.
    Link lost;
    lost.Start({"PMTK400", "PMTK401"});
    lost.io.now += 301;
    TransmitRound(lost.s, lost.io);
    lost.io.now += 50;
    Feed(lost.s, lost.io, Reply("PMTK500,100,0,0,0,0"));
    lost.io.now += 301;
    TransmitRound(lost.s, lost.io);
    EXPECT_EQ(lost.Bodies(),
              (std::vector<std::string>{"PMTK400", "PMTK400", "PMTK401", "PMTK401"}));

    // A second answer proves the first came 400 ms after the first send:
    // the next command waits longer before it goes out again.
    Link slow;
    slow.Start({"PMTK400", "PMTK401"});
    slow.io.now += 301;
    TransmitRound(slow.s, slow.io);
    slow.io.now += 99;
    Feed(slow.s, slow.io, Reply("PMTK500,100,0,0,0,0"));
    slow.io.now += 301;
    Feed(slow.s, slow.io, Reply("PMTK500,100,0,0,0,0"));
    slow.io.now += 600;
    TransmitRound(slow.s, slow.io);
    EXPECT_EQ(slow.Bodies().size(), 3u) << "not yet resent";
    slow.io.now += 301;
    TransmitRound(slow.s, slow.io);
    EXPECT_EQ(slow.Bodies().back(), "PMTK401");
    EXPECT_EQ(slow.Bodies().size(), 4u);
}

TEST(LinkReceive, GluedSentencesShowBreakAndHandleOnlyTheSecond) {
    Link l;
    l.Start({"PMTK182,2,8"});
    Feed(l.s, l.io, "$PMTK182,3,8,00000100" + Reply("PMTK182,3,8,00000200"));
    EXPECT_EQ(l.s.status.logNextAddress, "00000200");
    ASSERT_FALSE(l.io.diagnostics.empty());
    EXPECT_EQ(l.io.diagnostics[0], "<break>$PMTK182,3,8,00000100");
}

TEST(LinkReceive, CorruptRepliesFailTheLinkOutsideStepOne) {
    Link l;
    l.s.steps = StepFlags{false, true, true};
    l.Start({"PMTK182,2,8"});
    Feed(l.s, l.io, "$PMTK001,182,2,3*24\r\n");
    ASSERT_EQ(l.io.Count(LinkEvent::LinkFailed), 1);
    EXPECT_EQ(l.io.events.back().second, 1);
    EXPECT_EQ(l.io.diagnostics.back(), "MTK checksum error.");
    // Nothing is sent after a failure, not even a resend.
    const size_t sent = l.io.written.size();
    l.io.now += 1000;
    TransmitRound(l.s, l.io);
    EXPECT_EQ(l.io.written.size(), sent);

    Link a;  // step 1 tolerates MTK noise, PTSI never
    a.Start({"PMTK182,2,8"});
    Feed(a.s, a.io, "$PMTK001,182\r\n");
    EXPECT_EQ(a.io.Count(LinkEvent::LinkFailed), 0);
    EXPECT_EQ(a.io.diagnostics.back(), "MTK * error.");
    Feed(a.s, a.io, "$PTSI777,1,30.00\r\n");
    ASSERT_EQ(a.io.Count(LinkEvent::LinkFailed), 1);
    EXPECT_EQ(a.io.events.back().second, 0);
}

TEST(LinkReceive, PositionSentencesGoToTheSentenceList) {
    Link l;
    Feed(l.s, l.io, "$GPRMC,1*00\r\n$GNGGA,2\r\n$XYZ\r\n");
    EXPECT_EQ(l.io.sentences, (std::vector<std::string>{"$GPRMC,1*00", "$GNGGA,2"}));
}

TEST(LinkReceive, NoiseAndEndlessLinesNeverOverflow) {
    Link l;
    l.Start({"PMTK182,2,8"});
    std::string noise(100000, 'A');
    for (size_t i = 0; i < noise.size(); i += 7)
        noise[i] = static_cast<char>(i * 31);
    noise.erase(std::remove(noise.begin(), noise.end(), '$'), noise.end());
    noise.erase(std::remove(noise.begin(), noise.end(), '\r'), noise.end());
    Feed(l.s, l.io, "$PMTK" + noise);
    EXPECT_LE(l.s.lineLength, kLineBufferSize);
    // The over-long line is dropped whole; the next sentence is read.
    Feed(l.s, l.io, "\r\n" + Reply("PMTK182,3,8,00000040"));
    EXPECT_EQ(l.s.status.logNextAddress, "00000040");
    EXPECT_EQ(l.io.Count(LinkEvent::LinkFailed), 0);
}

TEST(LinkTransmit, ResendsAfterSilenceAtMostFiveTimes) {
    Link l;
    l.Start({"PMTK182,2,8"});
    for (int i = 0; i < 10; ++i) {
        l.io.now += 301;
        TransmitRound(l.s, l.io);
    }
    ASSERT_EQ(l.io.written.size(), 6u) << "first send and five resends";
    for (const auto& b : l.Bodies())
        EXPECT_EQ(b, "PMTK182,2,8");
    EXPECT_EQ(l.io.diagnostics.back(), "R)PMTK182,2,8");
    // A 299 ms wait is not silence enough.
    Link q;
    q.Start({"PMTK182,2,8"});
    q.io.now += 299;
    TransmitRound(q.s, q.io);
    EXPECT_EQ(q.io.written.size(), 1u);
}

TEST(LinkTransmit, EraseAndGenericStepAreNeverResent) {
    Link l;
    l.Start({"PMTK182,6,1"});
    Link g;
    g.s.steps = StepFlags{false, false, false};
    g.Start({"PMTK182,2,8"});
    for (int i = 0; i < 10; ++i) {
        l.io.now += 400;
        g.io.now += 400;
        TransmitRound(l.s, l.io);
        TransmitRound(g.s, g.io);
    }
    EXPECT_EQ(l.io.written.size(), 1u);
    EXPECT_EQ(g.io.written.size(), 1u);
}

TEST(LinkBinary, BlockIsStoredAtItsAddressAndOutsideBlocksAreDropped) {
    Link l;
    l.s.model = LoggerModel::QV3;
    l.s.download.kind = DownloadKind::Qv3Binary;
    l.s.download.pending[64] = 1;
    l.s.queue.push_back("PTSI870,7,00065536,1024");
    l.s.start = true;
    TransmitRound(l.s, l.io);
    std::string block = "$10000,";
    for (int i = 0; i < 1024; ++i)
        block += static_cast<char>(i & 0xFF);
    Feed(l.s, l.io, block + "\r\n");
    EXPECT_EQ(l.image[65536 + 0], 0);
    EXPECT_EQ(l.image[65536 + 1023], 1023 & 0xFF);
    EXPECT_EQ(l.image[65536 + 1024], 0xFF);
    EXPECT_EQ(l.s.download.pending[64], 0);
    EXPECT_EQ(l.io.Count(LinkEvent::DataArrived), 1);
    EXPECT_EQ(l.io.Count(LinkEvent::QueueDrained), 1);

    // A block whose address lies past the image: nothing is written, and
    // the asked piece is read again.
    l.s.download.pending[64] = 1;
    l.s.queue.push_back("PTSI870,7,00065536,1024");
    l.s.start = true;
    TransmitRound(l.s, l.io);
    const std::vector<uint8_t> before = l.image;
    std::string far = "$7FFFFF00,";
    far += std::string(1024, '\x11');
    Feed(l.s, l.io, far + "\r\n");
    EXPECT_TRUE(l.image == before);
    EXPECT_EQ(l.io.Count(LinkEvent::QueueDrained), 1) << "not the asked block";
    EXPECT_EQ(l.s.download.pending[64], 1);
    // The asked block is read again after the silence.
    l.io.now += 301;
    TransmitRound(l.s, l.io);
    ASSERT_EQ(l.io.written.size(), 3u);
    EXPECT_EQ(l.Bodies().back(), "PTSI870,7,00065536,1024");

    // A late sentence while the block is awaited is read as a sentence, not
    // stored as block bytes; the block after it is.
    Feed(l.s, l.io, Reply("PMTK001,182,2,3") + block + "\r\n");
    EXPECT_EQ(l.image[65536 + 1], 1);
    EXPECT_EQ(l.s.download.pending[64], 0);
    EXPECT_EQ(l.io.Count(LinkEvent::QueueDrained), 2);
    EXPECT_EQ(l.io.sentences.back(), "Late reply: $PMTK001,182,2,3*25");
}

}  // namespace
}  // namespace qv
