#pragma once
// Whole flash memories of the loggers holding a synthetic drive of known
// laps: what a simulated logger serves and a download must bring back.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "synth/drive.h"

namespace qv::synth {

inline constexpr size_t kQv4FlashBytes = 16u << 20;     // 4-KiB blocks
inline constexpr size_t kQv3FlashBytes = 8u << 20;      // MTK sectors
inline constexpr size_t kGenericFlashBytes = 4u << 20;  // MTK sectors

struct FlashImage {
    // The flash as the logger holds it: the drive, then erased bytes. The
    // check value's place stays erased, since only a download writes it.
    std::vector<uint8_t> bytes;
    Drive drive;            // the truth: fixes and line crossings
    size_t usedBytes = 0;   // one past the last byte written
    int expectedFixes = 0;  // fixes the decoder of the format must find
};

// The demo circuit at 10 Hz: the out-lap, three flying laps and the in-lap,
// without noise.
DriveOptions FlashDriveOptions();

// 4-KiB-block flash of `flashBytes` (at least the drive's blocks, a
// multiple of 4096); fixes that do not fit are left out.
FlashImage MakeQv4FlashImage(const DriveOptions& drive = FlashDriveOptions(),
                             size_t flashBytes = kQv4FlashBytes);

// MTK-sector flash of `flashBytes` (at least the drive's sectors), records
// of format 0x8004107D; fixes beyond `flashBytes` are left out.
FlashImage MakeMtkFlashImage(const DriveOptions& drive = FlashDriveOptions(),
                             size_t flashBytes = kQv3FlashBytes);

}  // namespace qv::synth
