#pragma once
// Decoding of MTK logger flash images: 64-KiB sectors of a 512-byte header
// followed by records whose fields a 32-bit format word selects, with
// in-band separators that may change that word.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/diagnostic_list.h"
#include "core/records.h"
#include "core/stores.h"

namespace qv {

inline constexpr size_t kMtkSectorSize = 65536;
inline constexpr size_t kMtkHeaderSize = 512;
inline constexpr size_t kMtkSeparatorSize = 16;
inline constexpr size_t kMtkFormatOffset = 2;

// The only format words our loggers write.
inline constexpr uint32_t kMtkFormatHeading = 0x8004107D;    // with heading
inline constexpr uint32_t kMtkFormatBasic = 0x8004103D;      // without heading
inline constexpr uint32_t kMtkFormatSatDetail = 0x8005F07D;  // with the satellite list

bool IsAcceptedMtkFormat(uint32_t format);

// Record length for a format word when `satView` satellites are listed
// (the count only matters with the satellite list bit).
size_t MtkRecordLength(uint32_t format, unsigned satView);

// Where a decoded image goes: the fix store and the diagnostic list.
struct MtkTarget {
    LogStore& log;
    DiagnosticList& diagnostics;
    TDateTime localTimeBase;
};

// Decodes sector `sector` of `image` into the stores. Nothing outside
// `image` is read: a short last sector, or a record or separator that
// would run past the sector end, ends the sector.
void DecodeMtkSector(const MtkTarget& target, std::span<const uint8_t> image, size_t sector);

// Decodes sectors 0 to sectorCount - 1 in order.
void DecodeMtkImage(const MtkTarget& target, std::span<const uint8_t> image, size_t sectorCount);

}  // namespace qv
