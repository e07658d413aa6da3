#include "synth/flash_images.h"

#include <algorithm>

#include "decode/mtk_decoder.h"
#include "synth/bnx4_encoder.h"
#include "synth/mtk_encoder.h"

namespace qv::synth {

namespace {

constexpr size_t kBlockBytes = 4096;
constexpr size_t kSectorBytes = 65536;
constexpr uint32_t kFormat = 0x8004107D;

size_t UsedBytes(const std::vector<uint8_t>& image) {
    size_t end = image.size();
    while (end > 0 && image[end - 1] == 0xFF)
        --end;
    return end;
}

}  // namespace

DriveOptions FlashDriveOptions() {
    DriveOptions options;
    options.rateHz = 10;
    options.laps = 3;
    return options;
}

FlashImage MakeQv4FlashImage(const DriveOptions& drive, size_t flashBytes) {
    FlashImage image;
    image.drive = SynthesizeDrive(DemoCircuit(), drive);
    Bnx4WriterOptions options;
    options.maxBlocks = std::max<size_t>(1, flashBytes / kBlockBytes);
    Bnx4ImageWriter writer(options);
    for (const SynthFix& fix : image.drive.fixes)
        if (!writer.AddFix(fix))
            break;
    image.expectedFixes = writer.ExpectedFixes();
    image.bytes = writer.Finish(0, false);
    image.usedBytes = UsedBytes(image.bytes);
    image.bytes.resize(std::max(image.bytes.size(), flashBytes / kBlockBytes * kBlockBytes), 0xFF);
    return image;
}

FlashImage MakeMtkFlashImage(const DriveOptions& drive, size_t flashBytes) {
    FlashImage image;
    image.drive = SynthesizeDrive(DemoCircuit(), drive);
    MtkImageWriter writer(kFormat);
    const size_t sectors = std::max<size_t>(1, flashBytes / kSectorBytes);
    for (const SynthFix& fix : image.drive.fixes) {
        // The logger stops when its flash is full rather than wrap around.
        if (writer.SectorsUsed() == sectors &&
            writer.SectorSpaceLeft() < MtkRecordLength(kFormat, 0))
            break;
        writer.AddFix(fix);
    }
    image.expectedFixes = writer.GoodRecords();
    image.bytes = writer.Finish(0, false);
    image.usedBytes = UsedBytes(image.bytes);
    image.bytes.resize(std::max(image.bytes.size(), sectors * kSectorBytes), 0xFF);
    return image;
}

}  // namespace qv::synth
