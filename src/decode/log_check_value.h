#pragma once
// The log check value: a 10-byte 80-bit number the downloader writes at
// offset 256 of a raw log after decoding it, so that an edited or truncated
// log can be told from a genuine one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/ext80.h"
#include "core/stores.h"

namespace qv {

inline constexpr size_t kLogCheckValueOffset = 256;
using CheckValueBytes = std::array<uint8_t, 10>;

// sqrt(fixCount) + firstLat * pi + firstLon / pi, in 80-bit arithmetic.
Float80 ComputeLogCheckValue(int fixCount, double firstLat, double firstLon);

// The check value of the decoded fixes (0 fixes give 0).
Float80 LogCheckValueOf(const LogStore& log);

CheckValueBytes EncodeCheckValue(Float80 value);

// The 10 bytes stored at offset 256; all zero when the image is too short.
CheckValueBytes StoredCheckValue(std::span<const uint8_t> image);

// Writes the check value at offset 256 (the image must be that long).
void WriteCheckValue(std::span<uint8_t> image, Float80 value);

// .bin images: all ten bytes equal.
bool CheckValueMatchesExactly(const CheckValueBytes& stored, Float80 computed);
// .binx images: bytes 2 to 9 equal; the two lowest mantissa bytes are free.
bool CheckValueMatchesHigh8(const CheckValueBytes& stored, Float80 computed);
// .bnx4 logs: the stored value within 0.1 of the computed one.
bool CheckValueWithinTenth(const CheckValueBytes& stored, Float80 computed);

}  // namespace qv
