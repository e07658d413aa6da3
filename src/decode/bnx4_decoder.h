#pragma once
// Decoding of the current loggers' flash images (.bnx4): 4-KiB blocks of a
// 512-byte header followed by fixed-length records whose fields a 32-bit
// format word selects, with the MTK in-band separators that may change that
// word. Rejected records leave no trace and no message; the open-log command
// reports the fix count.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/records.h"
#include "core/stores.h"
#include "decode/mtk_decoder.h"

namespace qv {

inline constexpr size_t kBlock4kSize = 4096;
inline constexpr size_t kBlock4kHeaderSize = 512;
inline constexpr size_t kBlock4kFormatOffset = 2;
inline constexpr size_t kBlock4kSeparatorSize = 16;
// A download reads this many blocks of the logger's flash.
inline constexpr size_t kBlock4kDownloadBlocks = 4094;

// Time, validity, latitude, longitude, height, speed, satellite counts and
// millisecond: a record lacking any of them is refused.
inline constexpr uint32_t kBlock4kRequiredBits = 0x4103F;
inline constexpr uint32_t kBlock4kSensorBit = 1u << 21;  // a 52-byte sensor block follows
inline constexpr uint16_t kBlock4kValidFix = 3;
// Valid fixes dropped after one whose validity word is not 3.
inline constexpr int kBlock4kSkipAfterInvalid = 5;

// 2 plus the sizes of the fields the format word selects; bits without a
// field contribute nothing.
size_t Record4kLength(uint32_t format);

// Decoder state that spans the blocks of one image.
struct Block4kState {
    // Valid fixes still to be dropped after one without validity 3; cleared
    // before the first block.
    int skipCounter = 0;
};

enum class Record4kOutcome {
    Stored,     // in the fix store
    Dropped,    // acceptable, but the fix store was full
    NotValid,   // the validity word is not 3: the skip counter is set
    Skipped,    // valid, but one of the fixes after an invalid one
    Rejected,   // implausible, or a format without the required fields
    Truncated,  // fewer than the record length of bytes available; nothing read
};

// Decodes the record at `record`, of which `available` bytes may be read, in
// format `format`, into the next free slot of the fix store (its motion
// record zeroed). `target.diagnostics` is not written.
Record4kOutcome DecodeRecord4k(const MtkTarget& target, Block4kState& state, const uint8_t* record,
                               size_t available, uint32_t format);

// Decodes block `block` of `image` into the stores. Nothing outside `image`
// is read: a block cut short by the end of the image ends there.
void DecodeBlock4k(const MtkTarget& target, Block4kState& state, std::span<const uint8_t> image,
                   size_t block);

// Clears the skip counter and decodes blocks 0 to blockCount - 1 in order
// (blocks lying past the image are empty).
void DecodeBlock4kImage(const MtkTarget& target, std::span<const uint8_t> image, size_t blockCount);

}  // namespace qv
