// The flash images built for the simulated logger decode to their drive.

#include <gtest/gtest.h>

#include <memory>

#include "core/diagnostic_list.h"
#include "core/stores.h"
#include "decode/bnx4_decoder.h"
#include "decode/mtk_decoder.h"
#include "synth/flash_images.h"

namespace qv::synth {
namespace {

bool Erased(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != 0xFF)
            return false;
    return true;
}

TEST(FlashImages, Qv4ImageHoldsTheDriveInBlocks) {
    const FlashImage image = MakeQv4FlashImage();
    ASSERT_EQ(image.bytes.size(), kQv4FlashBytes);
    EXPECT_GT(image.usedBytes, 4096u);
    EXPECT_NE(image.bytes[image.usedBytes - 1], 0xFF);
    EXPECT_TRUE(Erased(image.bytes, image.usedBytes, image.bytes.size()));
    EXPECT_TRUE(Erased(image.bytes, 256, 266));  // only a download writes the check value
    // Out-lap, three flying laps, in-lap: four crossings of the line.
    EXPECT_EQ(image.drive.crossingUtcMs.size(), 4u);
    auto log = std::make_unique<LogStore>();
    DiagnosticList diagnostics(64);
    DecodeBlock4kImage({*log, diagnostics, kUnixEpochDays}, image.bytes, kBlock4kDownloadBlocks);
    EXPECT_EQ(log->LogItemNum, image.expectedFixes);
    // Only the standing fixes (speed 0) are refused by the decoder.
    EXPECT_GT(image.expectedFixes, static_cast<int>(image.drive.fixes.size()) * 9 / 10);
}

TEST(FlashImages, MtkImageHoldsTheDriveInSectors) {
    const FlashImage image = MakeMtkFlashImage();
    ASSERT_EQ(image.bytes.size(), kQv3FlashBytes);
    EXPECT_TRUE(Erased(image.bytes, image.usedBytes, image.bytes.size()));
    EXPECT_EQ(image.expectedFixes, static_cast<int>(image.drive.fixes.size()));
    auto log = std::make_unique<LogStore>();
    DiagnosticList diagnostics(64);
    DecodeMtkImage({*log, diagnostics, kUnixEpochDays}, image.bytes, 128);
    EXPECT_EQ(log->LogItemNum, image.expectedFixes);
}

TEST(FlashImages, AFullFlashStopsTakingFixes) {
    DriveOptions options = FlashDriveOptions();
    options.rateHz = 20;
    const FlashImage small = MakeMtkFlashImage(options, 2 * 65536);
    ASSERT_EQ(small.bytes.size(), 2u * 65536u);
    EXPECT_LT(small.expectedFixes, static_cast<int>(small.drive.fixes.size()));
    // A record is 38 bytes, and a sector holds 65024 bytes of them.
    EXPECT_EQ(small.expectedFixes, 2 * (65024 / 38));
    const FlashImage blocks = MakeQv4FlashImage(options, 8 * 4096);
    ASSERT_EQ(blocks.bytes.size(), 8u * 4096u);
    EXPECT_LE(blocks.usedBytes, 8u * 4096u);
}

}  // namespace
}  // namespace qv::synth
