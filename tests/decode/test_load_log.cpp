#include "decode/load_log.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/bnx4_encoder.h"
#include "synth/mtk_encoder.h"
#include "synth/run_file_encoder.h"

namespace qv {
namespace {

using synth::MtkImageWriter;
using synth::SynthFix;

std::vector<SynthFix> Fixes(int n) {
    std::vector<SynthFix> fixes;
    for (int i = 0; i < n; ++i) {
        SynthFix f;
        f.utcMs = 1714377600000 + i * 100;
        f.lat = 35.37 + i * 1e-5;
        f.lon = 138.93 - i * 1e-5;
        f.elv = 120;
        f.spd = 80;
        f.satUsed = 8;
        f.satView = 11;
        fixes.push_back(f);
    }
    return fixes;
}

class LoadLogTest : public ::testing::Test {
  protected:
    LoadLogTest() : session_(std::make_unique<Session>(25569.0)) {}

    LoadLogResult Load(const std::string& name, const std::vector<uint8_t>& bytes,
                       LoadLogOptions options = {}) {
        const auto path = dir_ / name;
        test::WriteBytes(path, bytes);
        return LoadLogFile(*session_, path, options);
    }
    void ExpectRefused(const LoadLogResult& r) {
        EXPECT_FALSE(r.proceed);
        EXPECT_EQ(r.message, "It is not a Quorvane log format.");
    }

    test::TempDir dir_;
    std::unique_ptr<Session> session_;
};

TEST_F(LoadLogTest, BinxSizeRules) {
    const std::vector<uint8_t> image = synth::EncodeMtkImage(Fixes(50));
    std::vector<uint8_t> oneByteMore = image;
    oneByteMore.push_back(0xFF);
    LoadLogResult r = Load("a.binx", oneByteMore);
    ExpectRefused(r);
    EXPECT_FALSE(r.sizeOk);
    EXPECT_FALSE(r.decoded);

    r = Load("b.binx", synth::EncodeMtkImage(Fixes(50), kMtkFormatHeading, 129));
    ExpectRefused(r);

    r = Load("c.binx", synth::EncodeMtkImage(Fixes(50), kMtkFormatHeading, 128));
    EXPECT_TRUE(r.proceed);
    EXPECT_EQ(r.checkValue, CheckValueOutcome::Passed);
    EXPECT_EQ(session_->log.LogItemNum, 50);
    EXPECT_EQ(session_->diagnostics.Lines().front(), "50 records");
}

TEST_F(LoadLogTest, BinMustBeExactlyFourMebibytes) {
    ExpectRefused(Load("small.bin", synth::EncodeMtkImage(Fixes(10), kMtkFormatHeading, 63)));
    const LoadLogResult r =
        Load("full.BIN", synth::EncodeMtkImage(Fixes(10), kMtkFormatHeading, 64));
    EXPECT_EQ(r.kind, LogFileKind::Bin);
    EXPECT_TRUE(r.proceed);
    EXPECT_EQ(session_->log.LogItemNum, 10);
}

TEST_F(LoadLogTest, BinCheckValueMustMatchToTheLastByte) {
    std::vector<uint8_t> image = synth::EncodeMtkImage(Fixes(10), kMtkFormatHeading, 64);
    image[kLogCheckValueOffset] ^= 1;
    const LoadLogResult r = Load("tampered.bin", image, {.diagnosticListVisible = true});
    ExpectRefused(r);
    EXPECT_EQ(r.checkValue, CheckValueOutcome::Failed);
    // A refused image is not kept.
    EXPECT_EQ(session_->log.LogItemNum, 0);
    EXPECT_EQ(session_->log.LogBlockNum(), 0);
}

TEST_F(LoadLogTest, BinxIgnoresTheTwoLowestCheckValueBytes) {
    std::vector<uint8_t> image = synth::EncodeMtkImage(Fixes(10));
    image[kLogCheckValueOffset] ^= 0xFF;
    image[kLogCheckValueOffset + 1] ^= 0xFF;
    EXPECT_TRUE(Load("low.binx", image).proceed);

    image[kLogCheckValueOffset + 9] ^= 0x01;  // sign and exponent
    const LoadLogResult hidden = Load("high.binx", image);
    ExpectRefused(hidden);
    EXPECT_EQ(hidden.checkValue, CheckValueOutcome::Failed);

    // With the diagnostic list shown the log opens anyway, message and all.
    const LoadLogResult shown = Load("high.binx", image, {.diagnosticListVisible = true});
    EXPECT_TRUE(shown.proceed);
    EXPECT_EQ(shown.message, "It is not a Quorvane log format.");
    EXPECT_EQ(session_->log.LogItemNum, 10);
}

TEST_F(LoadLogTest, CheckValueCountsOnlyTheRecordsTheDecoderKeeps) {
    MtkImageWriter writer;
    const std::vector<SynthFix> fixes = Fixes(20);
    for (size_t i = 0; i < fixes.size(); ++i) {
        writer.AddFix(fixes[i], i % 5 == 0 ? synth::MtkFault::BadChecksum : synth::MtkFault::None);
    }
    const LoadLogResult r = Load("damaged.binx", writer.Finish());
    EXPECT_TRUE(r.proceed);
    EXPECT_EQ(session_->log.LogItemNum, 16);
    EXPECT_EQ(session_->log.LogItems[0].Ido, fixes[1].lat);
}

TEST_F(LoadLogTest, ImagesWithoutFixes) {
    // Erased flash: "0 records" and nothing else.
    LoadLogResult r = Load("empty.binx", std::vector<uint8_t>(kMtkSectorSize, 0xFF));
    EXPECT_TRUE(r.proceed);
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(session_->diagnostics.Lines().front(), "0 records");

    // Records of a format word we do not write: the message.
    MtkImageWriter foreign(0x0000003F);
    for (const SynthFix& f : Fixes(5))
        foreign.AddFix(f);
    r = Load("foreign.binx", foreign.Finish());
    ExpectRefused(r);
    EXPECT_EQ(r.checkValue, CheckValueOutcome::NotChecked);
}

TEST_F(LoadLogTest, OtherLoggersImagesAreRefused) {
    // Real dumps of loggers with other format words.
    for (const char* name :
         {"mtk_logger.bin", "mtk_logger_bt-qt1000xt.bin", "iBlue747_allfields.bin"}) {
        SCOPED_TRACE(name);
        const auto bytes = test::ReadBytes(test::TestDataDir() + "/mtk/" + name);
        ASSERT_EQ(bytes.size(), 65536u);
        // As a .bin the size is wrong; as a .binx the format is.
        ExpectRefused(Load("peer.bin", bytes));
        const LoadLogResult r = Load("peer.binx", bytes);
        ExpectRefused(r);
        EXPECT_TRUE(r.decoded);
        EXPECT_EQ(session_->log.LogItemNum, 0);
        EXPECT_TRUE(session_->log.UnexpectedFormatSeen);
    }
}

TEST_F(LoadLogTest, OpeningAnotherLogReplacesTheFixes) {
    ASSERT_TRUE(Load("first.binx", synth::EncodeMtkImage(Fixes(30))).proceed);
    ASSERT_TRUE(Load("second.binx", synth::EncodeMtkImage(Fixes(12))).proceed);
    EXPECT_EQ(session_->log.LogItemNum, 12);
    EXPECT_EQ(session_->log.LogBlockNum(), 1);
    EXPECT_EQ(session_->log.LogBlocks[0].RecNum, 12);
}

TEST_F(LoadLogTest, MissingAndUnknownFilesDoNothing) {
    session_->log.LogItemNum = 3;  // what an earlier log left
    LoadLogResult r = LoadLogFile(*session_, dir_ / "absent.binx");
    EXPECT_FALSE(r.exists);
    EXPECT_TRUE(r.message.empty());
    r = Load("notes.md", {1, 2, 3});
    EXPECT_EQ(r.kind, LogFileKind::Unknown);
    EXPECT_FALSE(r.decoded);
    EXPECT_EQ(session_->log.LogItemNum, 3);
    EXPECT_TRUE(session_->diagnostics.Lines().empty());
}

TEST_F(LoadLogTest, Bnx4SizeAndCheckValueRules) {
    const std::vector<uint8_t> image = synth::EncodeBnx4Image(Fixes(40));
    LoadLogResult r = Load("good.bnx4", image);
    EXPECT_TRUE(r.proceed);
    EXPECT_EQ(r.checkValue, CheckValueOutcome::Passed);
    EXPECT_GT(session_->log.LogItemNum, 30);

    std::vector<uint8_t> odd = image;
    odd.push_back(0);
    ExpectRefused(Load("odd.bnx4", odd));

    // Larger than the raw log buffer: refused before anything is read.
    std::vector<uint8_t> huge(kRawLogBufSize + 4096, 0xFF);
    r = Load("huge.bnx4", huge);
    ExpectRefused(r);
    EXPECT_FALSE(r.decoded);

    // Within 0.1 of the computed value is accepted, beyond it is not.
    std::vector<uint8_t> nudged = image;
    const Float80 stored = DecodeExt80(nudged.data() + kLogCheckValueOffset);
    WriteCheckValue(nudged, stored + 0.05L);
    EXPECT_TRUE(Load("near.bnx4", nudged).proceed);
    WriteCheckValue(nudged, stored + 0.5L);
    ExpectRefused(Load("far.bnx4", nudged));
    EXPECT_TRUE(Load("far.bnx4", nudged, {.diagnosticListVisible = true}).proceed);
}

TEST_F(LoadLogTest, Bnx4SpeedsAreSmoothedUnlessLeftOut) {
    std::vector<SynthFix> fixes = Fixes(40);
    for (size_t i = 0; i < fixes.size(); ++i)
        fixes[i].spd = i % 2 == 0 ? 60.0f : 100.0f;
    const std::vector<uint8_t> image = synth::EncodeBnx4Image(fixes);
    struct Case {
        bool smooth;
        bool raw;  // every stored speed is the logged one
    };
    for (const Case c : {Case{true, false}, Case{false, true}}) {
        SCOPED_TRACE(c.smooth);
        const LoadLogResult r = Load("zigzag.bnx4", image, {.smoothSpeeds = c.smooth});
        EXPECT_TRUE(r.proceed);
        EXPECT_EQ(r.checkValue, CheckValueOutcome::Passed);
        const LogStore& log = session_->log;
        ASSERT_EQ(log.LogItemNum, 40);
        ASSERT_EQ(log.LogBlockNum(), 1);
        EXPECT_EQ(log.LogBlocks[0].RecNum, 40);
        int raw = 0;
        for (int i = 0; i < log.LogItemNum; ++i)
            raw += log.LogItems[i].Spd == fixes[static_cast<size_t>(i)].spd;
        EXPECT_EQ(raw == log.LogItemNum, c.raw) << raw;
    }
}

TEST_F(LoadLogTest, RunFilesOfEveryVariant) {
    const std::pair<const char*, RunFileVariant> variants[] = {{"r.bon", RunFileVariant::Bon},
                                                               {"r.bon4", RunFileVariant::Bon4},
                                                               {"r.bonz", RunFileVariant::Bonz},
                                                               {"r.bnz4", RunFileVariant::Bnz4}};
    for (const auto& [name, variant] : variants) {
        SCOPED_TRACE(name);
        const LoadLogResult r = Load(name, synth::EncodeRunFile(Fixes(25), variant));
        EXPECT_TRUE(r.supported);
        EXPECT_TRUE(r.proceed);
        EXPECT_GT(session_->log.LogItemNum, 20);
        EXPECT_EQ(session_->diagnostics.Lines().front(),
                  std::to_string(session_->log.LogItemNum) + " records");
    }
}

TEST(LogFileKindTest, ExtensionsInAnyCase) {
    EXPECT_EQ(LogFileKindOf("a/b/run.BiNx"), LogFileKind::Binx);
    EXPECT_EQ(LogFileKindOf("x.bnx4"), LogFileKind::Bnx4);
    EXPECT_EQ(LogFileKindOf("x.bnz4"), LogFileKind::Bnz4);
    EXPECT_EQ(LogFileKindOf("x.dtb"), LogFileKind::Dtb);
    EXPECT_EQ(LogFileKindOf("binx"), LogFileKind::Unknown);
    EXPECT_EQ(LogFileKindOf("x.binx.bak"), LogFileKind::Unknown);
}

TEST(LogCheckValueTest, FormulaInExtendedPrecision) {
    // sqrt(100) + 35 * pi + 139 / pi
    const Float80 pi = 3.141592653589793238462643383279502884L;
    EXPECT_EQ(ComputeLogCheckValue(100, 35.0, 139.0), 10.0L + 35.0L * pi + 139.0L / pi);
    const Float80 v = ComputeLogCheckValue(12345, 35.37, 138.93);
    EXPECT_TRUE(CheckValueWithinTenth(EncodeCheckValue(v + 0.05L), v));
    EXPECT_FALSE(CheckValueWithinTenth(EncodeCheckValue(v + 0.15L), v));
    EXPECT_TRUE(CheckValueMatchesExactly(EncodeCheckValue(v), v));
    EXPECT_FALSE(CheckValueMatchesExactly(EncodeCheckValue(v), std::nextafter(v, 1e9L)));
    EXPECT_TRUE(CheckValueMatchesHigh8(EncodeCheckValue(v), std::nextafter(v, 1e9L)));
}

}  // namespace
}  // namespace qv
