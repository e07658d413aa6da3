// Log data replies: the QV4 end-marker walk, QV3 re-reads, generic
// re-reads after a corrupt line, and the bounds of the image.

#include <gtest/gtest.h>

#include <cstdio>

#include "device/fake_link_io.h"

namespace qv {
namespace {

using test::BodyOf;
using test::FakeLinkIo;
using test::Feed;
using test::Reply;

std::string DataLine(uint32_t address, size_t n, uint8_t value) {
    char head[32];
    std::snprintf(head, sizeof head, "PMTK182,8,%08X,", address);
    std::string body = head;
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", value);
    for (size_t i = 0; i < n; ++i)
        body += pair;
    return Reply(body);
}

struct Download {
    LinkState s;
    FakeLinkIo io;
    std::vector<uint8_t> image = std::vector<uint8_t>(16 << 20, 0xFF);
    Download(LoggerModel model, DownloadKind kind) {
        s.image = image;
        s.model = model;
        s.download.kind = kind;
    }
    void Send(const std::string& command) {
        s.queue.push_back(command);
        s.start = true;
        TransmitRound(s, io);
    }
    std::vector<std::string> BodiesFrom(size_t first) const {
        std::vector<std::string> b;
        for (size_t i = first; i < io.written.size(); ++i)
            b.push_back(BodyOf(io.written[i]));
        return b;
    }
};

TEST(Qv4Download, EndMarkerWalkReadsFourPendingPiecesAtATime) {
    Download d(LoggerModel::QV4, DownloadKind::Qv4Stream);
    for (int i = 0; i < 10; ++i)
        d.s.download.pending[static_cast<size_t>(i)] = 1;
    d.Send("PMTK182,7,FFFFF0,10");
    Feed(d.s, d.io, DataLine(0xFFFFF0, 16, 0xAA));
    EXPECT_EQ(d.BodiesFrom(1), (std::vector<std::string>{"PMTK182,7,0,800", "PMTK182,7,800,800",
                                                         "PMTK182,7,1000,800", "PMTK182,7,1800,800",
                                                         "PMTK182,7,FFFFF0,10"}));
    for (uint32_t i = 0; i < 4; ++i)
        Feed(d.s, d.io, DataLine(i * 2048, 2048, static_cast<uint8_t>(i)));
    EXPECT_EQ(d.image[3 * 2048 + 5], 3);
    const size_t before = d.io.written.size();
    Feed(d.s, d.io, DataLine(0xFFFFF0, 16, 0xAA));
    ASSERT_GT(d.io.written.size(), before);
    EXPECT_EQ(d.BodiesFrom(before)[0], "PMTK182,7,2000,800");
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 0);
    for (uint32_t i = 4; i < 8; ++i)
        Feed(d.s, d.io, DataLine(i * 2048, 2048, 1));
    const size_t third = d.io.written.size();
    Feed(d.s, d.io, DataLine(0xFFFFF0, 16, 0xAA));
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 0);
    EXPECT_EQ(d.BodiesFrom(third),
              (std::vector<std::string>{"PMTK182,7,4000,800", "PMTK182,7,4800,800",
                                        "PMTK182,7,FFFFF0,10"}));
    for (uint32_t i = 8; i < 10; ++i)
        Feed(d.s, d.io, DataLine(i * 2048, 2048, 1));
    Feed(d.s, d.io, DataLine(0xFFFFF0, 16, 0xAA));
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 1);
    // The end marker lands in the last 16 bytes of the image, not beyond.
    EXPECT_EQ(d.image[0xFFFFFF], 0xAA);
}

TEST(Qv4Download, CorruptLinesStayPendingAndReadAcknowledgementsDoNotDrain) {
    Download d(LoggerModel::QV4, DownloadKind::Qv4Stream);
    d.s.download.pending[0] = 1;
    d.Send("PMTK182,7,0,1000");
    d.s.queue.push_back("PMTK182,7,FFFFF0,10");
    std::string bad = DataLine(0, 2048, 7);
    bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
    Feed(d.s, d.io, bad);
    EXPECT_EQ(d.image[0], 0xFF);
    EXPECT_EQ(d.s.download.pending[0], 1);
    EXPECT_EQ(d.io.diagnostics.back(), "QV4 MTK checksum error.");
    Feed(d.s, d.io, Reply("PMTK001,182,7,3"));
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 0);
}

TEST(Qv4Download, APieceThatNeverComesFailsAfterItsReReads) {
    Download d(LoggerModel::QV4, DownloadKind::Qv4Stream);
    d.s.download.pending[3] = 1;
    d.Send("PMTK182,7,FFFFF0,10");
    for (int i = 0; i < kMaxPieceReReads + 2; ++i)
        Feed(d.s, d.io, DataLine(0xFFFFF0, 16, 0));
    ASSERT_EQ(d.io.Count(LinkEvent::LinkFailed), 1);
    EXPECT_EQ(d.io.events.back().second, 2);
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 0);
}

TEST(Qv3Download, MisplacedLineIsKeptButDoesNotAnswerTheRead) {
    Download d(LoggerModel::QV3, DownloadKind::Qv3Text);
    for (int i = 0; i < 130; ++i)
        d.s.download.pending[static_cast<size_t>(i)] = 1;
    d.Send("PMTK182,7,00010000,400");
    d.s.queue.push_back("PMTK182,7,00010400,400");
    // A late answer to an earlier read.
    Feed(d.s, d.io, DataLine(0x20000, 1024, 5));
    EXPECT_EQ(d.image[0x20000], 5);
    EXPECT_EQ(d.s.download.pending[128], 0) << "the bytes that came are kept where they belong";
    EXPECT_EQ(d.s.download.pending[64], 1);
    EXPECT_EQ(d.io.written.size(), 1u) << "the asked read is still unanswered";
    d.io.now += 301;
    TransmitRound(d.s, d.io);
    EXPECT_EQ(BodyOf(d.io.written.back()), "PMTK182,7,00010000,400");
    Feed(d.s, d.io, DataLine(0x10000, 1024, 6));
    EXPECT_EQ(BodyOf(d.io.written.back()), "PMTK182,7,00010400,400");
}

TEST(Qv3Download, CorruptLineIsNotStoredAndDownloadEndsOnlyWhenComplete) {
    Download d(LoggerModel::QV3, DownloadKind::Qv3Text);
    d.s.download.pending[0] = 1;
    d.s.download.pending[1] = 1;
    d.Send("PMTK182,7,00000000,800");
    std::string bad = DataLine(0, 2048, 9);
    bad[25] = bad[25] == 'A' ? 'B' : 'A';
    Feed(d.s, d.io, bad);
    EXPECT_EQ(d.image[0], 0xFF) << "a line that failed its checksum is never stored";
    Feed(d.s, d.io, Reply("PMTK001,182,7,3"));
    EXPECT_EQ(BodyOf(d.io.written.back()), "PMTK182,7,00000000,400");
    Feed(d.s, d.io, DataLine(0, 1024, 9));
    EXPECT_EQ(BodyOf(d.io.written.back()), "PMTK182,7,00000400,400");
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 0);
    Feed(d.s, d.io, DataLine(1024, 1024, 9));
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 1);
    EXPECT_EQ(d.image[2047], 9);
}

TEST(Qv3Download, ReReadsAreBounded) {
    Download d(LoggerModel::QV3, DownloadKind::Qv3Text);
    d.s.download.pending[0] = 1;
    d.s.download.pending[5] = 1;
    d.Send("PMTK182,7,00000000,400");
    Feed(d.s, d.io, DataLine(0, 1024, 1));
    // The sweep over the pending table asks for the missing piece.
    ASSERT_EQ(BodyOf(d.io.written.back()), "PMTK182,7,00001400,400");
    for (int i = 0; i < kMaxPieceReReads + 2 && d.io.Count(LinkEvent::LinkFailed) == 0; ++i) {
        std::string bad = DataLine(0x1400, 1024, 1);
        bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
        Feed(d.s, d.io, bad);
    }
    EXPECT_EQ(d.io.Count(LinkEvent::LinkFailed), 1);
    EXPECT_EQ(d.io.Count(LinkEvent::QueueDrained), 0);
    EXPECT_EQ(d.image[0x1400], 0xFF);
}

TEST(GenericDownload, CorruptLineIsReadAgainBeforeTheFixIntervalRestore) {
    Download d(LoggerModel::Generic, DownloadKind::Generic);
    d.s.download.restoreCommand = "PMTK300,200,0,0,0,0";
    d.Send("PMTK182,7,00000800,800");
    d.s.queue.push_back("PMTK300,200,0,0,0,0");
    std::string bad = DataLine(0x800, 2048, 3);
    bad[bad.size() - 4] = bad[bad.size() - 4] == '0' ? '1' : '0';
    Feed(d.s, d.io, bad);
    EXPECT_EQ(d.io.diagnostics.back(), "MTK checksum error. 00000800");
    EXPECT_EQ(std::vector<std::string>(d.s.queue.begin(), d.s.queue.end()),
              (std::vector<std::string>{"PMTK182,7,00000800,800", "PMTK300,200,0,0,0,0"}));
    EXPECT_EQ(d.image[0x800], 0xFF);
}

TEST(Download, LinesBeyondTheImageAreDropped) {
    Download d(LoggerModel::QV3, DownloadKind::Qv3Text);
    d.image.resize(4096);
    d.s.image = d.image;
    d.Send("PMTK182,7,00000C00,800");
    Feed(d.s, d.io, DataLine(0xC00, 2048, 4));
    EXPECT_EQ(d.image[0xC00], 0xFF);
    EXPECT_EQ(d.io.Count(LinkEvent::LinkFailed), 0);
}

}  // namespace
}  // namespace qv
