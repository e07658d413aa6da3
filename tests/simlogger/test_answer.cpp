// The simulated logger's answers, command by command, without a terminal.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "simlogger/answer.h"
#include "simlogger/logger_state.h"

namespace qv::sim {
namespace {

std::vector<std::string> Bodies(const Answer& answer) {
    std::vector<std::string> bodies;
    for (const Reply& r : answer.replies)
        bodies.push_back(r.bytes);
    return bodies;
}

std::vector<std::string> Ask(LoggerState& state, const std::string& body) {
    return Bodies(AnswerCommand(state, body, 0));
}

// An image whose byte at offset i is a simple function of i, so that any
// misplaced byte shows; the tail stays erased.
std::vector<uint8_t> PatternImage(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>((i * 7 + i / 256) % 251);
    return image;
}

// Decodes the hexadecimal data of a "PMTK182,8,AAAAAAAA,..." body.
std::vector<uint8_t> LineData(const std::string& body, uint64_t& address) {
    EXPECT_EQ(body.substr(0, 10), "PMTK182,8,");
    address = std::stoull(body.substr(10, 8), nullptr, 16);
    EXPECT_EQ(body[18], ',');
    std::vector<uint8_t> data;
    for (size_t i = 19; i + 1 < body.size(); i += 2)
        data.push_back(static_cast<uint8_t>(std::stoul(body.substr(i, 2), nullptr, 16)));
    EXPECT_EQ((body.size() - 19) % 2, 0u);
    return data;
}

TEST(SimAnswer, ReleaseTextTellsEachModel) {
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, {});
    LoggerState qv3 = MakeLoggerState(LoggerModel::Qv3, {});
    LoggerState generic = MakeLoggerState(LoggerModel::Generic, {});
    const std::vector<std::string> a = Ask(qv4, "PMTK605");
    const std::vector<std::string> b = Ask(qv3, "PMTK605");
    const std::vector<std::string> c = Ask(generic, "PMTK605");
    ASSERT_EQ(a.size(), 1u);  // no acknowledgement: the release reply moves the queue itself
    ASSERT_EQ(b.size(), 1u);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_TRUE(a[0].starts_with("PMTK705,QV4,"));
    EXPECT_NE(b[0].find(",QV3"), std::string::npos);
    EXPECT_FALSE(b[0].starts_with("PMTK705,QV4,"));
    EXPECT_NE(c[0].find("887"), std::string::npos);
    EXPECT_EQ(c[0].find(",QV3"), std::string::npos);
    // A third release field above 10000 is what selects the raw block reads.
    std::vector<std::string> fields;
    size_t from = 8;
    for (size_t comma; (comma = b[0].find(',', from)) != std::string::npos; from = comma + 1)
        fields.push_back(b[0].substr(from, comma - from));
    fields.push_back(b[0].substr(from));
    ASSERT_GE(fields.size(), 3u);
    EXPECT_GT(std::stoi(fields[2]), 10000);
}

TEST(SimAnswer, StatusQueriesAnswerOneFieldThenAcknowledge) {
    std::vector<uint8_t> image(74565, 0x11);
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, image);
    EXPECT_EQ(Ask(qv4, "PMTK182,2,8"),
              (std::vector<std::string>{"PMTK182,3,8,00012345", "PMTK001,182,2,3"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,2,2"),
              (std::vector<std::string>{"PMTK182,3,2,0004103F", "PMTK001,182,2,3"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,2,3")[0], "PMTK182,3,3,1");
    EXPECT_EQ(Ask(qv4, "PMTK182,2,4")[0], "PMTK182,3,4,0");
    EXPECT_EQ(Ask(qv4, "PMTK182,2,5")[0], "PMTK182,3,5,0");
    EXPECT_EQ(Ask(qv4, "PMTK182,2,6")[0], "PMTK182,3,6,2");
    EXPECT_EQ(Ask(qv4, "PMTK400"), (std::vector<std::string>{"PMTK500,100,0,0,0,0"}));
    EXPECT_EQ(Ask(qv4, "PTSI990,2,0"), (std::vector<std::string>{"PTSI990,2,0,27"}));
    EXPECT_EQ(Ask(qv4, "PTSI777,1"), (std::vector<std::string>{"PTSI777,1,30.00"}));

    LoggerState generic = MakeLoggerState(LoggerModel::Generic, {});
    EXPECT_EQ(Ask(generic, "PMTK490"),
              (std::vector<std::string>{"PMTK590,0,10,115200,0,1,0,0,0,0,0,0,0,0,115200"}));
    EXPECT_EQ(Ask(generic, "PMTK414"),
              (std::vector<std::string>{"PMTK514,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0"}));
    EXPECT_EQ(Ask(generic, "PMTK182,2,3")[0], "PMTK182,3,3,2");
    EXPECT_EQ(Ask(generic, "PMTK182,2,2")[0], "PMTK182,3,2,8004107D");
    EXPECT_EQ(Ask(generic, "PMTK182,2,8")[0], "PMTK182,3,8,00000000");
    EXPECT_EQ(Ask(generic, "PMTK182,2,10")[0], "PMTK182,3,10,0");
    const std::vector<std::string> id = Ask(generic, "PMTK492");
    ASSERT_EQ(id.size(), 1u);
    EXPECT_EQ(id[0].size(), 8u + 12u);
}

// The 10 Hz set-up of the current model, then the status read back.
TEST(SimAnswer, SettingsPersistAndReadBack) {
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, {});
    for (const char* command : {"PMTK182,1,2,0004103F", "PMTK182,1,3,1", "PMTK182,1,4,0",
                                "PMTK182,1,5,0", "PMTK182,1,6,2"})
        EXPECT_EQ(Ask(qv4, command), (std::vector<std::string>{"PMTK001,182,1,3"})) << command;
    EXPECT_EQ(Ask(qv4, "PMTK300,50,0,0,0,0"), (std::vector<std::string>{"PMTK001,300,3"}));
    EXPECT_EQ(Ask(qv4, "PTSI990,2,1,26"), (std::vector<std::string>{"PTSI990,2,1,26"}));
    EXPECT_EQ(Ask(qv4, "PTSI777,2,00.01"), (std::vector<std::string>{"PTSI777,2,00.01"}));
    EXPECT_EQ(Ask(qv4, "PMTK400")[0], "PMTK500,50,0,0,0,0");
    EXPECT_EQ(Ask(qv4, "PTSI990,2,0")[0], "PTSI990,2,0,26");
    EXPECT_EQ(Ask(qv4, "PTSI777,1")[0], "PTSI777,1,00.01");

    LoggerState generic = MakeLoggerState(LoggerModel::Generic, {});
    for (const char* command :
         {"PMTK182,1,2,8004107D", "PMTK182,1,3,5", "PMTK182,1,6,1", "PMTK301,2", "PMTK313,0",
          "PMTK330,0", "PMTK314,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0", "PTSI777,2,7.0000"})
        EXPECT_EQ(AnswerCommand(generic, command, 0).replies.size(), 1u) << command;
    EXPECT_EQ(Ask(generic, "PMTK182,2,3")[0], "PMTK182,3,3,5");
    EXPECT_EQ(Ask(generic, "PMTK182,2,6")[0], "PMTK182,3,6,1");
    EXPECT_EQ(Ask(generic, "PMTK401")[0], "PMTK501,2");
    EXPECT_EQ(Ask(generic, "PMTK413")[0], "PMTK513,0");
    EXPECT_EQ(Ask(generic, "PMTK414")[0], "PMTK514,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
    EXPECT_EQ(Ask(generic, "PTSI777,1")[0], "PTSI777,1,07.00");
}

TEST(SimAnswer, BadSettingsAreRefusedAndChangeNothing) {
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, {});
    EXPECT_EQ(Ask(qv4, "PMTK182,1,3,x"), (std::vector<std::string>{"PMTK001,182,1,0"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,1,6,7"), (std::vector<std::string>{"PMTK001,182,1,0"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,1,9,1"), (std::vector<std::string>{"PMTK001,182,1,1"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,1,2,GG"), (std::vector<std::string>{"PMTK001,182,1,0"}));
    EXPECT_EQ(Ask(qv4, "PMTK300,0,0,0,0,0"), (std::vector<std::string>{"PMTK001,300,0"}));
    EXPECT_EQ(Ask(qv4, "PTSI777,2,fast"), (std::vector<std::string>{"PTSI777,2,30.00"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,2,3")[0], "PMTK182,3,3,1");
    EXPECT_EQ(Ask(qv4, "PMTK182,2,6")[0], "PMTK182,3,6,2");
    EXPECT_EQ(Ask(qv4, "PMTK182,2,2")[0], "PMTK182,3,2,0004103F");
    EXPECT_EQ(Ask(qv4, "PMTK400")[0], "PMTK500,100,0,0,0,0");
    // Unknown commands still get an answer, so the program's queue moves on.
    EXPECT_EQ(Ask(qv4, "PMTK999"), (std::vector<std::string>{"PMTK001,999,1"}));
    EXPECT_EQ(Ask(qv4, "PTSI123,4"), (std::vector<std::string>{"PTSI009,123,0"}));
    EXPECT_TRUE(Ask(qv4, "").empty());
    EXPECT_TRUE(Ask(qv4, "GPRMC,1,2").empty());
    EXPECT_TRUE(Ask(qv4, "PTSI870,7,00000000,1024").empty());  // no raw reads on this model
}

TEST(SimAnswer, EraseTakesItsTimeAndLeavesErasedFlash) {
    LoggerState qv3 = MakeLoggerState(LoggerModel::Qv3, PatternImage(200000));
    EXPECT_EQ(Ask(qv3, "PMTK182,2,8")[0], "PMTK182,3,8,00030D40");
    const Answer erase = AnswerCommand(qv3, "PMTK182,6,1", 1500);
    EXPECT_EQ(erase.delayMs, 1500);
    EXPECT_EQ(Bodies(erase), (std::vector<std::string>{"PMTK001,182,6,3"}));
    EXPECT_EQ(Ask(qv3, "PMTK182,2,8")[0], "PMTK182,3,8,00000000");
    EXPECT_EQ(Ask(qv3, "PMTK182,2,10")[0], "PMTK182,3,10,0");
    uint64_t address = 1;
    const std::vector<std::string> read = Ask(qv3, "PMTK182,7,00000000,800");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(LineData(read[0], address), std::vector<uint8_t>(2048, 0xFF));
    EXPECT_EQ(address, 0u);
    // Only "erase the log" erases.
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, PatternImage(5000));
    EXPECT_EQ(Ask(qv4, "PMTK182,6,2"), (std::vector<std::string>{"PMTK001,182,6,1"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,2,8")[0], "PMTK182,3,8,00001388");
}

// The current model streams the whole used area in 2048-byte lines without
// any acknowledgement, then answers the end-marker read.
TEST(SimAnswer, Qv4StreamsTheUsedFlash) {
    const std::vector<uint8_t> image = PatternImage(74565);
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, image);
    const Answer stream = AnswerCommand(qv4, "PMTK182,7,0,13000", 0);
    ASSERT_EQ(stream.replies.size(), 38u);
    EXPECT_FALSE(stream.pieceRead);
    std::vector<uint8_t> got;
    for (size_t i = 0; i < stream.replies.size(); ++i) {
        uint64_t address = 0;
        const std::vector<uint8_t> data = LineData(stream.replies[i].bytes, address);
        EXPECT_EQ(address, i * 2048);
        EXPECT_EQ(data.size(), 2048u);
        EXPECT_TRUE(stream.replies[i].flash);
        got.insert(got.end(), data.begin(), data.end());
    }
    ASSERT_EQ(got.size(), 0x13000u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + 74565, got.end(), [](uint8_t b) { return b == 0xFF; }));

    const std::vector<std::string> marker = Ask(qv4, "PMTK182,7,FFFFF0,10");
    ASSERT_EQ(marker.size(), 1u);
    EXPECT_EQ(marker[0], "PMTK182,8,00FFFFF0," + std::string(32, 'F'));
    const std::vector<std::string> reread = Ask(qv4, "PMTK182,7,5000,800");
    ASSERT_EQ(reread.size(), 1u);
    uint64_t address = 0;
    const std::vector<uint8_t> piece = LineData(reread[0], address);
    EXPECT_EQ(address, 0x5000u);
    EXPECT_TRUE(std::equal(piece.begin(), piece.end(), image.begin() + 0x5000));
    // With nothing to send, the acknowledgement is the only answer.
    EXPECT_EQ(Ask(qv4, "PMTK182,7,0,0000"), (std::vector<std::string>{"PMTK001,182,7,3"}));
}

TEST(SimAnswer, Qv3AcknowledgesFullLinesOnly) {
    const std::vector<uint8_t> image = PatternImage(3 * 65536 + 100);
    LoggerState qv3 = MakeLoggerState(LoggerModel::Qv3, image);
    const std::vector<std::string> full = Ask(qv3, "PMTK182,7,00010800,800");
    ASSERT_EQ(full.size(), 2u);
    EXPECT_EQ(full[1], "PMTK001,182,7,3");
    uint64_t address = 0;
    std::vector<uint8_t> data = LineData(full[0], address);
    EXPECT_EQ(address, 0x10800u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 0x10800));
    const std::vector<std::string> half = Ask(qv3, "PMTK182,7,00010C00,400");
    ASSERT_EQ(half.size(), 1u);
    data = LineData(half[0], address);
    EXPECT_EQ(address, 0x10C00u);
    EXPECT_EQ(data.size(), 1024u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 0x10C00));

    LoggerState generic = MakeLoggerState(LoggerModel::Generic, image);
    for (const char* command :
         {"PMTK182,7,00020000,100", "PMTK182,7,00020000,200", "PMTK182,7,00020000,800"}) {
        const std::vector<std::string> lines = Ask(generic, command);
        ASSERT_EQ(lines.size(), 2u) << command;
        EXPECT_EQ(lines[1], "PMTK001,182,7,3");
    }
    EXPECT_EQ(Ask(generic, "PMTK182,7,zz,800"), (std::vector<std::string>{"PMTK001,182,7,0"}));
}

TEST(SimAnswer, Qv3RawBlocksCarryFlashBytesAsTheyAre) {
    const std::vector<uint8_t> image = PatternImage(200000);
    LoggerState qv3 = MakeLoggerState(LoggerModel::Qv3, image);
    const Answer block = AnswerCommand(qv3, "PTSI870,7,00066560,1024", 0);
    ASSERT_EQ(block.replies.size(), 1u);
    const Reply& r = block.replies[0];
    EXPECT_TRUE(r.raw);
    EXPECT_TRUE(block.pieceRead);
    const std::string head = "$00010400,";
    ASSERT_EQ(r.bytes.size(), head.size() + 1024 + 2);
    EXPECT_EQ(r.bytes.substr(0, head.size()), head);
    EXPECT_EQ(r.bytes.substr(r.bytes.size() - 2), "\r\n");
    EXPECT_TRUE(std::equal(image.begin() + 66560, image.begin() + 66560 + 1024,
                           reinterpret_cast<const uint8_t*>(r.bytes.data()) + head.size()));
    // Too few fields: the whole first 4 KiB, as the program then expects.
    const Answer whole = AnswerCommand(qv3, "PTSI870,7,", 0);
    ASSERT_EQ(whole.replies.size(), 1u);
    EXPECT_EQ(whole.replies[0].bytes.size(), head.size() + 4096 + 2);
    // Past the end of the flash the bytes read as erased.
    const Answer beyond = AnswerCommand(qv3, "PTSI870,7,08388096,1024", 0);
    ASSERT_EQ(beyond.replies.size(), 1u);
    EXPECT_EQ(beyond.replies[0].bytes.substr(0, 10), "$007FFE00,");
    EXPECT_EQ(beyond.replies[0].bytes.substr(10 + 1024, 2), "\r\n");
    EXPECT_EQ(beyond.replies[0].bytes.substr(10 + 1022, 2), "\xFF\xFF");
}

TEST(SimAnswer, HugeOrOddReadsStayBounded) {
    LoggerState qv4 = MakeLoggerState(LoggerModel::Qv4, {});
    const Answer all = AnswerCommand(qv4, "PMTK182,7,0,FFFFFFFF", 0);
    ASSERT_EQ(all.replies.size(), (16u << 20) / 2048);
    EXPECT_EQ(all.replies.back().bytes.substr(0, 19), "PMTK182,8,00FFF800,");
    // The address field keeps its eight digits at the top of the address range.
    EXPECT_EQ(Ask(qv4, "PMTK182,7,FFFFFFFF,FFFFFFFF"),
              (std::vector<std::string>{"PMTK182,8,FFFFFFFF,FF"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,7,0"), (std::vector<std::string>{"PMTK001,182,7,0"}));
    EXPECT_EQ(Ask(qv4, "PMTK182,7,123456789,10"), (std::vector<std::string>{"PMTK001,182,7,0"}));
}

// Whatever the program sends, every reply stays one well-formed sentence
// and reads stay within their limits.
TEST(SimAnswer, ArbitraryCommandsGiveWellFormedReplies) {
    static constexpr char kAlphabet[] = "0123456789ABCDEFx,.-";
    const char* prefixes[] = {
        "PMTK182,",     "PMTK182,1,", "PMTK182,7,", "PTSI870,7,", "PTSI777,2,",
        "PTSI990,2,1,", "PMTK314,",   "PMTK3",      "PTSI",       ""};
    uint32_t noise = 12345;
    auto next = [&noise] { return noise = noise * 1103515245u + 12345u; };
    for (LoggerModel model : {LoggerModel::Qv4, LoggerModel::Qv3, LoggerModel::Generic}) {
        LoggerState state = MakeLoggerState(model, PatternImage(5000));
        for (int i = 0; i < 3000; ++i) {
            std::string body = prefixes[(next() >> 8) % std::size(prefixes)];
            const size_t extra = (next() >> 8) % 24;
            for (size_t k = 0; k < extra; ++k)
                body += kAlphabet[(next() >> 8) % (sizeof kAlphabet - 1)];
            const Answer answer = AnswerCommand(state, body, 0);
            for (const Reply& r : answer.replies) {
                if (r.raw) {
                    EXPECT_LE(r.dataBytes, 65536u) << body;
                    EXPECT_EQ(r.bytes.size() - r.bytes.find(',') - 1, r.dataBytes + 2) << body;
                    continue;
                }
                EXPECT_EQ(r.bytes.find_first_of("$*\r\n"), std::string::npos) << body;
                EXPECT_LE(r.bytes.size(), 20u + 2 * kMaxLineData) << body;
            }
        }
    }
}

}  // namespace
}  // namespace qv::sim
