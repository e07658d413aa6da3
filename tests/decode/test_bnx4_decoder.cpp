#include "decode/bnx4_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "decode/log_check_value.h"
#include "decode/smooth_speeds.h"
#include "support/decoder_test.h"
#include "synth/bnx4_encoder.h"
#include "synth/drive.h"

namespace qv {
namespace {

using synth::Bnx4Fault;
using synth::Bnx4ImageWriter;
using synth::Bnx4WriterOptions;
using synth::kBnx4FormatBasic;
using synth::kBnx4FormatRcr;
using synth::kBnx4FormatSensor;
using synth::SynthFix;
using test::kTokyoBase;

constexpr int64_t kStartMs = 1714377600000;  // 2024-04-29 08:00:00 UTC
constexpr TDateTime kJan2021 = 44197.0;      // 2021-01-01 00:00

SynthFix MakeFix(int i, int64_t startMs = kStartMs) {
    SynthFix f;
    f.utcMs = startMs + i * 1000 + 100;
    f.lat = 35.25 + i * 0.0001;
    f.lon = 138.75 - i * 0.0002;
    f.elv = 100.0f + static_cast<float>(i);
    f.spd = 100.0f + static_cast<float>(i % 7);
    f.compassDeg = 0;
    f.satUsed = 9;
    f.satView = 12;
    return f;
}

Bnx4WriterOptions Options(uint32_t format = kBnx4FormatBasic, size_t maxBlocks = 4096) {
    Bnx4WriterOptions o;
    o.formatWord = format;
    o.maxBlocks = maxBlocks;
    o.localTimeBase = kTokyoBase;
    return o;
}

// The bytes of one record of `format`.
std::vector<uint8_t> RecordBytes(const SynthFix& fix, uint32_t format,
                                 Bnx4Fault fault = Bnx4Fault::None) {
    Bnx4ImageWriter writer(Options(format));
    writer.AddFix(fix, fault);
    const std::vector<uint8_t> image = writer.Finish();
    const auto begin = image.begin() + kBlock4kHeaderSize;
    return {begin, begin + static_cast<long>(Record4kLength(format))};
}

std::vector<uint8_t> SeparatorBytes(uint8_t type, uint32_t value) {
    std::vector<uint8_t> sep(7, 0xAA);
    sep.push_back(type);
    for (int k = 0; k < 4; ++k)
        sep.push_back(static_cast<uint8_t>(value >> (8 * k)));
    sep.insert(sep.end(), 4, 0xBB);
    return sep;
}

class Bnx4DecoderTest : public test::DecoderTest {
  protected:
    void Decode(const std::vector<uint8_t>& image) {
        image_ = image;
        session_->log.Reset();
        DecodeBlock4kImage(Target(), image_, (image_.size() + kBlock4kSize - 1) / kBlock4kSize);
    }
    int RecNumTotal() {
        int n = 0;
        for (const TLogBlock& b : log().LogBlocks)
            n += b.RecNum;
        return n;
    }

    std::vector<uint8_t> image_;
};

TEST(Record4kLengthTest, OnlyTheListedFieldsTakeBytes) {
    EXPECT_EQ(Record4kLength(kBnx4FormatBasic), 36u);
    EXPECT_EQ(Record4kLength(kBnx4FormatSensor), 88u);
    EXPECT_EQ(Record4kLength(kBnx4FormatRcr), 38u);
    EXPECT_EQ(Record4kLength(0), 2u);
    // Heading, DOPs, the satellite list and the rest add nothing here.
    EXPECT_EQ(Record4kLength(kBnx4FormatBasic | ~0x26103Fu), 36u);
    EXPECT_EQ(Record4kLength(0xFFFFFFFFu), 90u);
}

TEST_F(Bnx4DecoderTest, DecodesEveryFieldOfEachFormat) {
    for (uint32_t format : {kBnx4FormatBasic, kBnx4FormatSensor, kBnx4FormatRcr}) {
        SCOPED_TRACE(format);
        // Leftovers of a previous log must not survive in the slots.
        for (int i = 0; i < 5; ++i) {
            session_->log.LogItems[i].Dir = 45.0f;
            session_->log.LogItems[i].Act = true;
            session_->log.MotionItems[i].Yaw = 7.0;
        }
        Bnx4ImageWriter writer(Options(format));
        for (int i = 0; i < 5; ++i)
            writer.AddFix(MakeFix(i));
        Decode(writer.Finish());
        ASSERT_EQ(log().LogItemNum, 5);
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            ExpectLoggedFix(i, MakeFix(i));
            EXPECT_EQ(Fix(i).valid, 3);
            EXPECT_EQ(session_->log.MotionItems[i].Yaw, 0.0);
        }
        ASSERT_EQ(log().LogBlockNum(), 1);
        EXPECT_EQ(log().LogBlocks[0].Title, "20240429_1700");
        EXPECT_EQ(log().LogBlocks[0].RecNum, 5);
    }
}

TEST_F(Bnx4DecoderTest, DriveAcrossManyBlocksRoundTrips) {
    synth::DriveOptions options;
    options.rateHz = 20;
    options.laps = 2;
    options.noiseM = 0.3;
    options.gaps = {{1, 120}};  // logging off for two minutes: a second block
    const synth::Drive drive = synth::SynthesizeDrive(synth::DemoCircuit(), options);

    Bnx4ImageWriter writer(Options(kBnx4FormatSensor));
    for (const SynthFix& f : drive.fixes)
        ASSERT_TRUE(writer.AddFix(f));
    const std::vector<uint8_t> image = writer.Finish();
    ASSERT_GT(writer.BlocksUsed(), 10u);
    Decode(image);

    // Standing fixes (0 km/h) are refused; every other one comes through.
    std::vector<SynthFix> moving;
    for (const SynthFix& f : drive.fixes) {
        if (f.spd > 0)
            moving.push_back(f);
    }
    ASSERT_LT(moving.size(), drive.fixes.size());
    ASSERT_EQ(log().LogItemNum, static_cast<int>(moving.size()));
    EXPECT_EQ(writer.ExpectedFixes(), log().LogItemNum);
    for (size_t i = 0; i < moving.size(); ++i) {
        const TLogItem& got = Fix(static_cast<int>(i));
        ASSERT_EQ(got.Ido, moving[i].lat) << i;
        ASSERT_EQ(got.Spd, moving[i].spd) << i;
        ASSERT_EQ(got.ms, moving[i].utcMs % 1000) << i;
    }
    EXPECT_EQ(log().LogBlockNum(), 2);
    EXPECT_EQ(RecNumTotal(), log().LogItemNum);
    EXPECT_TRUE(CheckValueWithinTenth(StoredCheckValue(image), LogCheckValueOf(log())));
    EXPECT_TRUE(session_->diagnostics.Lines().empty());
}

TEST_F(Bnx4DecoderTest, InvalidFixDropsTheFiveValidFixesAfterIt) {
    Bnx4ImageWriter writer(Options());
    writer.AddFix(MakeFix(0), Bnx4Fault::NotValid);
    for (int i = 1; i <= 6; ++i)
        writer.AddFix(MakeFix(i));
    Decode(writer.Finish());
    ASSERT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(Fix(0).Ido, MakeFix(6).lat);
}

TEST_F(Bnx4DecoderTest, SkipCounterRules) {
    struct Step {
        Bnx4Fault fault;
        bool stored;
    };
    using F = Bnx4Fault;
    const std::vector<std::vector<Step>> cases = {
        // A second invalid fix while skipping starts the count again.
        {{F::NotValid, false},
         {F::None, false},
         {F::None, false},
         {F::Scrambled, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, true}},
        // An implausible record does not set the skip; inside it, it counts
        // down like any fix with validity 3.
        {{F::SpeedAbove2000, false},
         {F::None, true},
         {F::NotValid, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::SpeedZero, false},
         {F::None, true}},
        // Erased record slots are not fixes at all.
        {{F::NotValid, false},
         {F::ErasedHead, false},
         {F::ErasedHead, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, false},
         {F::None, true}},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        Bnx4ImageWriter writer(Options());
        std::vector<int> want;
        for (size_t i = 0; i < cases[c].size(); ++i) {
            writer.AddFix(MakeFix(static_cast<int>(i)), cases[c][i].fault);
            if (cases[c][i].stored)
                want.push_back(static_cast<int>(i));
        }
        Decode(writer.Finish());
        EXPECT_EQ(writer.ExpectedFixes(), static_cast<int>(want.size()));
        ASSERT_EQ(log().LogItemNum, static_cast<int>(want.size()));
        for (size_t k = 0; k < want.size(); ++k)
            EXPECT_EQ(Fix(static_cast<int>(k)).Ido, MakeFix(want[k]).lat);
    }
}

TEST_F(Bnx4DecoderTest, SkipCounterSpansBlocksButNotImages) {
    Bnx4ImageWriter writer(Options());
    writer.AddFix(MakeFix(0));
    writer.AddFix(MakeFix(1), Bnx4Fault::NotValid);
    writer.StartBlock();
    for (int i = 2; i < 9; ++i)
        writer.AddFix(MakeFix(i));
    const std::vector<uint8_t> image = writer.Finish();
    ASSERT_EQ(image.size(), 2 * kBlock4kSize);
    Decode(image);
    ASSERT_EQ(log().LogItemNum, 3);
    EXPECT_EQ(Fix(1).Ido, MakeFix(7).lat);

    // Block by block with one state gives the same; a fresh image starts afresh.
    log().Reset();
    Block4kState state;
    DecodeBlock4k(Target(), state, image, 0);
    EXPECT_EQ(state.skipCounter, 5);
    DecodeBlock4k(Target(), state, image, 1);
    EXPECT_EQ(log().LogItemNum, 3);

    Bnx4ImageWriter endsInvalid(Options());
    endsInvalid.AddFix(MakeFix(0), Bnx4Fault::NotValid);
    const std::vector<uint8_t> first = endsInvalid.Finish();
    Bnx4ImageWriter plain(Options());
    plain.AddFix(MakeFix(1));
    const std::vector<uint8_t> second = plain.Finish();
    log().Reset();
    DecodeBlock4kImage(Target(), first, 1);
    DecodeBlock4kImage(Target(), second, 1);
    EXPECT_EQ(log().LogItemNum, 1);
}

TEST_F(Bnx4DecoderTest, RecordOutcomes) {
    const std::vector<uint8_t> invalid =
        RecordBytes(MakeFix(0), kBnx4FormatBasic, Bnx4Fault::NotValid);
    const std::vector<uint8_t> good = RecordBytes(MakeFix(1), kBnx4FormatBasic);
    const std::vector<uint8_t> slow =
        RecordBytes(MakeFix(2), kBnx4FormatBasic, Bnx4Fault::SpeedZero);
    log().Reset();
    Block4kState state;
    auto decode = [&](const std::vector<uint8_t>& rec, size_t available) {
        return DecodeRecord4k(Target(), state, rec.data(), available, kBnx4FormatBasic);
    };
    EXPECT_EQ(decode(good, 35), Record4kOutcome::Truncated);
    EXPECT_EQ(decode(invalid, 35), Record4kOutcome::Truncated);
    EXPECT_EQ(state.skipCounter, 0);
    EXPECT_EQ(decode(slow, 36), Record4kOutcome::Rejected);
    EXPECT_EQ(decode(good, 36), Record4kOutcome::Stored);
    EXPECT_EQ(decode(invalid, 36), Record4kOutcome::NotValid);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(decode(good, 36), Record4kOutcome::Skipped);
    EXPECT_EQ(decode(good, 36), Record4kOutcome::Stored);
    EXPECT_EQ(log().LogItemNum, 2);
}

TEST_F(Bnx4DecoderTest, PlausibilityLimits) {
    auto with = [](auto change) {
        SynthFix f = MakeFix(3);
        change(f);
        return f;
    };
    // UTC seconds of 2021-01-01 00:00 local time in UTC+9.
    const int64_t jan2021Ms =
        static_cast<int64_t>(std::llround((kJan2021 - kTokyoBase) * 86400)) * 1000;
    struct Case {
        const char* what;
        SynthFix fix;
        Bnx4Fault fault;
        bool accepted;
    };
    const Case cases[] = {
        {"2000 km/h", with([](SynthFix& f) { f.spd = 2000.0f; }), Bnx4Fault::None, true},
        {"above 2000", MakeFix(3), Bnx4Fault::SpeedAbove2000, false},
        {"0 km/h", MakeFix(3), Bnx4Fault::SpeedZero, false},
        {"creeping", with([](SynthFix& f) { f.spd = 0.01f; }), Bnx4Fault::None, true},
        {"negative", with([](SynthFix& f) { f.spd = -1.0f; }), Bnx4Fault::None, false},
        {"NaN speed", with([](SynthFix& f) { f.spd = std::nanf(""); }), Bnx4Fault::None, false},
        {"north pole", with([](SynthFix& f) { f.lat = 90.0; }), Bnx4Fault::None, true},
        {"south pole", with([](SynthFix& f) { f.lat = -90.0; }), Bnx4Fault::None, true},
        {"latitude out", MakeFix(3), Bnx4Fault::LatitudeOut, false},
        {"NaN latitude", with([](SynthFix& f) { f.lat = std::nan(""); }), Bnx4Fault::None, false},
        {"date line east", with([](SynthFix& f) { f.lon = 180.0; }), Bnx4Fault::None, true},
        {"date line west", with([](SynthFix& f) { f.lon = -180.0; }), Bnx4Fault::None, true},
        {"longitude out", MakeFix(3), Bnx4Fault::LongitudeOut, false},
        {"998 ms", with([](SynthFix& f) { f.utcMs = kStartMs + 998; }), Bnx4Fault::None, true},
        {"999 ms", MakeFix(3), Bnx4Fault::Millisecond999, false},
        {"last second of 2020", MakeFix(3), Bnx4Fault::Before2021, false},
        {"first moment of 2021", with([&](SynthFix& f) { f.utcMs = jan2021Ms; }), Bnx4Fault::None,
         true},
        {"NaN elevation", MakeFix(3), Bnx4Fault::ElevationNaN, false},
        {"noise", MakeFix(3), Bnx4Fault::Scrambled, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bnx4ImageWriter writer(Options());
        writer.AddFix(c.fix, c.fault);
        writer.AddFix(MakeFix(10));  // a good fix after it shows the scan went on
        Decode(writer.Finish());
        const int wantFixes = c.accepted ? 2 : (c.fault == Bnx4Fault::Scrambled ? 0 : 1);
        ASSERT_EQ(log().LogItemNum, wantFixes);
        EXPECT_EQ(writer.ExpectedFixes(), wantFixes);
        if (wantFixes > 0) {
            EXPECT_EQ(Fix(wantFixes - 1).Ido, MakeFix(10).lat);
        }
        if (c.accepted) {
            EXPECT_EQ(Fix(0).Spd, c.fix.spd);
            EXPECT_GE(Fix(0).DtTm, kJan2021);
        }
        EXPECT_TRUE(session_->diagnostics.Lines().empty());
    }
}

TEST_F(Bnx4DecoderTest, FormatsWithoutEveryRequiredFieldAreRefused) {
    for (int bit : {0, 2, 3, 4, 5, 12, 18}) {
        SCOPED_TRACE(bit);
        Bnx4ImageWriter writer(Options(kBnx4FormatBasic & ~(1u << bit)));
        for (int i = 0; i < 3; ++i)
            writer.AddFix(MakeFix(i));
        Decode(writer.Finish());
        EXPECT_EQ(log().LogItemNum, 0);
    }
    // Without the validity field the word reads as 0: each record sets the skip.
    Bnx4ImageWriter noValidity(Options(kBnx4FormatBasic & ~2u));
    noValidity.AddFix(MakeFix(0));
    noValidity.AddSeparator(2, kBnx4FormatBasic);
    for (int i = 1; i <= 6; ++i)
        noValidity.AddFix(MakeFix(i));
    Decode(noValidity.Finish());
    ASSERT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(Fix(0).Ido, MakeFix(6).lat);
}

TEST_F(Bnx4DecoderTest, FormatChangeAppliesToTheRestOfTheBlockOnly) {
    Bnx4ImageWriter writer(Options(kBnx4FormatBasic));
    writer.AddFix(MakeFix(0));
    writer.AddSeparator(4, 0x1234);  // another type: stepped over
    writer.AddSeparator(2, kBnx4FormatSensor);
    writer.AddFix(MakeFix(1));
    writer.AddFix(MakeFix(2));
    writer.StartBlock(kBnx4FormatBasic);
    writer.AddFix(MakeFix(3));
    const std::vector<uint8_t> image = writer.Finish();
    // The second record's trailing '*' sits 86 bytes after its start.
    EXPECT_EQ(image[kBlock4kHeaderSize + 36 + 32 + 86], '*');
    EXPECT_EQ(image[kBlock4kHeaderSize + 36 + 32 + 88 + 86], '*');
    Decode(image);
    ASSERT_EQ(log().LogItemNum, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Fix(i).Ido, MakeFix(i).lat);

    // A block decodes with its own header's word, whatever the block before
    // switched to.
    Bnx4ImageWriter second(Options(kBnx4FormatSensor));
    second.AddSeparator(2, kBnx4FormatBasic);
    second.AddFix(MakeFix(0));
    second.StartBlock(kBnx4FormatSensor);
    for (int i = 1; i < 4; ++i)
        second.AddFix(MakeFix(i));
    Decode(second.Finish());
    ASSERT_EQ(log().LogItemNum, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Fix(i).Ido, MakeFix(i).lat);
}

TEST_F(Bnx4DecoderTest, BlockEndsWhereARecordNoLongerFits) {
    // 99 records of 36 bytes fill a block; the hundredth opens the next.
    Bnx4ImageWriter basic(Options());
    for (int i = 0; i < 100; ++i)
        basic.AddFix(MakeFix(i));
    EXPECT_EQ(basic.BlocksUsed(), 2u);
    Decode(basic.Finish());
    EXPECT_EQ(log().LogItemNum, 100);

    // 40 sensor records end at 4,032: 16 bytes would still hold a separator,
    // but no 88-byte record fits, so the scan stops and neither the separator
    // nor the short record after it are read.
    Bnx4ImageWriter sensor(Options(kBnx4FormatSensor));
    for (int i = 0; i < 40; ++i)
        sensor.AddFix(MakeFix(i));
    ASSERT_EQ(sensor.BlockSpaceLeft(), 64u);
    sensor.AddBytes(SeparatorBytes(2, kBnx4FormatBasic));
    sensor.AddBytes(RecordBytes(MakeFix(40), kBnx4FormatBasic));
    Decode(sensor.Finish());
    EXPECT_EQ(log().LogItemNum, 40);
}

TEST_F(Bnx4DecoderTest, ErasedFlashYieldsNothing) {
    Decode(std::vector<uint8_t>(8 * kBlock4kSize, 0xFF));
    EXPECT_EQ(log().LogItemNum, 0);
    EXPECT_EQ(log().LogBlockNum(), 0);

    // Erased blocks and erased record slots among fixes are stepped over.
    Bnx4ImageWriter writer(Options());
    writer.AddFix(MakeFix(0));
    writer.AddFix(MakeFix(1), Bnx4Fault::ErasedHead);
    writer.AddFix(MakeFix(2));
    writer.AddErasedBlock();
    writer.AddFix(MakeFix(3));
    const std::vector<uint8_t> image = writer.Finish(6);
    ASSERT_EQ(image.size(), 6 * kBlock4kSize);
    Decode(image);
    ASSERT_EQ(log().LogItemNum, 3);
    EXPECT_EQ(Fix(1).Ido, MakeFix(2).lat);
    EXPECT_EQ(Fix(2).Ido, MakeFix(3).lat);
}

TEST_F(Bnx4DecoderTest, ReadsStopAtTheEndOfTheImage) {
    Bnx4ImageWriter writer(Options());
    for (int i = 0; i < 102; ++i)
        writer.AddFix(MakeFix(i));
    std::vector<uint8_t> image = writer.Finish();
    // Cut inside the third record of the second block.
    image.resize(kBlock4kSize + kBlock4kHeaderSize + 2 * 36 + 20);
    Decode(image);
    EXPECT_EQ(log().LogItemNum, 101);

    Decode(std::vector<uint8_t>(kBlock4kHeaderSize - 1, 0));
    EXPECT_EQ(log().LogItemNum, 0);

    // More blocks asked for than the image holds.
    image.resize(kBlock4kSize);
    image_ = image;
    log().Reset();
    DecodeBlock4kImage(Target(), image_, 4096);
    Block4kState state;
    DecodeBlock4k(Target(), state, image_, size_t{1} << 60);
    EXPECT_EQ(log().LogItemNum, 99);
}

TEST_F(Bnx4DecoderTest, BlocksSplitAtWholeMinuteGapsEitherWay) {
    Bnx4ImageWriter writer(Options());
    for (int64_t seconds : {0, 59, 120, 0, 1}) {
        SynthFix f = MakeFix(0);
        f.utcMs = kStartMs + seconds * 1000;
        writer.AddFix(f);
    }
    Decode(writer.Finish());
    ASSERT_EQ(log().LogItemNum, 5);
    ASSERT_EQ(log().LogBlockNum(), 3);
    EXPECT_EQ(log().LogBlocks[1].Title, "20240429_1702");
    const int wantBlock[] = {0, 0, 1, 2, 2};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Fix(i).BlkIdx, wantBlock[i]);
    EXPECT_EQ(log().LogBlocks[2].RecNum, 2);
}

TEST_F(Bnx4DecoderTest, FullStoreDropsFurtherRecordsAndKeepsTheLastFix) {
    // More fixes than the store holds; the decoder takes any span, even one
    // larger than the 16-MiB log buffer.
    const int total = MaxLogItemNum + 25;
    Bnx4ImageWriter writer(Options(kBnx4FormatBasic, 0));
    for (int i = 0; i < total; ++i) {
        SynthFix f = MakeFix(0);
        f.utcMs = kStartMs + static_cast<int64_t>(i) * 50;
        f.lat = 35.0 + i * 1e-7;
        ASSERT_TRUE(writer.AddFix(f));
    }
    const std::vector<uint8_t> image = writer.Finish();
    Decode(image);
    EXPECT_EQ(log().LogItemNum, MaxLogItemNum);
    EXPECT_EQ(log().DroppedRecords, 25);
    EXPECT_EQ(Fix(MaxLogItemNum - 1).Ido, 35.0 + (MaxLogItemNum - 1) * 1e-7);
    EXPECT_EQ(RecNumTotal(), MaxLogItemNum);
    EXPECT_EQ(writer.ExpectedFixes(), MaxLogItemNum);
    EXPECT_TRUE(CheckValueWithinTenth(StoredCheckValue(image), LogCheckValueOf(log())));
}

TEST(Bnx4ImageWriterTest, FillsSixteenMebibytesAndNoMore) {
    Bnx4ImageWriter writer(Options());
    int added = 0;
    SynthFix f = MakeFix(0);
    while (writer.AddFix(f)) {
        ++added;
        f.utcMs += 50;
    }
    EXPECT_FALSE(writer.CanAddFix());
    EXPECT_EQ(added, 4096 * 99);
    const std::vector<uint8_t> image = writer.Finish();
    EXPECT_EQ(image.size(), kRawLogBufSize);
    EXPECT_FALSE(writer.AddSeparator(2, kBnx4FormatSensor));
    EXPECT_FALSE(writer.StartBlock());
}

// Speed smoothing ---------------------------------------------------------

class SmoothSpeedsTest : public ::testing::Test {
  protected:
    SmoothSpeedsTest() : log_(std::make_unique<LogStore>()) {}

    // Fixes `stepMs` apart with the given speeds.
    void Fill(const std::vector<float>& speeds, double stepMs, TDateTime start = 45000.5) {
        log_->Reset();
        for (size_t i = 0; i < speeds.size(); ++i) {
            TLogItem& fix = log_->LogItems[i];
            fix = TLogItem{};
            fix.DtTm = start + static_cast<double>(i) * stepMs / kMsPerDay;
            fix.Spd = speeds[i];
        }
        log_->LogItemNum = static_cast<int>(speeds.size());
    }
    float Spd(int i) const { return log_->LogItems[i].Spd; }

    std::unique_ptr<LogStore> log_;
};

std::vector<float> Spike(size_t n, size_t at, float base = 100, float peak = 110) {
    std::vector<float> v(n, base);
    v[at] = peak;
    return v;
}

TEST_F(SmoothSpeedsTest, ConstantSpeedStays) {
    for (double step : {50.0, 100.0, 1000.0}) {
        Fill(std::vector<float>(30, 87.25f), step);
        SmoothSpeeds(*log_);
        for (int i = 0; i < 30; ++i)
            EXPECT_FLOAT_EQ(Spd(i), 87.25f) << step << " " << i;
    }
}

TEST_F(SmoothSpeedsTest, SpikeAt20HzUsesAllEightNeighbours) {
    Fill(Spike(21, 10), 50);
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(10), (1.8 * 110 + 2.3 * 100) / 4.1, 1e-4);
    // Neighbours are weighed with the unsmoothed spike, not its smoothed value.
    EXPECT_NEAR(Spd(11), 100 + 0.5 * 10 / 4.1, 1e-4);
    EXPECT_NEAR(Spd(12), 100 + 0.35 * 10 / 4.1, 1e-4);
    EXPECT_NEAR(Spd(13), 100 + 0.2 * 10 / 4.1, 1e-4);
    EXPECT_NEAR(Spd(14), 100 + 0.1 * 10 / 4.1, 1e-4);
    EXPECT_FLOAT_EQ(Spd(15), 100.0f);
    // At the start of the store only the later neighbours exist.
    Fill(Spike(10, 0), 50);
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(0), (1.8 * 110 + 1.15 * 100) / 2.95, 1e-4);
}

TEST_F(SmoothSpeedsTest, SlowerLoggingUsesOnlyCloseNeighbours) {
    Fill(Spike(11, 5), 100);  // 10 Hz: the third neighbour is 300 ms away
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(5), (1.8 * 110 + 1.7 * 100) / 3.5, 1e-4);
    EXPECT_FLOAT_EQ(Spd(8), 100.0f);

    Fill(Spike(5, 2), 250);  // 250 ms apart: nothing to average with
    SmoothSpeeds(*log_);
    EXPECT_FLOAT_EQ(Spd(2), 110.0f);
    EXPECT_FLOAT_EQ(Spd(1), 100.0f);
}

TEST_F(SmoothSpeedsTest, StrictlyMonotonicRunsWeighMore) {
    // Speeds k squared: a symmetric weighting of a parabola adds
    // 2 * sum(w_d * d^2) / total, which only the monotonic weights
    // 0.5, 0.4, 0.3, 0.3 (total 4.8) turn into exactly 4.
    std::vector<float> v;
    for (int k = 0; k < 41; ++k)
        v.push_back(static_cast<float>(k * k));
    Fill(v, 50);
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(20), 404.0, 1e-3);
    EXPECT_NEAR(Spd(30), 904.0, 1e-3);
}

TEST_F(SmoothSpeedsTest, FourthNeighbourFollowsTheThird) {
    // 65 ms apart: the fourth neighbour is 260 ms away but the third is
    // within 210 ms, which admits it.
    Fill(Spike(21, 10), 65);
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(10), (1.8 * 110 + 2.3 * 100) / 4.1, 1e-4);

    // Unless it lies on the far side of a logging gap.
    std::vector<float> v = Spike(21, 10);
    v[6] = 300;
    Fill(v, 50);
    for (int i = 0; i <= 6; ++i)
        log_->LogItems[i].DtTm -= 1.0 / 24;
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(10), (1.8 * 110 + 2.2 * 100) / 4.0, 1e-4);
}

TEST_F(SmoothSpeedsTest, RunsLoggedOutOfTimeOrderAreNotMixed) {
    // A later run stored before an earlier one: the time jumps back an hour.
    std::vector<float> v(20, 100.0f);
    std::fill(v.begin() + 10, v.end(), 50.0f);
    Fill(v, 50);
    for (int i = 10; i < 20; ++i)
        log_->LogItems[i].DtTm -= 1.0 / 24;
    SmoothSpeeds(*log_);
    EXPECT_FLOAT_EQ(Spd(9), 100.0f);
    EXPECT_FLOAT_EQ(Spd(10), 50.0f);
}

// The weighting written out in extended precision, fix by fix: the sums the
// stored speeds of every existing log were made with.
std::vector<float> ExtendedReference(const std::vector<float>& spd, const std::vector<double>& t) {
    const int n = static_cast<int>(spd.size());
    auto near = [&](int a, int b) { return std::fabs(t[a] - t[b]) < 210.0 / kMsPerDay; };
    auto sign = [&](int a, int b) { return spd[a] < spd[b] ? 1 : (spd[a] > spd[b] ? -1 : 0); };
    std::vector<float> out(spd.size());
    for (int i = 0; i < n; ++i) {
        // Each side is summed on its own, then both onto the fix's own term.
        long double sideValue[2] = {0, 0}, sideWeight[2] = {0, 0};
        for (int dir : {-1, 1}) {
            long double& value = sideValue[dir > 0];
            long double& weight = sideWeight[dir > 0];
            const int count = std::min(4, dir < 0 ? i : n - 1 - i);
            auto add = [&](int d, long double w) {
                value += w * spd[i + dir * d];
                weight += w;
            };
            // The direction of the change from the fix out to neighbour d.
            auto rises = [&](int d) { return sign(i + dir * (d - 1), i + dir * d); };
            if (count >= 1 && near(i + dir, i))
                add(1, 0.5L);
            if (count < 2)
                continue;
            bool run = rises(1) != 0 && rises(2) == rises(1);
            if (near(i + 2 * dir, i))
                add(2, run ? 0.4L : 0.35L);
            if (count < 3 || !near(i + 3 * dir, i))
                continue;
            run = run && rises(3) == rises(1);
            add(3, run ? 0.3L : 0.2L);
            if (count < 4 || !near(i + 4 * dir, i + 3 * dir))
                continue;
            run = run && rises(4) == rises(1);
            add(4, run ? 0.3L : 0.1L);
        }
        const long double value = 1.8L * spd[i] + sideValue[0] + sideValue[1];
        const long double weight = 1.8L + sideWeight[0] + sideWeight[1];
        out[i] = static_cast<float>(value / weight);
    }
    return out;
}

// Quantized speeds put many weighted means on or next to a float's rounding
// boundary, where a sum in doubles alone would round the other way.
TEST_F(SmoothSpeedsTest, EverySpeedRoundsAsTheExtendedSum) {
    struct Case {
        double stepMs;
        float quantum;
        float low;
    } cases[] = {{50, 0.01f, 0}, {100, 0.1f, 0}, {200, 1.0f, 0}, {50, 0.01f, -5}};
    std::mt19937 rng(11);
    for (const Case& c : cases) {
        std::uniform_int_distribution<int> units(static_cast<int>(c.low / c.quantum),
                                                 static_cast<int>(300 / c.quantum));
        std::uniform_int_distribution<int> gap(0, 20);
        std::vector<float> speeds(20000);
        std::vector<double> times(speeds.size());
        double t = 45000.5;
        for (size_t i = 0; i < speeds.size(); ++i) {
            speeds[i] = static_cast<float>(units(rng)) * c.quantum;
            t += (gap(rng) == 0 ? 300 : c.stepMs) / kMsPerDay;
            times[i] = t;
        }
        Fill(speeds, c.stepMs);
        for (size_t i = 0; i < speeds.size(); ++i)
            log_->LogItems[i].DtTm = times[i];
        SmoothSpeeds(*log_);
        const std::vector<float> expected = ExtendedReference(speeds, times);
        int differing = 0;
        for (size_t i = 0; i < speeds.size(); ++i)
            differing += std::bit_cast<uint32_t>(Spd(static_cast<int>(i))) !=
                         std::bit_cast<uint32_t>(expected[i]);
        EXPECT_EQ(differing, 0) << c.stepMs << " ms, quantum " << c.quantum;
    }
}

TEST_F(SmoothSpeedsTest, TinyStoresAreSafe) {
    Fill({}, 50);
    SmoothSpeeds(*log_);
    EXPECT_EQ(log_->LogItemNum, 0);
    Fill({42.0f}, 50);
    SmoothSpeeds(*log_);
    EXPECT_FLOAT_EQ(Spd(0), 42.0f);
    Fill({40.0f, 50.0f}, 50);
    SmoothSpeeds(*log_);
    EXPECT_NEAR(Spd(0), (1.8 * 40 + 0.5 * 50) / 2.3, 1e-4);
    EXPECT_NEAR(Spd(1), (1.8 * 50 + 0.5 * 40) / 2.3, 1e-4);
}

}  // namespace
}  // namespace qv
