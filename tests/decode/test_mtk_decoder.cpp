#include "decode/mtk_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "support/decoder_test.h"
#include "synth/mtk_encoder.h"

namespace qv {
namespace {

using synth::MtkFault;
using synth::MtkImageWriter;
using synth::SynthFix;
using test::kTokyoBase;

constexpr int64_t kStartMs = 1714377600000;  // 2024-04-29 08:00:00 UTC

// Fixes one second apart, moving north, whose record bytes hold no '*', so
// that resynchronisation lands exactly on the next record.
SynthFix MakeFix(int i, int64_t startMs = kStartMs) {
    SynthFix f;
    f.utcMs = startMs + i * 1000 + 100;
    f.lat = 35.25 + i * 0.0001;
    f.lon = 138.75;
    f.elv = 100.0f;
    f.spd = 100.0f + static_cast<float>(i % 7);
    f.compassDeg = 0;
    f.satUsed = 9;
    f.satView = 12;
    return f;
}

// The bytes of one record in the heading format.
std::vector<uint8_t> RecordBytes(const SynthFix& fix) {
    MtkImageWriter writer(kMtkFormatHeading);
    writer.AddFix(fix);
    const std::vector<uint8_t> image = writer.Finish();
    return {image.begin() + kMtkHeaderSize, image.begin() + kMtkHeaderSize + 38};
}

class MtkDecoderTest : public test::DecoderTest {
  protected:
    void Decode(const std::vector<uint8_t>& image) {
        image_ = image;
        session_->log.Reset();
        const size_t sectors = (image_.size() + kMtkSectorSize - 1) / kMtkSectorSize;
        DecodeMtkImage(Target(), image_, sectors);
    }

    std::vector<uint8_t> image_;
};

TEST(MtkRecordLengthTest, LengthsOfOurFormats) {
    EXPECT_EQ(MtkRecordLength(kMtkFormatBasic, 0), 34u);
    EXPECT_EQ(MtkRecordLength(kMtkFormatHeading, 0), 38u);
    // Satellite list entries: 4 bytes plus elevation, azimuth and SNR.
    EXPECT_EQ(MtkRecordLength(kMtkFormatSatDetail, 0), 38u);
    EXPECT_EQ(MtkRecordLength(kMtkFormatSatDetail, 12), 38u + 12 * 10);
}

TEST_F(MtkDecoderTest, ErasedSectorYieldsNothing) {
    std::vector<uint8_t> image(kMtkSectorSize, 0xFF);
    Decode(image);
    EXPECT_EQ(log().LogItemNum, 0);
    EXPECT_EQ(log().LogBlockNum(), 0);
}

TEST_F(MtkDecoderTest, DecodesEveryFieldOfEachFormat) {
    for (uint32_t format : {kMtkFormatHeading, kMtkFormatBasic, kMtkFormatSatDetail}) {
        SCOPED_TRACE(format);
        MtkImageWriter writer(format);
        for (int i = 0; i < 5; ++i)
            writer.AddFix(MakeFix(i));
        Decode(writer.Finish());
        ASSERT_EQ(log().LogItemNum, 5);
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            ExpectLoggedFix(i, MakeFix(i));
        }
        EXPECT_EQ(log().SatDetailFormatSeen, format == kMtkFormatSatDetail);
        log().SatDetailFormatSeen = false;
    }
}

TEST_F(MtkDecoderTest, LeftoverMotionIsClearedInTheDecodedSlotsOnly) {
    // Enough fixes that their motion slots cover whole pages of the store as
    // well as part pages at either end.
    constexpr int kFixes = 3000;
    constexpr int kBeyond = 10;
    MtkImageWriter writer;
    for (int i = 0; i < kFixes; ++i)
        writer.AddFix(MakeFix(i));
    const std::vector<uint8_t> image = writer.Finish();
    const size_t sectors = image.size() / kMtkSectorSize;
    ASSERT_GT(sectors, 1u);
    const TMotionSens none{};
    for (const bool bySector : {false, true}) {
        SCOPED_TRACE(bySector ? "sector by sector" : "whole image");
        for (int i = 0; i < kFixes + kBeyond; ++i) {
            log().MotionItems[i].gX = 1.5 + i;
            log().MotionItems[i].Yaw = -0.0;
        }
        log().Reset();
        if (bySector) {
            for (size_t s = 0; s < sectors; ++s)
                DecodeMtkSector(Target(), image, s);
        } else {
            DecodeMtkImage(Target(), image, sectors);
        }
        ASSERT_EQ(log().LogItemNum, kFixes);
        int leftovers = 0;
        for (int i = 0; i < kFixes; ++i)
            leftovers += std::memcmp(&log().MotionItems[i], &none, sizeof none) != 0;
        EXPECT_EQ(leftovers, 0);
        for (int i = kFixes; i < kFixes + kBeyond; ++i)
            EXPECT_EQ(log().MotionItems[i].gX, 1.5 + i) << i;
    }
}

TEST_F(MtkDecoderTest, FirstFixTimeIsLocalStandardTime) {
    MtkImageWriter writer;
    writer.AddFix(MakeFix(0));
    Decode(writer.Finish());
    ASSERT_EQ(log().LogBlockNum(), 1);
    // 08:00:00 UTC is 17:00 in UTC+9.
    EXPECT_EQ(log().LogBlocks[0].Title, "20240429_1700");
    EXPECT_EQ(log().LogBlocks[0].RecNum, 1);
}

TEST_F(MtkDecoderTest, DamagedRecordsCostOnlyThemselves) {
    const MtkFault faults[] = {MtkFault::BadChecksum, MtkFault::MissingStar,
                               MtkFault::MillisecondOver, MtkFault::ZeroTime,
                               MtkFault::LatitudeOut};
    for (MtkFault fault : faults) {
        SCOPED_TRACE(static_cast<int>(fault));
        MtkImageWriter writer;
        writer.AddFix(MakeFix(0));
        writer.AddFix(MakeFix(1), fault);
        writer.AddFix(MakeFix(2));
        writer.AddFix(MakeFix(3));
        Decode(writer.Finish());
        ASSERT_EQ(log().LogItemNum, 3);
        EXPECT_EQ(Fix(0).Ido, MakeFix(0).lat);
        EXPECT_EQ(Fix(1).Ido, MakeFix(2).lat);
        EXPECT_EQ(Fix(2).Ido, MakeFix(3).lat);
        EXPECT_TRUE(session_->diagnostics.Lines().empty());
    }
}

TEST_F(MtkDecoderTest, ResynchronisesAfterGarbageContainingStars) {
    MtkImageWriter writer;
    for (int i = 0; i < 10; ++i)
        writer.AddFix(MakeFix(i));
    writer.AddBytes({'*', 0x01, 0x02, '*', '*', 0x10, 0x00});
    for (int i = 10; i < 40; ++i)
        writer.AddFix(MakeFix(i));
    Decode(writer.Finish());
    // The garbage may swallow a record or two while the scan finds its feet.
    EXPECT_GE(log().LogItemNum, 38);
    EXPECT_LE(log().LogItemNum, 40);
    EXPECT_EQ(Fix(log().LogItemNum - 1).Ido, MakeFix(39).lat);
}

TEST_F(MtkDecoderTest, SpeedLimitAndItsDiagnosticLine) {
    MtkImageWriter writer;
    SynthFix limit = MakeFix(0);
    limit.spd = 2000.0f;
    writer.AddFix(limit);
    writer.AddFix(MakeFix(1), MtkFault::SpeedAbove2000);
    SynthFix negative = MakeFix(2);
    negative.spd = -0.5f;
    writer.AddFix(negative);
    Decode(writer.Finish());
    ASSERT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(Fix(0).Spd, 2000.0f);
    const auto& lines = session_->diagnostics.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "spd abnormal -0.50 km/h 20240429_170002");
    EXPECT_EQ(lines[1], "spd abnormal 2000.50 km/h 20240429_170001");
}

TEST_F(MtkDecoderTest, DiagnosticListKeepsTheNewest33Lines) {
    MtkImageWriter writer;
    for (int i = 0; i < 40; ++i)
        writer.AddFix(MakeFix(i), MtkFault::SpeedAbove2000);
    Decode(writer.Finish());
    const auto& lines = session_->diagnostics.Lines();
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines.front(), "spd abnormal 2000.50 km/h 20240429_170039");
    EXPECT_EQ(lines.back(), "spd abnormal 2000.50 km/h 20240429_170007");
}

TEST_F(MtkDecoderTest, MillisecondLimit) {
    MtkImageWriter writer;
    SynthFix f = MakeFix(0);
    f.utcMs = kStartMs + 999;
    writer.AddFix(f);
    writer.AddFix(MakeFix(1), MtkFault::MillisecondOver);
    Decode(writer.Finish());
    ASSERT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(Fix(0).ms, 999);
}

TEST_F(MtkDecoderTest, BlocksSplitAtWholeMinuteGapsEitherWay) {
    MtkImageWriter writer;
    auto at = [](int64_t seconds) {
        SynthFix f = MakeFix(0);
        f.utcMs = kStartMs + seconds * 1000;
        return f;
    };
    writer.AddFix(at(0));
    writer.AddFix(at(59));   // same block
    writer.AddFix(at(120));  // 61 s later: new block
    writer.AddFix(at(0));    // 2 minutes back: new block
    writer.AddFix(at(1));
    Decode(writer.Finish());
    ASSERT_EQ(log().LogItemNum, 5);
    ASSERT_EQ(log().LogBlockNum(), 3);
    EXPECT_EQ(log().LogBlocks[0].RecNum, 2);
    EXPECT_EQ(log().LogBlocks[1].RecNum, 1);
    EXPECT_EQ(log().LogBlocks[2].RecNum, 2);
    EXPECT_EQ(log().LogBlocks[1].Title, "20240429_1702");
    const int wantBlock[] = {0, 0, 1, 2, 2};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Fix(i).BlkIdx, wantBlock[i]);
}

TEST_F(MtkDecoderTest, FormatChangeAppliesToTheRestOfTheSectorOnly) {
    MtkImageWriter writer(kMtkFormatHeading);
    writer.AddFix(MakeFix(0));
    writer.AddSeparator(4, 0x1234);  // another type: skipped
    writer.AddSeparator(2, kMtkFormatBasic);
    writer.AddFix(MakeFix(1));
    writer.AddFix(MakeFix(2));
    writer.EndSector();  // the next sector's header carries the basic format
    writer.AddFix(MakeFix(3));
    std::vector<uint8_t> image = writer.Finish();
    ASSERT_EQ(image.size(), 2 * kMtkSectorSize);
    // Records after the separator are 34 bytes long.
    EXPECT_EQ(image[kMtkHeaderSize + 38 + 32 + 34 + 32], '*');
    Decode(image);
    ASSERT_EQ(log().LogItemNum, 4);
    EXPECT_EQ(Fix(3).Ido, MakeFix(3).lat);

    // A sector whose header still says the heading format decodes its own
    // records with it, whatever the previous sector switched to.
    MtkImageWriter mixed(kMtkFormatHeading);
    mixed.AddFix(MakeFix(0));
    mixed.AddSeparator(2, kMtkFormatBasic);
    mixed.EndSector();
    std::vector<uint8_t> twoSectors = mixed.Finish();
    const uint32_t heading = kMtkFormatHeading;
    std::memcpy(&twoSectors[kMtkSectorSize + kMtkFormatOffset], &heading, 4);
    const std::vector<uint8_t> rec = RecordBytes(MakeFix(5));
    std::copy(rec.begin(), rec.end(), twoSectors.begin() + kMtkSectorSize + kMtkHeaderSize);
    Decode(twoSectors);
    ASSERT_EQ(log().LogItemNum, 2);
    EXPECT_EQ(Fix(1).Ido, MakeFix(5).lat);
}

TEST_F(MtkDecoderTest, ForeignFormatWordsAreRefusedAndFlagged) {
    MtkImageWriter writer(0x0000003F);  // time to speed, no millisecond
    for (int i = 0; i < 5; ++i)
        writer.AddFix(MakeFix(i));
    Decode(writer.Finish());
    EXPECT_EQ(log().LogItemNum, 0);
    EXPECT_TRUE(log().UnexpectedFormatSeen);
}

TEST_F(MtkDecoderTest, RecordsNeverReadPastTheImageOrSectorEnd) {
    // A short image ending inside a record: the record is not read.
    MtkImageWriter writer;
    for (int i = 0; i < 3; ++i)
        writer.AddFix(MakeFix(i));
    std::vector<uint8_t> image = writer.Finish();
    image.resize(kMtkHeaderSize + 2 * 38 + 20);
    Decode(image);
    EXPECT_EQ(log().LogItemNum, 2);

    // An image shorter than a header decodes nothing.
    Decode(std::vector<uint8_t>(100, 0));
    EXPECT_EQ(log().LogItemNum, 0);

    // A record that would run into the next sector ends its sector; the next
    // sector decodes from its own start.
    // The straddling record starts on a 16-byte boundary, where the scan
    // arrives after the erased flash before it.
    std::vector<uint8_t> twoSectors = MtkImageWriter().Finish(2);
    const std::vector<uint8_t> rec = RecordBytes(MakeFix(7));
    std::copy(rec.begin(), rec.end(), twoSectors.begin() + kMtkSectorSize - 32);
    const std::vector<uint8_t> rec2 = RecordBytes(MakeFix(8));
    std::copy(rec2.begin(), rec2.end(), twoSectors.begin() + kMtkSectorSize + kMtkHeaderSize);
    for (size_t s = 0; s < 2; ++s) {
        std::memcpy(&twoSectors[s * kMtkSectorSize + kMtkFormatOffset], &kMtkFormatHeading, 4);
    }
    Decode(twoSectors);
    ASSERT_EQ(log().LogItemNum, 1);
    EXPECT_EQ(Fix(0).Ido, MakeFix(8).lat);
}

TEST_F(MtkDecoderTest, FullStoreDropsFurtherRecordsAndKeepsTheLastFix) {
    // One sector holds 1711 records of 38 bytes; fill past the store's capacity.
    const int total = MaxLogItemNum + 25;
    MtkImageWriter writer;
    for (int i = 0; i < total; ++i) {
        SynthFix f = MakeFix(0);
        f.utcMs = kStartMs + static_cast<int64_t>(i) * 100;
        f.lat = 35.0 + i * 1e-7;
        writer.AddFix(f);
    }
    Decode(writer.Finish());
    EXPECT_EQ(log().LogItemNum, MaxLogItemNum);
    EXPECT_EQ(log().DroppedRecords, 25);
    EXPECT_EQ(Fix(MaxLogItemNum - 1).Ido, 35.0 + (MaxLogItemNum - 1) * 1e-7);
    int counted = 0;
    for (const TLogBlock& b : log().LogBlocks)
        counted += b.RecNum;
    EXPECT_EQ(counted, MaxLogItemNum);
}

}  // namespace
}  // namespace qv
